#include "shell/usage.h"

#include "platform/tools.h"
#include "resources/resource.h"
#include "shell/core_cmdline.h"
#include "shell/core_texts.h"

namespace {

constexpr int kMargin = 2;

// The dialog's smallest size: its window size when it opened.
struct TUsageState {
    int MinWidth = 0;
    int MinHeight = 0;
};

// OK at the bottom-left corner keeping its size; the text fills the rest.
void LayoutUsage(HWND dialog) {
    RECT client;
    GetClientRect(dialog, &client);
    const TControlRect button = GetControlRect(dialog, IDC_USAGE_OK);
    const int buttonY = client.bottom - kMargin - (button.Rect.bottom - button.Rect.top);
    SetWindowPos(button.Window, nullptr, kMargin, buttonY, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(GetDlgItem(dialog, IDC_USAGE_TEXT), nullptr, kMargin, kMargin,
                 client.right - 2 * kMargin, buttonY - 2 * kMargin, SWP_NOZORDER);
    InvalidateRect(dialog, nullptr, TRUE);
}

void OnInitDialog(HWND dialog, TUsageState* state) {
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    CenterOnOwner(dialog);
    LayoutUsage(dialog);
    RECT window;
    GetWindowRect(dialog, &window);
    state->MinWidth = window.right - window.left;
    state->MinHeight = window.bottom - window.top;
    SetWindowTextA(dialog, texts::kUsageCaption);
    SetDlgItemTextA(dialog, IDC_USAGE_TEXT, UsageText('/').c_str());
    SetDlgItemTextA(dialog, IDC_USAGE_OK, texts::kUsageOk);
}

void OnSizing(const TUsageState& state, RECT& proposed) {
    if (proposed.right - proposed.left < state.MinWidth)
        proposed.right = proposed.left + state.MinWidth;
    if (proposed.bottom - proposed.top < state.MinHeight)
        proposed.bottom = proposed.top + state.MinHeight;
}

INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<TUsageState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog, reinterpret_cast<TUsageState*>(lParam));
        return TRUE;
    case WM_SIZE:
        LayoutUsage(dialog);
        return TRUE;
    case WM_SIZING:
        if (state)
            OnSizing(*state, *reinterpret_cast<RECT*>(lParam));
        return TRUE;
    case WM_COMMAND:
        // Only OK closes: Esc (IDCANCEL) is left unhandled on purpose.
        if (LOWORD(wParam) != IDC_USAGE_OK)
            return FALSE;
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK UsageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return HandleMessage(dialog, message, wParam, lParam);
    } catch (...) {
        return TRUE;
    }
}

} // namespace

void ShowUsageDialog(HWND owner) {
    TUsageState state;
    DialogBoxParamA(GetModuleHandleA(nullptr), "CMDLINE", owner, UsageDialogProc,
                    reinterpret_cast<LPARAM>(&state));
}
