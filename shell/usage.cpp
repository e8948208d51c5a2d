#include "shell/usage.h"

#include "platform/handle.h"
#include "platform/tools.h"
#include "resources/resource.h"
#include "app/cmdline.h"
#include "app/texts.h"

namespace {

constexpr int kMargin = 2;

// The dialog's smallest size (its window size when it opened) and the font put on the
// text when the template's face is missing; the font outlives the dialog.
struct TUsageState {
    int MinWidth = 0;
    int MinHeight = 0;
    TGdiObject TextFont;
};

bool IsFixedPitch(HWND window, HFONT font) {
    HDC dc = GetDC(window);
    if (!dc)
        return true;
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    // The flag, despite its name, marks a variable-pitch font.
    return (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0;
}

// The usage text lines up in columns only in a monospaced font: where the template's
// "Courier" is not installed, the same size in any fixed-pitch face.
void EnsureMonospacedText(HWND dialog, TUsageState& state) {
    HWND text = GetDlgItem(dialog, IDC_USAGE_TEXT);
    const auto font = reinterpret_cast<HFONT>(SendMessageA(text, WM_GETFONT, 0, 0));
    LOGFONTA shape{};
    if (!font || IsFixedPitch(text, font) || !GetObjectA(font, sizeof shape, &shape))
        return;
    shape.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(shape.lfFaceName, "Courier New", LF_FACESIZE);
    state.TextFont.Attach(CreateFontIndirectA(&shape));
    if (state.TextFont)
        SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(state.TextFont.Get()), FALSE);
}

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
    EnsureMonospacedText(dialog, *state);
    SetWindowTextA(dialog, texts::kUsageCaption);
    SetDlgItemTextA(dialog, IDC_USAGE_TEXT, UsageText('/').c_str());
    SetDlgItemTextA(dialog, IDC_USAGE_OK, texts::kUsageOk);
    // The text comes first in the Tab order; the focus starts on OK, so Enter closes.
    SetFocus(GetDlgItem(dialog, IDC_USAGE_OK));
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
        return FALSE;
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
