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
    TFileListItem(std::string name, uint64_t size, uint32_t age, uint32_t folder)
        : Name(std::move(name)), Size(size), Age(age), Folder(folder) {}
    std::string Name; // bare
    uint64_t Size = 0;
    uint32_t Age = 0;    // the listing's last-write time (files::TFoundFile::Age)
    uint32_t Folder = 0; // 0 for a file of the root, else 1 + the list's index of its folder
    bool Listed = false;
};

// Files found on disk, each named relative to one root (the listed folder, or the tree):
// a folder's part of the names is held once for all of its files, so the memory per file
// stays flat in the depth of the tree.
class TFileList {
public:
    // Appends the file name of folder ("" or ending with the path delimiter); the files of a
    // folder added one after another share one copy of its part.
    void Add(const std::string& folder, std::string name, uint64_t size, uint32_t age = 0);
    // The item's name relative to the root: its bare name, or composed in buffer.
    const std::string& FileName(const TFileListItem& item, std::string& buffer) const;
    // True when name is exactly the item's name relative to the root.
    bool IsNamed(const TFileListItem& item, const std::string& name) const;

    size_t size() const { return Items.size(); }
    bool empty() const { return Items.empty(); }
    void clear();
    TFileListItem& operator[](size_t index) { return Items[index]; }
    const TFileListItem& operator[](size_t index) const { return Items[index]; }
    std::vector<TFileListItem>::iterator begin() { return Items.begin(); }
    std::vector<TFileListItem>::iterator end() { return Items.end(); }
    std::vector<TFileListItem>::const_iterator begin() const { return Items.begin(); }
    std::vector<TFileListItem>::const_iterator end() const { return Items.end(); }

private:
    friend void SortFileList(files::TFileSystem& fs, TFileList& list);
    std::vector<TFileListItem> Items;
    std::vector<std::string> Folders; // below the root, each ending with the path delimiter
};

// "MD5", "CRC32", "SHA1", "SHA256", "SHA512", "BLAKE3", "XXH128", or "???".
std::string ChecksumKindName(int kind);

// Sorts by the whole names relative to the root, in a user-locale comparison with letter
// case ignored (files::TFileSystem::CompareText); names that compare equal keep their order.
void SortFileList(files::TFileSystem& fs, TFileList& list);
// Binary search in a list sorted by SortFileList; index is the hit or the place where the
// name would be inserted.
bool FindFileListItem(files::TFileSystem& fs, const TFileList& list, const std::string& name,
                      size_t& index);

// Equal length and equal characters with only "a".."z" folded onto "A".."Z".
bool SameChecksum(const std::string& a, const std::string& b);
