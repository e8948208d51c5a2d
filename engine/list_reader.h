// TListReader: a checksum file read line by line in 64 KiB blocks, so memory is bounded by
// the longest line kept, not by the file. Lines end at CR LF, CR or LF; the content ends at
// its first NUL byte; a last line without an end still counts; a UTF-8 byte-order mark
// (Notepad writes one) is no part of the first line. A plain entry of a digest length that
// two kinds share (64 digits: SHA-256 or BLAKE3) is of the kind the list's name names, else
// of the one kind of that length that the list's tagged lines and comments name, else of
// the first reading (lines::ClassifyLine).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/items.h"
#include "platform/files.h"

// One line of a list: its text made text of the program's code page, its class and, for an
// entry, its digest and the name as the file services take it.
struct TListLine {
    std::string Text;
    TLineClass Class = lcBlank;
    int32_t Number = 0; // from 1
    std::string Checksum;
    std::string Name;
    bool Tagged = false; // a BSD-style entry, which names its digest
};

class TListReader {
public:
    // Longer lines are invalid; their text is cut here and the rest is passed over.
    static constexpr size_t kLongestLine = 1 << 20;

    explicit TListReader(files::TFileSystem& fs);
    ~TListReader();
    TListReader(const TListReader&) = delete;
    TListReader& operator=(const TListReader&) = delete;

    // False when the file cannot be opened.
    bool Open(const std::string& path);
    // The next line; false at the end of the content or when a read failed.
    bool Next(TListLine& line);
    // True when the file could not be opened or a read failed.
    bool Failed() const { return ReadFailed; }

private:
    // Reads the next block; false at the end of the file or on a failed read.
    bool Fill();
    // The class of a plain entry of a length that kinds share, as the list means it.
    TLineClass MeantClass(const TListLine& line);

    files::TFileSystem& Fs;
    std::string Path;
    TChecksumKind NamedKind = ckNone; // by the list's name
    bool Resolves = true;             // false for the reader that scans for NamedInLines
    bool Scanned = false;
    uint32_t NamedInLines = 0; // bit 1 << kind for each kind that tagged lines and comments name
    files::TFileId File = files::kNoFile;
    std::vector<char> Block;
    size_t Position = 0, Length = 0;
    bool AtEnd = false, ReadFailed = false, FirstBlock = true, SkipLineFeed = false;
    int32_t Number = 0;
};
