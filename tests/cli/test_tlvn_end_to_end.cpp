// The tlvn binary on real trees: update then verify in every placement mode, the findings
// of a verify, the saved log, exit codes, answers without a terminal, questions and
// progress on a terminal, and an abort by Ctrl-C.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

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
        {{"-p3", "-f3"}, {}, "sub/sub.b3"},
        {{"-p4", "-f4"}, {}, "sub/deep/d.txt.xxh128"},
        {{"-p2", "-n", "sums.txt", "-f4"}, {}, "sub/deep/sums.txt"}, // tagged XXH128 lines
        {{"-p2", "-n", "sums.txt", "-f3"}, {}, "sub/deep/sums.txt"}, // tagged BLAKE3 lines
        {{"-p4", "-n", "*.md5", "-h1"}, {}, "a.txt.md5"},
    };
    for (const auto& c : cases) {
        TTempTree tree;
        MakeDemoTree(tree);
        // A count set: no note of the machine's disk on the count line.
        std::vector<std::string> update = {"-u", tree.Root(), "-j", "2"};
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
    EXPECT_EQ(v.ExitCode, 4) << v.Out; // damage
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
        {{"-v", tree.Root(), "-m", "../*"}, 2, nullptr, "ERROR: Invalid filter \"../*\".\nThe"},
        {{"-u", tree.Root(), "-m", "/etc/*"}, 2, nullptr, "ERROR: Invalid filter \"/etc/*\"."},
        {{"-u", tree.Root(), "-p3", "-n", ".."}, 2, nullptr, "ERROR: Invalid checksum file name."},
        {{"-v", tree.Path("no-such-folder")},
         2,
         "ERROR: Cannot read content of folder",
         "subfolders? [y/n/c] no, no terminal\n"},
        {{"-u", tree.Root(), "-a", tree.Path("missing/run.log")},
         2,
         "STAT: Total hints: 0",
         "ERROR: Cannot create file "},
        {{"-v", tree.Root(), "-p2"}, 1, "WARN: The folder", nullptr}, // no lists yet
        // A device the log cannot be written to stays what it is.
        {{"-v", tree.Root(), "-p2", "-a", "/dev/full"},
         2,
         "STAT: Total hints: 0",
         "ERROR: Cannot create file /dev/full: No space left on device\n"},
        {{"-v", tree.Root(), "-p2", "--report", tree.Path("missing/r.json")},
         2,
         "WARN: The folder",
         "ERROR: Cannot create file "},
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
    struct stat st {};
    EXPECT_TRUE(::stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode));
}

// A list of lines entries of missing files, named "gone-<n>.txt", in a tree of one file.
void MakeTreeWithLongList(TTempTree& tree, int lines) {
    tree.AddFile("a.txt", "alpha\n");
    std::string list;
    for (int n = 0; n < lines; ++n)
        list += "d41d8cd98f00b204e9800998ecf8427e *gone-" + std::to_string(n) + ".txt\r\n";
    tree.AddFile("md5sum.lst", list);
}

TEST(TlvnEndToEnd, MemoryIsBoundedByTheTreeNotByTheList) {
    TTempTree tree;
    MakeTreeWithLongList(tree, 200000);
    const TTlvnResult r = RunTlvn({"-v", tree.Root(), "-p2", "-a", tree.Path("run.log")});
    EXPECT_EQ(r.ExitCode, 4) << r.Err; // missing files: damage
    EXPECT_GT(r.OutLines().size(), 200000u);
    const std::string log = tree.Content("run.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'),
              std::count(r.Out.begin(), r.Out.end(), '\n'));
    EXPECT_LT(r.MaxResidentKiB, 16 << 10); // the lines alone take more
}

// Runs check in a child process that sees, as do the programs it starts, a full disk of
// 64 KiB at folder (a mount of its own namespace) holding an earlier log, run.log; nothing
// when the system allows no such mount.
std::optional<bool> WithFullDisk(const std::string& folder, const std::function<bool()>& check) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0)
            ::_exit(2);
        std::ofstream(folder + "/run.log") << "STAT: Total hints: 0, warnings: 0\r\n";
        ::chmod((folder + "/run.log").c_str(), 0666);
        std::ofstream fill(folder + "/fill", std::ios::binary);
        for (int block = 0; block < 64 && fill; ++block)
            fill << std::string(1024, 'x') << std::flush;
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) > 1)
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

