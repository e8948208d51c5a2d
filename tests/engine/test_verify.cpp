// The Verify run: the verdict on every entry, the report of every folder, invalid lines
// and their questions, single-file and per-folder verification, and the pre-count.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "fake_files.h"
#include "run_recorder.h"
#include "run_tree.h"
#include "temp_tree.h"

#ifndef _WIN32
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
    };
    for (const Case& c : cases) {
        TVerifyRun run;
        run.Tree.AddFolder("v/sub");
        run.Tree.AddFile("out.txt", "alpha");
#ifndef _WIN32
        ASSERT_EQ(symlink(run.Tree.Root().c_str(), run.Tree.Path("v/out-link").c_str()), 0);
#endif
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
