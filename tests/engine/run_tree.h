// The small tree that the run tests share: three levels, a hidden file, an empty folder
// and a file that cannot be opened, with the digests of every file's content.
#pragma once

#include <map>
#include <string>

#include "engine/engine.h"
#include "fake_files.h"
#include "temp_tree.h"

// Error code staged for the file that cannot be opened.
constexpr files::TErrorCode kLockedError = 5;

inline const std::map<std::string, std::pair<std::string, std::string>>& KnownDigests() {
    // content -> MD5 and CRC-32, computed with md5sum and rhash.
    static const std::map<std::string, std::pair<std::string, std::string>> digests = {
        {"", {"d41d8cd98f00b204e9800998ecf8427e", "00000000"}},
        {"alpha", {"2c1743a391305fbf367df8e4f069f9f9", "D0E0396A"}},
        {"bravo", {"fd9ab41e47a9ef4f6477a8a000bf404f", "099BB889"}},
        {"hidden", {"662f707d5491e9bce8238a6c0be92190", "885DE9BD"}},
        {"charlie", {"bf779e0933a882808585d19455cd7937", "6EDB45A6"}},
        {"delta", {"63bcabf86a9a991864777c631c5b7617", "9643FED9"}},
        {"locked", {"4cef2f30ac7d33419d00c1d93a090095", "EAD2C891"}},
    };
    return digests;
}

// One md5sum line as written, CR LF included.
inline std::string Md5Line(const std::string& name, const std::string& content) {
    return KnownDigests().at(content).first + " *" + name + "\r\n";
}
inline std::string SfvLine(const std::string& name, const std::string& content) {
    return name + " " + KnownDigests().at(content).second + "\r\n";
}

// root: .dot (hidden) a.txt B.txt sub/
// sub: c.txt locked.bin (cannot be opened) deep/
// sub/deep: d.txt empty/ (no files)
inline void BuildRunTree(TTempTree& tree, TFakeFileSystem& fs) {
    tree.AddFile(".dot", "hidden");
    tree.AddFile("a.txt", "alpha");
    tree.AddFile("B.txt", "bravo");
    tree.AddFile("sub/c.txt", "charlie");
    tree.AddFile("sub/locked.bin", "locked");
    tree.AddFile("sub/deep/d.txt", "delta");
    tree.AddFolder("sub/deep/empty");
#ifdef _WIN32
    SetFileAttributesA(tree.Path(".dot").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(tree.Path("sub").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
#endif
    fs.OpenErrors[tree.Path("sub/locked.bin")] = kLockedError;
}

// Points an engine at the run tree: the fake file services, the tree's root as the folder,
// every file, sub-folders included.
inline void AimAtRunTree(TCheckSumEngine& engine, TFakeFileSystem& fs, const TTempTree& tree) {
    engine.SetFileSystem(&fs);
    engine.SetFolderPath(tree.Root());
    engine.SetFileMask("*.*");
    engine.IncludeSubfolders = true;
}
