// The Verify run: the verdict on every entry, the report of every folder, invalid lines
// and their questions, single-file and per-folder verification, and the pre-count.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/engine.h"
#include "fake_files.h"
#include "run_recorder.h"
#include "run_tree.h"
#include "temp_tree.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const std::string D(1, files::kPathDelimiter);
constexpr bool kWindows = files::kPathDelimiter == '\\';

// A folder "v" with a.txt, B.txt and locked.bin (cannot be opened), verified with the
// name md5sum.lst unless a case says otherwise.
struct TVerifyRun {
    TTempTree Tree;
    TFakeFileSystem Fs;
    TCheckSumEngine Engine;
    TRunRecorder Recorder{Engine, Tree.Path("v/")};

    TVerifyRun() {
        Tree.AddFile("v/a.txt", "alpha");
        Tree.AddFile("v/B.txt", "bravo");
        Tree.AddFile("v/locked.bin", "locked");
        Fs.OpenErrors[Tree.Path("v/locked.bin")] = kLockedError;
        Recorder.RecordProcessing = false;
        Engine.SetFileSystem(&Fs);
        Engine.SetFolderPath(Tree.Path("v"));
        Engine.SetFileMask("*.*");
        Engine.ChecksumFileName = "md5sum.lst";
    }

    std::vector<std::string> Verify() {
        Engine.SetAborted(false);
        Engine.Verify();
        EXPECT_TRUE(Engine.Lines.empty() && Engine.Files.empty() && Engine.ChecksumFiles.empty());
        return Recorder.Findings();
    }
};

TEST(VerifyEntry, VerdictOfEachEntry) {
    struct Case {
        const char* what;
        std::string line;
        int fileSecond, listSecond; // seconds past 10:00 on one day; -1: as written
        std::vector<std::string> findings;
        bool changing = false; // a.txt is written while it is read
    } cases[] = {
        {"equal", Md5Line("a.txt", "alpha"), -1, -1, {"ChecksumOk a.txt MD5"}},
        {"equal, upper-case MD5",
         "2C1743A391305FBF367DF8E4F069F9F9 *a.txt",
         -1,
         -1,
         {"ChecksumOk a.txt MD5"}},
        {"equal, lower-case CRC", "a.txt d0e0396a", -1, -1, {"ChecksumOk a.txt CRC32"}},
        {"no such file", Md5Line("gone.txt", "alpha"), -1, -1, {"FileMissing gone.txt"}},
        {"a wildcard is no pattern", Md5Line("a*.txt", "alpha"), -1, -1, {"FileMissing a*.txt"}},
        {"a folder is no file", Md5Line("sub", "alpha"), -1, -1, {"FileMissing sub"}},
        {"cannot be opened",
         Md5Line("locked.bin", "locked"),
         -1,
         -1,
         {"FileOpenError locked.bin 5"}},
        {"changed later", Md5Line("a.txt", "bravo"), 10, 0, {"FileUpdated a.txt"}},
        {"changed at the same time", Md5Line("a.txt", "bravo"), 20, 20, {"ChecksumMismatch a.txt"}},
        {"changed within two seconds",
         Md5Line("a.txt", "bravo"),
         21,
         20,
         {"ChecksumMismatch a.txt"}},
        {"changed two seconds later", Md5Line("a.txt", "bravo"), 22, 20, {"FileUpdated a.txt"}},
        {"changed earlier", Md5Line("a.txt", "bravo"), 0, 30, {"ChecksumMismatch a.txt"}},
        {"down and up again stays inside",
         Md5Line("sub/../a.txt", "alpha"),
         -1,
         -1,
         {"ChecksumOk sub/../a.txt MD5"}},
        {"a parent segment leads outside",
         Md5Line("../out.txt", "alpha"),
         -1,
         -1,
         {"EntryOutsideTree ../out.txt"}},
        {"a link to a folder outside leads outside",
         Md5Line("out-link/out.txt", "alpha"),
         -1,
         -1,
         {std::string(kWindows ? "FileMissing" : "EntryOutsideTree") + " out-link/out.txt"}},
        {"a file link to outside is not read",
         Md5Line("sub/key", "alpha"),
         -1,
         -1,
         {std::string(kWindows ? "FileMissing" : "LinkOutsideTree") + " sub/key"}},
        {"a FIFO is no file",
         Md5Line("sub/fifo", "alpha"),
         -1,
         -1,
         {kWindows ? "FileMissing sub/fifo"
                   : "FileOpenError sub/fifo " + std::to_string(files::kErrorNotAFile)}},
        {"a device name is a file",
         Md5Line("aux.txt", "alpha"),
         -1,
         -1,
         {"ChecksumOk aux.txt MD5"}},
        {"written while read", Md5Line("a.txt", "alpha"), -1, -1, {"FileChanged a.txt"}, true},
    };
    for (const Case& c : cases) {
        TVerifyRun run;
        run.Tree.AddFolder("v/sub");
        run.Tree.AddFile("out.txt", "alpha");
        // Windows opens "aux.txt" as a device unless the name is passed as a "\\?\" path.
        const std::string aux = run.Tree.Path("v/aux.txt");
        files::TSaveReport saved;
        ASSERT_EQ(files::NativeFileSystem().SaveFile(aux, "alpha", files::TSaveTarget::List, saved),
                  files::TSaveStatus::Ok);
#ifndef _WIN32
        ASSERT_EQ(symlink(run.Tree.Root().c_str(), run.Tree.Path("v/out-link").c_str()), 0);
        ASSERT_EQ(symlink(run.Tree.Path("out.txt").c_str(), run.Tree.Path("v/sub/key").c_str()), 0);
        ASSERT_EQ(mkfifo(run.Tree.Path("v/sub/fifo").c_str(), 0600), 0);
#endif
        if (c.changing)
            run.Fs.ChangesWhileRead.insert(run.Tree.Path("v/a.txt"));
        run.Tree.AddFile("v/md5sum.lst", c.line + "\r\n");
        if (c.fileSecond >= 0) {
            run.Tree.SetTime("v/a.txt", 2024, 5, 6, 10, 0, c.fileSecond);
            run.Tree.SetTime("v/md5sum.lst", 2024, 5, 6, 10, 0, c.listSecond);
        }
        run.Engine.ChecksumFileName = "md5sum.lst";
        std::vector<std::string> findings;
        for (const std::string& event : run.Verify())
            if (event.compare(0, 14, "FileNotListed ") != 0)
                findings.push_back(event);
        EXPECT_EQ(findings, c.findings) << c.what;
        files::TErrorCode error = 0;
        EXPECT_TRUE(files::NativeFileSystem().RemoveFile(aux, error));
    }
}

