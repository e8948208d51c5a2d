#include "cli/console_frontend.h"

#include <cerrno>
#include <ctime>
#include <unistd.h>

#include "cli/interrupt.h"
#include "app/texts.h"

namespace {

// The progress line is redrawn at most this often.
constexpr uint32_t kRedrawMs = 200;
// A log line waits at most about this long before it is written out.
constexpr uint32_t kFlushMs = 100;

// Message lines are joined by a bare carriage return; the terminal wants line feeds.
std::string TerminalLines(std::string text) {
    for (char& c : text)
        if (c == '\r')
            c = '\n';
    return text;
}

} // namespace

TConsoleFrontEnd::TConsoleFrontEnd(const TConsoleStreams& streams, files::TFileSystem& fs,
                                   TDateNames names)
    : Streams(streams), Fs(fs), Names(std::move(names)) {}

void TConsoleFrontEnd::ForwardInterrupt() {
    // A second Ctrl-C ends the program at once: nothing may wait in the buffer then.
    FlushOutput(Interrupted());
    if (InterruptForwarded || !Interrupted() || !Controller)
        return;
    InterruptForwarded = true;
    Controller->RequestAbort(true);
}

void TConsoleFrontEnd::FlushOutput(bool now) {
    if (!OutputPending)
        return;
    const uint32_t tick = TickCount();
    if (!now && tick - LastFlushTick < kFlushMs)
        return;
    std::fflush(Streams.Out);
    OutputPending = false;
    LastFlushTick = tick;
}

void TConsoleFrontEnd::ClearProgress() {
    if (!ProgressShown)
        return;
    std::fputs("\r\033[K", Streams.Err);
    std::fflush(Streams.Err);
    ProgressShown = false;
}

void TConsoleFrontEnd::ReportError(const std::string& text) {
    FlushOutput(true);
    ClearProgress();
    std::fprintf(Streams.Err, "%s%s\n", texts::kPrefixError, TerminalLines(text).c_str());
    std::fflush(Streams.Err);
}

void TConsoleFrontEnd::AddLogLine(const TLogLine& line) {
    if (Spool)
        Spool->Add(line.Text);
    Totals.Count(line.Kind);
    ClearProgress();
    std::fprintf(Streams.Out, "%s\n", PrefixedText(line).c_str());
    OutputPending = true;
    ForwardInterrupt();
}

int TConsoleFrontEnd::ReadAnswer() {
    std::string line;
    while (true) {
        char c = 0;
        const ssize_t got = ::read(Streams.InFd, &c, 1);
        if (got < 0 && errno == EINTR) {
            if (Interrupted())
                return -1;
            continue;
        }
        if (got <= 0)
            return line.empty() ? 0 : line[0];
        if (c == '\n')
            return line.empty() ? ' ' : line[0];
        if (static_cast<unsigned char>(c) > 32 && line.empty())
            line += c;
    }
}

TConfirmAnswer TConsoleFrontEnd::Ask(const std::string& text, TQuestionButtons buttons,
                                     bool /*defaultNo*/) {
    ForwardInterrupt();
    const bool withCancel = buttons == TQuestionButtons::YesNoCancel;
    FlushOutput(true);
    ClearProgress();
    if (!Streams.AskOnTerminal) {
        std::fprintf(Streams.Err, "%s: %s%s%s\n", texts::kCaptionConfirmation,
                     TerminalLines(text).c_str(),
                     withCancel ? texts::kConsoleAskYesNoCancel : texts::kConsoleAskYesNo,
                     texts::kConsoleNoTerminal);
        std::fflush(Streams.Err);
        return caNo;
    }
    while (true) {
        std::fprintf(Streams.Err, "%s: %s%s", texts::kCaptionConfirmation,
                     TerminalLines(text).c_str(),
                     withCancel ? texts::kConsoleAskYesNoCancel : texts::kConsoleAskYesNo);
        std::fflush(Streams.Err);
        const int answer = ReadAnswer();
        if (answer < 0) {
            std::fputc('\n', Streams.Err);
            ForwardInterrupt();
            return withCancel ? caCancel : caNo;
        }
        if (answer == 0) {
            std::fputc('\n', Streams.Err);
            return caNo;
        }
        if (answer == 'y' || answer == 'Y')
            return caYes;
        if (answer == 'n' || answer == 'N')
            return caNo;
        if (withCancel && (answer == 'c' || answer == 'C'))
            return caCancel;
    }
}

void TConsoleFrontEnd::ShowRefusal(const std::string& text) {
    ReportError(text);
}

void TConsoleFrontEnd::ShowProgressRange(int64_t /*maximum*/) {
    ForwardInterrupt();
}

void TConsoleFrontEnd::ShowProgress(int32_t /*position*/, const std::string& caption) {
    ForwardInterrupt();
    if (!Streams.ShowProgress)
        return;
    const uint32_t now = TickCount();
    if (ProgressShown && now - LastDrawTick < kRedrawMs)
        return;
    LastDrawTick = now;
    std::fprintf(Streams.Err, "\r%s\033[K", caption.c_str());
    std::fflush(Streams.Err);
    ProgressShown = true;
}

void TConsoleFrontEnd::EndProgress() {
    FlushOutput(true);
    ClearProgress();
}

void TConsoleFrontEnd::ShowStatus(const std::string& /*path*/) {
    ForwardInterrupt();
}

uint32_t TConsoleFrontEnd::TickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000);
}

std::string TConsoleFrontEnd::DateTimeText() {
    return ::DateTimeText(Fs.LocalNow(), Names, Fs.TimeSeparator());
}
