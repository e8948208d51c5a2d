// Checksum-file lines, apart from any engine: the entry forms that are read (md5sum style,
// BSD tags, SFV), classifying and splitting a line, the entry and header lines that Update
// writes, each in a form that reads back as written, and GNU md5sum's escapes of names.
// The engine's operations of these names, the list reader and the fuzz target call them.
#pragma once

#include <cstdint>
#include <string>

#include "engine/items.h"
#include "platform/files.h"

// The header line written at the top of new checksum files; any other value writes none.
enum THeaderMode : int32_t { hmNone = 0, hmStandard = 1, hmWinSFV = 2 };

// The home page named in the header lines.
extern const char* const kHomePageAddress;

namespace lines {

TLineClass ClassifyLine(const std::string& line);
// The class of a line and, for an entry line, its digest and name in one reading.
TLineClass ReadChecksumLine(const std::string& line, std::string& checksum, std::string& name);
// An entry line of lineClass split into its digest and name; any other line is a
// programming error.
void ParseChecksumLine(TLineClass lineClass, const std::string& line, std::string& checksum,
                       std::string& name);
// On POSIX, the name of an entry line without escapes that holds a "\", with the "\" kept
// as part of the name; false otherwise. Verify takes it when the name read names no file.
bool EntryNameAsWritten(const std::string& line, std::string& name);

// The entry line of kind, in a form that reads back as name; "" when the format cannot
// carry the name (SFV and a line break). A kind that is none is a programming error.
std::string FormatChecksumLine(TChecksumKind kind, const std::string& name,
                               const std::string& checksum);
// The header line of mode at now, or "" when the mode writes none.
std::string HeaderLine(THeaderMode mode, const files::TLocalTime& now, char timeSeparator);

// GNU md5sum's escapes of a name: "\\", "\n" and "\r".
std::string EscapeName(const std::string& name);

// True for a line that a list of kind may hold: one of its entries, a comment or a blank.
inline bool BelongsToKind(TLineClass lineClass, TChecksumKind kind) {
    return lineClass == lcBlank || lineClass == lcComment ||
           lineClass == static_cast<TLineClass>(kind);
}

} // namespace lines
