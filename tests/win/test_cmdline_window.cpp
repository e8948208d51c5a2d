// The command line in the main window: options written into the controls and settings,
// the start-up command posted once the window shows, and the usage dialog.
#include <optional>

#include "dialog_driver.h"
#include "app/cmdline.h"
#include "shell/usage.h"
#include "test_run_fixture.h"

namespace {

using TCommandLineWindowTest = TMainWindowTest;

// The command posted by PostStartupCommand, 0 when none was.
int PostedStartupCommand(HWND dialog) {
    MSG msg;
    int command = 0;
    while (PeekMessageA(&msg, dialog, WM_COMMAND, WM_COMMAND, PM_REMOVE))
        command = LOWORD(msg.wParam);
    return command;
}

TEST_F(TCommandLineWindowTest, OptionsFillTheControlsAndSettings) {
    struct TCase {
        const char* line;
        const char* folder;
        const char* filter;
        int subfolders; // -1: untouched
        int overwrite;  // -1: untouched, else 0 ask, 1 overwrite, 2 keep
        int format;
        int placement;
        int header;
        int detailed;
        bool quick = false;
        bool moved = false;
    };
    // Before each case: folder "before", filter "*.*", subfolders off, overwrite ask, md5sum,
    // placement 0, header 0, detailed log off.
    const TCase cases[] = {
        {"tlvn.exe", "before", "*.*", 0, 0, 0, 0, 0, 0},
        {"tlvn.exe \"C:\\My Data\"", "C:\\My Data", "*.*", 0, 0, 0, 0, 0, 0},
        {"\"C:\\Program Files\\tlvn.exe\" C:\\A C:\\B", "C:\\B", "*.*", 0, 0, 0, 0, 0, 0},
        {"tlvn.exe /s /o /f1 /p4 /h3 /i1 /d", "before", "*.*", 1, 1, 1, 4, 3, 1, true},
        {"tlvn.exe /d+ --quick /D-", "before", "*.*", 0, 0, 0, 0, 0, 0, false},
        {"tlvn.exe /t", "before", "*.*", 0, 0, 0, 0, 0, 0, false, true},
        {"tlvn.exe --moved /T-", "before", "*.*", 0, 0, 0, 0, 0, 0, false, false},
        {"tlvn.exe -S+ -O- -F0 -P2 -H2 -I0", "before", "*.*", 1, 2, 0, 2, 2, 0},
        {"tlvn.exe /s- /o? /m *.iso", "before", "*.iso", 0, 0, 0, 0, 0, 0},
        {"tlvn.exe /m /u", "before", "/u", 0, 0, 0, 0, 0, 0},
        {"tlvn.exe /update /s+x /f1234", "before", "*.*", 1, 0, 1, 0, 0, 0},
        // A bad option between good ones: both good ones still apply.
        {"tlvn.exe /p3 /x /s", "before", "*.*", 1, 0, 0, 3, 0, 0},
        {"tlvn.exe /p5 /l1 /h4 /f", "before", "*.*", 0, 0, 0, 0, 0, 0},
        {"tlvn.exe -f2 /f3 /f5", "before", "*.*", 0, 0, 3, 0, 0, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.line);
        Window().SetFolder("before");
        Window().SetFilter("*.*");
        Window().SetSubfolders(false);
        Window().SetOverwriteMode(0);
        Window().SetFormat(0);
        Window().SetPlacement(0);
        HeaderMode = 0;
        DetailedLog = false;
        QuickUpdate = false;
        MovedFiles = false;
        Window().ApplyCommandLine(c.line);
        EXPECT_EQ(GetWindowString(Item(IDC_FOLDER)), c.folder);
        EXPECT_EQ(Window().GetFilter(), c.filter);
        EXPECT_EQ(Window().GetSubfolders(), c.subfolders == 1);
        EXPECT_EQ(Window().GetOverwriteMode(), c.overwrite);
        EXPECT_EQ(Window().GetFormat(), c.format);
        EXPECT_EQ(Window().GetPlacement(), c.placement);
        EXPECT_EQ(HeaderMode, c.header);
        EXPECT_EQ(DetailedLog, c.detailed == 1);
        EXPECT_EQ(QuickUpdate, c.quick);
        EXPECT_EQ(MovedFiles, c.moved);
    }
}

TEST_F(TCommandLineWindowTest, NameIsStoredForTheFormatAndPlacementInEffect) {
    struct TCase {
        const char* line;
        int slot;
        const char* name;
    };
    const TCase cases[] = {
        {"tlvn.exe /n md5.lst /f1 /p2", 1 * 5 + 2, "md5.lst"},
        {"tlvn.exe /n *.sfv /f1 /p4", 1 * 5 + 4, "*.sfv"},
        {"tlvn.exe /f0 /p3 /n first.md5 /n *.md5", 0 * 5 + 3, "*.md5"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.line);
        RememberChecksumName(Window(), c.slot, "old");
        Window().ApplyCommandLine(c.line);
        EXPECT_EQ(Window().ChecksumNames()[c.slot], c.name);
        Window().ShowNameForMode();
        EXPECT_EQ(Window().GetChecksumName(), c.name);
    }
}

TEST_F(TCommandLineWindowTest, StartUpRequestsPostOneCommandByPriority) {
    struct TCase {
        const char* line;
        int command;
        bool autoExit;
        const char* logFile;
    };
    const TCase cases[] = {
        {"tlvn.exe", 0, false, ""},
        {"tlvn.exe /u /a C:\\log.txt C:\\Data", IDC_UPDATE, true, "C:\\log.txt"},
        {"tlvn.exe /v -a -dash.log", IDC_VERIFY, true, "-dash.log"},
        {"tlvn.exe /a C:\\log.txt C:\\Data", 0, false, "C:\\log.txt"},
        {"tlvn.exe /u /v", IDC_UPDATE, false, ""},
        {"tlvn.exe /u /x /a log", IDM_USAGE, false, "log"},
        {"tlvn.exe /?", IDM_USAGE, false, ""},
        {"tlvn.exe -?", IDM_USAGE, false, ""},
        {"tlvn.exe /", IDM_USAGE, false, ""},
        {"tlvn.exe /u /a", IDM_USAGE, false, ""},
        {"tlvn.exe /u /a \"\"", IDM_USAGE, false, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.line);
        Window().SetStartupRequests(TStartupRequests());
        Window().ApplyCommandLine(c.line);
        EXPECT_EQ(Window().StartupRequests().AutoExit, c.autoExit);
        EXPECT_EQ(Window().StartupRequests().LogFileName, c.logFile);
        Window().PostStartupCommand();
        EXPECT_EQ(PostedStartupCommand(Dialog), c.command);
        // Later show messages post nothing.
        Window().PostStartupCommand();
        EXPECT_EQ(PostedStartupCommand(Dialog), 0);
    }
}

TEST(UsageDialog, ShowsTheUsageTextKeepsItsMinimumSizeAndClosesOnlyWithOK) {
    using namespace dialog_driver;
    struct TSeen {
        std::string caption, text, button;
        RECT client{}, buttonRect{}, editRect{};
        RECT openWindow{}, refusedSmaller{}, enlargedEdit{};
        bool openAfterEsc = false;
        bool monospaced = false;
        int focus = 0;
        std::vector<int> tabOrder;
    } seen;
    auto rectOf = [](HWND dialog, int id) { return GetControlRect(dialog, id).Rect; };
    size_t stepsRun = 0;
    const INT_PTR result = Drive(
        [] {
            ShowUsageDialog(nullptr, "");
            return 0;
        },
        {
            [&](HWND dialog) {
                seen.caption = WindowText(dialog);
                seen.text = GetDlgItemString(dialog, IDC_USAGE_TEXT);
                seen.button = ItemText(dialog, IDC_USAGE_OK);
                seen.focus = GetDlgCtrlID(GetFocus());
                seen.tabOrder = TabOrder(dialog);
                GetClientRect(dialog, &seen.client);
                seen.buttonRect = rectOf(dialog, IDC_USAGE_OK);
                seen.editRect = rectOf(dialog, IDC_USAGE_TEXT);
                GetWindowRect(dialog, &seen.openWindow);
                HWND edit = GetDlgItem(dialog, IDC_USAGE_TEXT);
                HDC dc = GetDC(edit);
                HGDIOBJ old =
                    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)));
                TEXTMETRICA metrics{};
                GetTextMetricsA(dc, &metrics);
                SelectObject(dc, old);
                ReleaseDC(edit, dc);
                seen.monospaced = (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0;
            },
            [&](HWND dialog) {
                RECT smaller = seen.openWindow;
                smaller.right = smaller.left + 50;
                smaller.bottom = smaller.top + 40;
                SendMessageA(dialog, WM_SIZING, WMSZ_BOTTOMRIGHT,
                             reinterpret_cast<LPARAM>(&smaller));
                seen.refusedSmaller = smaller;
                SetWindowPos(
                    dialog, nullptr, 0, 0, seen.openWindow.right - seen.openWindow.left + 100,
                    seen.openWindow.bottom - seen.openWindow.top + 60, SWP_NOMOVE | SWP_NOZORDER);
                seen.enlargedEdit = rectOf(dialog, IDC_USAGE_TEXT);
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            },
            [&](HWND dialog) {
                seen.openAfterEsc = IsWindowVisible(dialog) != FALSE;
                Click(dialog, IDC_USAGE_OK);
            },
        },
        &stepsRun);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(stepsRun, 3u);
    EXPECT_EQ(seen.caption, "Command line parameters");
    EXPECT_EQ(seen.text, UsageText('/'));
    EXPECT_EQ(seen.text.substr(0, 8), "USAGE:\r\n");
    EXPECT_EQ(seen.button, "OK");
    // Tab in reading order; the focus starts on OK, so Enter closes.
    EXPECT_EQ(seen.tabOrder, (std::vector<int>{IDC_USAGE_TEXT, IDC_USAGE_OK}));
    EXPECT_EQ(seen.focus, IDC_USAGE_OK);
    EXPECT_TRUE(seen.monospaced); // the columns of the usage text line up
    // OK at the bottom-left corner, 2 pixels in; the text above it, 2 pixels in.
    EXPECT_EQ(seen.buttonRect.left, 2);
    EXPECT_EQ(seen.buttonRect.bottom, seen.client.bottom - 2);
    EXPECT_EQ(seen.editRect.left, 2);
    EXPECT_EQ(seen.editRect.top, 2);
    EXPECT_EQ(seen.editRect.right, seen.client.right - 2);
    EXPECT_EQ(seen.editRect.bottom, seen.buttonRect.top - 2);
    EXPECT_EQ(seen.refusedSmaller.right - seen.refusedSmaller.left,
              seen.openWindow.right - seen.openWindow.left);
    EXPECT_EQ(seen.refusedSmaller.bottom - seen.refusedSmaller.top,
              seen.openWindow.bottom - seen.openWindow.top);
    EXPECT_EQ(seen.enlargedEdit.right - seen.enlargedEdit.left,
              seen.editRect.right - seen.editRect.left + 100);
    EXPECT_EQ(seen.enlargedEdit.bottom - seen.enlargedEdit.top,
              seen.editRect.bottom - seen.editRect.top + 60);
    EXPECT_TRUE(seen.openAfterEsc);
}

} // namespace
