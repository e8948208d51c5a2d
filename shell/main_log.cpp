// The main window's processing log: appending lines, drawing them, and the popup menu's
// commands. The list box holds every line; TLogList does the work.
#include "resources/resource.h"
#include "shell/log_list.h"
#include "shell/main_window.h"

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
