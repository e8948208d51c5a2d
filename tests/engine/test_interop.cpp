// Lists made by md5sum, sha1sum, sha256sum, sha512sum, b3sum, rhash and cksfv verify with our
// engine, and the lists of our Update pass their checks, names in UTF-8 beyond ASCII included;
// every awkward name comes back through Update and Verify as the same file. The peers run only on
// POSIX systems.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "engine/engine.h"
#include "run_recorder.h"
#include "temp_tree.h"

namespace {

#ifdef _WIN32
constexpr bool kPeersRun = false;
#else
constexpr bool kPeersRun = true;
#endif

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
    if (!kPeersRun)
        GTEST_SKIP();
    const char* files = "a.txt b.bin sub/c.txt 'sub/Кириллица 日本/d café 😀.txt'";
    struct Case {
        const char* tool;
        std::string command;
        const char* list = "peer.list";
    } cases[] = {
        {"md5sum text", std::string("md5sum ") + files},
        {"md5sum binary", std::string("md5sum -b ") + files},
        {"md5sum tagged", std::string("md5sum --tag ") + files},
        {"rhash bsd md5", std::string("rhash --bsd --md5 ") + files},
        {"rhash bsd crc32", std::string("rhash --bsd --crc32 ") + files},
        {"rhash md5", std::string("rhash --md5 ") + files},
        {"rhash sfv", std::string("rhash --sfv ") + files},
        {"cksfv", std::string("cksfv ") + files},
        {"sha1sum", std::string("sha1sum ") + files},
        {"sha256sum", std::string("sha256sum ") + files},
        {"sha512sum binary", std::string("sha512sum -b ") + files},
        {"rhash sha1", std::string("rhash --sha1 ") + files},
        {"rhash sha256", std::string("rhash --sha256 ") + files},
        {"rhash sha512", std::string("rhash --sha512 ") + files},
        {"sha1sum tagged", std::string("sha1sum --tag ") + files},
        {"sha256sum tagged", std::string("sha256sum --tag ") + files},
        {"sha512sum tagged", std::string("sha512sum --tag ") + files},
        {"rhash bsd sha256", std::string("rhash --bsd --sha256 ") + files},
        {"b3sum", std::string("b3sum ") + files, "peer.b3"},
        {"b3sum", std::string("b3sum ") + files, "B3SUMS"},
        {"xxhsum -H2", std::string("xxhsum -H2 ") + files, "peer.xxh128"},
        {"xxhsum -H2 tagged", std::string("xxhsum --tag -H2 ") + files},
    };
    for (const Case& c : cases) {
        TTempTree tree;
        BuildPeerTree(tree);
        tree.AddFolder("lists");
        const std::string list = std::string("lists/") + c.list;
        ASSERT_TRUE(RunIn(tree.Path("t"), c.command + " > ../" + list)) << c.tool;
        TCheckSumEngine engine;
        TRunRecorder recorder(engine, tree.Path("t/"));
        recorder.RecordProcessing = false;
        engine.SetFolderPath(tree.Path("t"));
        engine.SetFileMask("*.*");
        engine.IncludeSubfolders = true;
        engine.ChecksumFileName = tree.Path(list);
        engine.OnChecksumOk = nullptr;
        engine.Verify();
        EXPECT_EQ(recorder.Findings(), std::vector<std::string>{}) << c.tool;
        EXPECT_EQ(engine.FilesProcessed, 4) << c.tool;

        tree.AddFile("t/a.txt", "alpha, changed");
        tree.SetTime(list, 2024, 5, 6, 10, 0, 0);
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
    if (!kPeersRun)
        GTEST_SKIP();
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
        {plFolderFixedName, "b3sums.lst", ckBLAKE3, hmNone, {"b3sum --check %"}, 3},
        {plPerFile, "*.b3", ckBLAKE3, hmNone, {"b3sum -c %"}, 4},
        {plFolderFixedName, "xxh128sums.lst", ckXXH128, hmStandard, {"xxhsum -c %"}, 3},
        {plPerFile, "*.xxh128", ckXXH128, hmNone, {"xxhsum -c %"}, 4},
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
    if (!kPeersRun)
        GTEST_SKIP();
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
    engine.SetChecksumKind(ckBLAKE3);
    engine.ChecksumFileName = "tree.b3";
    engine.Update(hmNone);
    engine.SetChecksumKind(ckXXH128);
    engine.ChecksumFileName = "tree.xxh128";
    engine.Update(hmNone);
    ASSERT_TRUE(RunIn(tree.Path("t"), "xxhsum -c tree.xxh128"));
    ASSERT_TRUE(RunIn(tree.Path("t"), "md5sum -c tree.md5"));
    ASSERT_TRUE(RunIn(tree.Path("t"), "b3sum -c tree.b3"));
    tree.AddFile("t/sub/Кириллица 日本/d café 😀.txt", "delta, changed");
    EXPECT_FALSE(RunIn(tree.Path("t"), "md5sum -c tree.md5"));
    EXPECT_FALSE(RunIn(tree.Path("t"), "rhash -c tree.md5"));
    EXPECT_FALSE(RunIn(tree.Path("t"), "b3sum -c tree.b3"));
    EXPECT_FALSE(RunIn(tree.Path("t"), "xxhsum -c tree.xxh128"));
}

// Names that a file system allows and that a list can mistake for something else. Peers by
// letter: r rhash -c, k cksfv -f (check our lists); s rhash --sfv, b rhash --bsd, k cksfv
// (write lists we read). md5sum -c, md5sum and md5sum --tag carry every name.
struct TAwkwardName {
    std::string Name;
    bool OnWindows; // a name that Windows allows too
    const char* Checks;
    const char* Lists;
};

const TAwkwardName kAwkwardNames[] = {
    {" lead", true, "rk", "sbk"},
    {"trail ", false, "k", "sbk"}, // rhash drops trailing blanks
    {";semi", true, "rk", "b"},    // SFV lines of other tools read as comments
    {"#1 song.mp3", true, "rk", "b"},
    {"*star", false, "rk", "sbk"},
    {"a\\b", false, "k", "k"}, // rhash takes every "\\" for a delimiter
    {"line\nbreak", false, "", ""},
    {"carriage\rreturn", false, "", ""},
    {"0123456789abcdef0123456789abcdef", true, "rk", "b"}, // plain SFV reads as md5sum
    {"0123456789abcdef0123456789abcdef x", true, "rk", "b"},
    {"CRC32 (x) =", true, "rk", "b"}, // plain SFV reads as a tagged line
    {"\xc3\xbcn\xc3\xaf"
     "c\xc3\xb8"
     "d\xc3\xa9.txt",
     true, "rk", "sbk"},
    {"\xe9t\xe9.txt", false, "rk", "sbk"}, // not UTF-8
};

struct TPeerCommand {
    char Peer;
    const char* Command;
};

const TPeerCommand kMd5Checks[] = {{'m', "md5sum -c "}, {'r', "rhash -c "}};
const TPeerCommand kSfvChecks[] = {{'k', "cksfv -f "}, {'r', "rhash -c "}};
const TPeerCommand kPeerLists[] = {{'m', "md5sum --"},
                                   {'m', "md5sum --tag --"},
                                   {'s', "rhash --sfv --"},
                                   {'b', "rhash --bsd --md5 --"},
                                   {'b', "rhash --bsd --crc32 --"},
                                   {'k', "cksfv --"}};

std::string Quoted(const std::string& name) {
    return "'" + name + "'";
}

// The sets of peers that one column of the table names.
std::set<std::string> PeerSets(const char* TAwkwardName::*peers) {
    std::set<std::string> sets;
    for (const TAwkwardName& row : kAwkwardNames)
        sets.insert(row.*peers);
    return sets;
}

// Runs of the table, one per set of names that the same peers carry: a tree t/ holding
// plain.txt and those names, each also in t/sub/, and an empty lists/.
struct TAwkwardTree {
    TTempTree Tree;
    TCheckSumEngine Engine;
    TRunRecorder Recorder{Engine, Tree.Root()};
    std::vector<std::string> Files;

