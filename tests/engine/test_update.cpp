// The Update run in every placement mode: checksum files written byte for byte, the
// events in order, the questions and their answers, abort and the counters.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <thread>
#include <tuple>

#include "engine/engine.h"
#include "fake_files.h"
#include "run_recorder.h"
#include "run_tree.h"
#include "temp_tree.h"

namespace {

const std::string D(1, files::kPathDelimiter);

class UpdateTest : public ::testing::Test {
protected:
    TTempTree Tree;
    TFakeFileSystem Fs;
    TCheckSumEngine Engine;
    TRunRecorder Recorder{Engine, Tree.Root()};

    void SetUp() override {
        BuildRunTree(Tree, Fs);
        Engine.SetFileSystem(&Fs);
        Engine.SetFolderPath(Tree.Root());
        Engine.SetFileMask("*.*");
        Engine.IncludeSubfolders = true;
        Engine.OverwriteMode = omOverwrite;
        Engine.SetChecksumKind(ckMD5);
    }

    void Run(TPlacementMode placement, const std::string& checksumFileName) {
        Engine.Placement = placement;
        Engine.ChecksumFileName = checksumFileName;
        Engine.SetAborted(false);
        Engine.Update(hmNone);
    }

    std::string RootName() const {
        return std::filesystem::path(Tree.Root()).parent_path().filename().string();
    }
};

TEST_F(UpdateTest, PerFolderListsInNameOrderWithEveryEvent) {
    Run(plFolderFixedName, "md5sum.lst");
    EXPECT_EQ(Recorder.Events, (std::vector<std::string>{
                                   "Processing *.*",
                                   "Processing .dot",
                                   "ChecksumOk .dot MD5",
                                   "Processing a.txt",
                                   "ChecksumOk a.txt MD5",
                                   "Processing B.txt",
                                   "ChecksumOk B.txt MD5",
                                   "Processing sub/*.*",
                                   "Processing sub/c.txt",
                                   "ChecksumOk sub/c.txt MD5",
                                   "Processing sub/locked.bin",
                                   "FileOpenError sub/locked.bin 5",
                                   "Processing sub/deep/*.*",
                                   "Processing sub/deep/d.txt",
                                   "ChecksumOk sub/deep/d.txt MD5",
                                   "Processing sub/deep/empty/*.*",
                                   "EmptyFolderSkipped sub/deep/empty/*.*",
                               }));
    EXPECT_EQ(Tree.Content("md5sum.lst"),
              Md5Line(".dot", "hidden") + Md5Line("a.txt", "alpha") + Md5Line("B.txt", "bravo"));
    EXPECT_EQ(Tree.Content("sub/md5sum.lst"), Md5Line("c.txt", "charlie"));
    EXPECT_EQ(Tree.Content("sub/deep/md5sum.lst"), Md5Line("d.txt", "delta"));
    EXPECT_FALSE(Tree.Exists("sub/deep/empty/md5sum.lst"));
    EXPECT_EQ(Engine.FilesProcessed, 5);
    EXPECT_EQ(Engine.BytesProcessed, 28u);
    EXPECT_TRUE(Engine.Lines.empty() && Engine.Files.empty());

    // A second run over the unchanged tree hashes everything again and writes the same.
    std::string before = Tree.Content("sub/md5sum.lst");
    Recorder.Events.clear();
    Run(plFolderFixedName, "md5sum.lst");
    EXPECT_EQ(Tree.Content("sub/md5sum.lst"), before);
    EXPECT_EQ(Engine.FilesProcessed, 5);
}

TEST_F(UpdateTest, EveryPlacementModeWritesItsFiles) {
    TTempTree lists;
    const std::string treeLines = Md5Line(".dot", "hidden") + Md5Line("a.txt", "alpha") +
                                  Md5Line("B.txt", "bravo") +
                                  Md5Line("sub" + D + "c.txt", "charlie") +
                                  Md5Line("sub" + D + "deep" + D + "d.txt", "delta");
    struct Case {
        TPlacementMode placement;
        std::string name;
        TChecksumKind kind;
        std::map<std::string, std::string> written; // in the tree; "@" = the lists folder
        std::vector<std::string> findings;
    } cases[] = {
        {plTreeAnyPlace,
         lists.Path("tree.md5"),
         ckMD5,
         {{"@tree.md5", treeLines}},
         {"ChecksumOk .dot MD5", "ChecksumOk a.txt MD5", "ChecksumOk B.txt MD5",
          "ChecksumOk sub/c.txt MD5", "FileOpenError sub/locked.bin 5",
          "ChecksumOk sub/deep/d.txt MD5"}},
        {plTreeRoot, "tree.md5", ckMD5, {{"tree.md5", treeLines}}, {}},
        {plFolderFixedName,
         "checksums.sfv",
         ckCRC32,
         {{"checksums.sfv",
           SfvLine(".dot", "hidden") + SfvLine("a.txt", "alpha") + SfvLine("B.txt", "bravo")},
          {"sub/checksums.sfv", SfvLine("c.txt", "charlie")},
          {"sub/deep/checksums.sfv", SfvLine("d.txt", "delta")}},
         {}},
        {plFolderNamedAfterFolder,
         "*.md5",
         ckMD5,
         {{RootName() + ".md5",
           Md5Line(".dot", "hidden") + Md5Line("a.txt", "alpha") + Md5Line("B.txt", "bravo")},
          {"sub/sub.md5", Md5Line("c.txt", "charlie")},
          {"sub/deep/deep.md5", Md5Line("d.txt", "delta")}},
         {}},
        {plPerFile,
         "*.md5",
         ckMD5,
         {{".dot.md5", Md5Line(".dot", "hidden")},
          {"a.txt.md5", Md5Line("a.txt", "alpha")},
          {"B.txt.md5", Md5Line("B.txt", "bravo")},
          {"sub/c.txt.md5", Md5Line("c.txt", "charlie")},
          {"sub/deep/d.txt.md5", Md5Line("d.txt", "delta")}},
         {}},
    };
    for (const Case& c : cases) {
        TTempTree tree;
        TFakeFileSystem fs;
        BuildRunTree(tree, fs);
        TCheckSumEngine engine;
        TRunRecorder recorder(engine, tree.Root());
        recorder.RecordProcessing = false;
        AimAtRunTree(engine, fs, tree);
        engine.OverwriteMode = omOverwrite;
        engine.SetChecksumKind(c.kind);
        engine.Placement = c.placement;
        engine.ChecksumFileName = c.name;
        engine.Update(hmNone);
        std::string root = std::filesystem::path(tree.Root()).parent_path().filename().string();
        for (const auto& [relative, content] : c.written) {
            std::string name = relative;
            if (name == RootName() + ".md5")
                name = root + ".md5";
            std::string actual =
                name[0] == '@' ? lists.Content(name.substr(1)) : tree.Content(name);
            EXPECT_EQ(actual, content) << c.placement << " " << name;
        }
        // Nothing else was written: the root holds only its own files and its lists.
        std::vector<std::string> rootNames = {".dot", "B.txt", "a.txt", "sub"};
        for (const auto& [relative, content] : c.written)
            if (relative.find_first_of("/@") == std::string::npos)
                rootNames.push_back(relative == RootName() + ".md5" ? root + ".md5" : relative);
        std::sort(rootNames.begin(), rootNames.end());
        EXPECT_EQ(tree.List(""), rootNames) << c.placement;
        EXPECT_EQ(tree.List("sub/deep/empty"), std::vector<std::string>{}) << c.placement;
        std::vector<std::string> findings;
        for (const std::string& event : recorder.Findings())
            if (event.compare(0, 11, "ChecksumOk ") != 0 || !c.findings.empty())
                findings.push_back(event);
        std::vector<std::string> expected = c.findings;
        if (expected.empty()) {
            expected = {"FileOpenError sub/locked.bin 5"};
            if (c.placement == plFolderFixedName || c.placement == plFolderNamedAfterFolder)
                expected.push_back("EmptyFolderSkipped sub/deep/empty/*.*");
        }
        EXPECT_EQ(findings, expected) << c.placement;
        EXPECT_EQ(engine.FilesProcessed, 5) << c.placement;
        EXPECT_EQ(engine.Extension,
                  c.placement >= plFolderNamedAfterFolder ? std::string(".md5") : std::string())
            << c.placement;
    }
}

TEST_F(UpdateTest, ExistingListDecisions) {
    Engine.IncludeSubfolders = false;
    const std::string fresh =
        Md5Line(".dot", "hidden") + Md5Line("a.txt", "alpha") + Md5Line("B.txt", "bravo");
    const std::string ownKind = "; old list\r\n" + Md5Line("a.txt", "bravo");
    const std::string otherKind = SfvLine("a.txt", "alpha");
    const std::string foreign = "dear diary\r\n";
    struct Case {
        const char* what;
        TOverwriteMode mode;
        std::string existing;
        std::deque<TConfirmAnswer> overwrite, foreignAnswers;
        bool confirmAbort;
        bool replaced, aborted;
        std::vector<std::string> findings;
    } cases[] = {
        {"keep", omKeep, ownKind, {}, {}, true, false, false, {"ChecksumFileSkipped md5sum.lst"}},
        {"overwrite", omOverwrite, ownKind, {}, {}, true, true, false, {}},
        {"overwrite other kind: asked",
         omOverwrite,
         otherKind,
         {},
         {caYes},
         true,
         true,
         false,
         {"ConfirmOverwriteForeign md5sum.lst 1"}},
        {"overwrite foreign: no",
         omOverwrite,
         foreign,
         {},
         {caNo},
         true,
         false,
         false,
         {"ConfirmOverwriteForeign md5sum.lst 2", "ChecksumFileSkipped md5sum.lst"}},
        {"foreign: cancel, abort",
         omOverwrite,
         foreign,
         {},
         {caCancel},
         true,
         false,
         true,
         {"ConfirmOverwriteForeign md5sum.lst 0", "ConfirmAbort yes",
          "ChecksumFileSkipped md5sum.lst"}},
        {"ask: yes",
         omAsk,
         ownKind,
         {caYes},
         {},
         true,
         true,
         false,
         {"ConfirmOverwrite md5sum.lst 1"}},
        {"ask: yes, then foreign",
         omAsk,
         foreign,
         {caYes},
         {caYes},
         true,
         true,
         false,
         {"ConfirmOverwrite md5sum.lst 1", "ConfirmOverwriteForeign md5sum.lst 1"}},
        {"ask: no",
         omAsk,
         ownKind,
         {caNo},
         {},
         true,
         false,
         false,
         {"ConfirmOverwrite md5sum.lst 2", "ChecksumFileSkipped md5sum.lst"}},
        {"ask: cancel, abort confirmed",
         omAsk,
         ownKind,
         {caCancel},
         {},
         true,
         false,
         true,
         {"ConfirmOverwrite md5sum.lst 0", "ConfirmAbort yes", "ChecksumFileSkipped md5sum.lst"}},
        {"ask: cancel, abort declined",
         omAsk,
         ownKind,
         {caCancel},
         {},
         false,
         false,
         false,
         {"ConfirmOverwrite md5sum.lst 0", "ConfirmAbort no", "ChecksumFileSkipped md5sum.lst"}},
    };
    for (const Case& c : cases) {
        Tree.AddFile("md5sum.lst", c.existing);
        Recorder.Events.clear();
        Recorder.RecordProcessing = false;
        Recorder.OverwriteAnswers = c.overwrite;
        Recorder.ForeignAnswers = c.foreignAnswers;
        Recorder.ConfirmAbort = c.confirmAbort;
        Engine.OverwriteMode = c.mode;
        Run(plFolderFixedName, "md5sum.lst");
        std::vector<std::string> findings;
        for (const std::string& event : Recorder.Findings())
            if (event.compare(0, 11, "ChecksumOk ") != 0)
                findings.push_back(event);
        EXPECT_EQ(findings, c.findings) << c.what;
        EXPECT_EQ(Tree.Content("md5sum.lst"), c.replaced ? fresh : c.existing) << c.what;
        EXPECT_EQ(Engine.FilesProcessed, c.replaced ? 3 : 0) << c.what;
        EXPECT_EQ(Engine.Aborted, c.aborted) << c.what;
    }
}

TEST_F(UpdateTest, TreeListKeptEndsTheRunAtOnce) {
    Tree.AddFile("tree.md5", "; kept\r\n");
    Engine.OverwriteMode = omKeep;
    Run(plTreeRoot, "tree.md5");
    EXPECT_EQ(Recorder.Events, std::vector<std::string>{});
    EXPECT_EQ(Engine.FilesProcessed, 0);
    EXPECT_EQ(Engine.BytesProcessed, 0u);
    EXPECT_EQ(Tree.Content("tree.md5"), "; kept\r\n");
}

TEST_F(UpdateTest, NothingHashedDeletesTheOldListOrSaysSo) {
    struct Case {
        TPlacementMode placement;
        const char* name;
        bool oldList;
        std::vector<std::string> findings;
    } cases[] = {
        {plTreeRoot, "tree.md5", true, {"OldChecksumFileDeleted "}},
        {plTreeRoot, "tree.md5", false, {"EmptyFolderSkipped "}},
        {plFolderFixedName, "tree.md5", true, {"OldChecksumFileDeleted *.none"}},
        {plFolderFixedName, "tree.md5", false, {"EmptyFolderSkipped *.none"}},
        {plPerFile, "*.md5", false, {}},
    };
    Engine.IncludeSubfolders = false;
    Recorder.RecordProcessing = false;
    Engine.SetFileMask("*.none");
    for (const Case& c : cases) {
        if (c.oldList)
            Tree.AddFile(c.name, "; old\r\n");
        Recorder.Events.clear();
        Run(c.placement, c.name);
        EXPECT_EQ(Recorder.Findings(), c.findings) << c.placement << c.oldList;
        EXPECT_FALSE(Tree.Exists(c.name)) << c.placement << c.oldList;
    }
}

TEST_F(UpdateTest, ErrorsNeverCostARecordedDigest) {
    const std::string rootLines =
        Md5Line(".dot", "hidden") + Md5Line("a.txt", "alpha") + Md5Line("B.txt", "bravo");
    const std::string subLines = Md5Line("c.txt", "charlie") + Md5Line("locked.bin", "locked");
    struct Case {
        const char* what;
        TPlacementMode placement;
        std::map<std::string, std::string> before, after; // lists; "" after: absent
        std::vector<std::string> unlistable, unreadable;
        std::vector<std::string> findings;      // other than ChecksumOk and FileOpenError
        std::vector<std::string> changing = {}; // written while they are read
    } cases[] = {
        {"unreadable file: its old line is carried",
         plFolderFixedName,
         {{"sub/md5sum.lst", subLines}},
         {{"sub/md5sum.lst", subLines}},
         {},
         {},
         {"OldLinesCarried sub/md5sum.lst 1"}},
        {"folder not listed: its old lines are carried, nothing is empty",
         plFolderFixedName,
         {{"sub/md5sum.lst", subLines}, {"sub/deep/md5sum.lst", "; deep\r\n"}},
         {{"sub/md5sum.lst", subLines}, {"sub/deep/md5sum.lst", "; deep\r\n"}},
         {"sub/"},
         {},
         {"FileListError sub/ 5", "OldLinesCarried sub/md5sum.lst 2", "FolderListError sub/ 5"}},
        {"folder not listed, no old list: nothing written, nothing said",
         plFolderFixedName,
         {},
         {{"sub/md5sum.lst", ""}},
         {"sub/"},
         {},
         {"FileListError sub/ 5", "FolderListError sub/ 5"}},
        {"every file unreadable: the list is not deleted",
         plFolderFixedName,
         {{"sub/deep/md5sum.lst", Md5Line("d.txt", "delta")}},
         {{"sub/deep/md5sum.lst", Md5Line("d.txt", "delta")}},
         {},
         {"sub/deep/d.txt"},
         {"OldLinesCarried sub/deep/md5sum.lst 1"}},
        {"a file written while read gets no digest: its old line is carried",
         plFolderFixedName,
         {{"sub/md5sum.lst", subLines}},
         {{"sub/md5sum.lst", subLines}},
         {},
         {},
         {"FileChanged sub/c.txt", "OldLinesCarried sub/md5sum.lst 2"},
         {"sub/c.txt"}},
        {"old lines of another kind cannot be carried: the list is kept whole",
         plFolderFixedName,
         {{"sub/md5sum.lst", SfvLine("locked.bin", "locked")}},
         {{"sub/md5sum.lst", SfvLine("locked.bin", "locked")}},
         {},
         {},
         {"ConfirmOverwriteForeign sub/md5sum.lst 1", "OldChecksumFileKept sub/md5sum.lst"}},
        {"tree list: the lines below an unlisted folder are carried",
         plTreeRoot,
         {{"md5sum.lst", rootLines + Md5Line("sub" + D + "c.txt", "charlie") +
                             Md5Line("sub" + D + "deep" + D + "d.txt", "delta")}},
         {{"md5sum.lst", rootLines + Md5Line("sub" + D + "c.txt", "charlie") +
                             Md5Line("sub" + D + "deep" + D + "d.txt", "delta")}},
         {"sub/"},
         {},
         {"FileListError sub/ 5", "FolderListError sub/ 5", "OldLinesCarried md5sum.lst 2"}},
        {"tree list: an unreadable file keeps its line, a deleted one loses it",
         plTreeRoot,
         {{"md5sum.lst",
           Md5Line("gone.txt", "alpha") + Md5Line("sub" + D + "locked.bin", "locked")}},
         {{"md5sum.lst", rootLines + Md5Line("sub" + D + "c.txt", "charlie") +
                             Md5Line("sub" + D + "deep" + D + "d.txt", "delta") +
                             Md5Line("sub" + D + "locked.bin", "locked")}},
         {},
         {},
         {"OldLinesCarried md5sum.lst 1"}},
    };
    for (const Case& c : cases) {
        TTempTree tree;
        TFakeFileSystem fs;
        BuildRunTree(tree, fs);
        TCheckSumEngine engine;
        TRunRecorder recorder(engine, tree.Root());
        recorder.RecordProcessing = false;
        AimAtRunTree(engine, fs, tree);
        engine.OverwriteMode = omOverwrite;
        engine.SetChecksumKind(ckMD5);
        engine.Placement = c.placement;
        engine.ChecksumFileName = "md5sum.lst";
        for (const auto& [name, content] : c.before)
            tree.AddFile(name, content);
        for (const std::string& folder : c.unlistable)
            fs.ListErrors[tree.Path(folder)] = kLockedError;
        for (const std::string& file : c.unreadable)
            fs.OpenErrors[tree.Path(file)] = kLockedError;
        for (const std::string& file : c.changing)
            fs.ChangesWhileRead.insert(tree.Path(file));
        engine.Update(hmNone);
        std::vector<std::string> findings;
        for (const std::string& event : recorder.Findings())
            if (event.rfind("ChecksumOk ", 0) != 0 && event.rfind("FileOpenError ", 0) != 0 &&
                event != "EmptyFolderSkipped sub/deep/empty/*.*")
                findings.push_back(event);
        EXPECT_EQ(findings, c.findings) << c.what;
        for (const auto& [name, content] : c.after)
            EXPECT_EQ(tree.Content(name), content) << c.what << " " << name;
    }
}

// A quick update writes what a full update of the same tree writes, in every placement,
// hashing only what it must; only a file changed under its old date keeps its old digest.
TEST(QuickUpdate, WritesTheListsOfAFullUpdate) {
    const std::vector<std::string> files = {".dot",      "a.txt",          "B.txt",
                                            "sub/c.txt", "sub/locked.bin", "sub/deep/d.txt"};
    struct Case {
        const char* what;
        std::function<void(TTempTree&, TFakeFileSystem&, const std::string& aList)> change;
        int hashed[5];       // by quick, per placement 0..4
        const char* finding; // the start of an event only the quick update raises, or ""
        bool keepsOldA;      // a.txt changed under its old date keeps its old digest
        bool keepsListOfRemoved = false;
    };
    const auto older = [](TTempTree& t, const std::string& name) {
        t.SetTime(name, 2020, 1, 1, 12, 0, 0);
    };
    const auto newer = [](TTempTree& t, const std::string& name) {
        t.SetTime(name, 2099, 1, 1, 12, 0, 0);
    };
    const Case cases[] = {
        {"unchanged",
         [](TTempTree&, TFakeFileSystem&, const std::string&) {},
         {0, 0, 0, 0, 0},
         "",
         false},
        {"new file",
         [](TTempTree& t, TFakeFileSystem&, const std::string&) {
             t.AddFile("sub/new.txt", "alpha");
         },
         {1, 1, 1, 1, 1},
         "",
         false},
        {"changed by date",
         [&](TTempTree& t, TFakeFileSystem&, const std::string&) {
             t.AddFile("a.txt", "charlie");
             newer(t, "a.txt");
         },
         {1, 1, 1, 1, 1},
         "",
         false},
        {"changed under its old date",
         [&](TTempTree& t, TFakeFileSystem&, const std::string&) {
             t.AddFile("a.txt", "charlie");
             older(t, "a.txt");
         },
         {0, 0, 0, 0, 0},
         "",
         true},
        {"removed",
         [](TTempTree& t, TFakeFileSystem&, const std::string&) {
             std::filesystem::remove(t.Path("B.txt"));
         },
         {0, 0, 0, 0, 0},
         "EntryDropped B.txt",
         false,
         true},
        {"changed and unreadable: its old line is carried",
         [&](TTempTree& t, TFakeFileSystem& fs, const std::string&) {
             newer(t, "sub/c.txt");
             fs.OpenErrors[t.Path("sub/c.txt")] = kLockedError;
         },
         {0, 0, 0, 0, 0},
         "",
         false},
        {"old list damaged: all its files hashed",
         [&](TTempTree& t, TFakeFileSystem&, const std::string& aList) {
             t.AddFile(aList, t.Content(aList) + "garbage\r\n");
             t.AddFile("a.txt", "charlie");
             older(t, "a.txt");
         },
         {5, 5, 3, 3, 1},
         "OldListNotTrusted ",
         false},
        {"a name listed twice is hashed",
         [&](TTempTree& t, TFakeFileSystem&, const std::string& aList) {
             t.AddFile(aList, t.Content(aList) + Md5Line("a.txt", "alpha"));
             t.AddFile("a.txt", "charlie");
             older(t, "a.txt");
         },
         {1, 1, 1, 1, 1},
         "",
         false},
        {"old list newer than the run: all its files hashed",
         [&](TTempTree& t, TFakeFileSystem&, const std::string& aList) {
             t.AddFile("a.txt", "charlie");
             older(t, "a.txt");
             newer(t, aList);
         },
         {5, 5, 3, 3, 1},
         "OldListNotTrusted ",
         false},
    };
    for (const Case& c : cases) {
        for (int placement = plTreeAnyPlace; placement <= plPerFile; ++placement) {
            std::map<std::string, std::string> lists[2]; // full, quick
            int32_t hashed[2] = {}, kept[2] = {};
            std::vector<std::string> findings;
            for (const bool quick : {false, true}) {
                TTempTree tree;
                TFakeFileSystem fs;
                BuildRunTree(tree, fs);
                TCheckSumEngine engine;
                TRunRecorder recorder(engine, tree.Root());
                recorder.RecordProcessing = false;
                AimAtRunTree(engine, fs, tree);
                engine.OverwriteMode = omOverwrite;
                engine.SetChecksumKind(ckMD5);
                engine.Placement = static_cast<TPlacementMode>(placement);
                const std::string root =
                    std::filesystem::path(tree.Root()).parent_path().filename().string();
                engine.ChecksumFileName = placement == plTreeAnyPlace ? tree.Path("md5sum.lst")
                                          : placement >= plFolderNamedAfterFolder ? "*.md5"
                                                                                  : "md5sum.lst";
                const std::string aList = placement == plPerFile                  ? "a.txt.md5"
                                          : placement == plFolderNamedAfterFolder ? root + ".md5"
                                                                                  : "md5sum.lst";
                for (const std::string& file : files)
                    older(tree, file);
                engine.Update(hmNone);
                c.change(tree, fs, aList);
                engine.QuickUpdate = quick;
                recorder.Events.clear();
                engine.Update(hmNone);
                hashed[quick] = engine.FilesProcessed;
                kept[quick] = engine.FilesKept;
                if (quick)
                    findings = recorder.Findings();
                // Every file but the tree's own, the root's list under one name for both trees.
                for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.Root()))
                    if (entry.is_regular_file() && entry.path().extension() != ".txt") {
                        const std::string name = entry.path().string().substr(tree.Root().size());
                        lists[quick][name == aList ? "a.txt's list" : name] = tree.Content(name);
                    }
            }
            const std::string what =
                std::string(c.what) + ", placement " + std::to_string(placement);
            if (c.keepsOldA)
                for (auto& [name, content] : lists[0]) {
                    const size_t at = content.find(Md5Line("a.txt", "charlie"));
                    if (at != std::string::npos)
                        content.replace(at, Md5Line("a.txt", "charlie").size(),
                                        Md5Line("a.txt", "alpha"));
                }
            EXPECT_EQ(lists[1], lists[0]) << what;
            EXPECT_EQ(hashed[1], c.hashed[placement]) << what;
            EXPECT_EQ(kept[0], 0) << what;
            EXPECT_EQ(hashed[1] + kept[1], hashed[0]) << what;
            // A removed file's own list is never visited in placement 4.
            const bool expected = *c.finding && !(c.keepsListOfRemoved && placement == plPerFile);
            const auto raised = [&findings](const std::string& start) {
                return std::any_of(findings.begin(), findings.end(),
                                   [&](const std::string& e) { return e.rfind(start, 0) == 0; });
            };
            if (expected)
                EXPECT_TRUE(raised(c.finding)) << what;
            else
                EXPECT_FALSE(raised("OldListNotTrusted ") || raised("Entr")) << what;
        }
    }
}

