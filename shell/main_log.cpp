// The main window's processing log: appending lines, drawing them, and the popup menu's
// commands. The list box holds every line; TLogList does the work.
#include "resources/resource.h"
#include "shell/log_list.h"
#include "shell/main_window.h"

namespace {
TLogList LogOf(const TMainWindow& window) {
    return TLogList(window.Handle, window.Item(IDC_LOG));
}
} // namespace

void TMainWindow::AddLogLine(const std::string& text, int32_t kind) {
    LogOf(*this).Add({text, kind});
    PumpMessages();
}

bool TMainWindow::DrawLogItem(const DRAWITEMSTRUCT& item) {
    return LogOf(*this).Draw(item);
}

void TMainWindow::ShowLogMenu(int x, int y) {
    LogOf(*this).ShowMenu(LogMenu, x, y);
}

void TMainWindow::CutLog() {
    LogOf(*this).Cut();
}

void TMainWindow::CopyLog() {
    LogOf(*this).Copy();
}

void TMainWindow::DeleteLog() {
    LogOf(*this).Delete();
}

void TMainWindow::SelectAllLog() {
    LogOf(*this).SelectAll();
}
