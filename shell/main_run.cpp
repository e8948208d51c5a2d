// The main window's run controller: the Update and Verify buttons. The run itself (checks,
// counting, START, the engine entry, STOP, statistics and totals) is the shared
// TRunController; this unit locks the window around it, shows the progress, the caption
// and the status, puts the questions in message boxes and performs the auto-exit.
#include "shell/main_run.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "platform/files.h"
#include "platform/tools.h"
#include "resources/resource.h"
#include "app/run.h"
#include "app/texts.h"
#include "shell/log_list.h"
#include "shell/main_window.h"
#include "shell/msgbox.h"
#include "shell/settings.h"

namespace {

uint32_t SystemTicks() {
    return GetTickCount();
}

TTickSource& TickSource() {
    static TTickSource source = SystemTicks;
    return source;
}

std::string LocaleText(LCTYPE type, const char* fallback) {
    char buffer[16];
    return GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer) > 0 ? buffer : fallback;
}

// True at most once per interval of the real clock (never the run's tick source: a test
// clock may stand still); the first call is always due.
class TPace {
public:
    explicit TPace(uint32_t intervalMs) : Interval(intervalMs) {}
    bool Due() {
        const uint32_t now = GetTickCount();
        if (Passed && now - Last < Interval)
            return false;
        Passed = true;
        Last = now;
        return true;
    }

private:
    uint32_t Interval;
    uint32_t Last = 0;
    bool Passed = false;
};

// The result of a run in one line: clean, or the counts of warnings, failures and errors.
std::string RunResultText(int buttonId, TRunOutcome outcome, const TLogTotals& totals) {
    const char* templ = outcome == TRunOutcome::Aborted              ? texts::kResultAborted
                        : outcome == TRunOutcome::Failed             ? texts::kResultFailed
                        : RunExitCode(outcome, totals) == kExitClean ? texts::kResultClean
                                                                     : texts::kResultFindings;
    return FormatText(templ, {buttonId == IDC_UPDATE ? texts::kResultUpdate : texts::kResultVerify,
                              totals.Warnings, totals.Failures, totals.Errors});
}

TNumberFormat UserNumberFormat() {
    TNumberFormat format;
    format.ThousandsSeparator = LocaleText(LOCALE_STHOUSAND, ",");
    format.DecimalPoint = LocaleText(LOCALE_SDECIMAL, ".");
    return format;
}

} // namespace

// What the shared run shows and asks, in the main window. Every repaint and every look
// into the message queue is costly (under Wine a progress repaint takes milliseconds, and a
// log line that scrolls the list tens of them), and a run reports progress per 64 KiB block,
// a path per file and, with the detailed log, a line per file: the window keeps the newest
// position, caption and path, adds log lines with the list's drawing held, and shows them all
// together at most every kRunRefreshMs of the real clock, so the status line always ends at
// the file in work; the end of the range shows at once, and the log before a question and at
// the end. Messages (an abort click, repaints) are handled at least every 30 ms of work.
class TMainWindow::TWindowFrontEnd : public TRunFrontEnd {
public:
    explicit TWindowFrontEnd(TMainWindow& window) : Window(window), List(window.Item(IDC_LOG)) {}
    ~TWindowFrontEnd() override { ShowLog(); }
    TWindowFrontEnd(const TWindowFrontEnd&) = delete;
    TWindowFrontEnd& operator=(const TWindowFrontEnd&) = delete;

    void AddLogLine(const TLogLine& line) override {
        if (!LogHeld) {
            SendMessageA(List, WM_SETREDRAW, FALSE, 0);
            LogHeld = true;
        }
        TLogList(Window.Handle, List).Add(line);
        Refresh(false);
    }

    TConfirmAnswer Ask(const std::string& text, TQuestionButtons buttons, bool defaultNo) override {
        ShowLog();
        const UINT type = MB_ICONQUESTION |
                          (buttons == TQuestionButtons::YesNo ? MB_YESNO : MB_YESNOCANCEL) |
                          (defaultNo ? MB_DEFBUTTON2 : MB_DEFBUTTON1);
        switch (ShowMessageBox(Window.Handle, text, texts::kCaptionConfirmation, type)) {
        case IDYES:
            return caYes;
        case IDNO:
            return caNo;
        default:
            return caCancel;
        }
    }

    void ShowRefusal(const std::string& text) override {
        ShowLog();
        ShowMessageBox(Window.Handle, text, texts::kCaptionError, MB_OK | MB_ICONERROR);
    }