TEST(TlvnEndToEnd, ALogThatCannotBeSavedLeavesNoEarlierLogBehind) {
    TTempTree tree, disk;
    MakeTreeWithLongList(tree, 500); // a log larger than the earlier one
    const std::string log = disk.Path("run.log");
    const auto verify = [&] {
        const TTlvnResult r = RunTlvn({"-v", tree.Root(), "-p2", "-a", log});
        std::ifstream earlier(log);
        const std::string left((std::istreambuf_iterator<char>(earlier)), {});
        const bool passed =
            r.ExitCode == 2 &&
            r.Err == "ERROR: Cannot create file " + log + ": No space left on device\n" &&
            left.find("STAT: ") == std::string::npos;
        if (!passed)
            std::fprintf(stderr, "exit %d, %s, log left: %s\n", r.ExitCode, r.Err.c_str(),
                         left.c_str());
        return passed;
    };
    // The folder may be written: the earlier log is removed. Not for the user: the log is
    // written in place and holds what could be written.
    for (bool writable : {true, false}) {
        const std::optional<bool> passed = WithFullDisk(disk.Root(), [&] {
            return writable ? verify() : AsUnprivilegedUser(verify).value_or(false);
        });
        if (!passed)
            GTEST_SKIP() << "no mount of a namespace of its own here";
        EXPECT_TRUE(*passed) << (writable ? "writable folder" : "folder not writable");
    }
}

// What Python's json module reads in a report: per finding its kind, the path's bytes in
// hex, the expected and the found digest; then the exit code, the command and the totals
// of failures and warnings.
std::string ReadReportWithPython(TTempTree& out, const std::string& json) {
    out.AddFile("report.json", json);
    out.AddFile("read.py",
                "import json, sys\n"
                "d = json.load(open(sys.argv[1], encoding='utf-8'))\n"
                "for f in d['findings']:\n"
                "    print(f['kind'], f['path'].encode('utf-8', 'surrogateescape').hex(), "
                "f['expected'], f['found'])\n"
                "t = d['totals']\n"
                "print(d['exitCode'], d['run']['command'], t['failures'], t['warnings'])\n");
    const std::string command =
        "python3 '" + out.Path("read.py") + "' '" + out.Path("report.json") + "' 2>&1";
    std::string printed;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            printed.append(buffer, got);
        ::pclose(pipe);
    }
    return printed;
}

