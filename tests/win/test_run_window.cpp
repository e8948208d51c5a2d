// Runs from the main window: the frame lines, the findings of every kind and their totals,
// the refusals and questions before a run, the overwrite questions, the abort by a second
// press, the window locked while running, and the auto-exit.
#include <fstream>
#include <iterator>

#include "app/texts.h"
#include "shell/explorer_menu.h"
#include "shell/instance.h"
#include "shell/main_run.h"
#include "test_run_fixture.h"
#include "tests/engine/temp_tree.h"

namespace {

constexpr char kAbcMD5[] = "900150983cd24fb0d6963f7d28e17f72"; // MD5 of "abc" (RFC 1321)

bool HasLine(const std::vector<TLogLine>& lines, int kind, const std::string& text) {
    for (const TLogLine& line : lines)
        if (line.Kind == kind && line.Text == text)
            return true;
    return false;
}

bool HasKind(const std::vector<TLogLine>& lines, int kind) {
    for (const TLogLine& line : lines)
        if (line.Kind == kind)
            return true;
    return false;
}

// The text of the run's STOP line, "" when there is none.
std::string StopLine(const std::vector<TLogLine>& lines) {
    for (const TLogLine& line : lines)
        if (line.Kind == lkStop)
            return line.Text;
    return "";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool StartsWith(const std::string& text, const std::string& head) {
    return text.compare(0, head.size(), head) == 0;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

using TRunWindowTest = TMainWindowTest;

TEST_F(TRunWindowTest, UpdateWritesFrameLinesAndChecksumFileAndGivesTheWindowBack) {
    TTempTree tree;
    tree.AddFile("a.txt", "abc");
    SetControls(tree.Root(), "md5sum.lst", 0, 1, true, 1);
    Press(IDC_UPDATE);

    const std::vector<TLogLine> lines = Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].Kind, lkPlain);
    EXPECT_EQ(lines[0].Text, "Calculating summary data size...");
    EXPECT_EQ(lines[1].Kind, lkPlain);
    EXPECT_EQ(lines[1].Text, "3 bytes in 1 files to processing....");
    EXPECT_EQ(lines[2].Kind, lkStart);
    EXPECT_TRUE(EndsWith(lines[2].Text, " Updating folder \"" + tree.Root() +
                                            "*.*\", with checksum files name \"md5sum.lst\""))
        << lines[2].Text;
    EXPECT_EQ(lines[3].Kind, lkStop);
    EXPECT_TRUE(EndsWith(lines[3].Text, " Updating is completed.")) << lines[3].Text;
    EXPECT_EQ(lines[4].Kind, lkStat);
    EXPECT_TRUE(StartsWith(lines[4].Text, "Processed 3  bytes in 1 files for ")) << lines[4].Text;
    EXPECT_EQ(lines[5].Kind, lkStat);
    EXPECT_EQ(lines[5].Text, "Total hints: 0, warnings: 0, failures: 0, errors: 0");
    EXPECT_EQ(tree.Content("md5sum.lst"), std::string(kAbcMD5) + " *a.txt\r\n");

    EXPECT_TRUE(Window().IsIdle());
    for (int id = IDC_FOLDER; id <= IDC_LOG; ++id) {
        if (GetDlgItem(Dialog, id)) {
            EXPECT_EQ(IsWindowEnabled(Item(id)) != FALSE, id != IDC_NAME) << "control " << id;
        }
    }
    EXPECT_EQ(GetWindowString(Item(IDC_UPDATE)), "&Update");
    EXPECT_EQ(GetWindowString(Dialog), "Tolvane");
    EXPECT_EQ(GetWindowString(Item(IDC_STATUS)),
              " Update completed: clean, no warnings, failures or errors");
    EXPECT_EQ(SendMessageA(Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);
    // Reading the folder for the run grew the folder history.
    EXPECT_NE(SendMessageA(Item(IDC_FOLDER), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(tree.Root().c_str())),
              CB_ERR);
}

TEST_F(TRunWindowTest, UpdateHintsAreLoggedAndCounted) {
    struct TCase {
        const char* name;
        bool existingList;
        int overwrite;
        const char* hintTail;
        const char* lastLine;
    };
    const TCase cases[] = {
        // Nothing is hashed for a list that is kept.
        {"existing list kept", true, 2, "md5sum.lst\" already exist. Skipped...",
         "No files processed!"},
        {"empty folder skipped", false, 1, "is empty. Skipped...",
         "Total hints: 1, warnings: 0, failures: 0, errors: 0"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TTempTree tree;
        tree.AddFile("a.txt", "abc");
        if (c.existingList)
            tree.AddFile("md5sum.lst", std::string(kAbcMD5) + " *a.txt\r\n");
        else
            tree.AddFolder("empty");
        SendMessageA(Item(IDC_LOG), LB_RESETCONTENT, 0, 0);
        SetControls(tree.Root(), "md5sum.lst", 0, 2, true, c.overwrite);
        Press(IDC_UPDATE);
        const std::vector<TLogLine> lines = Lines();
        int hints = 0;
        for (const TLogLine& line : lines)
            if (line.Kind == lkHint) {
                ++hints;
                EXPECT_TRUE(EndsWith(line.Text, c.hintTail)) << line.Text;
            }
        EXPECT_EQ(hints, 1);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().Kind, lkStat);
        EXPECT_EQ(lines.back().Text, c.lastLine);
    }
}

TEST_F(TRunWindowTest, VerifyLogsFindingsOfEveryKindAndTheirTotals) {
    TTempTree tree;
    const std::string wrong = "00000000000000000000000000000000";
    tree.AddFile("good.txt", "abc");
    tree.AddFile("changed.txt", "abd");
    tree.AddFile("updated.txt", "abe");
    tree.AddFile("locked.txt", "abc");
    tree.AddFile("extra.txt", "abc");
    tree.AddFile("md5sum.lst", std::string(kAbcMD5) + " *good.txt\r\n" + wrong +
                                   " *changed.txt\r\n" + wrong + " *updated.txt\r\n" + wrong +
                                   " *missing.txt\r\n" + kAbcMD5 + " *locked.txt\r\n");
    tree.SetTime("md5sum.lst", 2020, 1, 1, 12, 0, 0);
    tree.SetTime("changed.txt", 2019, 1, 1, 12, 0, 0);
    tree.SetTime("updated.txt", 2021, 1, 1, 12, 0, 0);
    tree.AddFile("nochk/file.txt", "abc");
    tree.AddFile("bad/file.txt", "abc");
    tree.AddFile("bad/md5sum.lst", "this is no checksum line\r\n");
    // Held open without sharing, the file cannot be opened for hashing.
    HANDLE locked = CreateFileA(tree.Path("locked.txt").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);

    DetailedLog = true;
    Answers = {IDNO}; // the invalid line: do not go on with that file
    SetControls(tree.Root(), "md5sum.lst", 0, 2, true, 1);
    Press(IDC_VERIFY);
    CloseHandle(locked);

    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Caption, "Confirmation");
    EXPECT_EQ(Boxes[0].Text, "The file \"" + tree.Path("bad/md5sum.lst") +
                                 "\", probably, is not a checksum file. Continue?");
    EXPECT_EQ(Boxes[0].Type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));