TEST(VerifyFolder, ReportOfEachFolder) {
    const std::string both = Md5Line("a.txt", "alpha") + Md5Line("B.txt", "bravo");
    const std::string invalidThird = Md5Line("a.txt", "alpha") + "; comment\r\nnot a line\r\n" +
                                     Md5Line("B.txt", "charlie") + "again not\r\n" +
                                     Md5Line("locked.bin", "locked");
    struct Case {
        const char* what;
        std::string list; // empty: no list
        std::string mask;
        std::deque<TConfirmAnswer> continueAnswers;
        bool confirmAbort;
        bool unreadableList;
        std::vector<std::string> findings;
        int32_t filesHashed;
        uint64_t listReadFailsAfter = 0; // bytes of the list read before a read fails
    } cases[] = {
        {"no list",
         "",
         "*.*",
         {},
         true,
         false,
         {"NoChecksumFile ", "FileNotListed a.txt", "FileNotListed B.txt",
          "FileNotListed locked.bin"},
         0},
        {"no list, no file", "", "*.none", {}, true, false, {}, 0},
        {"list, some files",
         both,
         "*.*",
         {},
         true,
         false,
         {"ChecksumOk a.txt MD5", "ChecksumOk B.txt MD5", "FileNotListed locked.bin"},
         2},
        {"list, no matching file",
         Md5Line("gone.txt", "alpha"),
         "*.none",
         {},
         true,
         false,
         {"FileMissing gone.txt"},
         0},
        {"comments and blanks only",
         "; made by hand\r\n  \r\n# nothing\r\n",
         "*.txt",
         {},
         true,
         false,
         {"FileNotListed a.txt", "FileNotListed B.txt"},
         0},
        {"listed twice",
         Md5Line("a.txt", "alpha") + Md5Line("a.txt", "alpha"),
         "*.txt",
         {},
         true,
         false,
         {"ChecksumOk a.txt MD5", "ChecksumOk a.txt MD5", "FileNotListed B.txt"},
         2},
        {"list cannot be read", both, "*.*", {}, true, true, {"LoadError md5sum.lst"}, 0},
        {"list cut by a failed read: no file is called not listed",
         Md5Line("a.txt", "alpha") + std::string(70000, ';') + "\r\n" + Md5Line("B.txt", "bravo"),
         "*.*",
         {},
         true,
         false,
         {"ChecksumOk a.txt MD5", "LoadError md5sum.lst"},
         1,
         65536},
        {"invalid third line: yes",
         invalidThird,
         "*.*",
         {caYes},
         true,
         false,
         {"ChecksumOk a.txt MD5", "ConfirmContinueForeign md5sum.lst 1", "ChecksumMismatch B.txt",
          "FileOpenError locked.bin 5"},
         2},
        {"invalid third line: no",
         invalidThird,
         "*.*",
         {caNo},
         true,
         false,
         {"ChecksumOk a.txt MD5", "ConfirmContinueForeign md5sum.lst 2",
          "InvalidLine md5sum.lst 3"},
         1},
        {"invalid third line: cancel, abort",
         invalidThird,
         "*.*",
         {caCancel},
         true,
         false,
         {"ChecksumOk a.txt MD5", "ConfirmContinueForeign md5sum.lst 0", "ConfirmAbort yes"},
         1},
        {"invalid third line: cancel, abort declined",
         invalidThird,
         "*.*",
         {caCancel, caNo},
         false,
         false,
         {"ChecksumOk a.txt MD5", "ConfirmContinueForeign md5sum.lst 0", "ConfirmAbort no",
          "ChecksumMismatch B.txt", "ConfirmContinueForeign md5sum.lst 2",
          "InvalidLine md5sum.lst 5"},
         2},
    };
    for (const Case& c : cases) {
        TVerifyRun run;
        if (!c.list.empty())
            run.Tree.AddFile("v/md5sum.lst", c.list);
        if (c.unreadableList)
            run.Fs.OpenErrors[run.Tree.Path("v/md5sum.lst")] = kLockedError;
        if (c.listReadFailsAfter)
            run.Fs.ReadFailures[run.Tree.Path("v/md5sum.lst")] = {c.listReadFailsAfter, 5};
        run.Engine.SetFileMask(c.mask);
        run.Recorder.ContinueAnswers = c.continueAnswers;
        run.Recorder.ConfirmAbort = c.confirmAbort;
        EXPECT_EQ(run.Verify(), c.findings) << c.what;
        EXPECT_EQ(run.Engine.FilesProcessed, c.filesHashed) << c.what;
    }
}