std::string Hex(const std::string& bytes) {
    std::string hex;
    for (unsigned char c : bytes) {
        const char digits[] = "0123456789abcdef";
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

TEST(TlvnEndToEnd, ReportIsValidJsonForEveryNameAndDashWritesItAlone) {
    TTempTree tree, out;
    const std::vector<std::string> names = {"back\\slash.txt", "ctl\x01.txt", "latin\xE9.txt",
                                            "quote\"d.txt"}; // in the list's order
    for (const std::string& name : names)
        tree.AddFile(name, "x");
    ASSERT_EQ(RunTlvn({"-u", tree.Root(), "-p2"}).ExitCode, 0);
    for (const std::string& name : names) {
        tree.AddFile(name, "z");
        tree.SetTime(name, 2099, 1, 1, 12, 0, 0); // written after the list: updated
    }
    tree.AddFile("new\x02\xFF\xFE.txt", "y");

    std::string expected;
    for (const std::string& name : names)
        expected += "fileUpdated " + Hex(tree.Path(name)) +
                    " 9dd4e461268c8034f5c8564e155c67a6 fbade9e36a3f36d3d676c1b808451dd7\n";
    expected += "fileNotListed " + Hex(tree.Path("new\x02\xFF\xFE.txt")) + " None None\n";
    expected += "1 verify 0 5\n";
    const TTlvnResult v = RunTlvn({"-v", tree.Root(), "-p2", "--report", out.Path("r.json")});
    EXPECT_EQ(v.ExitCode, 1) << v.Out << v.Err;
    EXPECT_EQ(ReadReportWithPython(out, out.Content("r.json")), expected);

    // "-": standard output holds the document alone, the log goes to standard error.
    const TTlvnResult dash = RunTlvn({"-v", tree.Root(), "-p2", "--report", "-"});
    EXPECT_EQ(dash.ExitCode, 1);
    EXPECT_EQ(ReadReportWithPython(out, dash.Out), expected);
    EXPECT_NE(dash.Err.find("STAT: Total hints: 0, warnings: 5, failures: 0"), std::string::npos)
        << dash.Err;
}

// A file moved into another folder of a tree list, with --moved: one WARN, exit code 1 (an
// edit, not damage) and a "moved" finding from and to.
TEST(TlvnEndToEnd, AMovedFileIsAnEditAndItsReportNamesFromAndTo) {
    TTempTree tree, out;
    MakeDemoTree(tree);
    const std::string list = tree.Path("md5sum.lst");
    ASSERT_EQ(RunTlvn({"-u", tree.Root(), "-n", list}).ExitCode, 0);
    std::filesystem::rename(tree.Path("sub/c.txt"), tree.Path("sub/deep/c.txt"));
    const TTlvnResult v =
        RunTlvn({"-v", tree.Root(), "-n", list, "--moved", "--report", out.Path("r.json")});
    EXPECT_EQ(v.ExitCode, 1) << v.Out;
    const std::string digest = "742330d6617e449e7bb460e802d50701"; // md5sum of "charlie\n"
    EXPECT_EQ(ReadReportWithPython(out, out.Content("r.json")),
              "moved " + Hex(tree.Path("sub/deep/c.txt")) + " " + digest + " " + digest +
                  "\n1 verify 0 1\n");
    EXPECT_NE(out.Content("r.json").find("\"from\": \"" + tree.Path("sub/c.txt") +
                                         "\", \"to\": \"" + tree.Path("sub/deep/c.txt") + "\"}"),
              std::string::npos);
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

// What root's run finds that another user planted or shared: nothing outside the tree
// "u" is read or written through a link, and a list shared by hard links is split.
TEST(TlvnEndToEnd, NoLinkCarriesAReadOrAWriteOutOfTheTree) {
    const bool root = ::geteuid() == 0;
    const std::string secretDigest = "dd02c7c2232759874e1c205587017bed"; // "secret\n"
    const struct {
        const char* What;
        std::function<void(TTempTree&)> Plant;
        std::vector<std::string> Args; // after "-o+ -p2", with "u" for the tree
        int Code;
        std::string Line; // in the output, "@" standing for the tree's path
        std::string List; // u/md5sum.lst afterwards ("" for no check)
        bool NeedsRoot = false;
    } cases[] = {
        {"a link at the list's name is replaced, its target kept",
         [](TTempTree& t) {
             ::symlink(t.Path("outside/secret").c_str(), t.Path("u/md5sum.lst").c_str());
         },
         {"-u"},
         0,
         "STAT: Total hints: 0, warnings: 0, failures: 0, errors: 0",
         "764efa883dda1e11db47671c4a3bbd9e *a\r\n"},
        {"a file link out of the tree is neither read nor listed",
         [](TTempTree& t) { ::symlink(t.Path("outside/secret").c_str(), t.Path("u/key").c_str()); },
         {"-u"},
         1,
         "WARN: The file \"@key\" is a link to a file outside the folder tree. Skipped...",
         "764efa883dda1e11db47671c4a3bbd9e *a\r\n"},
        {"a verify reads no file link out of the tree either",
         [&](TTempTree& t) {
             ::symlink(t.Path("outside/secret").c_str(), t.Path("u/key").c_str());
             t.AddFile("u/md5sum.lst", secretDigest + " *key\r\n");
         },
         {"-v"},
         1,
         "WARN: The file \"@key\" is a link to a file outside the folder tree. Skipped...",
         ""},
        {"the log follows no other user's link in a sticky folder",
         [](TTempTree& t) {
             t.AddFolder("shared");
             ::chmod(t.Path("shared").c_str(), 01777);
             ::symlink(t.Path("outside/secret").c_str(), t.Path("shared/run.log").c_str());
             ::lchown(t.Path("shared/run.log").c_str(), 65534, 65534);
         },
         {"-u", "-a", "shared/run.log"},
         2,
         "STAT: Total hints: 0, warnings: 0, failures: 0, errors: 0",
         "",
         true},
        {"a list of several hard links is replaced; its other name keeps the old list",
         [](TTempTree& t) {
             t.AddFile("u/md5sum.lst", "; old\r\n");
             std::filesystem::remove(t.Path("outside/secret"));
             ::link(t.Path("u/md5sum.lst").c_str(), t.Path("outside/secret").c_str());
         },
         {"-u"},
         0,
         "HINT: The file \"@md5sum.lst\" had other hard links: they keep the old checksum file",
         "764efa883dda1e11db47671c4a3bbd9e *a\r\n"},
    };
    for (const auto& c : cases) {
        if (c.NeedsRoot && !root)
            continue;
        TTempTree tree;
        tree.AddFile("outside/secret", "secret\n");
        tree.AddFile("u/a", "hi\n");
        ASSERT_EQ(::chmod(tree.Path("u").c_str(), 0777), 0);
        c.Plant(tree);
        const std::string before = tree.Content("outside/secret");
        std::vector<std::string> args = c.Args;
        for (std::string& arg : args)
            if (arg.find('/') != std::string::npos)
                arg = tree.Path(arg);
        for (const std::string& arg : {std::string("-o+"), std::string("-p2"), tree.Path("u/")})
            args.push_back(arg);
        const TTlvnResult r = RunTlvn(args);
        std::string line = c.Line;
        if (line.find('@') != std::string::npos)
            line.replace(line.find('@'), 1, tree.Path("u/"));
        EXPECT_EQ(r.ExitCode, c.Code) << c.What << r.Out << r.Err;
        EXPECT_TRUE(HasLine(r, line)) << c.What << r.Out;
        EXPECT_EQ(r.Out.find(secretDigest), std::string::npos) << c.What;
        EXPECT_EQ(tree.Content("outside/secret"), before) << c.What;
        if (!c.List.empty()) {
            EXPECT_EQ(tree.Content("u/md5sum.lst"), c.List) << c.What;
        }
    }
    if (!root)
        GTEST_SKIP() << "not root: no link of another user";
}

// Another user swaps a folder of the tree for a link to a folder only root may read, and
// back, as fast as it can, while root updates the tree again and again: no digest of a file
// there reaches a list, and nothing is written there.
TEST(TlvnEndToEnd, AFolderSwappedMidRunLeadsToAnErrorNeverOutside) {
    TTempTree tree;
    tree.AddFile("secret/f", "secret\n");
    ASSERT_EQ(::chmod(tree.Path("secret").c_str(), 0700), 0);
    tree.AddFile("u/sub/f", "mine\n");
    for (const char* folder : {"u", "u/sub"})
        ASSERT_EQ(::chmod(tree.Path(folder).c_str(), 0777), 0);
    const std::string sub = tree.Path("u/sub"), swap = tree.Path("u/swap");
    const pid_t swapper = StartAsUnprivilegedUser([&] {
        if (::symlink(tree.Path("secret").c_str(), swap.c_str()) != 0)
            return false;
        for (;;)
            ::renameat2(AT_FDCWD, sub.c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE);
    });
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int runs = 0, errors = 0;
    while (std::chrono::steady_clock::now() < end && runs < 300) {
        const TTlvnResult r = RunTlvn({"-u", "-o+", "-p2", "-s+", tree.Path("u/")});
        EXPECT_EQ(r.Out.find("dd02c7c2232759874e1c205587017bed"), std::string::npos) << r.Out;
        ++runs;
        errors += r.ExitCode == 2;
    }
    ::kill(swapper, SIGKILL);
    ResultOfChild(swapper);
    EXPECT_EQ(tree.List("secret"), std::vector<std::string>{"f"});
    for (const char* folder : {"u/sub", "u/swap"})
        if (tree.Exists(std::string(folder) + "/md5sum.lst")) {
            EXPECT_EQ(tree.Content(std::string(folder) + "/md5sum.lst").find("dd02c7c2"),
                      std::string::npos);
        }
    RecordProperty("runs", runs);
    RecordProperty("runs with an error line", errors);
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