    const std::vector<TLogLine> lines = Lines();
    const std::string root = tree.Root();
    struct TFinding {
        int kind;
        std::string text;
    };
    const TFinding findings[] = {
        {lkInfo, "MD5(" + root + "good.txt) = " + kAbcMD5 + " - Ok"},
        {lkFail, "The file \"" + root + "changed.txt\" has different checksum value"},
        {lkWarn, "The file \"" + root + "updated.txt\" has been updated"},
        {lkFail, "The file \"" + root + "missing.txt\" is missing"},
        {lkWarn, "The file \"" + root + "extra.txt\" not listed in checksum file"},
        {lkWarn, "The folder \"" + tree.Path("nochk/") + "\" has no checksum file"},
        {lkWarn, "The file \"" + tree.Path("nochk/file.txt") + "\" not listed in checksum file"},
        {lkWarn, "The file \"" + tree.Path("bad/md5sum.lst") +
                     "\" has invalid format (line 1). Skipped..."},
    };
    for (const TFinding& finding : findings)
        EXPECT_TRUE(HasLine(lines, finding.kind, finding.text)) << finding.text;
    int errors = 0;
    for (const TLogLine& line : lines)
        if (line.Kind == lkError) {
            ++errors;
            EXPECT_TRUE(
                StartsWith(line.Text, "Cannot open file \"" + root + "locked.txt\", Error 32: \""))
                << line.Text;
        }
    EXPECT_EQ(errors, 1);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().Kind, lkStat);
    EXPECT_EQ(lines.back().Text, "Total hints: 0, warnings: 5, failures: 2, errors: 1");
    EXPECT_EQ(GetWindowString(Item(IDC_STATUS)),
              " Verify completed: 5 warnings, 2 failures, 1 errors");
}

