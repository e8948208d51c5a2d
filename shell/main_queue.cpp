// The runs that later programs of the user hand over (shell/instance.h): each is queued,
// and started once the window is idle (no run, no dialog or message box over it), one after
// another, each with its own START to STAT block. A handed-over run takes the window's
// settings with its own options for that run only: nothing of it stays in the window, so
// one run's options never reach the next. The status bar shows how many runs wait. Runs of
// /a and /q are never handed over: the window saves no log for a queued run and closes
// only by hand.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "app/format.h"
#include "app/texts.h"
#include "platform/tools.h"
#include "resources/resource.h"
#include "shell/log_list.h"
#include "shell/main_window.h"

namespace {

// The status bar's part for the count of waiting runs, in dialog units.
constexpr int kWaitingPartWidth = 70;

// A handed-over run resolves relative names in the folder its program was started in.
class TCurrentFolder {
public:
    explicit TCurrentFolder(const std::string& folder) {
        char own[MAX_PATH * 4] = "";
        if (GetCurrentDirectoryA(sizeof own, own) > 0 && SetCurrentDirectoryA(folder.c_str()))
            Own = own;
    }
    ~TCurrentFolder() {
        if (!Own.empty())
            SetCurrentDirectoryA(Own.c_str());
    }
    TCurrentFolder(const TCurrentFolder&) = delete;
    TCurrentFolder& operator=(const TCurrentFolder&) = delete;

private:
    std::string Own;
};

} // namespace

LRESULT TMainWindow::OnCopyData(const COPYDATASTRUCT& data) {
    THandedOverCommand command;
    // A window about to close takes nothing: the sender then waits for this program to end
    // and runs the command itself.
    if (Closing || !ReadHandOver(data, command) || !IsHandOverCommand(command.CommandLine))
        return kHandOverRefused;
    Queue.push_back(std::move(command));
    ShowWaiting();
    // Posted: the sender's SendMessage returns at once, and the run starts from the loop.
    ServeQueue();
    return kHandOverTaken;
}

void TMainWindow::ServeQueue() {
    if (!Queue.empty())
        PostMessageA(Handle, kRunQueuedMessage, 0, 0);
}

void TMainWindow::RunQueued() {
    // Busy: the end of the run, or of the dialog (WM_ENABLE), serves the queue again.
    if (Queue.empty() || Running || !IsWindowEnabled(Handle))
        return;
    const THandedOverCommand command = Queue.front();
    Queue.pop_front();
    ShowWaiting();
    TCurrentFolder folder(command.Folder);
    const TCommandLine line = ::ParseCommandLine(SplitCommandLine(command.CommandLine), true);
    TRunSettings settings = RunSettingsWith(line);
    settings.KeepFindings = line.ReportFileName.has_value();
    settings.Slice = line.Slice.value_or(TSlice());
    PerformRun(line.StartUpdate ? IDC_UPDATE : IDC_VERIFY, settings,
               {false, "", line.ReportFileName.value_or("")}, true);
}

void TMainWindow::ShowWaiting() {
    HWND status = Item(IDC_STATUS);
    if (Queue.empty()) {
        if (SendMessageA(status, SB_GETPARTS, 0, 0) == 1)
            return;
        int whole = -1;
        SendMessageA(status, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&whole));
        return;
    }
    RECT client;
    GetClientRect(status, &client);
    const int width = MulDiv(kWaitingPartWidth, LOWORD(GetDialogBaseUnits()), 4);
    int parts[2] = {std::max(0, static_cast<int>(client.right) - width), -1};
    SendMessageA(status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    const std::string text = FormatText(texts::kRunsWaiting, {Queue.size()});
    SendMessageA(status, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text.c_str()));
}
