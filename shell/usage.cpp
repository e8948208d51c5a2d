#include "shell/usage.h"

#include "platform/handle.h"
#include "platform/tools.h"
#include "resources/resource.h"
#include "app/cmdline.h"
#include "app/format.h"
#include "app/texts.h"
#include "shell/dialog.h"

#include <utility>

namespace {

constexpr int kMargin = 2;

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
void EnsureMonospacedText(HWND dialog, TGdiObject& textFont) {
    HWND text = GetDlgItem(dialog, IDC_USAGE_TEXT);
    const auto font = reinterpret_cast<HFONT>(SendMessageA(text, WM_GETFONT, 0, 0));
    LOGFONTA shape{};
    if (!font || IsFixedPitch(text, font) || !GetObjectA(font, sizeof shape, &shape))
        return;
    shape.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(shape.lfFaceName, "Courier New", LF_FACESIZE);
    textFont.Attach(CreateFontIndirectA(&shape));
    if (textFont)
        SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.Get()), FALSE);
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

// The usage text, laid out again whenever the dialog is resized, never below the size it
// opened with.
class TUsageDialog {
public:
    explicit TUsageDialog(std::string text) : Text(std::move(text)) {}

    INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog);
            return FALSE;
        case WM_SIZE:
            LayoutUsage(dialog);
            return TRUE;
        case WM_SIZING:
            OnSizing(*reinterpret_cast<RECT*>(lParam));
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

private:
    void OnInitDialog(HWND dialog) {
        CenterOnOwner(dialog);
        LayoutUsage(dialog);
        RECT window;
        GetWindowRect(dialog, &window);
        MinWidth = window.right - window.left;
        MinHeight = window.bottom - window.top;
        EnsureMonospacedText(dialog, TextFont);
        SetWindowTextA(dialog, texts::kUsageCaption);
        SetDlgItemTextA(dialog, IDC_USAGE_TEXT, Text.c_str());
        SetDlgItemTextA(dialog, IDC_USAGE_OK, texts::kUsageOk);
        // The text comes first in the Tab order; the focus starts on OK, so Enter closes.
        SetFocus(GetDlgItem(dialog, IDC_USAGE_OK));
    }

    void OnSizing(RECT& proposed) const {
        if (proposed.right - proposed.left < MinWidth)
            proposed.right = proposed.left + MinWidth;
        if (proposed.bottom - proposed.top < MinHeight)
            proposed.bottom = proposed.top + MinHeight;
    }

    std::string Text;
    int MinWidth = 0; // the window size when it opened
    int MinHeight = 0;
    TGdiObject TextFont; // put on the text when the template's face is missing
};

} // namespace

void ShowUsageDialog(HWND owner, const std::string& badArgument) {
    TUsageDialog dialog(
        (badArgument.empty() ? "" : FormatText(texts::kBadArgument, {badArgument}) + "\r\n\r\n") +
        UsageText('/'));
    RunModalDialog(owner, "CMDLINE", dialog);
}
