// The run controller on real trees: the frame of a run, the name checks, the recursion
// question, abort, the statistics and the totals, and the engine's events as log lines.
#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>

#include "app/run.h"
#include "app/texts.h"
#include "tests/engine/fake_files.h"
#include "tests/engine/temp_tree.h"

namespace {

const char kNow[] = "Sun, 6 Dec 2026 5:33.35";

// Records what the run shows and asks; answers questions from a queue, then No.
class TRecordingFrontEnd : public TRunFrontEnd {
public:
    std::vector<std::string> Log;     // prefixed lines
    std::vector<std::string> Asked;   // question texts
    std::vector<bool> AskedDefaultNo; // per question
    std::vector<TQuestionButtons> Buttons;
    std::vector<std::string> Refusals;
    std::deque<TConfirmAnswer> Answers;
    int64_t RangeMax = -1;
    int EndProgressCalls = 0;
    int32_t LastPosition = -1;
    std::string LastCaption;
    std::function<void()> OnStatus;      // called from ShowStatus
    std::string ThrowOnLineStartingWith; // AddLogLine throws once for such a line
    uint32_t FirstTick = 0xFFFFFD00;     // the counter wraps during the run
    uint32_t LaterTick = 0xFFFFFD00 + 1250;
    uint32_t AskWaitMs = 0; // each question moves the later clock on by this
    int TickCalls = 0;

    void AddLogLine(const TLogLine& line) override {
        const std::string shown = PrefixedText(line);
        if (!ThrowOnLineStartingWith.empty() && shown.rfind(ThrowOnLineStartingWith, 0) == 0) {
            ThrowOnLineStartingWith.clear();
            throw std::runtime_error("boom");
        }
        Log.push_back(shown);
    }
    TConfirmAnswer Ask(const std::string& text, TQuestionButtons buttons, bool defaultNo) override {
        Asked.push_back(text);
        LaterTick += AskWaitMs;
        Buttons.push_back(buttons);
        AskedDefaultNo.push_back(defaultNo);
        if (Answers.empty())
            return caNo;
        const TConfirmAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    void ShowRefusal(const std::string& text) override { Refusals.push_back(text); }
    void ShowProgressRange(int64_t maximum) override { RangeMax = maximum; }
    void ShowProgress(int32_t position, const std::string& caption) override {
        EXPECT_GE(position, 0);
        EXPECT_LE(position, RangeMax);
        LastPosition = position;
        LastCaption = caption;
    }
    void EndProgress() override { ++EndProgressCalls; }
    void ShowStatus(const std::string&) override {
        if (OnStatus)
            OnStatus();
    }
    uint32_t TickCount() override { return TickCalls++ == 0 ? FirstTick : LaterTick; }
    std::string DateTimeText() override { return kNow; }
};

struct TRunFixture {
    TTempTree Tree;
    TFakeFileSystem Fs;
    TCheckSumEngine Engine;
    TRecordingFrontEnd FrontEnd;
    TRunController Controller{Engine, FrontEnd, TNumberFormat{",", "."}};
    TRunSettings Settings;

