// The small dialogs reached from the main window: the system-menu commands, the two
// buttons, F1 and the start-up reminder, each on the real window built from its template.
#include "main_dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "platform/tools.h"
#include "resources/resource.h"
#include "shell/help.h"
#include "shell/links.h"
#include "shell/msgbox.h"
#include "tests/win/dialog_driver.h"

using namespace dialog_driver;

namespace {

// The main window's tooltip window, replaced to record what it is told to do.
WNDPROC ToolTipsProc = nullptr;
std::vector<WPARAM> Activations;

LRESULT CALLBACK RecordActivation(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TTM_ACTIVATE)
        Activations.push_back(wParam);
    return CallWindowProcA(ToolTipsProc, window, message, wParam, lParam);
}

class SmallDialogsFromTheWindow : public testing::Test {
protected:
    void SetUp() override {
        SavedToolTips = ShowToolTips;
        SavedRemind = RemindToCheck;
        UpdateUrl = "http://tolvane.example.org/update?prod=tlvn&ver=1.0.0";
        HomeUrl = "http://tolvane.example.org/?ref=program";
        SetOpenLinkHook([this](HWND parent, const std::string& address) {
            Opened.push_back(address);
            Parents.push_back(parent);
        });
        SetMessageBoxHook([this](const TMessageBoxCall& call) {
            Boxes.push_back(call);
            return IDOK;
        });
        ToolTipsProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            Dialog.Window().ToolTips(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordActivation)));
        Activations.clear();
    }
    void TearDown() override {
        SetWindowLongPtrA(Dialog.Window().ToolTips(), GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(ToolTipsProc));
        SetOpenLinkHook(nullptr);
        SetMessageBoxHook(nullptr);
        ShowToolTips = SavedToolTips;
        RemindToCheck = SavedRemind;
    }

    void SysCommand(WPARAM command) { SendMessageA(Dialog.Handle, WM_SYSCOMMAND, command, 0); }

    // The user's settings hold the day of the last update check, and the window loads them.
    void LoadLastUpdateCheck(int32_t day) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kTestSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegWriteInteger(key, "Checked", day);
        RegCloseKey(key);
        Dialog.Window().LoadSettings(HKEY_CURRENT_USER);
        ASSERT_EQ(Dialog.Window().UpdateDays().LastUpdateCheck, day);
    }

    TTestSettingsKey Key;
    TMainDialog Dialog;
    bool SavedToolTips = true;
    bool SavedRemind = true;
    std::vector<std::string> Opened;
    std::vector<HWND> Parents;
    std::vector<TMessageBoxCall> Boxes;
};

TEST_F(SmallDialogsFromTheWindow, OptionsSwitchTheTooltipsAtOnceOnlyOnOk) {
    struct TCase {
        const char* Name;
        bool Before;
        bool Toggle;
        int Button;
        std::vector<WPARAM> Sent;
    };
    const TCase cases[] = {
        {"off with OK", true, true, IDC_OPT_OK, {FALSE}},
        {"on again with OK", false, true, IDC_OPT_OK, {TRUE}},
        {"unchanged with OK", true, false, IDC_OPT_OK, {TRUE}},
        {"off, then Cancel", true, true, IDC_OPT_CANCEL, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ShowToolTips = c.Before;
        Activations.clear();
        size_t stepsRun = 0;
        Drive(
            [&] {
                SysCommand(IDM_SYS_OPTIONS);
                return 0;
            },
            {[&](HWND options) {
                if (c.Toggle)
                    Click(options, IDC_OPT_TOOLTIPS);
                Click(options, c.Button);
            }},
            &stepsRun);
        EXPECT_EQ(stepsRun, 1u) << "the Options dialog did not open";
        EXPECT_EQ(Activations, c.Sent);
        EXPECT_EQ(ShowToolTips, c.Button == IDC_OPT_OK ? c.Before != c.Toggle : c.Before);
    }
}

TEST_F(SmallDialogsFromTheWindow, UpdatesMenuOpensThePageWithoutAQuestion) {
    RemindToCheck = false;
    LoadLastUpdateCheck(Dialog.Window().UpdateDays().Today - 3);
    size_t stepsRun = 0;
    Drive(
        [&] {
            SysCommand(IDM_SYS_UPDATES);
            return 0;
        },
        {}, &stepsRun);
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0].rfind(UpdateUrl + "&rand=", 0), 0u) << Opened[0];
    EXPECT_EQ(Parents[0], Dialog.Handle);
    EXPECT_EQ(Dialog.Window().UpdateDays().LastUpdateCheck, Dialog.Window().UpdateDays().Today);
}

TEST_F(SmallDialogsFromTheWindow, StartUpReminderAnsweredNoKeepsTheLastCheck) {
    const int lastCheck = Dialog.Window().UpdateDays().Today - 8;
    LoadLastUpdateCheck(lastCheck);
    size_t stepsRun = 0;
    Drive(
        [&] {
            Dialog.Click(IDM_UPDATE_CHECK);
            return 0;
        },
        {[](HWND reminder) { Click(reminder, IDC_MIND_NO); }}, &stepsRun);
    EXPECT_EQ(stepsRun, 1u) << "the reminder did not open";
    EXPECT_TRUE(Opened.empty());
    EXPECT_EQ(Dialog.Window().UpdateDays().LastUpdateCheck, lastCheck);
}

TEST_F(SmallDialogsFromTheWindow, AboutOpensFromButtonAndMenu) {
    for (bool fromMenu : {false, true}) {
        SCOPED_TRACE(fromMenu ? "system menu" : "i button");
        std::string name;
        size_t stepsRun = 0;
        Drive(
            [&] {
                if (fromMenu)
                    SysCommand(IDM_SYS_ABOUT);
                else
                    Dialog.Click(IDC_ABOUT_BUTTON);
                return 0;
            },
            {[&](HWND about) {
                name = ItemText(about, IDC_ABOUT_NAME);
                Click(about, IDC_ABOUT_OK);
            }},
            &stepsRun);
        EXPECT_EQ(stepsRun, 1u);
        EXPECT_EQ(name, "Tolvane");
    }
}

// The test program has no help file of its own, so F1 and "?" both name the one expected.
TEST_F(SmallDialogsFromTheWindow, HelpFromF1AndTheButtonLooksForTheProgramsChm) {
    const std::string expected =
        "Help file (" + HelpFileFor(GetModulePath(nullptr)) + ") not found.";
    HELPINFO info{};
    info.cbSize = sizeof(info);
    SendMessageA(Dialog.Handle, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    Dialog.Click(IDC_HELP_BUTTON);
    ASSERT_EQ(Boxes.size(), 2u);
    for (const TMessageBoxCall& box : Boxes) {
        EXPECT_EQ(box.Text, expected);
        EXPECT_EQ(box.Owner, Dialog.Handle);
    }
}

} // namespace
