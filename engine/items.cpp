// List items of files found on disk: ordering, lookup and checksum comparison.
#include "engine/items.h"

#include <algorithm>
#include <cstddef>

#include "platform/files.h"

std::string ChecksumKindName(int kind) {
    switch (kind) {
    case ckMD5:
        return "MD5";
    case ckCRC32:
        return "CRC32";
    case ckSHA1:
        return "SHA1";
    case ckSHA256:
        return "SHA256";
    case ckSHA512:
        return "SHA512";
    case ckBLAKE3:
        return "BLAKE3";
    case ckXXH128:
        return "XXH128";
    default:
        return "???";
    }
}

bool IsEntryClass(TLineClass lineClass) {
    return ChecksumTextLength(static_cast<TChecksumKind>(lineClass)) != 0;
}

size_t ChecksumTextLength(TChecksumKind kind) {
    switch (kind) {
    case ckMD5:
    case ckXXH128:
        return 32;
    case ckCRC32:
        return 8;
    case ckSHA1:
        return 40;
    case ckSHA256:
    case ckBLAKE3:
        return 64;
    case ckSHA512:
        return 128;
    default:
        return 0;
    }
}

void TFileList::Add(const std::string& folder, std::string name, uint64_t size, uint32_t age) {
    if (!folder.empty() && (Folders.empty() || folder != Folders.back()))
        Folders.push_back(folder);
    const uint32_t index = folder.empty() ? 0 : static_cast<uint32_t>(Folders.size());
    Items.emplace_back(std::move(name), size, age, index);
}

const std::string& TFileList::FileName(const TFileListItem& item, std::string& buffer) const {
    if (item.Folder == 0)
        return item.Name;
    buffer = Folders[item.Folder - 1];
    buffer += item.Name;
    return buffer;
}

bool TFileList::IsNamed(const TFileListItem& item, const std::string& name) const {
    const size_t folderLength = item.Folder == 0 ? 0 : Folders[item.Folder - 1].size();
    return name.size() == folderLength + item.Name.size() &&
           (item.Folder == 0 || name.compare(0, folderLength, Folders[item.Folder - 1]) == 0) &&
           name.compare(folderLength, std::string::npos, item.Name) == 0;
}

void TFileList::clear() {
    Items.clear();
    Folders.clear();
}

// The whole names are compared: a locale's comparison of two paths need not follow from
// comparing their folders and then their bare names. Each side's buffer keeps its folder's
// part while the items compared on that side lie in one folder, as those of a run mostly do.
void SortFileList(files::TFileSystem& fs, TFileList& list) {
    struct TWhole {
        std::string Text;
        uint32_t Folder = 0;
    };
    auto whole = [&list](const TFileListItem& item, TWhole& held) -> const std::string& {
        if (item.Folder == 0)
            return item.Name;
        const std::string& folder = list.Folders[item.Folder - 1];
        if (held.Folder != item.Folder) {
            held.Text = folder;
            held.Folder = item.Folder;
        }
        held.Text.resize(folder.size());
        held.Text += item.Name;
        return held.Text;
    };
    TWhole wholeA, wholeB;
    std::stable_sort(list.Items.begin(), list.Items.end(),
                     [&](const TFileListItem& a, const TFileListItem& b) {
                         return fs.CompareText(whole(a, wholeA), whole(b, wholeB)) < 0;
                     });
}

// On a hit the search goes on towards lower indexes with low at the hit, which ends it
// there: the index is the hit, or else where the name would be inserted.
bool FindFileListItem(files::TFileSystem& fs, const TFileList& list, const std::string& name,
                      size_t& index) {
    bool found = false;
    std::ptrdiff_t low = 0;
    std::ptrdiff_t high = static_cast<std::ptrdiff_t>(list.size()) - 1;
    std::string buffer;
    while (low <= high) {
        std::ptrdiff_t middle = (low + high) / 2;
        int order = fs.CompareText(list.FileName(list[static_cast<size_t>(middle)], buffer), name);
        if (order < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (order == 0) {
                found = true;
                low = middle;
            }
        }
    }
    index = static_cast<size_t>(low);
    return found;
}

bool SameChecksum(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    auto upper = [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    };
    for (size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}
