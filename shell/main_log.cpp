// The main window's processing log: appending lines, drawing them, the popup menu's
// commands and their keys, and saving the log. The list box holds every line; TLogList does
// the work.
#include "app/log.h"
#include "app/texts.h"
#include "platform/files.h"
#include "resources/resource.h"
#include "shell/log_list.h"
#include "shell/main_window.h"
#include "shell/msgbox.h"
#include "shell/save_dialog.h"

TLogList TMainWindow::Log() const {
    return TLogList(Handle, Item(IDC_LOG));
}

void TMainWindow::AddLogLine(const std::string& text, int32_t kind) {
    Log().Add({text, kind});
    PumpMessages();
}

bool TMainWindow::DrawLogItem(const DRAWITEMSTRUCT& item) {
    return Log().Draw(item);
}

void TMainWindow::ShowLogMenu(int x, int y) {
    Log().ShowMenu(LogPopupMenu, x, y);
}

INT_PTR TMainWindow::OnLogKey(UINT key) {
    const bool control = GetKeyState(VK_CONTROL) < 0;
    int command = 0;
    if (key == VK_DELETE && !control)
        command = IDM_LOG_DELETE;
    else if (control && key == 'X')
        command = IDM_LOG_CUT;
    else if (control && key == 'C')
        command = IDM_LOG_COPY;
    else if (control && key == 'A')
        command = IDM_LOG_SELECT_ALL;
    if (command == 0)
        return -1;
    OnCommand(command, 0);
    return -2;
}

// Every line as the log file of /a holds it. A failed save names the system's reason.
void TMainWindow::SaveLogAs() {
    std::string name = SavedLogName.empty() ? texts::kSaveLogName : SavedLogName;
    if (!AskSaveFileName(Handle, texts::kSaveLogTitle, texts::kLogFilesFilter, "log", "", name))
        return;
    std::string message;
    if (!SaveLogFile(files::NativeFileSystem(), name, Log().Texts(), message)) {
        ShowMessageBox(Handle, message, texts::kCaptionError, MB_OK | MB_ICONERROR);
        return;
    }
    SavedLogName = name;
}
