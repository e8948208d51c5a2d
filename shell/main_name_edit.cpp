// The two "..." buttons of the main window: browsing for the folder, and editing the
// checksum-file name, whose edit is enabled only until it loses the focus.
#include "shell/main_window.h"

#include "platform/tools.h"
#include "resources/resource.h"
#include "app/texts.h"
#include "shell/save_dialog.h"

namespace {

// The name edit's own procedure while NameEditProc stands in for it.
WNDPROC OldNameEditProc = nullptr;

void RestoreNameEditProc(HWND edit) {
    if (OldNameEditProc)
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OldNameEditProc));
    OldNameEditProc = nullptr;
}

LRESULT CALLBACK NameEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC old = OldNameEditProc;
    try {
        if (message == WM_KILLFOCUS) {
            RestoreNameEditProc(edit);
            if (MainWindow) {
                EnableWindow(MainWindow->Item(IDC_EDIT_NAME), TRUE);
                EnableWindow(edit, FALSE);
                MainWindow->StoreNameForMode();
            }
        } else if (message == WM_NCDESTROY) {
            RestoreNameEditProc(edit);
        }
    } catch (...) {
        // The message still reaches the edit below.
    }
    return old ? CallWindowProcA(old, edit, message, wParam, lParam)
               : DefWindowProcA(edit, message, wParam, lParam);
}

} // namespace

void TMainWindow::EditChecksumName() {
    if (GetPlacement() == plTreeAnyPlace) {
        std::string name = GetChecksumName();
        if (AskSaveFileName(Handle, texts::kSelectChecksumFile, texts::kAllFilesFilter, "", name))
            SetChecksumName(name);
    }
    HWND edit = Item(IDC_NAME);
    // A second click before the edit lost the focus must not wrap the procedure twice.
    if (!OldNameEditProc)
        OldNameEditProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NameEditProc)));
    EnableWindow(Item(IDC_EDIT_NAME), FALSE);
    EnableWindow(edit, TRUE);
    SetFocus(edit);
}

void TMainWindow::BrowseFolder() {
    std::string folder = GetDlgItemString(Handle, IDC_FOLDER);
    if (BrowseForFolder(Handle, texts::kSelectFolder, folder))
        SetFolder(folder);
}