    TRunFixture() {
        Engine.SetFileSystem(&Fs);
        Tree.AddFile("a.txt", "hello\n");
        Tree.AddFile("sub/b.txt", "world\n");
        Settings.Folder = Tree.Root();
    }
    TRunOutcome Run(TRunCommand command) {
        FrontEnd.TickCalls = 0;
        return Controller.Run(command, Settings);
    }
    std::string Start(const char* operation, const std::string& name = "md5sum.lst") const {
        return std::string("START: ") + kNow + " " + operation + " folder \"" + Tree.Root() +
               "*.*\", with checksum files name \"" + name + "\"";
    }
};

TEST(RunController, UpdateLogsTheWholeFrameOfARun) {
    TRunFixture f;
    EXPECT_EQ(f.Run(TRunCommand::Update), TRunOutcome::Completed);
    const std::vector<std::string> expected = {
        "Calculating summary data size...",
        "12 bytes in 2 files to processing....",
        f.Start("Updating"),
        std::string("STOP: ") + kNow + " Updating is completed.",
        "STAT: Processed 12  bytes in 2 files for 1.250s, with average rate 10  bytes/s",
        "STAT: Total hints: 0, warnings: 0, failures: 0, errors: 0",
    };
    EXPECT_EQ(f.FrontEnd.Log, expected);
    EXPECT_TRUE(f.FrontEnd.Asked.empty());
    EXPECT_EQ(f.FrontEnd.RangeMax, 12);
    EXPECT_EQ(f.FrontEnd.LastPosition, 12);
    EXPECT_EQ(f.FrontEnd.LastCaption, "100.0% processed");
    EXPECT_EQ(f.FrontEnd.EndProgressCalls, 1);
    EXPECT_FALSE(f.Controller.Running());
    EXPECT_TRUE(f.Tree.Exists("md5sum.lst"));
    // The engine keeps no handler of the controller after the run.
    EXPECT_FALSE(f.Engine.OnConfirmAbort || f.Engine.OnFileMissing || f.Engine.OnProgress ||
                 f.Engine.OnSaveError || f.Engine.OnFolderListError);
}

TEST(RunController, QuickUpdateStatisticsSayHowManyFilesWereHashedAndKept) {
    TRunFixture f;
    f.Settings.OverwriteMode = omOverwrite;
    f.Run(TRunCommand::Update);
    f.Settings.QuickUpdate = true;
    f.FrontEnd.Log.clear();
    EXPECT_EQ(f.Run(TRunCommand::Update), TRunOutcome::Completed);
    const std::vector<std::string> tail(f.FrontEnd.Log.end() - 3, f.FrontEnd.Log.end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{
                  "STAT: Processed 0  bytes in 0 files for 1.250s, with average rate 0  bytes/s",
                  "STAT: Quick update: 0 files hashed, 2 files kept their recorded checksums",
                  "STAT: Total hints: 0, warnings: 0, failures: 0, errors: 0"}));
}

TEST(RunController, DetailedLogAddsOneInfoLinePerGoodFile) {
    TRunFixture f;
    f.Settings.DetailedLog = true;
    f.Settings.IncludeSubfolders = false;
    f.Run(TRunCommand::Update);
    EXPECT_EQ(f.FrontEnd.Log.at(3),
              "INFO: MD5(" + f.Tree.Path("a.txt") + ") = b1946ac92492d2347c6235b4d2611184 - Ok");
    f.Settings.Format = 2;
    f.Settings.ChecksumFileName = "sha256sum.lst";
    f.FrontEnd.Log.clear();
    f.Run(TRunCommand::Update);
    EXPECT_EQ(f.FrontEnd.Log.at(3),
              "INFO: SHA256(" + f.Tree.Path("a.txt") +
                  ") = 5891b5b522d5df086d0ff0b110fbd9d21bb4fc7163af34d08286a2e"
                  "846f6be03 - Ok");
    f.Settings.DetailedLog = false;
    f.FrontEnd.Log.clear();
    f.Run(TRunCommand::Verify);
    for (const std::string& line : f.FrontEnd.Log)
        EXPECT_EQ(line.rfind("INFO: ", 0), std::string::npos) << line;
}

TEST(RunController, TotalsCountOnlyTheRunsOwnLines) {
    TRunFixture f;
    f.Settings.Placement = plFolderFixedName;
    f.Settings.OverwriteMode = omOverwrite;
    f.Run(TRunCommand::Update);
    std::filesystem::remove(f.Tree.Path("sub/b.txt"));
    f.Tree.AddFile("new.txt", "x");
    EXPECT_EQ(f.Run(TRunCommand::Verify), TRunOutcome::Completed);
    EXPECT_EQ(f.FrontEnd.Log.back(), "STAT: Total hints: 0, warnings: 1, failures: 1, errors: 0");
    EXPECT_EQ(f.Controller.Totals().Failures, 1);
    f.Run(TRunCommand::Update); // the earlier FAIL and WARN lines stay in the log
    EXPECT_EQ(f.FrontEnd.Log.back(), "STAT: Total hints: 1, warnings: 0, failures: 0, errors: 0");
    EXPECT_EQ(f.Controller.Totals().Failures, 0);
}

TEST(RunController, ReportHoldsTheRunAndEveryFindingWithItsListAndDigests) {
    TRunFixture f;
    f.Settings.Placement = plFolderFixedName;
    f.Settings.OverwriteMode = omOverwrite;
    f.Tree.AddFile("sub/c.txt", "c");
    f.Run(TRunCommand::Update);
    EXPECT_TRUE(f.Controller.Report().Findings.empty()); // none kept unless asked for
    f.Tree.AddFile("a.txt", "HELLO\n");
    f.Tree.SetTime("a.txt", 2001, 1, 1, 12, 0, 0); // older than its list: a real mismatch
    std::filesystem::remove(f.Tree.Path("sub/b.txt"));
    f.Tree.AddFile("new.txt", "x");
    f.Fs.OpenErrors[f.Tree.Path("new.txt")] = 13; // unlisted: not opened
    f.Fs.OpenErrors[f.Tree.Path("sub/c.txt")] = 13;
    f.Settings.KeepFindings = true;
    f.FrontEnd.Log.clear();
    EXPECT_EQ(f.Run(TRunCommand::Verify), TRunOutcome::Completed);
    const TRunReport& r = f.Controller.Report();
    EXPECT_EQ(r.Command, "verify");
    EXPECT_EQ(r.Folder, f.Tree.Root());
    EXPECT_EQ(r.FileMask, "*.*");
    EXPECT_EQ(r.ChecksumFileName, "md5sum.lst");
    EXPECT_EQ(r.Placement, plFolderFixedName);
    EXPECT_EQ(r.Outcome, "completed");
    EXPECT_EQ(r.Files, 1);
    EXPECT_EQ(r.ElapsedMs, 1250u);
    EXPECT_EQ(r.Totals.Failures, 2);
    EXPECT_EQ(r.Totals.Errors, 1);
    const std::string rootList = f.Tree.Path("md5sum.lst");
    const struct {
        std::string Kind;
        int Level;
        std::string Path, List, Expected, Found;
        bool HasError;
    } expected[] = {
        {"checksumMismatch", lkFail, f.Tree.Path("a.txt"), rootList,
         "b1946ac92492d2347c6235b4d2611184", "0084467710d2fc9d8a306e14efbe6d0f", false},
        {"fileNotListed", lkWarn, f.Tree.Path("new.txt"), rootList, "", "", false},
        {"fileMissing", lkFail, f.Tree.Path("sub/b.txt"), f.Tree.Path("sub/md5sum.lst"),
         "591785b794601e212b260e25925636fd", "", false},
        {"fileOpenError", lkError, f.Tree.Path("sub/c.txt"), f.Tree.Path("sub/md5sum.lst"),
         "4a8a08f09d37b73795649038408b5f33", "", true},
    };
    ASSERT_EQ(r.Findings.size(), std::size(expected));
    for (size_t i = 0; i < r.Findings.size(); ++i) {
        const TReportFinding& got = r.Findings[i];
        EXPECT_EQ(got.Kind, expected[i].Kind);
        EXPECT_EQ(got.Level, expected[i].Level) << got.Kind;
        EXPECT_EQ(got.Path, expected[i].Path) << got.Kind;
        EXPECT_EQ(got.List, expected[i].List) << got.Kind;
        EXPECT_EQ(got.Expected, expected[i].Expected) << got.Kind;
        EXPECT_EQ(got.Found, expected[i].Found) << got.Kind;
        EXPECT_EQ(got.HasError, expected[i].HasError) << got.Kind;
        if (got.HasError) {
            EXPECT_EQ(got.ErrorText, f.Fs.ErrorText(13));
        }
        EXPECT_EQ(PrefixedText({got.Message, got.Level}), f.FrontEnd.Log.at(3 + i));
    }
}

TEST(RunController, WorkersByTheDiskAreOneOnARotationalDiskAndASetCountWins) {
    struct Case {
        int setting;
        bool rotational;
        int workers;
        bool noted; // the count line says the disk chose one worker
    } cases[] = {{kWorkersByDisk, true, 1, true},
                 {kWorkersByDisk, false, DefaultWorkers(), false},
                 {3, true, 3, false},
                 {1, false, 1, false}};
    for (const Case& c : cases) {
        TRunFixture f;
        f.Settings.Workers = c.setting;
        f.Fs.Rotational = c.rotational;
        EXPECT_EQ(f.Run(TRunCommand::Update), TRunOutcome::Completed);
        const std::string what =
            std::to_string(c.setting) + (c.rotational ? " rotational" : " solid-state");
        EXPECT_EQ(f.Engine.Workers, c.workers) << what;
        EXPECT_EQ(f.FrontEnd.Log.at(1), std::string("12 bytes in 2 files to processing....") +
                                            (c.noted ? " (1 worker: rotational disk)" : ""))
            << what;
    }
}

TEST(RunController, ASliceIsNamedByTheCountLineTheStatisticsAndTheReportAndRefusedByUpdate) {
    TRunFixture f;
    f.Settings.Slice = {2, 3};
    EXPECT_EQ(f.Run(TRunCommand::Update), TRunOutcome::Refused);
    EXPECT_EQ(f.FrontEnd.Refusals, std::vector<std::string>{texts::kRefuseSliceUpdate});
    f.Settings.Slice = {};
    f.Run(TRunCommand::Update);
    f.Settings.Slice = {2, 3};
    f.FrontEnd.Log.clear();
    EXPECT_EQ(f.Run(TRunCommand::Verify), TRunOutcome::Completed);
    const std::vector<std::string>& log = f.FrontEnd.Log;
    ASSERT_GE(log.size(), 5u);
    const std::string suffix = " (slice 2 of 3)";
    EXPECT_EQ(log.at(1).substr(log.at(1).size() - suffix.size()), suffix) << log.at(1);
    // "Processed ..." or "No files processed!"
    const auto stat = *std::find_if(log.begin(), log.end(), [](const std::string& line) {
        return line.rfind("STAT: ", 0) == 0;
    });
    EXPECT_EQ(stat.substr(stat.size() - suffix.size()), suffix) << stat;
    EXPECT_EQ(f.Controller.Report().Slice.Index, 2);
    EXPECT_EQ(f.Controller.Report().Slice.Count, 3);
    EXPECT_NE(ReportJson(f.Controller.Report()).find("\"slice\": \"2/3\""), std::string::npos);
}

TEST(RunController, AFolderThatCannotBeListedIsOneCountedErrorPerRun) {
    for (TRunCommand command : {TRunCommand::Verify, TRunCommand::Update}) {
        TRunFixture f;
        f.Settings.Folder = f.Tree.Path("missing"); // fails in the count and in the run
        f.Run(command);
        const std::vector<std::string>& log = f.FrontEnd.Log;
        EXPECT_EQ(
            std::count_if(log.begin(), log.end(),
                          [](const std::string& line) { return line.rfind("ERROR: ", 0) == 0; }),
            1);
        EXPECT_EQ(f.Controller.Totals().Errors, 1);
    }
}

TEST(RunController, EngineEventsBecomeLinesWithTheSystemMessage) {
    TRunFixture f;
    f.Fs.OpenErrors[f.Tree.Path("a.txt")] = 13;
    f.Tree.AddSizedFile("sub/b.txt", 200000);
    f.Fs.ReadFailures[f.Tree.Path("sub/b.txt")] = {131072, 5};
    f.Tree.AddFile("good.txt", "good");
    EXPECT_EQ(f.Run(TRunCommand::Update), TRunOutcome::Completed);
    const std::vector<std::string>& log = f.FrontEnd.Log;
    const auto has = [&log](const std::string& line) {
        return std::find(log.begin(), log.end(), line) != log.end();
    };
    EXPECT_TRUE(has("ERROR: Cannot open file \"" + f.Tree.Path("a.txt") + "\", Error 13: \"" +
                    f.Fs.ErrorText(13) + "\""));
    EXPECT_TRUE(has("ERROR: Cannot read file \"" + f.Tree.Path("sub/b.txt") +
                    "\" at 131072, Error 5: \"" + f.Fs.ErrorText(5) + "\""));
    EXPECT_EQ(log.back(), "STAT: Total hints: 0, warnings: 0, failures: 0, errors: 2");
    EXPECT_FALSE(f.Fs.ErrorText(13).empty());
}

TEST(RunController, OverwriteQuestionNamesTheFileCancelAsksToAbortAndTheWaitIsNotTheRuns) {
    TRunFixture f;
    f.Run(TRunCommand::Update);
    f.FrontEnd.Asked.clear();
    f.FrontEnd.Answers = {caCancel, caYes};
    EXPECT_EQ(f.Run(TRunCommand::Update), TRunOutcome::Aborted);
    const std::vector<std::string> asked = {"The checksum file \"" + f.Tree.Path("md5sum.lst") +
                                                "\" already exists.Overwrite?",
                                            texts::kAskAbort};
    EXPECT_EQ(f.FrontEnd.Asked, asked);
    EXPECT_EQ(f.FrontEnd.Buttons.at(1), TQuestionButtons::YesNo);
    const std::vector<std::string> tail = {std::string("STOP: ") + kNow +
                                               " Updating has been aborted by user!",
                                           "STAT: No files processed!"};
    EXPECT_EQ(std::vector<std::string>(f.FrontEnd.Log.end() - 2, f.FrontEnd.Log.end()), tail);
    EXPECT_EQ(f.Tree.Content("md5sum.lst").substr(0, 32), "b1946ac92492d2347c6235b4d2611184");

    // A minute waiting for the answer is not the run's time.
    f.FrontEnd.Answers = {caYes};
    f.FrontEnd.AskWaitMs = 60000;
    EXPECT_EQ(f.Run(TRunCommand::Update), TRunOutcome::Completed);
    EXPECT_EQ(f.FrontEnd.Log.at(f.FrontEnd.Log.size() - 2),
              "STAT: Processed 12  bytes in 2 files for 1.250s, with average rate 10  bytes/s");
}

TEST(RunController, NameChecksBeforeAnUpdate) {
    const std::string invalid = texts::kRefuseInvalidName;
    const struct {
        const char* Name;
        int Format;
        TPlacementMode Placement;
        std::deque<TConfirmAnswer> Answers;
        TRunOutcome Outcome;
        const char* Question; // or nullptr
        std::string Refusal;  // a prefix of it; empty for none
    } cases[] = {
        {"md5sum.lst", 0, plTreeRoot, {}, TRunOutcome::Completed, nullptr, ""},
        {"checksum.sfv", 0, plTreeRoot, {caNo}, TRunOutcome::Refused, texts::kAskMD5NameHasSFV, ""},
        {"my.Sfv.lst",
         0,
         plTreeRoot,
         {caYes},
         TRunOutcome::Completed,
         texts::kAskMD5NameHasSFV,
         ""},
        {"list.md5",
         1,
         plFolderFixedName,
         {caNo},
         TRunOutcome::Refused,
         texts::kAskSFVNameHasMD5,
         ""},
        {"*.md5", 0, plPerFile, {}, TRunOutcome::Completed, nullptr, ""},
        {"*.sfv", 1, plFolderNamedAfterFolder, {}, TRunOutcome::Completed, nullptr, ""},
        {"*.sha256", 2, plPerFile, {}, TRunOutcome::Completed, nullptr, ""},
        {"md5sum.lst",
         2,
         plTreeRoot,
         {caNo},
         TRunOutcome::Refused,
         "You have selected the SHA-256 file format, but the checksum file name include the "
         "\"MD5\" substring. Continue?",
         ""},
        {"sha256.b3",
         3,
         plTreeRoot,
         {caNo},
         TRunOutcome::Refused,
         "You have selected the BLAKE3 file format, but the checksum file name include the "
         "\"SHA\" substring. Continue?",
         ""},
        {"*.b3", 3, plFolderNamedAfterFolder, {}, TRunOutcome::Completed, nullptr, ""},
        {"*.*", 0, plPerFile, {}, TRunOutcome::Refused, nullptr, invalid},
        {"md5?.lst", 0, plFolderFixedName, {}, TRunOutcome::Refused, nullptr, invalid},
        {"*", 0, plFolderFixedName, {}, TRunOutcome::Refused, nullptr, invalid},
        {"*.", 0, plFolderNamedAfterFolder, {}, TRunOutcome::Refused, nullptr, invalid},
        {".", 0, plPerFile, {}, TRunOutcome::Refused, nullptr, invalid},
        {"", 0, plFolderFixedName, {}, TRunOutcome::Refused, nullptr, invalid},
        {"*.md5", 0, plFolderFixedName, {}, TRunOutcome::Refused, nullptr, invalid},
        {"[ab].lst", 0, plTreeRoot, {}, TRunOutcome::Refused, nullptr, invalid},
        {"*.[ab]", 0, plPerFile, {}, TRunOutcome::Refused, nullptr, invalid},
        {"../esc.lst", 0, plFolderFixedName, {}, TRunOutcome::Refused, nullptr, invalid},
        {"sub/md5sum.lst", 0, plTreeRoot, {}, TRunOutcome::Refused, nullptr, invalid},
        {"..", 0, plFolderFixedName, {}, TRunOutcome::Refused, nullptr, invalid},
        {"sub/..", 0, plTreeAnyPlace, {}, TRunOutcome::Refused, nullptr, invalid},
        {"..", 0, plPerFile, {}, TRunOutcome::Refused, nullptr, invalid},
        {"*..", 0, plFolderNamedAfterFolder, {}, TRunOutcome::Refused, nullptr, invalid},
        {"md5", 0, plPerFile, {}, TRunOutcome::Completed, nullptr, ""},
        {"md5[.lst",
         0,
         plFolderFixedName,
         {},
         TRunOutcome::Refused,
         nullptr,
         "'md5[.lst' is an invalid mask at"},
    };
    for (const auto& c : cases) {
        TRunFixture f;
        f.Settings.ChecksumFileName = c.Name;
        f.Settings.Format = c.Format;
        f.Settings.Placement = c.Placement;
        f.FrontEnd.Answers = c.Answers;
        EXPECT_EQ(f.Run(TRunCommand::Update), c.Outcome) << c.Name;
        if (c.Question) {
            ASSERT_EQ(f.FrontEnd.Asked.size(), 1u) << c.Name;
            EXPECT_EQ(f.FrontEnd.Asked[0], c.Question) << c.Name;
            EXPECT_TRUE(f.FrontEnd.AskedDefaultNo[0]) << c.Name;
        } else {
            EXPECT_TRUE(f.FrontEnd.Asked.empty()) << c.Name;
        }
        if (c.Refusal.empty()) {
            EXPECT_TRUE(f.FrontEnd.Refusals.empty()) << c.Name;
        } else {
            ASSERT_EQ(f.FrontEnd.Refusals.size(), 1u) << c.Name;
            EXPECT_EQ(f.FrontEnd.Refusals[0].rfind(c.Refusal, 0), 0u) << c.Name;
        }
        if (c.Outcome == TRunOutcome::Refused) {
            EXPECT_TRUE(f.FrontEnd.Log.empty()) << c.Name; // refused before any line
            EXPECT_EQ(f.Tree.List(), (std::vector<std::string>{"a.txt", "sub"})) << c.Name;
        }
    }
}

TEST(RunController, AFilterWithAFolderPartIsRefusedForUpdateAndVerify) {
    constexpr bool kWindows = files::kPathDelimiter == '\\';
    const struct {
        const char* Mask;
        bool Refused;
    } cases[] = {
        {"../*", true},      {"/etc/*", true},      {"sub/*.txt", true},
        {"..\\*", kWindows}, {"C:*.txt", kWindows}, {"*.txt", false},
    };
    for (const auto& c : cases) {
        for (TRunCommand command : {TRunCommand::Update, TRunCommand::Verify}) {
            TRunFixture f;
            f.Settings.FileMask = c.Mask;
            const TRunOutcome outcome = f.Run(command);
            if (!c.Refused) {
                EXPECT_NE(outcome, TRunOutcome::Refused) << c.Mask;
                continue;
            }
            EXPECT_EQ(outcome, TRunOutcome::Refused) << c.Mask;
            EXPECT_EQ(f.FrontEnd.Refusals,
                      std::vector<std::string>{FormatText(texts::kRefuseInvalidMask, {c.Mask})})
                << c.Mask;
            EXPECT_TRUE(f.FrontEnd.Log.empty()) << c.Mask; // nothing listed, nothing leaked
        }
    }
}

TEST(RunController, ABareExtensionNamesTheSameListsForUpdateAndVerify) {
    TRunFixture f;
    f.Settings.Placement = plPerFile;
    f.Settings.OverwriteMode = omOverwrite;
    for (const char* name : {"md5", ".md5", "md5"}) {
        f.Settings.ChecksumFileName = name;
        EXPECT_EQ(f.Run(TRunCommand::Update), TRunOutcome::Completed) << name;
    }
    EXPECT_EQ(f.Tree.List(), (std::vector<std::string>{"a.txt", "a.txt.md5", "sub"}));
    EXPECT_EQ(f.Run(TRunCommand::Verify), TRunOutcome::Completed);
    EXPECT_EQ(f.FrontEnd.Log.back(), "STAT: Total hints: 0, warnings: 0, failures: 0, errors: 0");
}

TEST(RunController, VerifyTakesAnyNameAsItsSearchPattern) {
    TRunFixture f;
    f.Settings.ChecksumFileName = "*.*";
    f.Settings.Placement = plFolderFixedName;
    EXPECT_EQ(f.Run(TRunCommand::Verify), TRunOutcome::Completed);
    EXPECT_TRUE(f.FrontEnd.Refusals.empty());
}

TEST(RunController, RecursionQuestionOnlyForOneFileForTheWholeTree) {
    const struct {
        TPlacementMode Placement;
        bool Subfolders;
        std::deque<TConfirmAnswer> Answers;
        bool Asked;
        TRunOutcome Outcome;
        bool SubfoldersAfter;
    } cases[] = {
        {plTreeAnyPlace, true, {caYes}, true, TRunOutcome::Completed, false},
        {plTreeRoot, true, {caNo}, true, TRunOutcome::Completed, true},
        {plTreeRoot, true, {caCancel}, true, TRunOutcome::Refused, true},
        {plTreeRoot, false, {}, false, TRunOutcome::Completed, false},
        {plFolderFixedName, true, {}, false, TRunOutcome::Completed, true},
        {plFolderNamedAfterFolder, true, {}, false, TRunOutcome::Completed, true},
        {plPerFile, true, {}, false, TRunOutcome::Completed, true},
    };
    for (const auto& c : cases) {
        TRunFixture f;
        f.Settings.Placement = c.Placement;
        f.Settings.IncludeSubfolders = c.Subfolders;
        f.FrontEnd.Answers = c.Answers;
        EXPECT_EQ(f.Run(TRunCommand::Verify), c.Outcome) << c.Placement;
        EXPECT_EQ(f.FrontEnd.Asked.size(), c.Asked ? 1u : 0u) << c.Placement;
        if (c.Asked) {
            EXPECT_EQ(f.FrontEnd.Asked[0], texts::kAskDisableRecursion);
            EXPECT_EQ(f.FrontEnd.Buttons[0], TQuestionButtons::YesNoCancel);
        }
        EXPECT_EQ(f.Engine.IncludeSubfolders, c.SubfoldersAfter) << c.Placement;
        if (c.Outcome == TRunOutcome::Refused) {
            EXPECT_EQ(f.FrontEnd.Log.size(), 2u); // the two counting lines, no START
        }
    }
}

TEST(RunController, AbortRequestedDuringARun) {
    const struct {
        bool Confirmed;
        std::deque<TConfirmAnswer> Answers;
        TRunOutcome Outcome;
        size_t Questions;
        bool Unattended = false; // a press of the button is the abort, asked of nobody
    } cases[] = {
        {false, {caYes}, TRunOutcome::Aborted, 1},
        {false, {caNo}, TRunOutcome::Completed, 1},
        {true, {}, TRunOutcome::Aborted, 0},
        {false, {}, TRunOutcome::Aborted, 0, true},
    };
    for (const auto& c : cases) {
        TRunFixture f;
        f.Settings.Unattended = c.Unattended;
        f.Settings.Placement = plPerFile;
        f.Settings.ChecksumFileName = "*.md5";
        f.FrontEnd.Answers = c.Answers;
        bool pressed = false;
        f.FrontEnd.OnStatus = [&] {
            if (!pressed && f.Controller.Running()) {
                pressed = true;
                f.Controller.RequestAbort(c.Confirmed);
            }
        };
        EXPECT_EQ(f.Run(TRunCommand::Update), c.Outcome) << c.Confirmed;
        EXPECT_EQ(f.FrontEnd.Asked.size(), c.Questions);
        const std::string stop = c.Outcome == TRunOutcome::Aborted
                                     ? " Updating has been aborted by user!"
                                     : " Updating is completed.";
        EXPECT_NE(std::find(f.FrontEnd.Log.begin(), f.FrontEnd.Log.end(),
                            std::string("STOP: ") + kNow + stop),
                  f.FrontEnd.Log.end());
    }
}

TEST(RunController, EmptyTreeLogsNoFilesProcessedAndNoTotals) {
    TRunFixture f;
    TTempTree empty;
    f.Settings.Folder = empty.Root();
    f.Run(TRunCommand::Verify);
    ASSERT_GE(f.FrontEnd.Log.size(), 2u);
    EXPECT_EQ(f.FrontEnd.Log.back(), "STAT: No files processed!");
    EXPECT_EQ(f.FrontEnd.Log.at(1), "0 bytes in 0 files to processing....");
    EXPECT_EQ(f.FrontEnd.RangeMax, 0);
}

TEST(RunController, UpdateWhoseFilterMatchesNothingWritesAndDeletesNothing) {
    TRunFixture f;
    f.Settings.Placement = plFolderFixedName;
    f.Run(TRunCommand::Update);
    const std::string list = f.Tree.Content("md5sum.lst");
    ASSERT_FALSE(list.empty());
    f.Settings.FileMask = "*.jgp";
    f.FrontEnd.Log.clear();
    EXPECT_EQ(f.Run(TRunCommand::Update), TRunOutcome::Completed);
    EXPECT_EQ(f.FrontEnd.Log.back(), "HINT: No file matches \"" + f.Tree.Root() +
                                         "*.jgp\". No checksum file written or deleted...");
    EXPECT_EQ(f.FrontEnd.Log.size(), 3u); // no START
    EXPECT_EQ(f.Tree.Content("md5sum.lst"), list);
}

TEST(RunController, AFailureInsideTheEngineIsAnErrorNotTheUsersAbort) {
    TRunFixture f;
    f.Settings.DetailedLog = true;
    f.FrontEnd.ThrowOnLineStartingWith = "INFO: "; // an event handler fails mid-run
    EXPECT_EQ(f.Run(TRunCommand::Update), TRunOutcome::Failed);
    const std::vector<std::string>& log = f.FrontEnd.Log;
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log.at(log.size() - 4),
              "ERROR: The run has been stopped by an unexpected failure: boom");
    EXPECT_EQ(log.at(log.size() - 3),
              std::string("STOP: ") + kNow + " Updating has been stopped by an error!");
    EXPECT_FALSE(f.Tree.Exists("md5sum.lst"));
    EXPECT_EQ(RunExitCode(TRunOutcome::Failed, f.Controller.Totals()), 2);
    EXPECT_EQ(DescribeFailure(std::make_exception_ptr(std::bad_alloc())), "out of memory");
}

