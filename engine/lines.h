// Checksum-file lines, apart from any engine: the entry forms that are read (md5sum style,
// BSD tags, SFV), classifying and splitting a line, the entry and header lines that Update
// writes, each in a form that reads back as written, and GNU md5sum's escapes of names.
// The engine's operations of these names, the list reader and the fuzz target call them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/items.h"
#include "platform/files.h"

// The header line written at the top of new checksum files; any other value writes none.
enum THeaderMode : int32_t { hmNone = 0, hmStandard = 1, hmWinSFV = 2 };

// The home page named in the header lines.
extern const char* const kHomePageAddress;

namespace lines {

// text with only "a".."z" in upper case, as digests and list names compare.
std::string AsciiUpper(std::string text);

TLineClass ClassifyLine(const std::string& line);
// The class of a line and, for an entry line, its digest and name in one reading; tagged,
// when given, tells a BSD-style line, which names its digest.
TLineClass ReadChecksumLine(const std::string& line, std::string& checksum, std::string& name,
                            bool* tagged = nullptr);

// Which digest a line means where its length does not tell (64 digits: SHA-256 or BLAKE3):
// ClassifyLine gives the first reading; a list's name, or the kinds that its tagged lines
// and comments name, may give another.
// True when another kind's digests are as long as those of lineClass.
bool SharesItsLength(TLineClass lineClass);
// The kind a list's name names, letter case ignored: ".b3", ".blake3", "b3sum", "blake3"
// name BLAKE3; ".sha256", "sha256" SHA-256; ".md5", "md5sum" MD5; ".xxh128", "xxh128"
// XXH128; ckNone for any other.
// Only the last component of a path counts, and an extension before a word.
TChecksumKind KindOfListName(const std::string& path);
// The kind a comment names, by its tag ("SHA-256" counts as "SHA256"); ckNone for none.
TChecksumKind KindNamedInComment(const std::string& line);
// An entry line of lineClass split into its digest and name; any other line is a
// programming error.
void ParseChecksumLine(TLineClass lineClass, const std::string& line, std::string& checksum,
                       std::string& name);
// On POSIX, the name of an entry line without escapes that holds a "\", with the "\" kept
// as part of the name; false otherwise. Verify takes it when the name read names no file.
bool EntryNameAsWritten(const std::string& line, std::string& name);

// The entry line of kind, in a form that reads back as name; "" when the format cannot
// carry the name (SFV and a line break). A kind that is none is a programming error.
// tagged writes the BSD-style form ("BLAKE3 (name) = digest").
std::string FormatChecksumLine(TChecksumKind kind, const std::string& name,
                               std::string_view checksum, bool tagged = false);
// True when a list of kind under listName needs the tagged form to read back as kind: a
// kind whose plain lines read as another kind, in a list whose name does not name it.
bool NeedsTag(TChecksumKind kind, const std::string& listName);
// The header line of mode at now, or "" when the mode writes none.
std::string HeaderLine(THeaderMode mode, const files::TLocalTime& now, char timeSeparator);

// The line end of a list of kind: LF for b3sum and xxhsum lists, which their peers read
// only so; CR LF for the others.
const char* ListLineEnd(TChecksumKind kind);

// GNU md5sum's escapes of a name: "\\", "\n" and "\r".
std::string EscapeName(const std::string& name);

// True for a line that a list of kind may hold: one of its entries, a comment or a blank.
inline bool BelongsToKind(TLineClass lineClass, TChecksumKind kind) {
    return lineClass == lcBlank || lineClass == lcComment ||
           lineClass == static_cast<TLineClass>(kind);
}

} // namespace lines
