#include "shell/remind.h"

#include "platform/tools.h"
#include "resources/resource.h"
#include "app/texts.h"
#include "shell/dialog.h"
#include "shell/links.h"
#include "shell/settings.h"

namespace {

// Days after the last check during which no reminder is shown.
constexpr int kQuietDays = 7;

// Asks for an update check; either answer stores the "Don't remind me again!" box.
class TReminderDialog {
public:
    INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog);
            return FALSE;
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam));
        default:
            return FALSE;
        }
    }

private:
    static void OnInitDialog(HWND dialog) {
        SetWindowTextA(dialog, texts::kReminderCaption);
        SetDlgItemTextA(dialog, IDC_MIND_TEXT, texts::kReminderText);
        SetDlgItemTextA(dialog, IDC_MIND_DONT_REMIND, texts::kReminderDontRemind);
        SetDlgItemTextA(dialog, IDC_MIND_YES, texts::kReminderYes);
        SetDlgItemTextA(dialog, IDC_MIND_NO, texts::kReminderNo);
        CheckDlgButton(dialog, IDC_MIND_DONT_REMIND, RemindToCheck ? BST_UNCHECKED : BST_CHECKED);
        CenterOnOwner(dialog);
        SetFocus(GetDlgItem(dialog, IDC_MIND_YES));
    }

    // Esc (IDCANCEL) is left unhandled on purpose: only Yes and No close the reminder.
    static BOOL OnCommand(HWND dialog, int id) {
        if (id != IDC_MIND_YES && id != IDC_MIND_NO)
            return FALSE;
        RemindToCheck = IsDlgButtonChecked(dialog, IDC_MIND_DONT_REMIND) != BST_CHECKED;
        EndDialog(dialog, id == IDC_MIND_YES ? 1 : 2);
        return TRUE;
    }
};

} // namespace

bool IsReminderDue(bool remindToCheck, int lastUpdateCheck, int today) {
    // In 64 bits: "Checked" comes from the registry and may hold any 32-bit value.
    return remindToCheck && lastUpdateCheck > 0 &&
           static_cast<long long>(today) > static_cast<long long>(lastUpdateCheck) + kQuietDays;
}

bool ShowReminderDialog(HWND owner) {
    TReminderDialog dialog;
    return RunModalDialog(owner, "MIND", dialog) == 1;
}

void CheckForUpdates(HWND owner, bool remind, int today, int& lastUpdateCheck) {
    if (remind && !ShowReminderDialog(owner))
        return;
    OpenLink(owner, MakeUpdateAddress());
    lastUpdateCheck = today;
}
