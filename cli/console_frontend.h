// The console's side of a run: log lines with their prefix on standard output as they
// come, progress on standard error when that is a terminal, questions on the terminal
// (answered "no" without one), and Ctrl-C turned into a confirmed abort.
#pragma once

#include <cstdio>
#include <string>

#include "cli/console_locale.h"
#include "cli/log_spool.h"
#include "app/run.h"

struct TConsoleStreams {
    std::FILE* Out = stdout;
    std::FILE* Err = stderr;
    int InFd = 0;               // answers are read here
    bool AskOnTerminal = false; // standard input and standard error are terminals
    bool ShowProgress = false;  // standard error is a terminal
};

class TConsoleFrontEnd : public TRunFrontEnd {
public:
    TConsoleFrontEnd(const TConsoleStreams& streams, files::TFileSystem& fs, TDateNames names);

    // The controller that Ctrl-C stops.
    void Attach(TRunController* controller) { Controller = controller; }
    // Keeps every line's text for the saved log from now on.
    void KeepLog(TLogSpool* spool) { Spool = spool; }
    // Every line's kind counted, the counting lines before the start line included.
    const TLogTotals& AllTotals() const { return Totals; }
    // A message of the console itself on standard error, "ERROR: " in front.
    void ReportError(const std::string& text);

    void AddLogLine(const TLogLine& line) override;
    TConfirmAnswer Ask(const std::string& text, TQuestionButtons buttons, bool defaultNo) override;
    void ShowRefusal(const std::string& text) override;
    void ShowProgressRange(int64_t maximum) override;
    void ShowProgress(int32_t position, const std::string& caption) override;
    void EndProgress() override;
    void ShowStatus(const std::string& path) override;
    uint32_t TickCount() override;
    std::string DateTimeText() override;

private:
    void ForwardInterrupt();
    void ClearProgress();
    // Standard output is written in blocks, flushed when a line has waited long enough
    // (checked at every call of the run), at a question and when Ctrl-C was pressed.
    void FlushOutput(bool now);
    // One answer line from the terminal: the first non-blank character, 0 at the end of
    // input, -1 when Ctrl-C cut the wait short.
    int ReadAnswer();

    TConsoleStreams Streams;
    files::TFileSystem& Fs;
    TDateNames Names;
    TRunController* Controller = nullptr;
    TLogSpool* Spool = nullptr;
    TLogTotals Totals;
    bool OutputPending = false;
    uint32_t LastFlushTick = 0;
    bool InterruptForwarded = false;
    bool ProgressShown = false;
    uint32_t LastDrawTick = 0;
};