TEST(VerifyFolder, TwoListsInOneFolderEachListHalf) {
    TVerifyRun run;
    run.Tree.AddFile("v/one.md5", Md5Line("a.txt", "alpha"));
    run.Tree.AddFile("v/two.md5", Md5Line("B.txt", "bravo") + Md5Line("locked.bin", "locked"));
    run.Engine.ChecksumFileName = "*.md5";
    std::vector<std::string> findings = run.Verify();
    std::sort(findings.begin(), findings.end()); // the lists come in directory order
    EXPECT_EQ(findings, (std::vector<std::string>{"ChecksumOk B.txt MD5", "ChecksumOk a.txt MD5",
                                                  "FileOpenError locked.bin 5"}));
}

TEST(VerifyTree, RootListWithSubfoldersReportsTheirFilesAsNotListed) {
    TTempTree tree;
    TFakeFileSystem fs;
    BuildRunTree(tree, fs);
    tree.AddFile("tree.md5", Md5Line(".dot", "hidden") + Md5Line("a.txt", "alpha") +
                                 Md5Line("B.txt", "bravo") + Md5Line("sub/c.txt", "charlie") +
                                 Md5Line("sub\\deep\\d.txt", "delta"));
    TCheckSumEngine engine;
    TRunRecorder recorder(engine, tree.Root());
    recorder.RecordProcessing = false;
    AimAtRunTree(engine, fs, tree);
    engine.ChecksumFileName = "tree.md5";
    engine.CountVerifyData();
    EXPECT_EQ(engine.FilesProcessed, 5);
    EXPECT_EQ(engine.BytesProcessed, 28u);
    engine.Verify();
    EXPECT_EQ(recorder.Findings(),
              (std::vector<std::string>{
                  "ChecksumOk .dot MD5", "ChecksumOk a.txt MD5", "ChecksumOk B.txt MD5",
                  "ChecksumOk sub/c.txt MD5", "ChecksumOk sub/deep/d.txt MD5",
                  "NoChecksumFile sub/", "FileNotListed sub/c.txt", "FileNotListed sub/locked.bin",
                  "NoChecksumFile sub/deep/", "FileNotListed sub/deep/d.txt"}));
    EXPECT_EQ(engine.FilesProcessed, 5);
}

