#include "shell/about.h"

#include "platform/handle.h"
#include "platform/tools.h"
#include "resources/resource.h"
#include "app/texts.h"
#include "shell/dialog.h"
#include "shell/links.h"

namespace {

const COLORREF kBackground = RGB(70, 122, 174);
const COLORREF kNameColour = RGB(255, 255, 255);
const COLORREF kLinkHover = RGB(255, 255, 255);
const COLORREF kLinkIdle = RGB(192, 192, 192);
constexpr int kNamePoints = 16;

bool IsLink(int id) {
    return id == IDC_ABOUT_MAIL || id == IDC_ABOUT_WEB;
}

LOGFONTA FontDescription(HWND dialog, int id) {
    LOGFONTA description{};
    const auto font = reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, id, WM_GETFONT, 0, 0));
    GetObjectA(font, sizeof(description), &description);
    return description;
}

// Id of the link label under a point in client coordinates, else 0.
int LinkAt(HWND dialog, LPARAM lParam) {
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    HWND child = ChildWindowFromPoint(dialog, point);
    const int id = child && child != dialog ? GetDlgCtrlID(child) : 0;
    return IsLink(id) ? id : 0;
}

// The panel's links and fonts; all of them are released on WM_DESTROY.
class TAboutDialog {
public:
    INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog);
            return TRUE;
        case WM_CTLCOLORDLG:
            return reinterpret_cast<INT_PTR>(Background.Get());
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_MOUSEMOVE:
            OnMouseMove(dialog, lParam);
            return TRUE;
        case WM_LBUTTONDOWN:
            OnButtonDown(dialog, lParam);
            return TRUE;
        case WM_LBUTTONUP:
            OnButtonUp(dialog, lParam);
            return TRUE;
        case WM_COMMAND:
            // OK and Enter close; Esc (IDCANCEL) is left unhandled on purpose.
            if (LOWORD(wParam) != IDC_ABOUT_OK)
                return FALSE;
            EndDialog(dialog, 0);
            return TRUE;
        case WM_DESTROY:
            OnDestroy();
            return TRUE;
        default:
            return FALSE;
        }
    }

private:
    TGdiObject& FontOf(int id) {
        return id == IDC_ABOUT_MAIL ? MailFont : id == IDC_ABOUT_WEB ? WebFont : NameFont;
    }

    // Gives the label a font made from the description; the label's previous own font is
    // deleted only after the new one is in place.
    void SetLabelFont(HWND dialog, int id, const LOGFONTA& description) {
        HFONT font = CreateFontIndirectA(&description);
        SendDlgItemMessageA(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        FontOf(id).Attach(font);
    }

    void SetUnderline(HWND dialog, int id, bool underline) {
        LOGFONTA description = FontDescription(dialog, id);
        description.lfUnderline = underline ? TRUE : FALSE;
        SetLabelFont(dialog, id, description);
        InvalidateRect(GetDlgItem(dialog, id), nullptr, TRUE);
    }

    void OnInitDialog(HWND dialog) {
        CenterOnOwner(dialog);
        Background.Attach(CreateSolidBrush(kBackground));
        LOGFONTA description = FontDescription(dialog, IDC_ABOUT_NAME);
        SetLabelFont(dialog, IDC_ABOUT_MAIL, description);
        SetLabelFont(dialog, IDC_ABOUT_WEB, description);
        description.lfWeight = FW_BOLD;
        HDC screen = GetDC(nullptr);
        description.lfHeight = -MulDiv(kNamePoints, GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
        SetLabelFont(dialog, IDC_ABOUT_NAME, description);

        SetWindowTextA(dialog, texts::kAboutCaption);
        SetDlgItemTextA(dialog, IDC_ABOUT_FIRST_LINE, texts::kAboutFirstLine);
        SetDlgItemTextA(dialog, IDC_ABOUT_NAME, texts::kProgramTitle);
        SetDlgItemTextA(dialog, IDC_ABOUT_VERSION,
                        GetVersionText(GetModulePath(nullptr), texts::kAboutVersionWord,
                                       texts::kAboutBuildWord, true)
                            .c_str());
        SetDlgItemTextA(dialog, IDC_ABOUT_MAIL, texts::kMailAddress);
        SetDlgItemTextA(dialog, IDC_ABOUT_WEB, texts::kWebHost);
        SetDlgItemTextA(dialog, IDC_ABOUT_OK, texts::kAboutOk);
    }

    INT_PTR OnCtlColorStatic(HDC dc, HWND control) const {
        const int id = GetDlgCtrlID(control);
        if (id == IDC_ABOUT_NAME)
            SetTextColor(dc, kNameColour);
        else if (IsLink(id))
            SetTextColor(dc, id == HoveredLink ? kLinkHover : kLinkIdle);
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(Background.Get());
    }

    void OnMouseMove(HWND dialog, LPARAM lParam) {
        const int hovered = LinkAt(dialog, lParam);
        if (hovered == HoveredLink)
            return;
        const int previous = HoveredLink;
        HoveredLink = hovered;
        if (previous)
            SetUnderline(dialog, previous, false);
        if (hovered)
            SetUnderline(dialog, hovered, true);
    }

    void OnButtonDown(HWND dialog, LPARAM lParam) {
        PressedLink = LinkAt(dialog, lParam);
        if (!PressedLink)
            SendMessageA(dialog, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0); // drag the panel
    }

    void OnButtonUp(HWND dialog, LPARAM lParam) {
        const int released = LinkAt(dialog, lParam);
        const int pressed = PressedLink;
        PressedLink = 0;
        if (!pressed || released != pressed)
            return;
        OpenLink(nullptr, pressed == IDC_ABOUT_MAIL ? MailUrl : HomeUrl);
        EndDialog(dialog, 0);
    }

    void OnDestroy() {
        HoveredLink = 0;
        PressedLink = 0;
        NameFont.Close();
        MailFont.Close();
        WebFont.Close();
        Background.Close();
    }

    int HoveredLink = 0; // 0, IDC_ABOUT_MAIL or IDC_ABOUT_WEB
    int PressedLink = 0;
    TGdiObject Background;
    TGdiObject NameFont;
    TGdiObject MailFont;
    TGdiObject WebFont;
};

} // namespace

void ShowAboutDialog(HWND owner) {
    TAboutDialog dialog;
    RunModalDialog(owner, "ABOUT", dialog);
}
