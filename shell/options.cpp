#include "shell/options.h"

#include <algorithm>

#include "app/run.h"
#include "platform/tools.h"
#include "resources/resource.h"
#include "app/texts.h"
#include "shell/dialog.h"
#include "shell/explorer_menu.h"
#include "shell/msgbox.h"
#include "shell/settings.h"

namespace {

void SetTexts(HWND dialog) {
    SetWindowTextA(dialog, texts::kOptionsCaption);
    SetDlgItemTextA(dialog, IDC_OPT_DETAILED, texts::kOptionsDetailedLog);
    SetDlgItemTextA(dialog, IDC_OPT_TOOLTIPS, texts::kOptionsToolTips);
    SetDlgItemTextA(dialog, IDC_OPT_REMIND, texts::kOptionsRemind);
    SetDlgItemTextA(dialog, IDC_OPT_EXPLORER, texts::kOptionsExplorerMenu);
    SetDlgItemTextA(dialog, IDC_OPT_HEADERS, texts::kOptionsHeaders);
    SetDlgItemTextA(dialog, IDC_OPT_HDR_NONE, texts::kOptionsHeaderNone);
    SetDlgItemTextA(dialog, IDC_OPT_HDR_STANDARD, texts::kOptionsHeaderStandard);
    SetDlgItemTextA(dialog, IDC_OPT_HDR_WINSFV, texts::kOptionsHeaderWinSfv);
    SetDlgItemTextA(dialog, IDC_OPT_WORKERS_LABEL, texts::kOptionsWorkers);
    SetDlgItemTextA(dialog, IDC_OPT_QUICK, texts::kOptionsQuick);
    SetDlgItemTextA(dialog, IDC_OPT_MOVED, texts::kOptionsMoved);
    SetDlgItemTextA(dialog, IDC_OPT_OK, texts::kOptionsOk);
    SetDlgItemTextA(dialog, IDC_OPT_CANCEL, texts::kOptionsCancel);
}

void Check(HWND dialog, int id, bool on) {
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

bool IsChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// The dialog keeps nothing of its own: the controls are filled from the settings, the
// worker count and the menu on opening and copied back only on OK.
class TOptionsDialog {
public:
    TOptionsDialog(int32_t& workers, TExplorerMenu& menu) : Workers(workers), Menu(menu) {}

    INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog);
            return FALSE;
        case WM_COMMAND:
            // Esc (IDCANCEL) is left unhandled on purpose: only the two buttons close.
            switch (LOWORD(wParam)) {
            case IDC_OPT_OK:
                OnOk(dialog);
                return TRUE;
            case IDC_OPT_CANCEL:
                EndDialog(dialog, 1);
                return TRUE;
            default:
                return FALSE;
            }
        default:
            return FALSE;
        }
    }

private:
    void OnInitDialog(HWND dialog) {
        SetTexts(dialog);
        Check(dialog, IDC_OPT_DETAILED, DetailedLog);
        Check(dialog, IDC_OPT_TOOLTIPS, ShowToolTips);
        Check(dialog, IDC_OPT_REMIND, RemindToCheck);
        Check(dialog, IDC_OPT_EXPLORER, Menu.IsOn());
        Check(dialog, IDC_OPT_QUICK, QuickUpdate);
        Check(dialog, IDC_OPT_MOVED, MovedFiles);
        // Mode 3 (only from the command line) writes no header and selects no button; any
        // other value outside 0..2 shows as no header.
        if (HeaderMode != 3) {
            const bool known = HeaderMode == 1 || HeaderMode == 2;
            CheckRadioButton(dialog, IDC_OPT_HDR_NONE, IDC_OPT_HDR_WINSFV,
                             IDC_OPT_HDR_NONE + (known ? HeaderMode : 0));
        }
        SendDlgItemMessageA(dialog, IDC_OPT_WORKERS, EM_LIMITTEXT, 2, 0);
        SetDlgItemInt(dialog, IDC_OPT_WORKERS, static_cast<UINT>(Workers), FALSE);
        CenterOnOwner(dialog);
        SetFocus(GetDlgItem(dialog, IDC_OPT_DETAILED));
    }

    void OnOk(HWND dialog) {
        // The registry first: a menu that cannot be switched keeps the dialog open.
        const bool menu = IsChecked(dialog, IDC_OPT_EXPLORER);
        if (menu != Menu.IsOn()) {
            if (const TRegistryFault fault = Menu.Switch(menu)) {
                ShowMessageBox(dialog, ExplorerMenuFaultText(fault, !menu), texts::kCaptionError,
                               MB_OK | MB_ICONERROR);
                Check(dialog, IDC_OPT_EXPLORER, Menu.IsOn());
                return;
            }
        }
        DetailedLog = IsChecked(dialog, IDC_OPT_DETAILED);
        ShowToolTips = IsChecked(dialog, IDC_OPT_TOOLTIPS);
        RemindToCheck = IsChecked(dialog, IDC_OPT_REMIND);
        QuickUpdate = IsChecked(dialog, IDC_OPT_QUICK);
        MovedFiles = IsChecked(dialog, IDC_OPT_MOVED);
        HeaderMode = 0;
        for (int mode = 1; mode <= 2; ++mode)
            if (IsChecked(dialog, IDC_OPT_HDR_NONE + mode))
                HeaderMode = mode;
        // An empty or out-of-range count keeps the nearest one allowed.
        BOOL read = FALSE;
        const UINT workers = GetDlgItemInt(dialog, IDC_OPT_WORKERS, &read, FALSE);
        Workers =
            read ? std::clamp(static_cast<int32_t>(workers), kWorkersByDisk, kMaxWorkers) : Workers;
        EndDialog(dialog, 0);
    }

    int32_t& Workers; // the window's worker count
    TExplorerMenu& Menu;
};

} // namespace

int ShowOptionsDialog(HWND owner, int32_t& workers, TExplorerMenu& explorerMenu) {
    TOptionsDialog dialog(workers, explorerMenu);
    return RunModalDialog(owner, "OPTIONS", dialog) == 0 ? 0 : 1;
}