TEST_F(UpdateTest, AbortInTheThirdFolderKeepsItsOldList) {
    for (const char* folder : {"", "sub/", "sub/deep/"})
        Tree.AddFile(std::string(folder) + "md5sum.lst", "; old\r\n");
    Recorder.AfterEvent = [this](const std::string& event) {
        if (event == "Processing sub/deep/d.txt")
            Engine.SetAborted(true);
    };
    Run(plFolderFixedName, "md5sum.lst");
    EXPECT_TRUE(Engine.Aborted);
    EXPECT_EQ(Tree.Content("md5sum.lst"),
              Md5Line(".dot", "hidden") + Md5Line("a.txt", "alpha") + Md5Line("B.txt", "bravo"));
    EXPECT_EQ(Tree.Content("sub/md5sum.lst"), Md5Line("c.txt", "charlie"));
    EXPECT_EQ(Tree.Content("sub/deep/md5sum.lst"), "; old\r\n");
    EXPECT_EQ(Recorder.Events.back(), "ConfirmAbort yes");
    EXPECT_TRUE(Engine.Lines.empty() && Engine.Files.empty());

    // In a tree mode nothing at all is written.
    Recorder.Events.clear();
    Run(plTreeRoot, "tree.md5");
    EXPECT_TRUE(Engine.Aborted);
    EXPECT_FALSE(Tree.Exists("tree.md5"));
}

