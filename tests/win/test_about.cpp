// The About panel: its texts, fonts and colours, the links lighting up under the mouse,
// clicks that open a link only when pressed and released on the same one, and dragging.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "version.h"
#include "platform/tools.h"
#include "resources/resource.h"
#include "shell/about.h"
#include "shell/links.h"
#include "tests/win/dialog_driver.h"

using namespace dialog_driver;

namespace {

const COLORREF kSilver = RGB(192, 192, 192);
const COLORREF kWhite = RGB(255, 255, 255);

enum TSpot { spMail, spWeb, spBackground, spOkButton, spVersion };

// A client point over the spot: the centre of its control, or a bare part of the panel.
LPARAM PointAt(HWND dialog, TSpot spot) {
    int id = 0;
    switch (spot) {
    case spMail:
        id = IDC_ABOUT_MAIL;
        break;
    case spWeb:
        id = IDC_ABOUT_WEB;
        break;
    case spOkButton:
        id = IDC_ABOUT_OK;
        break;
    case spVersion:
        id = IDC_ABOUT_VERSION;
        break;
    case spBackground: {
        RECT bare{101, 55, 101, 55}; // dialog units between the links and OK, below the texts
        MapDialogRect(dialog, &bare);
        return MAKELPARAM(bare.left, bare.top);
    }
    }
    const RECT r = GetControlRect(dialog, id).Rect;
    return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

LOGFONTA FontOf(HWND dialog, int id) {
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, id, WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    return font;
}

// The text colour the panel picks for a label, read back from a scratch device context.
COLORREF TextColourOf(HWND dialog, int id, COLORREF before = RGB(1, 2, 3)) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, before);
    SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    const COLORREF colour = GetTextColor(dc);
    DeleteDC(dc);
    return colour;
}

COLORREF BrushColour(LRESULT brush) {
    LOGBRUSH description{};
    GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof(description), &description);
    return description.lbColor;
}

class AboutDialog : public testing::Test {
protected:
    void SetUp() override {
        const TWebLinks links = MakeWebLinks("1.5.0");
        HomeUrl = links.HomeUrl;
        MailUrl = links.MailUrl;
        SetOpenLinkHook([this](HWND parent, const std::string& address) {
            Opened.push_back(address);
            Parents.push_back(parent);
        });
    }
    void TearDown() override { SetOpenLinkHook(nullptr); }

    // Runs the panel with the steps; true when every step found it open.
    bool Run(std::vector<TStep> steps) {
        const size_t count = steps.size();
        size_t stepsRun = 0;
        Drive(
            [] {
                ShowAboutDialog(nullptr);
                return 0;
            },
            std::move(steps), &stepsRun);
        return stepsRun == count;
    }

    std::vector<std::string> Opened;
    std::vector<HWND> Parents;
};

TEST_F(AboutDialog, ShowsNameVersionAndLinks) {
    std::vector<std::string> shown;
    LOGFONTA name{}, mail{}, web{};
    int pixelsPerInch = 0;
    LONG_PTR style = 0;
    Run({[&](HWND dialog) {
        style = GetWindowLongPtrA(dialog, GWL_STYLE);
        for (int id : {IDC_ABOUT_FIRST_LINE, IDC_ABOUT_NAME, IDC_ABOUT_VERSION, IDC_ABOUT_MAIL,
                       IDC_ABOUT_WEB, IDC_ABOUT_OK})
            shown.push_back(ItemText(dialog, id));
        shown.push_back(WindowText(dialog));
        name = FontOf(dialog, IDC_ABOUT_NAME);
        mail = FontOf(dialog, IDC_ABOUT_MAIL);
        web = FontOf(dialog, IDC_ABOUT_WEB);
        HDC screen = GetDC(nullptr);
        pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        Click(dialog, IDC_ABOUT_OK);
    }});
    const std::string version = std::string("version ") + TLVN_VERSION_TEXT + " (build " +
                                std::to_string(TLVN_VERSION_BUILD) + ")";
    const std::vector<std::string> expected = {"(c) 2026 The Tolvane developers",
                                               "Tolvane",
                                               version,
                                               "tlvn@example.org",
                                               "tolvane.example.org",
                                               "OK",
                                               "About"};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), 0);
    EXPECT_EQ(name.lfWeight, FW_BOLD);
    EXPECT_EQ(name.lfHeight, -MulDiv(16, pixelsPerInch, 72));
    EXPECT_STREQ(mail.lfFaceName, "Arial");
    EXPECT_STREQ(web.lfFaceName, "Arial");
    EXPECT_FALSE(mail.lfUnderline);
    EXPECT_FALSE(web.lfUnderline);
    EXPECT_LT(mail.lfWeight, FW_BOLD);
}

TEST_F(AboutDialog, PaintsItsColours) {
    COLORREF panel = 0, statics = 0, nameColour = 0, mailColour = 0, firstColour = 0;
    Run({[&](HWND dialog) {
        HDC dc = CreateCompatibleDC(nullptr);
        panel = BrushColour(SendMessageA(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(dialog)));
        statics = BrushColour(
            SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_ABOUT_VERSION))));
        DeleteDC(dc);
        nameColour = TextColourOf(dialog, IDC_ABOUT_NAME);
        mailColour = TextColourOf(dialog, IDC_ABOUT_MAIL);
        firstColour = TextColourOf(dialog, IDC_ABOUT_FIRST_LINE);
        Click(dialog, IDC_ABOUT_OK);
    }});
    EXPECT_EQ(panel, RGB(70, 122, 174));
    EXPECT_EQ(statics, RGB(70, 122, 174));
    EXPECT_EQ(nameColour, kWhite);
    EXPECT_EQ(mailColour, kSilver);
    EXPECT_EQ(firstColour, RGB(1, 2, 3)) << "the first line keeps the colour it had";
}