// Also a run that walks less than its pre-count did (sub-folders switched off by the
// question between them): the files the count collected are not the run's.
TEST(VerifyTree, SingleListForTheWholeTreeWithEitherDelimiter) {
    for (const auto& [delimiter, runWithSubfolders] :
         {std::pair{"/", true}, std::pair{"\\", true}, std::pair{"/", false}}) {
        std::string d = delimiter;
        TTempTree tree;
        TFakeFileSystem fs;
        BuildRunTree(tree, fs);
        TTempTree lists;
        lists.AddFile("tree.md5", Md5Line("a.txt", "alpha") + Md5Line("." + d + "B.txt", "bravo") +
                                      Md5Line("sub" + d + "c.txt", "charlie") +
                                      Md5Line("sub" + d + "." + d + "deep" + d + "d.txt", "delta") +
                                      Md5Line("sub" + d + "gone.txt", "delta"));
        TCheckSumEngine engine;
        TRunRecorder recorder(engine, tree.Root());
        recorder.RecordProcessing = false;
        AimAtRunTree(engine, fs, tree);
        engine.ChecksumFileName = lists.Path("tree.md5");
        engine.CountVerifyData();
        EXPECT_EQ(engine.FilesProcessed, 4) << d;
        engine.IncludeSubfolders = runWithSubfolders;
        engine.Verify();
        std::vector<std::string> expected = {
            "ChecksumOk a.txt MD5",          "ChecksumOk B.txt MD5",     "ChecksumOk sub/c.txt MD5",
            "ChecksumOk sub/deep/d.txt MD5", "FileMissing sub/gone.txt", "FileNotListed .dot"};
        if (runWithSubfolders)
            expected.push_back("FileNotListed sub/locked.bin");
        EXPECT_EQ(recorder.Findings(), expected) << d << runWithSubfolders;
    }
}

// N runs of slices 1..N check, count and report every entry and unlisted file of a full
// run exactly once, for one list of the whole tree and for a list per folder.
TEST(VerifySlices, NRunsCoverEveryEntryExactlyOnce) {
    for (const bool treeList : {true, false}) {
        TTempTree tree;
        TFakeFileSystem fs;
        TCheckSumEngine engine;
        TRunRecorder recorder{engine, tree.Path("")};
        recorder.RecordProcessing = false;
        AimAtRunTree(engine, fs, tree);
        std::string all, root, sub;
        for (int i = 0; i < 30; ++i) {
            const std::string name = "f" + std::to_string(i) + ".txt";
            tree.AddFile(i % 2 ? name : "sub/" + name, "alpha");
            if (i % 7 == 6)
                continue; // not listed
            (i % 2 ? root : sub) += Md5Line(name, "alpha");
            all += Md5Line(i % 2 ? name : "sub" + D + name, "alpha");
        }
        for (const char* gone : {"gone1.txt", "gone2.txt", "gone3.txt"})
            root += Md5Line(gone, "alpha"), all += Md5Line(gone, "alpha");
        tree.AddFile("nolist/n1.txt", "alpha"); // a folder without a list
        tree.AddFile("nolist/n2.txt", "alpha");
        TTempTree lists;
        if (treeList) {
            lists.AddFile("all.md5", all);
            engine.ChecksumFileName = lists.Path("all.md5");
        } else {
            tree.AddFile("md5sum.lst", root);
            tree.AddFile("sub/md5sum.lst", sub);
            engine.ChecksumFileName = "md5sum.lst";
        }
        auto verify = [&](TSlice slice, int32_t& counted) {
            engine.Slice = slice;
            engine.CountVerifyData();
            counted = engine.FilesProcessed;
            recorder.Events.clear();
            engine.Verify();
            return recorder.Findings();
        };
        int32_t wholeCount = 0;
        std::vector<std::string> whole = verify({}, wholeCount), slices;
        int32_t sliceCount = 0;
        for (int32_t k = 1; k <= 3; ++k) {
            int32_t counted = 0;
            const std::vector<std::string> found = verify({k, 3}, counted);
            EXPECT_GT(counted, 0) << k;
            sliceCount += counted;
            slices.insert(slices.end(), found.begin(), found.end());
        }
        // A folder without a list is named in every slice that reports some of its files.
        auto folderLines = [](std::vector<std::string>& lines) {
            const auto end = std::remove(lines.begin(), lines.end(), "NoChecksumFile nolist/");
            const size_t removed = static_cast<size_t>(lines.end() - end);
            lines.erase(end, lines.end());
            std::sort(lines.begin(), lines.end());
            return removed;
        };
        EXPECT_EQ(folderLines(whole), treeList ? 0u : 1u);
        EXPECT_EQ(folderLines(slices) > 0, !treeList);
        EXPECT_EQ(slices, whole) << treeList;
        EXPECT_EQ(sliceCount, wholeCount);
        EXPECT_EQ(wholeCount, 26);
        EXPECT_EQ(std::count(whole.begin(), whole.end(), "FileNotListed nolist/n1.txt"), 1);
    }
}