TEST_F(UpdateTest, CountersAgainstThePreCount) {
    Tree.AddFile("a.txt.md5", "; kept\r\n");
    Engine.Placement = plPerFile;
    Engine.ChecksumFileName = "*.md5";
    Engine.CountUpdateData();
    EXPECT_EQ(Engine.FilesProcessed, 6); // every matching file, the locked one too
    EXPECT_EQ(Engine.BytesProcessed, 34u);
    Engine.OverwriteMode = omKeep;
    Engine.Update(hmNone);
    EXPECT_EQ(Engine.FilesProcessed, 4); // a.txt kept its list, locked.bin cannot be read
    EXPECT_EQ(Engine.BytesProcessed, 23u);
    EXPECT_EQ(Tree.Content("a.txt.md5"), "; kept\r\n");
}

// One run over a fresh copy of the shared tree, with a file of several blocks, one whose
// read fails after a block and a changed file: every event (progress too), the files on
// disk afterwards and the counters, for a number of workers. The pre-count comes first,
// as in the program. abortAt > 0 presses "Abort" at that event.
struct TRunOutcome {
    std::vector<std::string> Events;
    std::map<std::string, std::string> Disk;
    int32_t Files = 0;
    uint64_t Bytes = 0;
    bool Aborted = false;
    std::string Failure;
    int Announced = 0;
    int WholeReads = 0;
    int ReadBeforeTheirFolder = 0; // by an update, before it came to their folder
};