    TAwkwardTree(const char* TAwkwardName::*peers, const std::string& set) {
        Files.push_back("plain.txt");
        for (const TAwkwardName& row : kAwkwardNames)
            if (row.*peers == set && (kPeersRun || row.OnWindows))
                Files.push_back(row.Name);
        for (size_t i = 0, count = Files.size(); i < count; ++i)
            Files.push_back("sub/" + Files[i]);
        for (const std::string& file : Files)
            Tree.AddFile("t/" + file, file);
        Tree.AddFolder("lists");
        Recorder.RecordProcessing = false;
        Engine.OnChecksumOk = nullptr;
        Engine.SetFolderPath(Tree.Path("t"));
        Engine.SetFileMask("*.*");
        Engine.IncludeSubfolders = true;
        Engine.OverwriteMode = omOverwrite;
    }
};

TEST(Interop, AwkwardNamesComeBackAsTheSameFileInEveryModeAndFormat) {
    const char* listNames[] = {"lists/all", "all", "list", "*", "*"};
    for (const std::string& set : PeerSets(&TAwkwardName::Checks)) {
        for (TChecksumKind kind : {ckMD5, ckCRC32}) {
            const std::string extension = kind == ckMD5 ? ".md5" : ".sfv";
            for (int mode = plTreeAnyPlace; mode <= plPerFile; ++mode) {
                SCOPED_TRACE("checked by \"" + set + "\", " + extension + " mode " +
                             std::to_string(mode));
                TAwkwardTree run(&TAwkwardName::Checks, set);
                run.Engine.SetChecksumKind(kind);
                run.Engine.Placement = static_cast<TPlacementMode>(mode);
                run.Engine.ChecksumFileName = listNames[mode] + extension;
                if (mode == plTreeAnyPlace)
                    run.Engine.ChecksumFileName = run.Tree.Path(run.Engine.ChecksumFileName);
                run.Engine.Update(hmNone);
                // Each name that an SFV line cannot carry is an error; the rest is written.
                std::vector<std::string> errors, unlisted;
                for (const std::string& file : run.Files) {
                    if (kind == ckMD5 || file.find_first_of("\r\n") == std::string::npos)
                        continue;
                    errors.push_back("SaveError");
                    // Verify of a root list without sub-folders sees the root's files only.
                    if (mode != plTreeRoot || file.find('/') == std::string::npos)
                        unlisted.push_back("FileNotListed t/" + file);
                }
                std::vector<std::string> findings;
                for (const std::string& event : run.Recorder.Findings())
                    findings.push_back(event.substr(0, event.find(' ')));
                EXPECT_EQ(findings, errors);

                run.Recorder.Events.clear();
                run.Engine.IncludeSubfolders = mode != plTreeRoot;
                run.Engine.Verify();
                findings = run.Recorder.Findings();
                std::sort(findings.begin(), findings.end());
                std::sort(unlisted.begin(), unlisted.end());
                EXPECT_EQ(findings, unlisted);
                EXPECT_EQ(run.Engine.FilesProcessed,
                          static_cast<int>(run.Files.size() - errors.size()));

                if (!kPeersRun)
                    continue;
                // Each list checked from its base folder: the tree root for the tree modes.
                std::string command = "true";
                for (const auto& entry :
                     std::filesystem::recursive_directory_iterator(run.Tree.Root())) {
                    if (entry.path().extension() != extension)
                        continue;
                    const std::string folder = mode <= plTreeRoot
                                                   ? run.Tree.Path("t")
                                                   : entry.path().parent_path().string();
                    command += " && cd " + Quoted(folder);
                    for (const TPeerCommand& check : kind == ckMD5 ? kMd5Checks : kSfvChecks)
                        if (check.Peer == 'm' || set.find(check.Peer) != std::string::npos)
                            command +=
                                std::string(" && ") + check.Command + Quoted(entry.path().string());
                }
                EXPECT_TRUE(RunIn(run.Tree.Root(), command)) << command;
            }
        }
    }
}

TEST(Interop, PeerListsOfAwkwardNamesVerifyClean) {
    if (!kPeersRun)
        GTEST_SKIP();
    for (const std::string& set : PeerSets(&TAwkwardName::Lists)) {
        for (const TPeerCommand& peer : kPeerLists) {
            if (peer.Peer != 'm' && set.find(peer.Peer) == std::string::npos)
                continue;
            SCOPED_TRACE(std::string("written by ") + peer.Command + " for \"" + set + "\"");
            TAwkwardTree run(&TAwkwardName::Lists, set);
            std::string command = peer.Command;
            for (const std::string& file : run.Files)
                command += " " + Quoted(file);
            ASSERT_TRUE(RunIn(run.Tree.Path("t"), command + " > ../lists/peer.list"));
            run.Engine.ChecksumFileName = run.Tree.Path("lists/peer.list");
            run.Engine.Verify();
            EXPECT_EQ(run.Recorder.Findings(), std::vector<std::string>{});
            EXPECT_EQ(run.Engine.FilesProcessed, static_cast<int>(run.Files.size()));
        }
    }
}

} // namespace