// Moved files over the run tree: one list of the whole tree (tree.md5 in the root), a list
// of the root folder alone. Processing counts the files read.
TEST(VerifyMoved, AMissingEntryPairsWithTheOneUnlistedFileOfItsDigest) {
    const std::string listed = Md5Line(".dot", "hidden") + Md5Line("a.txt", "alpha") +
                               Md5Line("B.txt", "bravo") + Md5Line("sub/deep/d.txt", "delta");
    const std::vector<std::string> ok = {"ChecksumOk .dot MD5", "ChecksumOk a.txt MD5",
                                         "ChecksumOk B.txt MD5", "ChecksumOk sub/deep/d.txt MD5"};
    struct Case {
        const char* what;
        std::string listName; // "tree.md5" of the whole tree, else of the root folder
        std::map<std::string, std::string> files; // added to the run tree: lists and files
        bool moved;
        std::vector<std::string> findings; // after those of ok, for tree.md5
        int processed;
    } cases[] = {
        {"moved across folders",
         "tree.md5",
         {{"tree.md5", listed + Md5Line("c.txt", "charlie")}},
         true,
         {"FileMoved c.txt sub/c.txt", "FileNotListed sub/locked.bin"},
         6},
        {"option off: missing and not listed",
         "tree.md5",
         {{"tree.md5", listed + Md5Line("c.txt", "charlie")}},
         false,
         {"FileMissing c.txt", "FileNotListed sub/c.txt", "FileNotListed sub/locked.bin"},
         4},
        {"nothing missing: nothing more is read",
         "tree.md5",
         {{"tree.md5", listed}},
         true,
         {"FileNotListed sub/c.txt", "FileNotListed sub/locked.bin"},
         4},
        {"two identical unlisted copies",
         "tree.md5",
         {{"tree.md5", listed + Md5Line("c.txt", "charlie")}, {"sub/copy.txt", "charlie"}},
         true,
         {"FileMissing c.txt", "MovesNotPaired tree.md5", "FileNotListed sub/c.txt",
          "FileNotListed sub/copy.txt", "FileNotListed sub/locked.bin"},
         7},
        {"two missing entries of one digest",
         "tree.md5",
         {{"tree.md5", listed + Md5Line("c.txt", "charlie") + Md5Line("c2.txt", "charlie")}},
         true,
         {"FileMissing c.txt", "FileMissing c2.txt", "MovesNotPaired tree.md5",
          "FileNotListed sub/c.txt", "FileNotListed sub/locked.bin"},
         6},
        {"empty files are never paired",
         "tree.md5",
         {{"tree.md5", listed + Md5Line("sub/c.txt", "charlie") + Md5Line("was.txt", "")},
          {"sub/now.txt", ""}},
         true,
         {"ChecksumOk sub/c.txt MD5", "FileMissing was.txt", "FileNotListed sub/locked.bin",
          "FileNotListed sub/now.txt"},
         5},
        {"renamed in the same folder",
         "md5sum.lst",
         {{"md5sum.lst",
           Md5Line(".dot", "hidden") + Md5Line("old.txt", "alpha") + Md5Line("B.txt", "bravo")}},
         true,
         {"ChecksumOk .dot MD5", "ChecksumOk B.txt MD5", "FileMoved old.txt a.txt"},
         3},
        {"abort inside a large unlisted file (when its name is told again)",
         "tree.md5",
         {{"tree.md5", listed + Md5Line("c.txt", "charlie")},
          {"sub/big.bin", std::string(3 << 20, 'b')}},
         true,
         {"ConfirmAbort yes", "FileMissing c.txt"},
         6},
    };
    for (const Case& c : cases) {
        TTempTree tree;
        TFakeFileSystem fs;
        BuildRunTree(tree, fs);
        for (const auto& [name, content] : c.files)
            tree.AddFile(name, content);
        TCheckSumEngine engine;
        TRunRecorder recorder(engine, tree.Root());
        recorder.AfterEvent = [&engine, bigTold = 0](const std::string& event) mutable {
            if (event == "Processing sub/big.bin" && ++bigTold == 2)
                engine.SetAborted(true);
        };
        AimAtRunTree(engine, fs, tree);
        const bool treeList = c.listName == "tree.md5";
        engine.ChecksumFileName = treeList ? tree.Path("tree.md5") : c.listName;
        engine.IncludeSubfolders = treeList;
        engine.MovedFiles = c.moved;
        engine.Verify();
        std::vector<std::string> expected = treeList ? ok : std::vector<std::string>{};
        expected.insert(expected.end(), c.findings.begin(), c.findings.end());
        EXPECT_EQ(recorder.Findings(), expected) << c.what;
        const auto processed = std::count_if(
            recorder.Events.begin(), recorder.Events.end(), [](const std::string& event) {
                return event.compare(0, 11, "Processing ") == 0 && event.back() != '*';
            });
        EXPECT_EQ(processed, c.processed) << c.what;
    }
}