// announce: the files announced ahead of their read reach the disk's own services; whole:
// so do small files read whole in batches.
TRunOutcome RunWithWorkers(int workers, bool update, TPlacementMode placement,
                           const std::string& name, size_t abortAt, bool outOfMemory,
                           TChecksumKind kind, bool announce = false, bool whole = false) {
    TTempTree tree;
    TFakeFileSystem fs;
    fs.PassAnnounce = announce;
    fs.PassWholeReads = whole;
    BuildRunTree(tree, fs);
    // BLAKE3 hashes a file of several MiB on two threads when the run has more workers.
    const uint64_t large = kind == ckBLAKE3 ? 4 << 20 : 0;
    tree.AddSizedFile("sub/big.bin", large + 5 * 65536 + 17);
    tree.AddSizedFile("sub/deep/bad.bin", large + 3 * 65536);
    fs.ReadFailures[tree.Path("sub/deep/bad.bin")] = {large + 65536, 23};
    tree.AddFile("sub/oom.bin", "memory");
    tree.AddSizedFile("sub/moving.bin", large + 2 * 65536);
    TCheckSumEngine engine;
    AimAtRunTree(engine, fs, tree);
    engine.OverwriteMode = omOverwrite;
    engine.SetChecksumKind(kind);
    engine.Placement = placement;
    engine.ChecksumFileName = name;
    TRunRecorder recorder(engine, tree.Root());
    if (!update) {
        engine.Update(hmNone);
        tree.AddFile("B.txt", "changed");
        tree.SetTime("B.txt", 2001, 1, 1, 10, 0, 0);
        recorder.Events.clear();
    }
    // This file is written while it is read, also when a worker reads it: no digest.
    fs.ChangesWhileRead.insert(tree.Path("sub/moving.bin"));
    // Reading this file runs out of memory: the run ends there with the failure, also when
    // a worker read it.
    if (outOfMemory)
        fs.ReadsRunOutOfMemory.insert(tree.Path("sub/oom.bin"));
    engine.Workers = workers;
    if (workers == 2)
        fs.ReadDelay = std::chrono::milliseconds(1);
    engine.OnProgress = [&](uint64_t bytes) { recorder.Events.push_back(std::to_string(bytes)); };
    bool pressed = false;
    auto folderOf = [](const std::string& path) {
        return path.substr(0, path.find_last_of('/') + 1);
    };
    const size_t openedBefore = fs.OpenedCount(); // by the update a verify checks
    // Files opened when the run's walk (after the pre-count's) came to each folder.
    std::map<std::string, size_t> openedAtFolder;
    recorder.AfterEvent = [&](const std::string& event) {
        const std::string processing = "Processing ", mask = "*.*";
        if (event.compare(0, processing.size(), processing) == 0 &&
            event.compare(event.size() - mask.size(), mask.size(), mask) == 0)
            openedAtFolder[folderOf(event.substr(processing.size()))] = fs.OpenedCount();
        if (abortAt != 0 && recorder.Events.size() >= abortAt && !pressed) {
            pressed = true;
            engine.SetAborted(true);
        }
        // With three, a slow run thread: the workers read every file before it is taken;
        // with two, slow reads: the run thread waits, and reads and lists meanwhile.
        if (workers > 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    TRunOutcome outcome;
    if (update)
        engine.CountUpdateData();
    else
        engine.CountVerifyData();
    outcome.Events.push_back("counted " + std::to_string(engine.FilesProcessed));
    if (update)
        engine.Update(hmNone);
    else
        engine.Verify();
    outcome.Events.insert(outcome.Events.end(), recorder.Events.begin(), recorder.Events.end());
    // The lists written, by name; the root's list of mode 3 is named after the root.
    const std::string rootName =
        std::filesystem::path(tree.Root()).parent_path().filename().string();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.Root()))
        if (entry.is_regular_file() && entry.path().extension() != ".bin") {
            const std::string relative = entry.path().string().substr(tree.Root().size());
            std::string key = relative;
            if (key.compare(0, rootName.size(), rootName) == 0)
                key.replace(0, rootName.size(), "root");
            outcome.Disk[key] = tree.Content(relative);
        }
    outcome.Files = engine.FilesProcessed;
    outcome.Bytes = engine.BytesProcessed;
    outcome.Aborted = engine.Aborted;
    outcome.Failure = engine.FailureText;
    outcome.Announced = fs.Announced;
    outcome.WholeReads = fs.WholeReads;
    // The files of the tree that an update read before it came to their folder.
    for (size_t i = openedBefore; update && i < fs.Opened.size(); ++i) {
        const std::string file = recorder.Rel(fs.Opened[i]);
        const std::string extension = std::filesystem::path(file).extension().string();
        auto folder = openedAtFolder.find(folderOf(file));
        outcome.ReadBeforeTheirFolder += (extension == ".txt" || extension == ".bin") &&
                                         (folder == openedAtFolder.end() || i < folder->second);
    }
    return outcome;
}

