// The main window built from its template and driven with messages as a user would.
#include "main_dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cctype>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/tools.h"
#include "resources/resource.h"
#include "app/texts.h"
#include "shell/msgbox.h"
#include "shell/save_dialog.h"
#include "tests/engine/temp_tree.h"
#include "tests/win/dialog_driver.h"

namespace {

std::string MenuText(HMENU menu, UINT id) {
    char text[256] = "";
    GetMenuStringA(menu, id, text, sizeof(text), MF_BYCOMMAND);
    return text;
}

// The text of a tool's tip, asked of the window as the tooltip window asks when it pops up.
std::string TipOf(HWND toolTips, HWND owner, HWND tool) {
    NMTTDISPINFOA info{};
    info.hdr.hwndFrom = toolTips;
    info.hdr.idFrom = reinterpret_cast<UINT_PTR>(tool);
    info.hdr.code = TTN_NEEDTEXTA;
    SendMessageA(owner, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    return info.lpszText ? info.lpszText : info.szText;
}

// The tip as the tooltip window itself fetches it (the system cuts it at 80 characters).
std::string TipFetchedByToolTips(HWND toolTips, HWND owner, HWND tool) {
    char text[1024] = "";
    TOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = text;
    SendMessageA(toolTips, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&info));
    return text;
}

// Calls during() while a run is active: an Update without a folder, refused in a message box
// that calls it. True when it was called, while the window was running.
bool WhileRunning(const TMainDialog& dialog, const std::function<void()>& during) {
    dialog.Window().SetFolder("");
    bool running = false;
    const TMessageBoxHook previous = SetMessageBoxHook([&](const TMessageBoxCall&) {
        running = !dialog.Window().IsIdle();
        if (running)
            during();
        return IDOK;
    });
    dialog.Click(IDC_UPDATE);
    SetMessageBoxHook(previous);
    return running;
}

// The command the window posted to itself, or 0.
int PostedCommand(HWND window) {
    MSG msg;
    if (PeekMessageA(&msg, window, WM_COMMAND, WM_COMMAND, PM_REMOVE))
        return LOWORD(msg.wParam);
    return 0;
}

class MainWindowTest : public ::testing::Test {
protected:
    TTestSettingsKey Key;
    TMainDialog Dialog;
};

TEST_F(MainWindowTest, ShowsEveryTextAfterStartUp) {
    ASSERT_TRUE(Dialog.HasWindowObject());
    struct {
        int Id;
        const char* Text;
    } cases[] = {
        {IDC_FOLDER_LABEL, "&Folder"},
        {IDC_BROWSE, "..."},
        {IDC_FILTER_LABEL, "Fi&lter"},
        {IDC_FILTER, "*.*"},
        {IDC_NAME_LABEL, "&Checksum file"},
        {IDC_NAME, "md5sum.lst"},
        {IDC_EDIT_NAME, "..."},
        {IDC_SUBFOLDERS, "&Include subfolders"},
        {IDC_OVERWRITE, "&Overwrite existing checksum files"},
        {IDC_FORMAT_LABEL, "Fo&rmat"},
        {IDC_FORMAT, "md5sum"},
        {IDC_PLACEMENT_GROUP, "Create checksum files..."},
        {1014, "...one for entire folders tree in any place"},
        {1015, "...one for entire folders tree in tree root"},
        {1016, "...one per folder with fixed name"},
        {1017, "...one per folder with folder name"},
        {1018, "...for each file"},
        {IDC_UPDATE, "&Update"},
        {IDC_VERIFY, "&Verify"},
        {IDC_HELP_BUTTON, "&?"},
        {IDC_ABOUT_BUTTON, "i"},
        {IDC_FOLDER, ""},
    };
    std::string keys; // the Alt keys of the captions, each once
    for (const auto& c : cases) {
        EXPECT_EQ(Dialog.Text(c.Id), c.Text) << "control " << c.Id;
        if (const char* amp = std::strchr(c.Text, '&')) {
            const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(amp[1])));
            EXPECT_EQ(keys.find(key), std::string::npos) << c.Text;
            keys += key;
        }
    }

    char title[64] = "";
    GetWindowTextA(Dialog.Handle, title, sizeof(title));
    EXPECT_STREQ(title, "Tolvane");
    EXPECT_FALSE(IsWindowEnabled(Dialog.Item(IDC_NAME)));
    EXPECT_TRUE(IsWindowEnabled(Dialog.Item(IDC_EDIT_NAME)));
    EXPECT_EQ(IsDlgButtonChecked(Dialog.Handle, IDC_SUBFOLDERS), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(Dialog.Handle, IDC_OVERWRITE), BST_INDETERMINATE);
    EXPECT_EQ(SendDlgItemMessageA(Dialog.Handle, IDC_FORMAT, CB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(IsDlgButtonChecked(Dialog.Handle, 1014), BST_CHECKED);
    EXPECT_TRUE(Dialog.Item(IDC_STATUS)) << "status bar created";
    // The log scrolls sideways once its lines are wider than the list.
    SendDlgItemMessageA(Dialog.Handle, IDC_LOG, LB_SETHORIZONTALEXTENT, 5000, 0);
    EXPECT_TRUE(GetWindowLongPtrA(Dialog.Item(IDC_LOG), GWL_STYLE) & WS_HSCROLL);
    EXPECT_TRUE(GetClassLongPtrA(Dialog.Handle, GCLP_HICON)) << "icon set";
}

TEST_F(MainWindowTest, MenusHoldTheirCommands) {
    HMENU system = GetSystemMenu(Dialog.Handle, FALSE);
    EXPECT_EQ(MenuText(system, IDM_SYS_OPTIONS), "&Options...");
    EXPECT_EQ(MenuText(system, IDM_SYS_UPDATES), "&Updates...");
    EXPECT_EQ(MenuText(system, IDM_SYS_ABOUT), "&About...");
    HMENU log = Dialog.Window().LogMenu();
    ASSERT_TRUE(log);
    EXPECT_EQ(GetMenuItemCount(log), 7);
    EXPECT_EQ(MenuText(log, IDM_LOG_CUT), "Cu&t");
    EXPECT_EQ(MenuText(log, IDM_LOG_COPY), "&Copy");
    EXPECT_EQ(MenuText(log, IDM_LOG_DELETE), "&Delete");
    EXPECT_EQ(MenuText(log, IDM_LOG_SELECT_ALL), "Select &all");
    EXPECT_EQ(MenuText(log, IDM_LOG_SAVE_AS), "&Save as...");
    for (int separator : {3, 5})
        EXPECT_EQ(GetMenuState(log, separator, MF_BYPOSITION) & MF_SEPARATOR,
                  static_cast<UINT>(MF_SEPARATOR));
}

TEST_F(MainWindowTest, TooltipsNameEachControlAndTheAbortWhileRunning) {
    TMainWindow& window = Dialog.Window();
    ASSERT_TRUE(window.ToolTips());
    // The folder's edit part, then every control from 1002 to 1024.
    EXPECT_EQ(SendMessageA(window.ToolTips(), TTM_GETTOOLCOUNT, 0, 0), 24);

    COMBOBOXINFO combo{};
    combo.cbSize = sizeof(combo);
    ASSERT_TRUE(GetComboBoxInfo(Dialog.Item(IDC_FOLDER), &combo));
    struct {
        HWND Tool;
        const char* Text;
    } cases[] = {
        {combo.hwndItem, texts::kTipFolder},
        {Dialog.Item(IDC_FOLDER_LABEL), "Full path to folder with files for processing"},
        {Dialog.Item(IDC_BROWSE), "Press here for select folder from dialog"},
        {Dialog.Item(IDC_FILTER), "Filter mask for select the files for processing"},
        {Dialog.Item(IDC_FILTER_LABEL), texts::kTipFilter},
        {Dialog.Item(IDC_NAME), texts::kTipChecksumName},
        {Dialog.Item(IDC_NAME_LABEL), texts::kTipChecksumName},
        {Dialog.Item(IDC_EDIT_NAME), "Press here to change name of checksum files"},
        {Dialog.Item(IDC_SUBFOLDERS),
         "Check this box if you want processing also subfolders of the specified folder"},
        {Dialog.Item(IDC_OVERWRITE), texts::kTipOverwrite},
        {Dialog.Item(IDC_FORMAT), texts::kTipFormat},
        {Dialog.Item(IDC_FORMAT_LABEL), texts::kTipFormat},
        {Dialog.Item(IDC_PLACEMENT_GROUP), "Where and how create the checksum files"},
        {Dialog.Item(1014), texts::kTipPlacementAnyPlace},
        {Dialog.Item(1015), texts::kTipPlacementTreeRoot},
        {Dialog.Item(1016), texts::kTipPlacementFixedName},
        {Dialog.Item(1017), texts::kTipPlacementFolderName},
        {Dialog.Item(1018), texts::kTipPlacementPerFile},
        {Dialog.Item(IDC_UPDATE), texts::kTipUpdate},
        {Dialog.Item(IDC_VERIFY), texts::kTipVerify},
        {Dialog.Item(IDC_HELP_BUTTON), "Online help system"},
        {Dialog.Item(IDC_ABOUT_BUTTON), texts::kTipAbout},
        {Dialog.Item(IDC_LOG),
         "The log of work. Right click the mouse button to call the local popup menu."},
        {Dialog.Item(IDC_PROGRESS), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TipOf(window.ToolTips(), Dialog.Handle, c.Tool), c.Text)
            << "control " << GetDlgCtrlID(c.Tool);

    // The tools are registered to ask the window for their text.
    EXPECT_EQ(TipFetchedByToolTips(window.ToolTips(), Dialog.Handle, Dialog.Item(IDC_BROWSE)),
              "Press here for select folder from dialog");
    EXPECT_EQ(TipFetchedByToolTips(window.ToolTips(), Dialog.Handle, combo.hwndItem),
              "Full path to folder with files for processing");

    // Tips of several lines are joined by a bare carriage return.
    EXPECT_EQ(TipOf(window.ToolTips(), Dialog.Handle, Dialog.Item(IDC_UPDATE)),
              std::string("Start updating checksum files.\rFor each file inside a folder the "
                          "checksum will be calculated. Checksums of all files in each folder are "
                          "kept in a file with the specified name inside this folder."));

    EXPECT_TRUE(WhileRunning(Dialog, [&] {
        for (const auto& c : cases)
            EXPECT_EQ(TipOf(window.ToolTips(), Dialog.Handle, c.Tool),
                      "Click the button for abort the proccesing.");
    }));

    // The mouse resting on a control pops its tip up: the tooltips see the control's mouse.
    ShowWindow(Dialog.Handle, SW_SHOWNA);
    const HWND browse = Dialog.Item(IDC_BROWSE);
    RECT rect;
    GetWindowRect(browse, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMessageA(browse, WM_MOUSEMOVE, 0, MAKELPARAM((rect.right - rect.left) / 2, 5));
    for (int i = 0; i < 150 && !IsWindowVisible(window.ToolTips()); ++i) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(20);
    }
    TOOLINFOA shown{};
    shown.cbSize = TTTOOLINFOA_V2_SIZE;
    ASSERT_TRUE(
        SendMessageA(window.ToolTips(), TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&shown)));
    EXPECT_EQ(shown.uId, reinterpret_cast<UINT_PTR>(browse));
}

TEST_F(MainWindowTest, WideTooltipRequestsGetTheSameText) {
    NMTTDISPINFOW info{};
    info.hdr.hwndFrom = Dialog.Window().ToolTips();
    info.hdr.idFrom = reinterpret_cast<UINT_PTR>(Dialog.Item(IDC_BROWSE));
    info.hdr.code = TTN_NEEDTEXTW;
    SendMessageA(Dialog.Handle, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    ASSERT_TRUE(info.lpszText);
    EXPECT_EQ(std::wstring(info.lpszText), L"Press here for select folder from dialog");
}

TEST_F(MainWindowTest, FormatAndPlacementBringBackTheirNames) {
    // Each step picks a format or clicks a placement and expects the name shown for the new
    // combination.
    struct {
        int Click;
        int Format; // picked when Click is the format choice
        const char* Shown;
    } steps[] = {
        {1017, 0, "*.md5"},
        {IDC_FORMAT, 1, "*.sfv"},
        {1014, 1, "checksum.lst"},
        {IDC_FORMAT, 2, "sha256sum.lst"},
        {1018, 2, "*.sha256"},
        {1016, 2, "sha256sum.lst"},
        {IDC_FORMAT, 3, "b3sums.lst"},
        {1017, 3, "*.b3"},
        {IDC_FORMAT, 4, "*.xxh128"},
        {1014, 4, "xxh128sums.lst"},
        {IDC_FORMAT, 1, "checksum.lst"},
        {IDC_FORMAT, 0, "md5sum.lst"},
        {1018, 0, "*.md5"},
        {1015, 0, "md5sum.lst"},
    };
    for (const auto& s : steps) {
        if (s.Click == IDC_FORMAT) {
            SendDlgItemMessageA(Dialog.Handle, IDC_FORMAT, CB_SETCURSEL, s.Format, 0);
            SendMessageA(Dialog.Handle, WM_COMMAND, MAKEWPARAM(IDC_FORMAT, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(Dialog.Item(IDC_FORMAT)));
        } else {
            CheckRadioButton(Dialog.Handle, 1014, 1018, s.Click);
            Dialog.Click(s.Click);
        }
        EXPECT_EQ(Dialog.Text(IDC_NAME), s.Shown) << "after clicking " << s.Click;
    }
}

TEST_F(MainWindowTest, NameEditStoresTheTypedNameWhenItLosesTheFocus) {
    ShowWindow(Dialog.Handle, SW_SHOWNA);
    SetActiveWindow(Dialog.Handle);
    CheckRadioButton(Dialog.Handle, 1014, 1018, 1016);
    Dialog.Click(1016);

    Dialog.Click(IDC_EDIT_NAME);
    EXPECT_TRUE(IsWindowEnabled(Dialog.Item(IDC_NAME)));
    EXPECT_FALSE(IsWindowEnabled(Dialog.Item(IDC_EDIT_NAME)));
    EXPECT_EQ(GetFocus(), Dialog.Item(IDC_NAME));

    SetDlgItemTextA(Dialog.Handle, IDC_NAME, "folder.lst");
    SetFocus(Dialog.Item(IDC_FILTER));
    EXPECT_FALSE(IsWindowEnabled(Dialog.Item(IDC_NAME)));
    EXPECT_TRUE(IsWindowEnabled(Dialog.Item(IDC_EDIT_NAME)));
    EXPECT_EQ(Dialog.Window().ChecksumNames()[2], "folder.lst");

    // Away to another placement and back: the typed name returns.
    CheckRadioButton(Dialog.Handle, 1014, 1018, 1018);
    Dialog.Click(1018);
    EXPECT_EQ(Dialog.Text(IDC_NAME), "*.md5");
    CheckRadioButton(Dialog.Handle, 1014, 1018, 1016);
    Dialog.Click(1016);
    EXPECT_EQ(Dialog.Text(IDC_NAME), "folder.lst");

    // A second cycle works the same: the edit procedure was put back the first time.
    Dialog.Click(IDC_EDIT_NAME);
    SetDlgItemTextA(Dialog.Handle, IDC_NAME, "again.lst");
    SetFocus(Dialog.Item(IDC_FILTER));
    EXPECT_EQ(Dialog.Window().ChecksumNames()[2], "again.lst");
    EXPECT_FALSE(IsWindowEnabled(Dialog.Item(IDC_NAME)));
}

TEST_F(MainWindowTest, AnyPlaceModeAsksForTheFileAndStaysOpenWhenCancelled) {
    ShowWindow(Dialog.Handle, SW_SHOWNA);
    std::vector<TSaveFileRequest> requests;
    bool confirm = false;
    TSaveFileHook previous =
        SetSaveFileHook([&](const TSaveFileRequest& request, std::string& path) {
            requests.push_back(request);
            if (confirm)
                path = "C:\\lists\\tree.md5";
            return confirm;
        });

    Dialog.Window().SetFolder(" D:\\Photos ");
    Dialog.Click(IDC_EDIT_NAME);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Owner, Dialog.Handle);
    EXPECT_EQ(requests[0].InitialFolder, "D:\\Photos"); // the folder being processed
    EXPECT_EQ(requests[0].Title, "Select checksum file");
    EXPECT_EQ(requests[0].Filter, "All files (*.*)|*.*");
    EXPECT_EQ(requests[0].DefaultExtension, "lst");
    EXPECT_EQ(requests[0].InitialName, "md5sum.lst");
    EXPECT_TRUE(IsWindowEnabled(Dialog.Item(IDC_NAME))) << "cancelled, still open for typing";
    EXPECT_EQ(Dialog.Text(IDC_NAME), "md5sum.lst");
    SetFocus(Dialog.Item(IDC_FILTER));

    confirm = true;
    Dialog.Click(IDC_EDIT_NAME);
    EXPECT_EQ(Dialog.Text(IDC_NAME), "C:\\lists\\tree.md5");
    SetFocus(Dialog.Item(IDC_FILTER));
    EXPECT_EQ(Dialog.Window().ChecksumNames()[0], "C:\\lists\\tree.md5");

    // Other placements never ask.
    CheckRadioButton(Dialog.Handle, 1014, 1018, 1015);
    Dialog.Click(1015);
    Dialog.Click(IDC_EDIT_NAME);
    EXPECT_EQ(requests.size(), 2u);
    SetSaveFileHook(previous);
}

TEST_F(MainWindowTest, StartUpPostsOneCommandByPriority) {
    struct {
        bool Usage, Update, Verify, Remind;
        int Command;
    } cases[] = {
        {false, false, false, false, 0},
        {true, true, true, true, IDM_USAGE},
        {false, true, true, true, IDC_UPDATE},
        {false, false, true, true, IDC_VERIFY},
        {false, false, false, true, IDM_UPDATE_CHECK},
    };
    TMainWindow& window = Dialog.Window();
    for (const auto& c : cases) {
        TStartupRequests requests;
        requests.ShowUsage = c.Usage;
        requests.StartUpdate = c.Update;
        requests.StartVerify = c.Verify;
        requests.RemindUpdates = c.Remind;
        window.SetStartupRequests(requests);
        SendMessageA(Dialog.Handle, WM_SHOWWINDOW, TRUE, 0);
        EXPECT_EQ(PostedCommand(Dialog.Handle), c.Command);
        // A run's controls are disabled before the first paint; anything else leaves them.
        EXPECT_EQ(IsWindowEnabled(Dialog.Item(IDC_FOLDER)) == FALSE,
                  c.Command == IDC_UPDATE || c.Command == IDC_VERIFY);
        window.EnableControls(true);
        // The requests are spent: showing again posts nothing.
        SendMessageA(Dialog.Handle, WM_SHOWWINDOW, TRUE, 0);
        EXPECT_EQ(PostedCommand(Dialog.Handle), 0);
    }
}

TEST_F(MainWindowTest, CloseIsRefusedWhileRunning) {
    ShowWindow(Dialog.Handle, SW_SHOWNA);
    EXPECT_TRUE(WhileRunning(Dialog, [&] {
        SendMessageA(Dialog.Handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(IsWindowVisible(Dialog.Handle));
    }));
    EXPECT_TRUE(IsWindowVisible(Dialog.Handle)) << "the refused close stays refused";
    SendMessageA(Dialog.Handle, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindowVisible(Dialog.Handle)) << "the dialog ended";
}

TEST_F(MainWindowTest, EscapeAndEnterNeitherCloseNorAreHandled) {
    ShowWindow(Dialog.Handle, SW_SHOWNA);
    for (int id : {IDCANCEL, IDOK}) {
        EXPECT_EQ(MainDialogProc(Dialog.Handle, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0), FALSE);
        SendMessageA(Dialog.Handle, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        EXPECT_TRUE(IsWindowVisible(Dialog.Handle)) << "command " << id;
    }
    // A notification other than a click is not a command of the buttons.
    EXPECT_EQ(MainDialogProc(Dialog.Handle, WM_COMMAND, MAKEWPARAM(IDC_UPDATE, BN_SETFOCUS), 0),
              FALSE);
}

TEST_F(MainWindowTest, MessagesWithoutTheWindowObjectAreLeftAlone) {
    HWND handle = Dialog.Handle;
    RECT sizing{0, 0, 1, 1};
    // A message for another window while the object lives is not its business.
    EXPECT_EQ(MainDialogProc(GetDesktopWindow(), WM_SIZE, 0, 0), FALSE);
    Dialog.Close();
    EXPECT_FALSE(Dialog.HasWindowObject()) << "freed on WM_DESTROY";
    const UINT messages[] = {WM_SIZE,       WM_SIZING, WM_MOUSEMOVE,  WM_COMMAND,
                             WM_SYSCOMMAND, WM_NOTIFY, WM_SHOWWINDOW, WM_DESTROY};
    for (UINT message : messages)
        EXPECT_EQ(MainDialogProc(handle, message, SC_CLOSE, reinterpret_cast<LPARAM>(&sizing)),
                  FALSE)
            << "message " << message;
}

TEST_F(MainWindowTest, FolderHistoryKeepsTheFirstSpellingOnly) {
    TMainWindow& window = Dialog.Window();
    struct {
        const char* Typed;
        int Entries;
    } steps[] = {{"C:\\Data", 1}, {"c:\\data", 1}, {"", 1}, {"D:\\Other", 2}, {"C:\\DATA", 2}};
    for (const auto& s : steps) {
        window.SetFolder(s.Typed);
        EXPECT_EQ(window.GetFolder(), s.Typed);
        EXPECT_EQ(SendDlgItemMessageA(Dialog.Handle, IDC_FOLDER, CB_GETCOUNT, 0, 0), s.Entries)
            << "after " << s.Typed;
    }
    char first[MAX_PATH] = "";
    SendDlgItemMessageA(Dialog.Handle, IDC_FOLDER, CB_GETLBTEXT, 0,
                        reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, "C:\\Data");
}

// An HDROP as the shell hands it over: a DROPFILES header, then the names, each ended by a
// NUL, and one more NUL. The window frees it.
HDROP MakeDrop(const std::vector<std::string>& paths) {
    std::string names;
    for (const std::string& path : paths)
        names += path + '\0';
    names += '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), names.data(), names.size());
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(MainWindowTest, DroppedFolderOrListFillsTheFieldsAndOddDropsAreRefused) {
    TTempTree tree;
    tree.AddFile("my photos/2026.sfv", "a.jpg 352441C2\r\n");
    tree.AddFile("my photos/md5sum.lst", "");
    tree.AddFolder("music");
    tree.AddFolder("docs");
    const std::string photos = tree.Path("my photos"), music = tree.Path("music");
    const std::string sfv = tree.Path("my photos/2026.sfv"),
                      md5 = tree.Path("my photos/md5sum.lst");
    enum TWay { kDrop, kDropWhileRunning, kCommandLine };
    struct TCase {
        const char* name;
        TWay way;
        std::vector<std::string> paths;
        std::string folder; // also in the history
        std::string checksumName;
        int format, placement;
        std::string logLine, refusal;
    };
    const std::string gone = tree.Path("gone");
    const std::string tooLong = "C:\\" + std::string(2100, 'x');
    const TCase cases[] = {
        {"a folder", kDrop, {music}, music, "md5sum.lst", 0, 2, "", ""},
        {"an SFV list", kDrop, {sfv}, photos, sfv, 1, 0, "", ""},
        {"a list of a remembered name", kDrop, {md5}, photos, md5, 0, 0, "", ""},
        {"several: the first folder",
         kDrop,
         {sfv, music, tree.Path("docs")},
         music,
         "md5sum.lst",
         0,
         2,
         "3 items were dropped: only \"" + music + "\" is taken",
         ""},
        {"a list on tlvn.exe", kCommandLine, {"\"" + sfv + "\""}, photos, sfv, 1, 0, "", ""},
        {"a folder on tlvn.exe",
         kCommandLine,
         {"\"" + photos + "\""},
         photos,
         "md5sum.lst",
         0,
         2,
         "",
         ""},
        {"nothing there",
         kDrop,
         {gone},
         "before",
         "md5sum.lst",
         0,
         2,
         "",
         "The dropped item \"" + gone + "\" is neither a folder nor a file."},
        {"too long",
         kDrop,
         {tooLong},
         "before",
         "md5sum.lst",
         0,
         2,
         "",
         "The dropped path is longer than the 2046 characters the program takes:\r" + tooLong},
        {"during a run", kDropWhileRunning, {music}, "", "md5sum.lst", 0, 2, "", ""},
    };
    TMainWindow& window = Dialog.Window();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        SendDlgItemMessageA(Dialog.Handle, IDC_FOLDER, CB_RESETCONTENT, 0, 0);
        window.SetFolder("before");
        window.SetFormat(0);
        window.SetPlacement(2);
        window.ShowNameForMode();
        SendDlgItemMessageA(Dialog.Handle, IDC_LOG, LB_RESETCONTENT, 0, 0);
        std::vector<TMessageBoxCall> boxes;
        const TMessageBoxHook previous = SetMessageBoxHook([&](const TMessageBoxCall& call) {
            boxes.push_back(call);
            return IDOK;
        });
        auto drop = [&] {
            SendMessageA(Dialog.Handle, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(c.paths)),
                         0);
        };
        if (c.way == kDrop)
            drop();
        else if (c.way == kDropWhileRunning)
            EXPECT_TRUE(WhileRunning(Dialog, drop));
        else
            window.ApplyCommandLine("tlvn.exe " + c.paths[0]);
        SetMessageBoxHook(previous);

        EXPECT_EQ(Dialog.Text(IDC_FOLDER), c.folder);
        EXPECT_EQ(Dialog.Text(IDC_NAME), c.checksumName);
        EXPECT_EQ(window.GetFormat(), c.format);
        EXPECT_EQ(window.GetPlacement(), c.placement);
        EXPECT_EQ(window.ChecksumNames()[c.format * 5 + c.placement], c.checksumName);
        // A drop grows the history; the command line leaves it to the run.
        const bool inHistory =
            SendDlgItemMessageA(Dialog.Handle, IDC_FOLDER, CB_FINDSTRINGEXACT,
                                static_cast<WPARAM>(-1),
                                reinterpret_cast<LPARAM>(c.folder.c_str())) != CB_ERR;
        EXPECT_EQ(inHistory, c.way == kDrop && c.refusal.empty());
        const LRESULT lines = SendDlgItemMessageA(Dialog.Handle, IDC_LOG, LB_GETCOUNT, 0, 0);
        EXPECT_EQ(lines, c.logLine.empty() ? 0 : 1);
        if (lines == 1) {
            EXPECT_EQ(GetListBoxItemText(Dialog.Item(IDC_LOG), 0), c.logLine);
        }
        if (c.way == kDropWhileRunning)
            continue; // its one box refused the run
        ASSERT_EQ(boxes.size(), c.refusal.empty() ? 0u : 1u);
        if (!boxes.empty()) {
            EXPECT_EQ(boxes[0].Text, c.refusal);
            EXPECT_EQ(boxes[0].Caption, "Error");
            EXPECT_EQ(boxes[0].Type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        }
    }
    EXPECT_NE(GetWindowLongPtrA(Dialog.Handle, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
}

TEST_F(MainWindowTest, CheckBoxesAndRadioButtonsReadBackTheirValues) {
    TMainWindow& window = Dialog.Window();
    struct {
        int32_t Written, Read;
    } overwrite[] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {-1, 0}};
    for (const auto& c : overwrite) {
        window.SetOverwriteMode(c.Written);
        EXPECT_EQ(window.GetOverwriteMode(), c.Read) << "overwrite " << c.Written;
    }
    struct {
        int32_t Written, Read;
    } placement[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 0}, {-1, 0}};
    for (const auto& c : placement) {
        window.SetPlacement(c.Written);
        EXPECT_EQ(window.GetPlacement(), c.Read) << "placement " << c.Written;
    }
    struct {
        int32_t Written, Read;
    } format[] = {{1, 1}, {0, 0}, {2, 2}, {3, 3}, {4, 4}, {5, 0}, {-1, 0}};
    for (const auto& c : format) {
        window.SetFormat(c.Written);
        EXPECT_EQ(window.GetFormat(), c.Read) << "format " << c.Written;
    }
    // No radio button checked reads as placement 0.
    for (int id = 1014; id <= 1018; ++id)
        CheckDlgButton(Dialog.Handle, id, BST_UNCHECKED);
    EXPECT_EQ(window.GetPlacement(), 0);
}

TEST_F(MainWindowTest, TabReachesEveryControlInReadingOrderWithOneStopForThePlacements) {
    for (int placement = 0; placement <= 4; ++placement) {
        SCOPED_TRACE("placement " + std::to_string(placement));
        Dialog.Window().SetPlacement(placement);
        // The name edit is left out: it is disabled until its "..." is pressed.
        EXPECT_EQ(
            dialog_driver::TabOrder(Dialog.Handle),
            (std::vector<int>{IDC_FOLDER, IDC_BROWSE, IDC_FILTER, IDC_EDIT_NAME, IDC_SUBFOLDERS,
                              IDC_OVERWRITE, IDC_FORMAT, IDC_PLACEMENT_FIRST + placement,
                              IDC_UPDATE, IDC_VERIFY, IDC_HELP_BUTTON, IDC_ABOUT_BUTTON, IDC_LOG}));
    }
}

TEST_F(MainWindowTest, FolderListDropsDownOneToEightEntriesHigh) {
    HWND combo = Dialog.Item(IDC_FOLDER);
    ShowWindow(Dialog.Handle, SW_SHOWNA);
    const int itemHeight = static_cast<int>(SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0));
    struct {
        int Entries, Shown;
    } cases[] = {{0, 1}, {1, 1}, {3, 3}, {8, 8}, {20, 8}};
    for (const auto& c : cases) {
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        for (int i = 0; i < c.Entries; ++i)
            SendMessageA(combo, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(("C:\\Folder" + std::to_string(i)).c_str()));
        RECT closed;
        GetWindowRect(combo, &closed);
        SendMessageA(Dialog.Handle, WM_COMMAND, MAKEWPARAM(IDC_FOLDER, CBN_DROPDOWN),
                     reinterpret_cast<LPARAM>(combo));
        RECT dropped;
        SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        // Some systems report the whole dropped control, others its list part only.
        const int list = itemHeight * c.Shown + 2;
        const int reported = dropped.bottom - dropped.top;
        EXPECT_TRUE(reported == list || reported == list + (closed.bottom - closed.top))
            << c.Entries << " entries: " << reported << " reported for a list of " << list;
        EXPECT_TRUE(IsWindowVisible(combo));
    }
}

} // namespace