    void ShowProgressRange(int64_t maximum) override {
        SendMessageA(Window.Item(IDC_PROGRESS), PBM_SETRANGE, 0,
                     MAKELPARAM(0, static_cast<WORD>(maximum)));
        ProgressEnd = maximum;
    }

    void ShowProgress(int32_t position, const std::string& caption) override {
        PendingPosition = position;
        PendingCaption = caption;
        ProgressPending = true;
        Refresh(position >= ProgressEnd);
    }

    // A position not shown yet is dropped: the next refresh (the STOP line's) would put it
    // back after an aborted run.
    void EndProgress() override {
        ProgressPending = false;
        SendMessageA(Window.Item(IDC_PROGRESS), PBM_SETPOS, 0, 0);
    }

    void ShowStatus(const std::string& path) override {
        PendingStatus = path;
        StatusPending = true;
        Refresh(false);
    }

    uint32_t TickCount() override { return TickSource()(); }

    std::string DateTimeText() override {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return FormatDateTimeText(now);
    }

private:
    // Shows what waits when the refresh is due (or now), else only handles messages.
    void Refresh(bool now) {
        if (!RefreshPace.Due() && !now) {
            if (PumpPace.Due())
                Window.PumpMessages();
            return;
        }
        const bool logShown = ShowLog();
        if (StatusPending)
            Window.ShowStatus(PendingStatus);
        if (ProgressPending)
            Window.ShowProgress(PendingPosition, PendingCaption);
        else if (logShown && !StatusPending)
            Window.PumpMessages();
        StatusPending = ProgressPending = false;
    }

    // Lets the list draw again and repaint the lines added meanwhile; true when it was held.
    bool ShowLog() {
        if (!LogHeld)
            return false;
        LogHeld = false;
        SendMessageA(List, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(List, nullptr, TRUE);
        return true;
    }

    TMainWindow& Window;
    HWND List;
    bool LogHeld = false;
    int64_t ProgressEnd = 0;
    int32_t PendingPosition = 0;
    std::string PendingCaption;
    bool ProgressPending = false;
    std::string PendingStatus;
    bool StatusPending = false;
    TPace RefreshPace{kRunRefreshMs};
    TPace PumpPace{30};
};

// The window during a run: every control but the pressed button disabled, the button
// reading "Abort!", and everything given back however the run ends, unless the window
// closes right after it (/a): under Wine that repaint and raise cost tens of milliseconds.
class TMainWindow::TRunLock {
public:
    TRunLock(TMainWindow& window, int buttonId)
        : Window(window), Button(window.Item(buttonId)), Caption(GetWindowString(window.Handle)),
          ButtonText(GetWindowString(Button)) {
        Window.Running = true;
        DragAcceptFiles(Window.Handle, FALSE); // the cursor shows that a drop is refused
        Window.EnableControls(false);
        EnableWindow(Button, TRUE);
        SetWindowTextA(Button, texts::kAbortButton);
        SetFocus(Button);
        SetWindowTextA(Window.Item(IDC_STATUS), ""); // the last run's result goes
        UpdateWindow(Window.Handle);
    }

    ~TRunLock() {
        if (Closing) {
            Window.Running = false;
            return;
        }
        Window.EnableControls(true);
        EnableWindow(Window.Item(IDC_NAME), FALSE);
        SetWindowTextA(Window.Handle, Caption.c_str());
        SetWindowTextA(Button, ButtonText.c_str());
        SetFocus(Window.Item(IDC_FOLDER));
        UpdateWindow(Window.Handle);
        Window.Running = false;
        DragAcceptFiles(Window.Handle, TRUE);
        SetWindowTextA(Window.Item(IDC_STATUS), "");
        if (IsIconic(Window.Handle))
            ShowWindow(Window.Handle, SW_RESTORE);
        SetForegroundWindow(Window.Handle);
    }

    TRunLock(const TRunLock&) = delete;
    TRunLock& operator=(const TRunLock&) = delete;

