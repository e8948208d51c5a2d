// The two "..." buttons of the main window: browsing for the folder, and editing the
// checksum-file name, whose edit is enabled only until it loses the focus.
#include "shell/main_window.h"

#include "platform/blanks.h"
#include "platform/tools.h"
#include "resources/resource.h"
#include "app/texts.h"
#include "shell/save_dialog.h"

// Stands in for the name edit's procedure while the name is edited: the edit losing the
// focus ends the editing.
LRESULT CALLBACK TMainWindow::NameEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    // The window object outlives the stand-in: its destructor gives the edit its own back.
    TMainWindow* window = MainWindowOf(GetParent(edit));
    const WNDPROC own = window ? window->NameEditOwnProc : nullptr;
    if (message == WM_KILLFOCUS && window) {
        try {
            window->EndNameEdit();
        } catch (...) {
            // The message still reaches the edit below.
        }
    }
    return own ? CallWindowProcA(own, edit, message, wParam, lParam)
               : DefWindowProcA(edit, message, wParam, lParam);
}

void TMainWindow::EndNameEdit() {
    RestoreNameEditProc();
    EnableWindow(Item(IDC_EDIT_NAME), TRUE);
    EnableWindow(Item(IDC_NAME), FALSE);
    StoreNameForMode();
}

void TMainWindow::RestoreNameEditProc() {
    if (NameEditOwnProc)
        SetWindowLongPtrA(Item(IDC_NAME), GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(NameEditOwnProc));
    NameEditOwnProc = nullptr;
}

void TMainWindow::EditChecksumName() {
    if (GetPlacement() == plTreeAnyPlace) {
        std::string name = GetChecksumName();
        // The dialog starts in the folder being processed.
        if (AskSaveFileName(Handle, texts::kSelectChecksumFile, texts::kAllFilesFilter, "",
                            TrimBlanks(GetDlgItemString(Handle, IDC_FOLDER)), name))
            SetChecksumName(name);
    }
    HWND edit = Item(IDC_NAME);
    // A second click before the edit lost the focus must not wrap the procedure twice.
    if (!NameEditOwnProc)
        NameEditOwnProc = reinterpret_cast<WNDPROC>(
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
