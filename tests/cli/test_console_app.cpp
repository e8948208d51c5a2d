// The console's own rules: settings from the command line, exit codes, dates, help.
#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/console_app.h"
#include "cli/console_locale.h"
#include "cli/interrupt.h"
#include "version.h"

namespace {

TEST(ConsoleSettings, DefaultsOverriddenByTheCommandLine) {
    const struct {
        std::vector<std::string> Args;
        const char* Folder;
        const char* Name;
        int Format;
        TPlacementMode Placement;
        bool Subfolders;
        TOverwriteMode Overwrite;
        bool Quick = false;
        bool Moved = false;
    } cases[] = {
        {{"-u"}, "/cwd", "md5sum.lst", 0, plTreeAnyPlace, true, omAsk},
        {{"-u", "-f1"}, "/cwd", "checksum.lst", 1, plTreeAnyPlace, true, omAsk},
        {{"-u", "-p3"}, "/cwd", "*.md5", 0, plFolderNamedAfterFolder, true, omAsk},
        {{"-u", "-p4", "-f1"}, "/cwd", "*.sfv", 1, plPerFile, true, omAsk},
        {{"-u", "-f1", "-p2"}, "/cwd", "checksum.lst", 1, plFolderFixedName, true, omAsk},
        {{"-u", "-f2"}, "/cwd", "sha256sum.lst", 2, plTreeAnyPlace, true, omAsk},
        {{"-u", "-f2", "-p4"}, "/cwd", "*.sha256", 2, plPerFile, true, omAsk},
        {{"-u", "-f3"}, "/cwd", "b3sums.lst", 3, plTreeAnyPlace, true, omAsk},
        {{"-u", "-f3", "-p3"}, "/cwd", "*.b3", 3, plFolderNamedAfterFolder, true, omAsk},
        {{"-u", "-f4", "-p2"}, "/cwd", "xxh128sums.lst", 4, plFolderFixedName, true, omAsk},
        {{"-u", "-f4", "-p4"}, "/cwd", "*.xxh128", 4, plPerFile, true, omAsk},
        {{"-u", "--quick"}, "/cwd", "md5sum.lst", 0, plTreeAnyPlace, true, omAsk, true},
        {{"-v", "--moved"}, "/cwd", "md5sum.lst", 0, plTreeAnyPlace, true, omAsk, false, true},
        {{"-v", "-n", "x.md5", "-p4", "data", "-s-", "-o-"},
         "data",
         "x.md5",
         0,
         plPerFile,
         false,
         omKeep},
    };
    for (const auto& c : cases) {
        const TRunSettings s = SettingsFromCommandLine(ParseCommandLine(c.Args, false), "/cwd");
        const std::string what = c.Args.back();
        EXPECT_EQ(s.Folder, c.Folder) << what;
        EXPECT_EQ(s.ChecksumFileName, c.Name) << what;
        EXPECT_EQ(s.Format, c.Format) << what;
        EXPECT_EQ(s.Placement, c.Placement) << what;
        EXPECT_EQ(s.IncludeSubfolders, c.Subfolders) << what;
        EXPECT_EQ(s.OverwriteMode, c.Overwrite) << what;
        EXPECT_EQ(s.QuickUpdate, c.Quick) << what;
        EXPECT_EQ(s.MovedFiles, c.Moved) << what;
        EXPECT_EQ(s.FileMask, "*.*") << what;
        EXPECT_EQ(s.HeaderMode, 0) << what;
        EXPECT_FALSE(s.DetailedLog) << what;
    }
}

TEST(ConsoleExitCode, WorstFindingDecides) {
    const auto totals = [](int hints, int warnings, int failures, int errors) {
        TLogTotals t;
        t.Hints = hints, t.Warnings = warnings, t.Failures = failures, t.Errors = errors;
        return t;
    };
    const struct {
        TRunOutcome Outcome;
        TLogTotals Totals;
        int Code;
    } cases[] = {
        {TRunOutcome::Completed, totals(0, 0, 0, 0), 0},
        {TRunOutcome::Completed, totals(5, 0, 0, 0), 0}, // hints are no findings
        {TRunOutcome::Completed, totals(0, 1, 0, 0), 1},
        {TRunOutcome::Completed, totals(0, 0, 1, 0), 4}, // damage: missing or changed in place
        {TRunOutcome::Completed, totals(2, 5, 1, 0), 4}, // damage outweighs edits
        {TRunOutcome::Completed, totals(0, 3, 3, 1), 2},
        {TRunOutcome::Refused, totals(0, 0, 0, 0), 2},
        {TRunOutcome::Failed, totals(0, 0, 0, 0), 2},
        {TRunOutcome::Aborted, totals(0, 1, 1, 1), 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RunExitCode(c.Outcome, c.Totals), c.Code) << static_cast<int>(c.Outcome);
}

TEST(ConsoleDateTime, DayMonthYearAndTimeWithoutLeadingZeroHour) {
    const TDateNames names = CDateNames();
    const struct {
        files::TLocalTime Time;
        char Separator;
        const char* Text;
    } cases[] = {
        {{2026, 12, 6, 5, 33, 35, 0, 0}, ':', "Sun, 6 Dec 2026 5:33.35"},
        {{2027, 1, 31, 23, 5, 9, 999, 0}, ':', "Sun, 31 Jan 2027 23:05.09"},
        {{2000, 2, 29, 0, 0, 0, 0, 2}, '.', "Tue, 29 Feb 2000 0.00.00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateTimeText(c.Time, names, c.Separator), c.Text);
}

TEST(ConsoleLocale, CLocaleGivesPlainDigitsAndLeavesTheProgramInC) {
    const char* saved = std::getenv("LC_ALL");
    const std::string savedValue = saved ? saved : "";
    ::setenv("LC_ALL", "C", 1);
    const TNumberFormat format = EnvironmentNumberFormat();
    const TDateNames names = EnvironmentDateNames();
    if (saved)
        ::setenv("LC_ALL", savedValue.c_str(), 1);
    else
        ::unsetenv("LC_ALL");
    EXPECT_EQ(format.ThousandsSeparator, "");
    EXPECT_EQ(format.DecimalPoint, ".");
    EXPECT_EQ(names.Days[0], "Sun");
    EXPECT_EQ(names.Months[11], "Dec");
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    EXPECT_STREQ(std::setlocale(LC_TIME, nullptr), "C");
}

TEST(ConsoleInterrupt, FirstCtrlCIsNotedSecondEndsTheProgramAsAborted) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        InstallInterruptHandler();
        if (Interrupted())
            ::_exit(10);
        std::raise(SIGINT);
        if (!Interrupted())
            ::_exit(11);
        std::raise(SIGINT);
        ::_exit(12); // not reached: the second Ctrl-C ends the program
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kExitAborted);
}

TEST(ConsoleHelp, UsageWithDashesThenExitCodesAndVersion) {
    const std::string help = ConsoleHelpText();
    EXPECT_EQ(help.find('\r'), std::string::npos);
    EXPECT_EQ(help.rfind("USAGE:\n tlvn [<command>] [<options>]\n", 0), 0u);
    EXPECT_NE(help.find(" -u - update the checksum files for <path>\n"), std::string::npos);
    for (const char* code : {" 0 - ", " 1 - ", " 2 - ", " 3 - ", " 4 - "})
        EXPECT_NE(help.find(code), std::string::npos) << code;
    EXPECT_NE(help.find("tlvn (Tolvane) " TLVN_VERSION_TEXT "\n"), std::string::npos);
}

} // namespace
