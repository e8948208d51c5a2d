// Kinds of checksum, checksum-file line classes and the list items of files found on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum TChecksumKind : uint8_t {
    ckNone = 0,
    ckMD5 = 1,
    ckCRC32 = 2,
    ckSHA1 = 5,
    ckSHA256 = 6,
    ckSHA512 = 7,
    ckBLAKE3 = 8,
    ckXXH128 = 9
};

// The entry classes share their values with TChecksumKind.
enum TLineClass : int {
    lcInvalid = 0,
    lcMD5 = 1,
    lcSFV = 2,
    lcComment = 3,
    lcBlank = 4,
    lcSHA1 = 5,
    lcSHA256 = 6,
    lcSHA512 = 7,
    lcBLAKE3 = 8,
    lcXXH128 = 9
};

// True for the classes of entry lines, which name the digest that verifies them.
bool IsEntryClass(TLineClass lineClass);
// Hexadecimal digits of a kind's checksum text; 0 for a value that is no kind.
size_t ChecksumTextLength(TChecksumKind kind);

namespace files {
class TFileSystem;
}

struct TFileListItem {
    TFileListItem(std::string fileName, uint64_t size, uint32_t age = 0)
        : FileName(std::move(fileName)), Size(size), Age(age) {}
    std::string FileName; // bare, or relative to the tree root
    uint64_t Size = 0;
    uint32_t Age = 0; // the listing's last-write time (files::TFoundFile::Age)
    bool Listed = false;
};

using TFileList = std::vector<TFileListItem>;

// "MD5", "CRC32", "SHA1", "SHA256", "SHA512", "BLAKE3", "XXH128", or "???".
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