TEST_F(TRunWindowTest, UpdateNameChecksAskOrRefuseBeforeAnyLogLine) {
    const UINT question = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
    const UINT refusal = MB_OK | MB_ICONERROR;
    struct TCase {
        const char* name;
        int format;
        int placement;
        int answer;
        const char* caption; // nullptr: no box
        UINT type;
        const char* text;
        bool runs;
    };
    const TCase cases[] = {
        {"*.*", 0, 2, IDOK, "Error", refusal, texts::kRefuseInvalidName, false},
        {"md5?.lst", 0, 2, IDOK, "Error", refusal, texts::kRefuseInvalidName, false},
        {"*", 0, 2, IDOK, "Error", refusal, texts::kRefuseInvalidName, false},
        {"*.", 0, 3, IDOK, "Error", refusal, texts::kRefuseInvalidName, false},
        {"*.", 0, 4, IDOK, "Error", refusal, texts::kRefuseInvalidName, false},
        {".", 0, 4, IDOK, "Error", refusal, texts::kRefuseInvalidName, false},
        {"*.md5", 0, 4, IDOK, nullptr, 0, "", true},
        {"list.sfv", 0, 2, IDNO, "Confirmation", question, texts::kAskMD5NameHasSFV, false},
        {"list.sfv", 0, 2, IDYES, "Confirmation", question, texts::kAskMD5NameHasSFV, true},
        {"list.md5", 1, 2, IDNO, "Confirmation", question, texts::kAskSFVNameHasMD5, false},
        {"list.Md5", 1, 2, IDYES, "Confirmation", question, texts::kAskSFVNameHasMD5, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " placement " + std::to_string(c.placement));
        TTempTree tree;
        tree.AddFile("a.txt", "abc");
        const std::string logFile = tree.Path("saved.log");
        SendMessageA(Item(IDC_LOG), LB_RESETCONTENT, 0, 0);
        Boxes.clear();
        Answers = {c.answer};
        TStartupRequests requests;
        requests.AutoExit = true;
        requests.LogFileName = logFile;
        Window().SetStartupRequests(requests);
        ShowWindow(Dialog, SW_SHOWNA);
        SetControls(tree.Root(), c.name, c.format, c.placement, false, 1);
        Press(IDC_UPDATE);
        Pump();

        if (c.caption) {
            ASSERT_EQ(Boxes.size(), 1u);
            EXPECT_EQ(Boxes[0].Caption, c.caption);
            EXPECT_EQ(Boxes[0].Type, c.type);
            EXPECT_EQ(Boxes[0].Text, c.text);
            EXPECT_EQ(Boxes[0].Owner, Dialog);
        } else {
            EXPECT_TRUE(Boxes.empty());
        }
        EXPECT_EQ(HasKind(Lines(), lkStart), c.runs);
        if (!c.runs) {
            EXPECT_EQ(Log().Count(), 0);
        }
        // A refused run performs no auto-exit: no saved log, the window stays open.
        EXPECT_EQ(tree.Exists("saved.log"), c.runs);
        EXPECT_EQ(IsWindowVisible(Dialog) != FALSE, !c.runs);
        if (!c.runs) {
            EXPECT_TRUE(IsWindowEnabled(Item(IDC_FOLDER))) << "the window is given back";
        }
        EXPECT_EQ(GetWindowString(Item(IDC_NAME)), c.name); // the name is kept as entered
        EXPECT_TRUE(IsWindowEnabled(Item(IDC_UPDATE)));
        EXPECT_TRUE(Window().IsIdle());
    }
}