TEST(RunController, AnEmptyFolderIsRefusedAndAScriptIsNotAskedAboutRecursion) {
    TRunFixture f;
    f.Settings.Folder = " ";
    EXPECT_EQ(f.Run(TRunCommand::Update), TRunOutcome::Refused);
    EXPECT_EQ(f.FrontEnd.Refusals, std::vector<std::string>{texts::kRefuseNoFolder});
    EXPECT_TRUE(f.FrontEnd.Log.empty());
    f.Settings.Folder = f.Tree.Root();
    f.Settings.Placement = plTreeRoot;
    f.Settings.Scripted = true;
    EXPECT_EQ(f.Run(TRunCommand::Verify), TRunOutcome::Completed);
    EXPECT_TRUE(f.FrontEnd.Asked.empty());
}

// Nobody at the screen: the front end is asked nothing and shows nothing; each question is
// answered "no" in the log, an ERROR line where the "no" refuses the run, and so is a refusal.
TEST(RunController, AnUnattendedRunLogsEveryQuestionWithItsNoAndEveryRefusal) {
    const std::string no = " No (unattended run)";
    const struct {
        const char* What;
        TRunCommand Command;
        const char* Folder; // or nullptr for the tree
        const char* Name;
        const char* OldList; // the content of md5sum.lst before the run, or nullptr
        TOverwriteMode Overwrite;
        TRunOutcome Outcome;
        std::string Line; // "@" stands for the path of md5sum.lst; empty: no such line
    } cases[] = {
        {"empty folder", TRunCommand::Update, " ", "md5sum.lst", nullptr, omAsk,
         TRunOutcome::Refused,
         "ERROR: The \"Folder\" field is empty. Please enter the folder with files for "
         "processing."},
        {"invalid name", TRunCommand::Update, nullptr, "*.*", nullptr, omAsk, TRunOutcome::Refused,
         "ERROR: Invalid checksum file name. It's must be ordinary file name"},
        {"name question", TRunCommand::Update, nullptr, "checksum.sfv", nullptr, omAsk,
         TRunOutcome::Refused, std::string("ERROR: ") + texts::kAskMD5NameHasSFV + no},
        {"overwrite question", TRunCommand::Update, nullptr, "md5sum.lst",
         "b1946ac92492d2347c6235b4d2611184 *a.txt\n", omAsk, TRunOutcome::Completed,
         "WARN: The checksum file \"@\" already exists.Overwrite?" + no},
        {"foreign list replaced", TRunCommand::Update, nullptr, "md5sum.lst", "not a list\n",
         omOverwrite, TRunOutcome::Completed,
         "WARN: The file \"@\", probably, is not a checksum file. Overwrite?" + no},
        {"foreign list read", TRunCommand::Verify, nullptr, "md5sum.lst", "not a list\n", omAsk,
         TRunOutcome::Completed,
         "WARN: The file \"@\", probably, is not a checksum file. Continue?" + no},
        {"recursion question", TRunCommand::Verify, nullptr, "md5sum.lst",
         "b1946ac92492d2347c6235b4d2611184 *a.txt\n", omAsk, TRunOutcome::Completed, ""},
    };
    for (const auto& c : cases) {
        TRunFixture f;
        f.Settings.Unattended = true;
        f.Settings.Placement = plTreeRoot;
        if (c.Folder)
            f.Settings.Folder = c.Folder;
        f.Settings.ChecksumFileName = c.Name;
        f.Settings.OverwriteMode = c.Overwrite;
        if (c.OldList)
            f.Tree.AddFile("md5sum.lst", c.OldList);
        EXPECT_EQ(f.Run(c.Command), c.Outcome) << c.What;
        EXPECT_TRUE(f.FrontEnd.Asked.empty()) << c.What;
        EXPECT_TRUE(f.FrontEnd.Refusals.empty()) << c.What;
        std::string line = c.Line;
        if (line.find('@') != std::string::npos)
            line.replace(line.find('@'), 1, f.Tree.Path("md5sum.lst"));
        const auto found =
            std::find_if(f.FrontEnd.Log.begin(), f.FrontEnd.Log.end(),
                         [&line](const std::string& shown) { return shown.rfind(line, 0) == 0; });
        if (line.empty()) {
            EXPECT_TRUE(f.Engine.IncludeSubfolders) << c.What << ": the options as given";
        } else {
            EXPECT_NE(found, f.FrontEnd.Log.end()) << c.What;
        }
        if (c.OldList) { // "no" keeps the list as it was
            EXPECT_EQ(f.Tree.Content("md5sum.lst"), c.OldList) << c.What;
        }
    }
}

TEST(RunController, UnexpectedFailureEndsTheRunWithAnErrorLine) {
    TRunFixture f;
    f.FrontEnd.ThrowOnLineStartingWith = "START: ";
    EXPECT_EQ(f.Run(TRunCommand::Update), TRunOutcome::Failed);
    EXPECT_EQ(f.FrontEnd.Log.back(),
              "ERROR: The run has been stopped by an unexpected failure: boom");
    EXPECT_FALSE(f.Controller.Running());
    EXPECT_EQ(f.Run(TRunCommand::Update), TRunOutcome::Completed); // usable again
}

} // namespace
