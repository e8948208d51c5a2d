// The tlvn binary on real trees: update then verify in every placement mode, the findings
// of a verify, the saved log, exit codes, answers without a terminal, questions and
// progress on a terminal, and an abort by Ctrl-C.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

#include "tests/cli/run_tlvn.h"
#include "tests/engine/temp_tree.h"

namespace {

bool HasLine(const TTlvnResult& r, const std::string& line) {
    const std::vector<std::string> lines = r.OutLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Totals(int hints, int warnings, int failures, int errors) {
    return "STAT: Total hints: " + std::to_string(hints) +
           ", warnings: " + std::to_string(warnings) + ", failures: " + std::to_string(failures) +
           ", errors: " + std::to_string(errors);
}

void MakeDemoTree(TTempTree& tree) {
    tree.AddFile("a.txt", "alpha\n");
    tree.AddFile("b.txt", "bravo\n");
    tree.AddFile("sub/c.txt", "charlie\n");
    tree.AddFile("sub/deep/d.txt", "delta\n");
}

TEST(TlvnEndToEnd, UpdateThenVerifyIsCleanInEveryPlacement) {
    TTempTree lists; // mode 0 with a full path puts the one list outside the tree
    const struct {
        std::vector<std::string> Options;
        std::vector<std::string> VerifyOptions; // one list for the whole tree: no recursion
        std::string List;                       // a list the update must write
    } cases[] = {
        {{"-p0"}, {"-s-"}, "md5sum.lst"},
        {{"-p0", "-n", lists.Path("all.md5")}, {}, ""},
        {{"-p1", "-f1"}, {"-s-"}, "checksum.lst"},
        {{"-p2"}, {}, "sub/deep/md5sum.lst"},
        {{"-p3"}, {}, "sub/sub.md5"},
        {{"-p4", "-f1"}, {}, "sub/deep/d.txt.sfv"},
        {{"-p2", "-f2"}, {}, "sub/deep/sha256sum.lst"},
        {{"-p4", "-n", "*.md5", "-h1"}, {}, "a.txt.md5"},
    };
    for (const auto& c : cases) {
        TTempTree tree;
        MakeDemoTree(tree);
        std::vector<std::string> update = {"-u", tree.Root()};
        update.insert(update.end(), c.Options.begin(), c.Options.end());
        const TTlvnResult u = RunTlvn(update);
        const std::string what = c.Options.at(0) + " " + c.Options.back();
        EXPECT_EQ(u.ExitCode, 0) << what << u.Out << u.Err;
        EXPECT_TRUE(HasLine(u, Totals(0, 0, 0, 0))) << what << u.Out;
        EXPECT_TRUE(HasLine(u, "26 bytes in 4 files to processing...."))
            << what << u.Out; // 6 + 6 + 8 + 6 bytes: the unit is the space
        if (!c.List.empty()) {
            EXPECT_TRUE(tree.Exists(c.List)) << what;
        }
        EXPECT_EQ(u.Err, "") << what; // no terminal: no progress, no questions

        std::vector<std::string> verify = {"-v", tree.Root()};
        verify.insert(verify.end(), c.Options.begin(), c.Options.end());
        verify.insert(verify.end(), c.VerifyOptions.begin(), c.VerifyOptions.end());
        const TTlvnResult v = RunTlvn(verify);
        EXPECT_EQ(v.ExitCode, 0) << what << v.Out << v.Err;
        EXPECT_TRUE(HasLine(v, Totals(0, 0, 0, 0))) << what << v.Out;
        EXPECT_NE(v.Out.find("STAT: Processed 26  bytes in 4 files for "), std::string::npos)
            << what << v.Out;
    }
}

TEST(TlvnEndToEnd, VerifyReportsChangedMissingAndUnlistedFiles) {
    TTempTree tree;
    MakeDemoTree(tree);
    ASSERT_EQ(RunTlvn({"-u", tree.Root(), "-p2"}).ExitCode, 0);
    tree.AddFile("a.txt", "ALPHA\n");
    tree.SetTime("a.txt", 2001, 1, 1, 12, 0, 0); // older than its list: a real mismatch
    tree.AddFile("b.txt", "BRAVO\n");            // written after its list: updated
    std::filesystem::remove(tree.Path("sub/c.txt"));
    tree.AddFile("sub/deep/new.txt", "new\n");
    tree.SetTime("b.txt", 2099, 1, 1, 12, 0, 0);

    const TTlvnResult v = RunTlvn({"-v", tree.Root(), "-p2"});
    EXPECT_EQ(v.ExitCode, 1) << v.Out;
    EXPECT_TRUE(
        HasLine(v, "FAIL: The file \"" + tree.Path("a.txt") + "\" has different checksum value"))
        << v.Out;
    EXPECT_TRUE(HasLine(v, "WARN: The file \"" + tree.Path("b.txt") + "\" has been updated"))
        << v.Out;
    EXPECT_TRUE(HasLine(v, "FAIL: The file \"" + tree.Path("sub/c.txt") + "\" is missing"))
        << v.Out;
    EXPECT_TRUE(HasLine(v, "WARN: The file \"" + tree.Path("sub/deep/new.txt") +
                               "\" not listed in checksum file"))
        << v.Out;
    EXPECT_TRUE(HasLine(v, Totals(0, 2, 2, 0))) << v.Out;
}

TEST(TlvnEndToEnd, SavedLogHoldsTheLinesWithoutPrefixEndedByCrLf) {
    TTempTree tree;
    MakeDemoTree(tree);
    const TTlvnResult u = RunTlvn({"-u", "-a", tree.Path("run.log"), tree.Root(), "-p2"});
    ASSERT_EQ(u.ExitCode, 0) << u.Err;
    std::string expected;
    for (std::string line : u.OutLines()) {
        for (const char* prefix : {"START: ", "STOP: ", "STAT: "})
            if (line.rfind(prefix, 0) == 0)
                line.erase(0, std::strlen(prefix));
        expected += line + "\r\n";
    }
    EXPECT_EQ(tree.Content("run.log"), expected);

    // A refused run still replaces the log, so an old log is never taken for this run.
    const TTlvnResult refused = RunTlvn({"-u", "-a", tree.Path("run.log"), tree.Root(), "-n", "?"});
    EXPECT_EQ(refused.ExitCode, 2);
    EXPECT_TRUE(tree.Exists("run.log"));
    EXPECT_EQ(tree.Content("run.log"), "");
}

TEST(TlvnEndToEnd, ExitCodesAndMessages) {
    TTempTree tree;
    MakeDemoTree(tree);
    const struct {
        std::vector<std::string> Args;
        int Code;
        const char* OutHas; // nullptr: stdout must be empty
        const char* ErrHas; // nullptr: stderr must be empty
    } cases[] = {
        {{"-?"}, 0, "USAGE:\n tlvn [<command>] [<options>]", nullptr},
        {{"--help"}, 0, "EXIT CODES:", nullptr},
        {{"-u", "-x"}, 2, nullptr, "ERROR: Bad command-line argument: -x\n\nUSAGE:"},
        {{"-u", "-l1"}, 2, nullptr, "USAGE:"},
        {{"-u", "-a"}, 2, nullptr, "USAGE:"},
        {{tree.Root()}, 2, nullptr, "Nothing to do"},
        {{"-u", tree.Root(), "-n", "*.*"}, 2, nullptr, "ERROR: Invalid checksum file name.\n"},
        {{"-u", tree.Root(), "-p3", "-n", "*."}, 2, nullptr, "ERROR: Invalid checksum file name."},
        {{"-v", tree.Path("no-such-folder")},
         2,
         "ERROR: Cannot read content of folder",
         "subfolders? [y/n/c] no, no terminal\n"},
        {{"-u", tree.Root(), "-a", tree.Path("missing/run.log")},
         2,
         "STAT: Total hints: 0",
         "ERROR: Cannot create file "},
        {{"-v", tree.Root(), "-p2"}, 1, "WARN: The folder", nullptr}, // no lists yet
    };
    for (const auto& c : cases) {
        const TTlvnResult r = RunTlvn(c.Args);
        const std::string what = c.Args.back();
        EXPECT_EQ(r.ExitCode, c.Code) << what << r.Out << r.Err;
        if (c.OutHas)
            EXPECT_NE(r.Out.find(c.OutHas), std::string::npos) << what << r.Out;
        else
            EXPECT_EQ(r.Out, "") << what;
        if (c.ErrHas)
            EXPECT_NE(r.Err.find(c.ErrHas), std::string::npos) << what << r.Err;
        else
            EXPECT_EQ(r.Err, "") << what;
        if (!c.OutHas) { // no run took place: nothing was written
            EXPECT_EQ(tree.List(), (std::vector<std::string>{"a.txt", "b.txt", "sub"})) << what;
        }
    }
}

TEST(TlvnEndToEnd, WithoutATerminalEveryQuestionIsAnsweredNo) {
    TTempTree tree;
    MakeDemoTree(tree);
    ASSERT_EQ(RunTlvn({"-u", tree.Root(), "-s-", "-p2"}).ExitCode, 0);
    const std::string list = tree.Content("md5sum.lst");
    tree.AddFile("e.txt", "echo\n");

    // Overwrite? No: the list is kept as it was.
    const TTlvnResult keep = RunTlvn({"-u", tree.Root(), "-s-", "-p2", "-o?"});
    EXPECT_EQ(keep.ExitCode, 0) << keep.Out;
    EXPECT_EQ(tree.Content("md5sum.lst"), list);
    EXPECT_TRUE(HasLine(keep, "HINT: The file \"" + tree.Path("md5sum.lst") +
                                  "\" already exist. Skipped..."))
        << keep.Out;

    // A foreign line: reading stops with a WARN line.
    tree.AddFile("md5sum.lst", list + "this is no checksum line\r\n");
    const TTlvnResult foreign = RunTlvn({"-v", tree.Root(), "-s-", "-p2"});
    EXPECT_EQ(foreign.ExitCode, 1) << foreign.Out;
    EXPECT_TRUE(HasLine(foreign, "WARN: The file \"" + tree.Path("md5sum.lst") +
                                     "\" has invalid format (line 3). Skipped..."))
        << foreign.Out;
    EXPECT_EQ(foreign.Err, "Confirmation: The file \"" + tree.Path("md5sum.lst") +
                               "\", probably, is not a checksum file. Continue? [y/n/c] no, "
                               "no terminal\n");

    // An MD5 list whose name says SFV: the update does not start.
    const TTlvnResult named = RunTlvn({"-u", tree.Root(), "-n", "my.sfv"});
    EXPECT_EQ(named.ExitCode, 2);
    EXPECT_FALSE(tree.Exists("my.sfv"));
    // It never refuses in silence: the question and the answer given are on stderr.
    EXPECT_NE(named.Err.find("Confirmation: You have selected the MD5 file format, but the "
                             "checksum file name include the \"SFV\" substring. Continue? "
                             "[y/n] no, no terminal\n"),
              std::string::npos)
        << named.Err;
}

TEST(TlvnEndToEnd, OnATerminalQuestionsAreAskedAndProgressIsCleared) {
    TTempTree tree;
    MakeDemoTree(tree);
    tree.AddSparseFile("big.bin", 64ull << 20);
    ASSERT_EQ(RunTlvn({"-u", tree.Root(), "-s-", "-p2"}).ExitCode, 0);
    tree.AddFile("e.txt", "echo\n");

    const TTlvnResult yes = RunTlvnOnTerminal({"-u", tree.Root(), "-s-", "-p2", "-o?"}, {"y"});
    EXPECT_EQ(yes.ExitCode, 0) << yes.Out;
    EXPECT_NE(yes.Out.find("Confirmation: The checksum file \"" + tree.Path("md5sum.lst") +
                           "\" already exists.Overwrite? [y/n/c] "),
              std::string::npos)
        << yes.Out;
    EXPECT_NE(tree.Content("md5sum.lst").find("e.txt"), std::string::npos);
    EXPECT_NE(yes.Out.find("\r\033[K"), std::string::npos) << "progress line never cleared";

    // Cancel, then confirm the abort: nothing is written, the run ends as aborted.
    tree.AddFile("f.txt", "foxtrot\n");
    const TTlvnResult cancel =
        RunTlvnOnTerminal({"-u", tree.Root(), "-s-", "-p2", "-o?"}, {"c", "y"});
    EXPECT_EQ(cancel.ExitCode, 3) << cancel.Out;
    EXPECT_NE(cancel.Out.find("You are really want abort? [y/n] "), std::string::npos)
        << cancel.Out;
    EXPECT_NE(cancel.Out.find("has been aborted by user!"), std::string::npos) << cancel.Out;
    EXPECT_EQ(tree.Content("md5sum.lst").find("f.txt"), std::string::npos);
}

TEST(TlvnEndToEnd, CtrlCAbortsAtTheNextCheckpointAndStillReports) {
    TTempTree tree;
    tree.AddFile("a.txt", "alpha\n");
    tree.AddSparseFile("huge.bin", 4ull << 30); // seconds of hashing: time to interrupt
    bool sent = false;
    const TTlvnResult r =
        RunTlvn({"-u", tree.Root(), "-p2"}, [&sent](int pid, const std::string& out) {
            if (!sent && out.find("START: ") != std::string::npos) {
                sent = true;
                ::kill(pid, SIGINT);
            }
        });
    EXPECT_TRUE(sent);
    EXPECT_EQ(r.ExitCode, 3) << r.Out << r.Err;
    const std::vector<std::string> lines = r.OutLines();
    ASSERT_GE(lines.size(), 2u) << r.Out;
    EXPECT_NE(r.Out.find(" Updating has been aborted by user!\n"), std::string::npos) << r.Out;
    EXPECT_EQ(lines.back().rfind("STAT: ", 0), 0u) << r.Out;
    EXPECT_FALSE(tree.Exists("md5sum.lst")); // the cut-short folder gets no list
    EXPECT_EQ(r.Err, "");
}

} // namespace