TEST_F(TRunWindowTest, VerifyAsksAboutRecursionOnlyForOneListPerTree) {
    struct TCase {
        int placement;
        bool subfolders;
        int answer;
        bool asked;
        bool runs;
        int warnings;
    };
    // The root list names only a.txt; sub/b.txt is found only when subfolders are walked.
    const TCase cases[] = {
        {1, true, IDCANCEL, true, false, 0}, {1, true, IDYES, true, true, 0},
        {1, true, IDNO, true, true, 2},      {0, true, IDYES, true, true, 0},
        {1, false, IDYES, false, true, 0},   {2, true, IDYES, false, true, 2},
        {1, true, IDCANCEL, true, false, 0}, // after a run: its result line goes
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE("placement " + std::to_string(c.placement) + " answer " +
                     std::to_string(c.answer));
        TTempTree tree;
        TTempTree elsewhere; // mode 0 keeps its list in any place
        tree.AddFile("a.txt", "abc");
        tree.AddFile("sub/b.txt", "abc");
        TTempTree& listTree = c.placement == 0 ? elsewhere : tree;
        listTree.AddFile("md5sum.lst", std::string(kAbcMD5) + " *a.txt\r\n");
        const std::string name = c.placement == 0 ? listTree.Path("md5sum.lst") : "md5sum.lst";
        SendMessageA(Item(IDC_LOG), LB_RESETCONTENT, 0, 0);
        Boxes.clear();
        Answers = {c.answer};
        SetControls(tree.Root(), name, 0, c.placement, c.subfolders, 1);
        Press(IDC_VERIFY);

        ASSERT_EQ(Boxes.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(Boxes[0].Text, texts::kAskDisableRecursion);
            EXPECT_EQ(Boxes[0].Type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
        }
        const std::vector<TLogLine> lines = Lines();
        if (!c.runs) {
            // Cancel comes after the two counting lines and before the start line.
            ASSERT_EQ(lines.size(), 2u);
            EXPECT_EQ(lines[0].Kind, lkPlain);
            EXPECT_EQ(lines[1].Kind, lkPlain);
            EXPECT_EQ(GetWindowString(Item(IDC_STATUS)), "");
            continue;
        }
        EXPECT_EQ(GetWindowString(Item(IDC_STATUS)),
                  c.warnings == 0 ? std::string(" Verify completed: clean, no warnings, failures "
                                                "or errors")
                                  : " Verify completed: " + std::to_string(c.warnings) +
                                        " warnings, 0 failures, 0 errors");
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().Text, "Total hints: 0, warnings: " + std::to_string(c.warnings) +
                                         ", failures: 0, errors: 0");
        // The answer holds for the run only: the check box keeps its state.
        EXPECT_EQ(Window().GetSubfolders(), c.subfolders);
    }
}