TEST(VerifyPreCount, CountsExistingListedFilesAndPassesOverUnreadableLists) {
    struct Case {
        const char* what;
        std::map<std::string, std::string> lists;
        std::vector<std::string> unreadable;
        int32_t files;
        uint64_t bytes;
    } cases[] = {
        {"listed once", {{"one.md5", Md5Line("a.txt", "alpha")}}, {}, 1, 5},
        {"listed in two lists",
         {{"one.md5", Md5Line("a.txt", "alpha")}, {"two.md5", Md5Line("a.txt", "alpha")}},
         {},
         2,
         10},
        {"missing, wildcard and folder entries count nothing",
         {{"one.md5", Md5Line("gone.txt", "alpha") + Md5Line("a*.txt", "alpha") +
                          SfvLine("?.txt", "alpha") + Md5Line("sub", "alpha") + "not a line\r\n" +
                          SfvLine("B.txt", "bravo")}},
         {},
         1,
         5},
        {"an unreadable list is passed over",
         {{"one.md5", Md5Line("a.txt", "alpha")}, {"two.md5", Md5Line("B.txt", "bravo")}},
         {"two.md5"},
         1,
         5},
    };
    for (const Case& c : cases) {
        TVerifyRun run;
        run.Tree.AddFolder("v/sub");
        for (const auto& [name, content] : c.lists)
            run.Tree.AddFile("v/" + name, content);
        for (const std::string& name : c.unreadable)
            run.Fs.OpenErrors[run.Tree.Path("v/" + name)] = kLockedError;
        run.Engine.ChecksumFileName = "*.md5";
        run.Engine.CountVerifyData();
        EXPECT_EQ(run.Engine.FilesProcessed, c.files) << c.what;
        EXPECT_EQ(run.Engine.BytesProcessed, c.bytes) << c.what;
        EXPECT_EQ(run.Recorder.Findings(), std::vector<std::string>{}) << c.what;
    }
}

TEST(VerifyAbort, StopsWithoutTheUnlistedReport) {
    TVerifyRun run;
    run.Tree.AddFile("v/md5sum.lst", Md5Line("a.txt", "alpha") + Md5Line("B.txt", "bravo"));
    run.Recorder.AfterEvent = [&run](const std::string& event) {
        if (event == "ChecksumOk a.txt MD5")
            run.Engine.SetAborted(true);
    };
    EXPECT_EQ(run.Verify(), (std::vector<std::string>{"ChecksumOk a.txt MD5", "ConfirmAbort yes"}));
    EXPECT_TRUE(run.Engine.Aborted);
}

} // namespace