TEST_F(AboutDialog, LinksLightUpUnderTheMouse) {
    struct TCase {
        TSpot MoveTo;
        bool MailLit;
        bool WebLit;
    };
    const TCase moves[] = {
        {spMail, true, false}, {spWeb, false, true},       {spBackground, false, false},
        {spWeb, false, true},  {spOkButton, false, false}, {spMail, true, false},
        {spMail, true, false}, {spVersion, false, false},
    };
    std::vector<TStep> steps;
    for (const TCase& c : moves)
        steps.push_back([c](HWND dialog) {
            SendMessageA(dialog, WM_MOUSEMOVE, 0, PointAt(dialog, c.MoveTo));
            SCOPED_TRACE(testing::Message() << "moved to spot " << c.MoveTo);
            EXPECT_EQ(FontOf(dialog, IDC_ABOUT_MAIL).lfUnderline != 0, c.MailLit);
            EXPECT_EQ(FontOf(dialog, IDC_ABOUT_WEB).lfUnderline != 0, c.WebLit);
            EXPECT_EQ(TextColourOf(dialog, IDC_ABOUT_MAIL), c.MailLit ? kWhite : kSilver);
            EXPECT_EQ(TextColourOf(dialog, IDC_ABOUT_WEB), c.WebLit ? kWhite : kSilver);
            EXPECT_STREQ(FontOf(dialog, IDC_ABOUT_WEB).lfFaceName, "Arial");
        });
    steps.push_back([](HWND dialog) { Click(dialog, IDC_ABOUT_OK); });
    EXPECT_TRUE(Run(steps));
    EXPECT_TRUE(Opened.empty());
}

TEST_F(AboutDialog, OpensALinkOnlyWhenPressedAndReleasedOnIt) {
    struct TCase {
        const char* Name;
        TSpot Down;
        TSpot Up;
        const char* Opens; // nullptr: nothing, the panel stays open
    };
    const TCase cases[] = {
        {"web", spWeb, spWeb, "http://tolvane.example.org/?ref=program"},
        {"mail", spMail, spMail, "mailto:tlvn@example.org?Subject=TLVN(ref=program)"},
        {"web to mail", spWeb, spMail, nullptr},
        {"mail to web", spMail, spWeb, nullptr},
        {"mail to background", spMail, spBackground, nullptr},
        {"web to OK", spWeb, spOkButton, nullptr},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Opened.clear();
        Parents.clear();
        bool stillOpen = false;
        Run({[&](HWND dialog) {
                 SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, PointAt(dialog, c.Down));
                 SendMessageA(dialog, WM_LBUTTONUP, 0, PointAt(dialog, c.Up));
             },
             [&](HWND dialog) {
                 stillOpen = true;
                 // A release over the link without a press of its own opens nothing either.
                 SendMessageA(dialog, WM_LBUTTONUP, 0, PointAt(dialog, spWeb));
                 Click(dialog, IDC_ABOUT_OK);
             }});
        if (c.Opens) {
            ASSERT_EQ(Opened.size(), 1u);
            EXPECT_EQ(Opened[0], c.Opens);
            EXPECT_EQ(Parents[0], nullptr);
            EXPECT_FALSE(stillOpen);
        } else {
            EXPECT_TRUE(Opened.empty());
            EXPECT_TRUE(stillOpen);
        }
    }
}

// The panel's own window procedure, replaced to see the move command without a move loop.
WNDPROC PanelProc = nullptr;
std::vector<WPARAM> SysCommands;

LRESULT CALLBACK RecordSysCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSCOMMAND) {
        SysCommands.push_back(wParam);
        return 0;
    }
    return CallWindowProcA(PanelProc, window, message, wParam, lParam);
}

TEST_F(AboutDialog, PressOutsideTheLinksDragsThePanel) {
    struct TCase {
        TSpot Spot;
        bool Drags;
    };
    const TCase cases[] = {
        {spBackground, true}, {spVersion, true}, {spMail, false}, {spWeb, false}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "pressed at spot " << c.Spot);
        SysCommands.clear();
        Run({[&](HWND dialog) {
            PanelProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordSysCommand)));
            SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, PointAt(dialog, c.Spot));
            SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PanelProc));
            Click(dialog, IDC_ABOUT_OK);
        }});
        if (c.Drags)
            EXPECT_EQ(SysCommands, std::vector<WPARAM>{0xF012});
        else
            EXPECT_TRUE(SysCommands.empty());
    }
    EXPECT_TRUE(Opened.empty());
}

TEST_F(AboutDialog, EnterClosesEscDoesNot) {
    size_t stepsRun = 0;
    Drive(
        [] {
            ShowAboutDialog(nullptr);
            return 0;
        },
        {[](HWND dialog) { PostKey(dialog, VK_ESCAPE); },
         [](HWND dialog) { PostKey(dialog, VK_RETURN); },
         [](HWND dialog) { EndDialog(dialog, 0); }},
        &stepsRun);
    EXPECT_EQ(stepsRun, 2u) << "1: Esc closed the panel; 3: Enter did not";
}

} // namespace