    bool Closing = false; // the window closes when the run ends: nothing is given back

private:
    TMainWindow& Window;
    HWND Button;
    std::string Caption;
    std::string ButtonText;
};

TTickSource SetRunTickSource(TTickSource source) {
    const TTickSource previous = TickSource();
    TickSource() = source ? source : SystemTicks;
    return previous;
}

TRunSettings TMainWindow::RunSettings() {
    TRunSettings settings;
    settings.Folder = GetFolder(); // also grows the folder history
    settings.FileMask = GetFilter();
    settings.ChecksumFileName = GetChecksumName();
    settings.IncludeSubfolders = GetSubfolders();
    settings.OverwriteMode = static_cast<TOverwriteMode>(GetOverwriteMode());
    settings.Format = GetFormat();
    settings.Placement = static_cast<TPlacementMode>(GetPlacement());
    settings.HeaderMode = HeaderMode;
    settings.DetailedLog = DetailedLog;
    settings.Workers = WorkerCount;
    settings.QuickUpdate = QuickUpdate;
    settings.MovedFiles = MovedFiles;
    settings.Scripted = Requests.AutoExit;
    settings.Unattended = Requests.Unattended;
    settings.KeepFindings = !Requests.ReportFileName.empty();
    settings.Slice = Requests.Slice;
    return settings;
}

// Writes every line for the script that asked for it. A log that cannot be written is an
// ERROR line (and, once the run has ended, exit code 2); the window still closes as planned:
// an unattended script must not wait forever, the exit code and the missing file tell it.
void TMainWindow::SaveRunLog(const TRunLog& log, bool ended) {
    std::string message;
    if (!SaveLogFile(files::NativeFileSystem(), log.FileName, Log().Texts(), message)) {
        AddLogLine(message, lkError);
        if (ended && ExitCode != kExitAborted)
            ExitCode = kExitErrors;
    }
}

void TMainWindow::Run(int id) {
    PumpMessages();
    if (Running) {
        // A second press of the running button asks to abort; under /a the log is written
        // as it stands, and again when the run ends.
        Engine->SetAborted(true);
        if (CurrentLog.AutoExit)
            SaveRunLog(CurrentLog, false);
        return;
    }
    TRunSettings settings = RunSettings();
    // The start-up run only: the user's later runs are the window's own.
    if (!Requests.VerifyList.empty())
        VerifyOnlyList(settings, Requests.VerifyList);
    Requests.VerifyList.clear();
    PerformRun(id, settings, {Requests.AutoExit, Requests.LogFileName, Requests.ReportFileName},
               false);
}

// One run, the window's own or a handed-over one. After its own run under /a the log is
// saved, and under /a or /q the window closes.
void TMainWindow::PerformRun(int buttonId, const TRunSettings& settings, const TRunLog& log,
                             bool queued) {
    CurrentLog = log;
    TRunOutcome outcome;
    TLogTotals totals;
    bool ends = false;
    bool closes = false;
    TRunReport report;
    {
        TRunLock lock(*this, buttonId);
        TWindowFrontEnd frontEnd(*this);
        TRunController controller(*Engine, frontEnd, UserNumberFormat());
        outcome = controller.Run(buttonId == IDC_UPDATE ? TRunCommand::Update : TRunCommand::Verify,
                                 settings);
        totals = controller.Totals();
        report = controller.Report();
        // A run refused under /a leaves the window to the user; under /q nobody is there.
        ends = outcome != TRunOutcome::Refused || Requests.Unattended;
        closes = !queued && ends && ClosesAfterRun();
        Closing = Closing || closes;
        lock.Closing = closes;
    }
    CurrentLog = TRunLog();
    report.ExitCode = RunExitCode(outcome, totals);
    // The report comes first, so the saved log holds the line of a report not written.
    bool reportFailed = false;
    std::string message;
    const std::string json = ReportJson(report);
    files::TSaveText content(json);
    if (!log.ReportFileName.empty() &&
        !SaveLogFile(files::NativeFileSystem(), log.ReportFileName, content, message)) {
        AddLogLine(message, lkError);
        reportFailed = true;
    }
    if (!queued && ClosesAfterRun())
        ExitCode = reportFailed && report.ExitCode != kExitAborted ? kExitErrors : report.ExitCode;
    if (log.AutoExit && ends)
        SaveRunLog(log, true);
    if (closes) {
        PostMessageA(Handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
    }
    // Until the next run starts; a refused run was no run.
    if (outcome != TRunOutcome::Refused)
        SetWindowTextA(Item(IDC_STATUS), (" " + RunResultText(buttonId, outcome, totals)).c_str());
    ServeQueue();
}

void TMainWindow::EnableControls(bool enable) {
    for (int id = IDC_FOLDER; id <= IDC_LOG; ++id)
        EnableWindow(Item(id), enable);
}

void TMainWindow::ShowProgress(int32_t position, const std::string& caption) {
    SendMessageA(Item(IDC_PROGRESS), PBM_SETPOS, position, 0);
    SetWindowTextA(Handle, caption.c_str());
    PumpMessages();
}

void TMainWindow::ShowStatus(const std::string& path) {
    SetWindowTextA(Item(IDC_STATUS), (" " + path).c_str());
    PumpMessages();
}
