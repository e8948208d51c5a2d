// Lists made by md5sum, sha1sum, sha256sum, sha512sum, rhash and cksfv verify with our engine, and
// the lists of our Update pass their checks, names in UTF-8 beyond ASCII included. The peers run
// only on POSIX systems.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engine/engine.h"
#include "run_recorder.h"
#include "temp_tree.h"

namespace {

// Runs a shell command in folder; true when it exits with 0.
bool RunIn(const std::string& folder, const std::string& command) {
    std::string line = "cd '" + folder + "' && { " + command + "; } >/dev/null 2>&1";
    return std::system(line.c_str()) == 0;
}

void BuildPeerTree(TTempTree& tree) {
    tree.AddFile("t/a.txt", "alpha");
    tree.AddFile("t/b.bin", std::string("\0\1\2\3binary", 10));
    tree.AddFile("t/sub/c.txt", "charlie");
    tree.AddFile("t/sub/Кириллица 日本/d café 😀.txt", "delta");
}

TEST(Interop, PeerListsVerifyAndShowExactlyTheChanges) {
    const char* files = "a.txt b.bin sub/c.txt 'sub/Кириллица 日本/d café 😀.txt'";
    struct Case {
        const char* tool;
        std::string command;
    } cases[] = {
        {"md5sum text", std::string("md5sum ") + files},
        {"md5sum binary", std::string("md5sum -b ") + files},
        {"rhash md5", std::string("rhash --md5 ") + files},
        {"rhash sfv", std::string("rhash --sfv ") + files},
        {"cksfv", std::string("cksfv ") + files},
        {"sha1sum", std::string("sha1sum ") + files},
        {"sha256sum", std::string("sha256sum ") + files},
        {"sha512sum binary", std::string("sha512sum -b ") + files},
        {"rhash sha1", std::string("rhash --sha1 ") + files},
        {"rhash sha256", std::string("rhash --sha256 ") + files},
        {"rhash sha512", std::string("rhash --sha512 ") + files},
    };
    for (const Case& c : cases) {
        TTempTree tree;
        BuildPeerTree(tree);
        tree.AddFolder("lists");
        ASSERT_TRUE(RunIn(tree.Path("t"), c.command + " > ../lists/peer.list")) << c.tool;
        TCheckSumEngine engine;
        TRunRecorder recorder(engine, tree.Path("t/"));
        recorder.RecordProcessing = false;
        engine.SetFolderPath(tree.Path("t"));
        engine.SetFileMask("*.*");
        engine.IncludeSubfolders = true;
        engine.ChecksumFileName = tree.Path("lists/peer.list");
        engine.OnChecksumOk = nullptr;
        engine.Verify();
        EXPECT_EQ(recorder.Findings(), std::vector<std::string>{}) << c.tool;
        EXPECT_EQ(engine.FilesProcessed, 4) << c.tool;

        tree.AddFile("t/a.txt", "alpha, changed");
        tree.SetTime("lists/peer.list", 2024, 5, 6, 10, 0, 0);
        tree.SetTime("t/a.txt", 2024, 5, 6, 10, 0, 10);
        std::filesystem::remove(tree.Path("t/b.bin"));
        tree.AddFile("t/sub/new.txt", "new");
        recorder.Events.clear();
        engine.Verify();
        EXPECT_EQ(recorder.Findings(),
                  (std::vector<std::string>{"FileUpdated a.txt", "FileMissing b.bin",
                                            "FileNotListed sub/new.txt"}))
            << c.tool;
    }
}

TEST(Interop, OurListsPassThePeerChecks) {
    struct Case {
        TPlacementMode placement;
        const char* name;
        TChecksumKind kind;
        THeaderMode header;
        std::vector<std::string> checks; // "%" stands for the list's name
        size_t lists;
    } cases[] = {
        {plFolderFixedName, "md5sum.lst", ckMD5, hmNone, {"md5sum -c %", "rhash -c %"}, 3},
        {plFolderNamedAfterFolder, "*.md5", ckMD5, hmStandard, {"md5sum -c %", "rhash -c %"}, 3},
        {plPerFile, "*.md5", ckMD5, hmNone, {"md5sum -c %", "rhash -c %"}, 4},
        {plFolderFixedName, "checksums.sfv", ckCRC32, hmWinSFV, {"cksfv -f %", "rhash -c %"}, 3},
        {plFolderNamedAfterFolder, "*.sfv", ckCRC32, hmNone, {"cksfv -f %", "rhash -c %"}, 3},
        {plPerFile, "*.sfv", ckCRC32, hmStandard, {"cksfv -f %", "rhash -c %"}, 4},
        {plTreeRoot, "tree.md5", ckMD5, hmStandard, {"md5sum -c %", "rhash -c %"}, 1},
        {plTreeRoot, "tree.sfv", ckCRC32, hmNone, {"cksfv -f %", "rhash -c %"}, 1},
        {plFolderFixedName, "sha256sum.lst", ckSHA256, hmNone, {"sha256sum -c %", "rhash -c %"}, 3},
        {plPerFile, "*.sha256", ckSHA256, hmStandard, {"sha256sum -c %", "rhash -c %"}, 4},
    };
    for (const Case& c : cases) {
        TTempTree tree;
        BuildPeerTree(tree);
        TCheckSumEngine engine;
        TRunRecorder recorder(engine, tree.Path("t/"));
        engine.SetFolderPath(tree.Path("t"));
        engine.SetFileMask("*.*");
        engine.IncludeSubfolders = true;
        engine.OverwriteMode = omOverwrite;
        engine.SetChecksumKind(c.kind);
        engine.Placement = c.placement;
        engine.ChecksumFileName = c.name;
        engine.Update(c.header);
        ASSERT_EQ(engine.FilesProcessed, 4) << c.name;

        std::string extension = std::filesystem::path(c.name).extension().string();
        size_t lists = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.Path("t"))) {
            if (entry.path().extension() != extension)
                continue;
            ++lists;
            std::string folder = entry.path().parent_path().string();
            std::string name = entry.path().filename().string();
            for (std::string check : c.checks) {
                check.replace(check.find('%'), 1, "'" + name + "'");
                EXPECT_TRUE(RunIn(folder, check)) << check << " in " << folder;
            }
        }
        EXPECT_EQ(lists, c.lists) << c.name;
    }
}

TEST(Interop, PeerCheckFailsOnAChangedFile) {
    // Shows that the checks above can fail: a changed file makes md5sum -c say so.
    TTempTree tree;
    BuildPeerTree(tree);
    TCheckSumEngine engine;
    TRunRecorder recorder(engine, tree.Path("t/"));
    engine.SetFolderPath(tree.Path("t"));
    engine.SetFileMask("*.*");
    engine.IncludeSubfolders = true;
    engine.SetChecksumKind(ckMD5);
    engine.Placement = plTreeRoot;
    engine.ChecksumFileName = "tree.md5";
    engine.Update(hmNone);
    ASSERT_TRUE(RunIn(tree.Path("t"), "md5sum -c tree.md5"));
    tree.AddFile("t/sub/Кириллица 日本/d café 😀.txt", "delta, changed");
    EXPECT_FALSE(RunIn(tree.Path("t"), "md5sum -c tree.md5"));
    EXPECT_FALSE(RunIn(tree.Path("t"), "rhash -c tree.md5"));
}

} // namespace

#endif
