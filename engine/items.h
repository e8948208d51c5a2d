// Kinds of checksum, checksum-file line classes and the list items of files found on disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum TChecksumKind : uint8_t { ckNone = 0, ckMD5 = 1, ckCRC32 = 2 };

// The entry classes share their values with TChecksumKind.
enum TLineClass : int { lcInvalid = 0, lcMD5 = 1, lcSFV = 2, lcComment = 3, lcBlank = 4 };

namespace files {
class TFileSystem;
}

struct TFileListItem {
    TFileListItem(std::string fileName, uint64_t size) : FileName(std::move(fileName)), Size(size) {}
    std::string FileName; // bare, or relative to the tree root
    uint64_t Size = 0;
    bool Listed = false;
};

using TFileList = std::vector<TFileListItem>;

// "MD5", "CRC32", or "???".
std::string ChecksumKindName(int kind);

// User-locale comparison of the two names, letter case ignored.
int CompareFileListItems(files::TFileSystem& fs, const TFileListItem& a, const TFileListItem& b);
void SortFileList(files::TFileSystem& fs, TFileList& list);
// Binary search in a list sorted by CompareFileListItems; index is the hit or the
// place where the name would be inserted.
bool FindFileListItem(files::TFileSystem& fs, const TFileList& list, const std::string& name,
                      size_t& index);

// Equal length and equal characters with only "a".."z" folded onto "A".."Z".
bool SameChecksum(const std::string& a, const std::string& b);