TEST(ParallelRun, WorkersChangeNothingButTheTime) {
    struct Case {
        bool update;
        TPlacementMode placement;
        std::string name;
        bool outOfMemory = false;
        TChecksumKind kind = ckMD5;
    } cases[] = {
        {true, plTreeRoot, "tree.md5"},
        {true, plFolderFixedName, "md5sum.lst"},
        {true, plFolderNamedAfterFolder, "*.md5"},
        {true, plPerFile, "*.md5"},
        {false, plTreeRoot, "tree.md5"},
        {false, plFolderFixedName, "md5sum.lst"},
        {false, plPerFile, "*.md5"},
        {true, plFolderFixedName, "md5sum.lst", true},
        {false, plTreeRoot, "tree.md5", true},
        {true, plTreeRoot, "tree.b3", false, ckBLAKE3},
        {false, plFolderFixedName, "b3sums.lst", false, ckBLAKE3},
    };
    std::mt19937 random(16);
    int aborted = 0;
    int announced = 0;
    int wholeReads = 0;
    int readAhead = 0; // files of the next folder read while a folder ended
    for (const Case& c : cases) {
        const TRunOutcome whole =
            RunWithWorkers(1, c.update, c.placement, c.name, 0, c.outOfMemory, c.kind);
        EXPECT_EQ(whole.Failure, c.outOfMemory ? "out of memory" : "") << c.name;
        EXPECT_EQ(
            std::count(whole.Events.begin(), whole.Events.end(), "FileChanged sub/moving.bin"), 1)
            << c.name;
        ASSERT_GT(whole.Events.size(), 20u) << c.name;
        // The whole run, then aborts at four points picked at random.
        std::vector<size_t> abortAt = {0};
        for (int i = 0; i < 4; ++i)
            abortAt.push_back(1 + random() % (whole.Events.size() - 2));
        for (size_t at : abortAt) {
            const TRunOutcome one =
                RunWithWorkers(1, c.update, c.placement, c.name, at, c.outOfMemory, c.kind);
            EXPECT_EQ(one.ReadBeforeTheirFolder, 0) << c.name;
            const std::tuple<int, bool, bool> columns[] = {{2, false, false},
                                                           {2, true, false},
                                                           {3, true, false},
                                                           {1, false, true},
                                                           {2, true, true}};
            for (auto [workers, announce, whole] : columns) {
                const TRunOutcome more = RunWithWorkers(workers, c.update, c.placement, c.name, at,
                                                        c.outOfMemory, c.kind, announce, whole);
                const std::string what = c.name + (c.update ? " update" : " verify") +
                                         ", abort at " + std::to_string(at) + ", workers " +
                                         std::to_string(workers) +
                                         (announce ? ", announced to the disk" : "") +
                                         (whole ? ", small files read whole" : "");
                announced += more.Announced;
                wholeReads += more.WholeReads;
                readAhead += more.ReadBeforeTheirFolder;
                EXPECT_EQ(more.Events, one.Events) << what;
                EXPECT_EQ(more.Disk, one.Disk) << what;
                EXPECT_EQ(more.Files, one.Files) << what;
                EXPECT_EQ(more.Bytes, one.Bytes) << what;
                EXPECT_EQ(more.Aborted, one.Aborted) << what;
                EXPECT_EQ(more.Failure, one.Failure) << what;
            }
            aborted += one.Aborted;
        }
    }
    EXPECT_GT(aborted, 20);
    EXPECT_GT(announced, 100);
    EXPECT_GT(readAhead, 20);
    // Where the disk's services read small files whole, they did so here.
    TFakeFileSystem probe;
    if (probe.Native.ReadWhole(nullptr, 0)) {
        EXPECT_GT(wholeReads, 100);
    }
}

} // namespace

namespace {

TEST(UpdateExtension, DerivedFromTheChecksumFileName) {
    struct Case {
        const char* name;
        const char* extension;
    } cases[] = {{"*.md5", ".md5"}, {".sfv", ".sfv"}, {"md5", ".md5"},
                 {"", "."},         {"*", "."},       {"*md5", ".md5"}};
    TTempTree tree;
    TCheckSumEngine engine;
    TRunRecorder recorder(engine, tree.Root());
    engine.SetFolderPath(tree.Root());
    engine.SetFileMask("*.*");
    engine.SetChecksumKind(ckMD5);
    for (TPlacementMode placement : {plFolderNamedAfterFolder, plPerFile})
        for (const Case& c : cases) {
            engine.Placement = placement;
            engine.ChecksumFileName = c.name;
            engine.Update(hmNone);
            EXPECT_EQ(engine.Extension, c.extension) << c.name;
        }
}

} // namespace