TEST_F(TRunWindowTest, OverwriteQuestionsDecideWhetherTheListIsReplaced) {
    const std::string stale = "00000000000000000000000000000000 *a.txt\r\n";
    const std::string fresh = std::string(kAbcMD5) + " *a.txt\r\n";
    const std::string foreign = "just some notes\r\n";
    struct TCase {
        const char* name;
        std::string existing;
        int overwrite;
        std::vector<int> answers;
        std::vector<std::string> texts; // of the boxes, "%s" for the list's path
        std::string after;
        bool aborted;
    };
    const std::string ask = texts::kAskOverwrite;
    const std::string askForeign = texts::kAskOverwriteForeign;
    const std::string abort = texts::kAskAbort;
    const TCase cases[] = {
        {"ask, yes", stale, 0, {IDYES}, {ask}, fresh, false},
        {"ask, no", stale, 0, {IDNO}, {ask}, stale, false},
        {"ask, cancel, abort confirmed", stale, 0, {IDCANCEL, IDYES}, {ask, abort}, stale, true},
        {"ask, cancel, abort declined", stale, 0, {IDCANCEL, IDNO}, {ask, abort}, stale, false},
        {"foreign, yes", foreign, 1, {IDYES}, {askForeign}, fresh, false},
        {"foreign, no", foreign, 1, {IDNO}, {askForeign}, foreign, false},
        {"plain overwrite", stale, 1, {}, {}, fresh, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TTempTree tree;
        tree.AddFile("a.txt", "abc");
        tree.AddFile("md5sum.lst", c.existing);
        SendMessageA(Item(IDC_LOG), LB_RESETCONTENT, 0, 0);
        Boxes.clear();
        Answers.assign(c.answers.begin(), c.answers.end());
        SetControls(tree.Root(), "md5sum.lst", 0, 2, false, c.overwrite);
        Press(IDC_UPDATE);

        ASSERT_EQ(Boxes.size(), c.texts.size());
        for (size_t i = 0; i < c.texts.size(); ++i) {
            std::string expected = c.texts[i];
            const size_t at = expected.find("%s");
            if (at != std::string::npos)
                expected.replace(at, 2, tree.Path("md5sum.lst"));
            EXPECT_EQ(Boxes[i].Text, expected);
            EXPECT_EQ(Boxes[i].Caption, "Confirmation");
            EXPECT_TRUE(Boxes[i].Type & MB_ICONQUESTION);
        }
        EXPECT_EQ(tree.Content("md5sum.lst"), c.after);
        const std::string stop = StopLine(Lines());
        EXPECT_EQ(EndsWith(stop, "has been aborted by user!"), c.aborted) << stop;
    }
}

// The clock of the runs: the third reading (the engine's second progress step, which the
// window keeps for its next refresh) posts a second press of the running button. Each
// reading until then takes longer than the window waits between looks into its queue, so
// the press arrives while the engine works and a position waits to be shown.
HWND PressTarget = nullptr;
int PressId = 0;
int PressReadings = 0;
uint32_t PressOnThirdTick() {
    if (PressTarget) {
        Sleep(40);
        if (++PressReadings == 3) {
            PostMessageA(PressTarget, WM_COMMAND, MAKEWPARAM(PressId, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(PressTarget, PressId)));
            PressTarget = nullptr;
        }
    }
    return GetTickCount();
}

TEST_F(TRunWindowTest, SecondPressAsksToAbortWhileTheWindowStaysLocked) {
    struct TCase {
        int button;
        int answer;
        const char* stopTail;
        const char* result;
    };
    const TCase cases[] = {
        {IDC_UPDATE, IDYES, "Updating has been aborted by user!",
         " Update aborted: 0 warnings, 0 failures, 0 errors"},
        {IDC_UPDATE, IDNO, "Updating is completed.",
         " Update completed: clean, no warnings, failures or errors"},
        {IDC_VERIFY, IDYES, "Verifying has been aborted by user!",
         " Verify aborted: 0 warnings, 0 failures, 0 errors"},
        {IDC_VERIFY, IDNO, "Verifying is completed.",
         " Verify completed: clean, no warnings, failures or errors"},
    };
    const TTickSource previous = SetRunTickSource(PressOnThirdTick);
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.button) + " answered " + std::to_string(c.answer));
        TTempTree tree;
        for (int i = 0; i < 4; ++i)
            tree.AddSizedFile("f" + std::to_string(i) + ".bin", 300000);
        if (c.button == IDC_VERIFY) {
            SetControls(tree.Root(), "md5sum.lst", 0, 2, false, 1);
            Press(IDC_UPDATE);
        }
        SendMessageA(Item(IDC_LOG), LB_RESETCONTENT, 0, 0);
        Boxes.clear();
        Answers = {c.answer};
        ShowWindow(Dialog, SW_SHOWNA);
        // What the abort question sees: the window as it stands during the run.
        std::vector<int> enabled;
        std::string buttonText;
        std::string tip;
        bool closedWhileRunning = true;
        OnBox = [&](const TMessageBoxCall&) {
            for (int id = IDC_FOLDER; id <= IDC_LOG; ++id)
                if (GetDlgItem(Dialog, id) && IsWindowEnabled(Item(id)))
                    enabled.push_back(id);
            buttonText = GetWindowString(Item(c.button));
            SendMessageA(Dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            closedWhileRunning = IsWindowVisible(Dialog) == FALSE;
            Sleep(kRunRefreshMs + 10); // the user reads the question
        };
        PressTarget = Dialog;
        PressReadings = 0;
        PressId = c.button;
        SetControls(tree.Root(), "md5sum.lst", 0, 2, false, 1);
        Press(c.button);
        OnBox = nullptr;

        ASSERT_EQ(Boxes.size(), 1u);
        EXPECT_EQ(Boxes[0].Text, "You are really want abort?");
        EXPECT_EQ(Boxes[0].Caption, "Confirmation");
        EXPECT_EQ(Boxes[0].Type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
        EXPECT_EQ(enabled, std::vector<int>{c.button});
        EXPECT_EQ(buttonText, "Abort!");
        EXPECT_FALSE(closedWhileRunning);
        EXPECT_TRUE(EndsWith(StopLine(Lines()), c.stopTail)) << StopLine(Lines());
        EXPECT_NE(GetWindowString(Item(c.button)), "Abort!");
        EXPECT_EQ(SendMessageA(Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);
        EXPECT_EQ(GetWindowString(Item(IDC_STATUS)), c.result);
    }
    SetRunTickSource(previous);
}

// A clock that stands still at 1000 ms for the start and at 3000 ms ever after.
int TickCalls = 0;
uint32_t TwoSecondsIntoTheRun() {
    return TickCalls++ == 0 ? 1000 : 3000;
}

struct TShown {
    int position;
    std::string caption;
    int rangeHigh;
};
std::vector<TShown>* ShownSink = nullptr;
HWND ShownWindow = nullptr; // the main dialog whose progress the clock notes

// The clock of TwoSecondsIntoTheRun that also notes what the window shows at each reading:
// the engine reads the clock for every progress step before it is shown, and once more
// when the run ends, so each step's display is noted at the next reading. The real clock
// moves on past the window's refresh between readings, so every step is shown.
uint32_t NoteProgressAndTick() {
    Sleep(kRunRefreshMs + 10);
    const uint32_t now = TwoSecondsIntoTheRun();
    if (ShownSink) {
        HWND progress = GetDlgItem(ShownWindow, IDC_PROGRESS);
        ShownSink->push_back({static_cast<int>(SendMessageA(progress, PBM_GETPOS, 0, 0)),
                              GetWindowString(ShownWindow),
                              static_cast<int>(SendMessageA(progress, PBM_GETRANGE, FALSE, 0))});
    }
    return now;
}

TEST_F(TRunWindowTest, ProgressShowsPositionPercentageAndTimeLeft) {
    struct TCase {
        uint64_t size;
        std::vector<TShown> expected;
    };
    const TCase cases[] = {
        // 1024 KiB in 64 KiB blocks, 64 positions each; every block after 2 s: after one
        // block, 15 more take 30 s.
        {1024 * 1024,
         {{64, "6.3% processed, 30.000s left", 1024},
          {512, "50.0% processed, 2.000s left", 1024},
          {960, "93.8% processed, 0.133s left", 1024},
          {1024, "100.0% processed", 1024}}},
        // 2 KiB and more: the range is 1024 and the position bytes div KiB, which would
        // pass the end for a few KiB (3071 div 2 = 1535): it stops at 100%.
        {3071, {{1024, "100.0% processed", 1024}}},
        // Below 2 KiB the range is the byte count itself.
        {1500, {{1500, "100.0% processed", 1500}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " bytes");
        TTempTree tree;
        tree.AddSizedFile("one.bin", c.size);
        std::vector<TShown> shown;
        ShownSink = &shown;
        ShownWindow = Dialog;
        TickCalls = 0;
        const TTickSource previous = SetRunTickSource(NoteProgressAndTick);
        SetControls(tree.Root(), "md5sum.lst", 0, 2, false, 1);
        Press(IDC_UPDATE);
        SetRunTickSource(previous);
        ShownSink = nullptr;

        for (const TShown& e : c.expected) {
            bool found = false;
            for (const TShown& s : shown)
                found = found || (s.position == e.position && s.caption == e.caption &&
                                  s.rangeHigh == e.rangeHigh);
            EXPECT_TRUE(found) << e.caption;
        }
        EXPECT_EQ(GetWindowString(Dialog), "Tolvane");
        EXPECT_EQ(SendMessageA(Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);
    }
}

// The clock of TwoSecondsIntoTheRun, read at every progress step, that lets the real
// clock move on (the 16 blocks of the test take four of the window's refreshes) and notes
// the status line as it stands at each reading.
std::string NotedStatus;
uint32_t NoteStatusSlowly() {
    Sleep(kRunRefreshMs / 4);
    NotedStatus = GetWindowString(GetDlgItem(ShownWindow, IDC_STATUS));
    return TwoSecondsIntoTheRun();
}

TEST_F(TRunWindowTest, StatusEndsAtTheFileInWorkDuringALongHash) {
    // The file's path comes right after its folder's mask, sooner than the status line
    // changes; the long hash that follows must show the file, not the mask.
    TTempTree tree;
    tree.AddSizedFile("big.bin", 1024 * 1024);
    TickCalls = 0;
    NotedStatus.clear();
    ShownWindow = Dialog;
    const TTickSource previous = SetRunTickSource(NoteStatusSlowly);
    SetControls(tree.Root(), "md5sum.lst", 0, 2, false, 1);
    Press(IDC_UPDATE);
    SetRunTickSource(previous);
    EXPECT_EQ(NotedStatus, " " + tree.Root() + "big.bin");
}

TEST_F(TRunWindowTest, AutoExitSavesTheLogAndClosesEvenWhenTheLogCannotBeWritten) {
    struct TCase {
        const char* name;
        bool writable;
    };
    const TCase cases[] = {{"writable", true}, {"folder missing", false}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TTempTree tree;
        tree.AddFile("a.txt", "abc");
        const std::string logFile =
            c.writable ? tree.Path("saved.log") : tree.Path("no/such/folder/saved.log");
        SendMessageA(Item(IDC_LOG), LB_RESETCONTENT, 0, 0);
        TStartupRequests requests;
        requests.AutoExit = true;
        requests.LogFileName = logFile;
        Window().SetStartupRequests(requests);
        ShowWindow(Dialog, SW_SHOWNA);
        SetControls(tree.Root(), "md5sum.lst", 0, 2, false, 1);
        Press(IDC_UPDATE);
        Pump(); // the posted close

        EXPECT_FALSE(IsWindowVisible(Dialog));
        std::string expected;
        for (const std::string& text : Log().Texts())
            expected += text + "\r\n";
        if (c.writable) {
            EXPECT_EQ(ReadFile(logFile), expected);
            EXPECT_FALSE(HasKind(Lines(), lkError));
        } else {
            const std::vector<TLogLine> lines = Lines();
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.back().Kind, lkError);
            EXPECT_TRUE(StartsWith(lines.back().Text, "Cannot create file " + logFile))
                << lines.back().Text;
        }
    }
}

// A command handed over as a later tlvn.exe hands it; the window's answer.
LRESULT HandOver(HWND dialog, const std::string& commandLine, ULONG_PTR kind = kHandOverDataKind) {
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof folder, folder);
    const std::string data = HandOverData({folder, commandLine});
    COPYDATASTRUCT copy{kind, static_cast<DWORD>(data.size()), const_cast<char*>(data.data())};
    return SendMessageA(dialog, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
}

// Runs handed over by later programs: taken while a run waits in a question (the status bar
// says how many wait) or while idle, run in the order they came, each with its own options
// only and its own START to STOP block; a script's run (/a, /q) is refused, as its program
// then runs it on its own. A list handed over as Explorer's "Verify with Tolvane" gives it is
// verified alone, in its own folder.
TEST_F(TRunWindowTest, HandedOverRunsWaitTheirTurnWithTheirOwnOptions) {
    TTempTree tree;
    tree.AddFile("a.txt", "abc");
    tree.AddFile("sub/b.txt", "abc");
    tree.AddFile("md5sum.lst", std::string(kAbcMD5) + " *a.txt\r\n");
    tree.AddFile("sub/md5sum.lst", std::string(kAbcMD5) + " *b.txt\r\n");
    const std::string list = tree.Path("sub\\md5sum.lst");
    std::string listVerb = VerbCommand("C:\\Tools\\tlvn.exe", false, "%1");
    listVerb.replace(listVerb.find("%1"), 2, list);
    std::vector<LRESULT> answers;
    std::string waiting;
    OnBox = [&](const TMessageBoxCall&) {
        if (!answers.empty())
            return;
        answers = {HandOver(Dialog, listVerb),
                   HandOver(Dialog, "tlvn.exe /v /p4 /n *.crc " + tree.Root()),
                   HandOver(Dialog, "tlvn.exe /x /v " + tree.Root()),           // no run
                   HandOver(Dialog, listVerb + " /a " + tree.Path("list.log")), // a script's
                   HandOver(Dialog, "tlvn.exe /q /v " + tree.Root()),           // unattended
                   HandOver(Dialog, listVerb, 0x1234)}; // not such a command
        char text[64] = "";
        SendMessageA(Item(IDC_STATUS), SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(text));
        waiting = text;
    };
    Answers = {IDNO, IDNO}; // the window's own Update asks to replace the two lists: keep them
    SetControls(tree.Root(), "md5sum.lst", 0, 2, true, 0);
    Press(IDC_UPDATE);
    OnBox = nullptr;
    EXPECT_EQ(answers,
              (std::vector<LRESULT>{kHandOverTaken, kHandOverTaken, kHandOverRefused,
                                    kHandOverRefused, kHandOverRefused, kHandOverRefused}));
    EXPECT_EQ(waiting, "Runs waiting: 2");
    Pump(); // the waiting runs, one after another
    EXPECT_EQ(HandOver(Dialog, "tlvn.exe /v /s- \"" + tree.Root() + "\""), kHandOverTaken);
    Pump(); // idle: at once

    const std::string starts[] = {
        "Updating folder \"" + tree.Root() + "*.*\", with checksum files name \"md5sum.lst",
        "Verifying folder \"" + tree.Path("sub") + "\\*.*\", with checksum files name \"" + list,
        "Verifying folder \"" + tree.Root() + "*.*\", with checksum files name \"*.crc",
        "Verifying folder \"" + tree.Root() + "*.*\", with checksum files name \"md5sum.lst",
    };
    std::vector<std::string> blocks; // START lines, each closed by its STOP before the next
    for (const TLogLine& line : Lines())
        if (line.Kind == lkStart)
            blocks.push_back(line.Text);
        else if (line.Kind == lkStop && !blocks.empty())
            blocks.back() += " STOP";
    ASSERT_EQ(blocks.size(), std::size(starts));
    for (size_t i = 0; i < blocks.size(); ++i)
        EXPECT_TRUE(EndsWith(blocks[i], starts[i] + "\" STOP")) << blocks[i];
    EXPECT_FALSE(tree.Exists("list.log")) << "a refused command does not run";
    // Nothing of the handed-over options stayed in the window.
    EXPECT_EQ(Window().GetPlacement(), 2);
    EXPECT_TRUE(Window().GetSubfolders());
    EXPECT_EQ(Window().ChecksumNames()[4], "*.md5");
    EXPECT_EQ(Window().GetChecksumName(), "md5sum.lst");
}

} // namespace
