// The main window's life: construction on WM_INITDIALOG, the message table, the start-up
// command and the orderly shutdown that saves the settings.
#include "shell/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "platform/tools.h"
#include "resources/resource.h"
#include "app/format.h"
#include "app/texts.h"
#include "shell/about.h"
#include "shell/explorer_menu.h"
#include "shell/help.h"
#include "shell/log_list.h"
#include "shell/options.h"
#include "shell/remind.h"
#include "shell/settings.h"
#include "shell/usage.h"

TMainWindow::TMainWindow(HWND dialog, const TMainWindowPlaces& places)
    : Handle(dialog), Places(places), Engine(std::make_unique<TCheckSumEngine>()),
      Menu(
          std::make_unique<TExplorerMenu>(TExplorerMenuPlace{places.ClassesKey, places.SettingsKey},
                                          GetModulePath(nullptr), Names)) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    Days.Today = DateToDayCount(now.wYear, now.wMonth, now.wDay);

    HICON icon = LoadIconA(GetModuleHandleA(nullptr), IDI_MAINICON);
    SetClassLongPtrA(dialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));

    CreateToolTips();
    DragAcceptFiles(dialog, TRUE);

    HWND status = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NOPARENTALIGN,
                                      "", dialog, IDC_STATUS);
    // Created with its natural height, then fixed: the layout alone places it, under the log
    // only (some systems otherwise stretch it over the whole width on every resize).
    SetWindowLongPtrA(status, GWL_STYLE, GetWindowLongPtrA(status, GWL_STYLE) | CCS_NORESIZE);
}

TMainWindow::~TMainWindow() {
    try {
        // A name still being typed when the window closes is kept like one whose edit
        // lost the focus.
        if (IsWindowEnabled(Item(IDC_NAME)))
            StoreNameForMode();
        SaveSettings(HKEY_CURRENT_USER);
    } catch (...) {
        // Settings are best effort at exit; the previous ones stay in the registry.
    }
    RestoreNameEditProc();
    if (!Places.InstanceProperty.empty())
        RemovePropA(Handle, Places.InstanceProperty.c_str());
    if (LogPopupMenu)
        DestroyMenu(LogPopupMenu);
}

void TMainWindow::PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to consume: the loop that owns the thread must still see it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void TMainWindow::InitMenusAndTexts() {
    HMENU systemMenu = GetSystemMenu(Handle, FALSE);
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(systemMenu, MF_STRING, IDM_SYS_OPTIONS, texts::kMenuOptions);
    AppendMenuA(systemMenu, MF_STRING, IDM_SYS_UPDATES, texts::kMenuUpdates);
    AppendMenuA(systemMenu, MF_STRING, IDM_SYS_ABOUT, texts::kMenuAbout);

    LogPopupMenu = CreatePopupMenu();
    AppendMenuA(LogPopupMenu, MF_STRING, IDM_LOG_CUT, texts::kMenuLogCut);
    AppendMenuA(LogPopupMenu, MF_STRING, IDM_LOG_COPY, texts::kMenuLogCopy);
    AppendMenuA(LogPopupMenu, MF_STRING, IDM_LOG_DELETE, texts::kMenuLogDelete);
    AppendMenuA(LogPopupMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(LogPopupMenu, MF_STRING, IDM_LOG_SELECT_ALL, texts::kMenuLogSelectAll);
    AppendMenuA(LogPopupMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(LogPopupMenu, MF_STRING, IDM_LOG_SAVE_AS, texts::kMenuLogSaveAs);

    SetWindowTextA(Handle, texts::kProgramTitle);
    SetDlgItemTextA(Handle, IDC_FOLDER_LABEL, texts::kLabelFolder);
    SetDlgItemTextA(Handle, IDC_FILTER_LABEL, texts::kLabelFilter);
    SetDlgItemTextA(Handle, IDC_NAME_LABEL, texts::kLabelChecksumFile);
    SetDlgItemTextA(Handle, IDC_FORMAT_LABEL, texts::kLabelFormat);
    int id = IDC_SUBFOLDERS;
    for (const char* caption : texts::kMainCaptions) {
        if (caption)
            SetDlgItemTextA(Handle, id, caption);
        ++id;
    }

    ShowNameForMode();
    EnableWindow(Item(IDC_NAME), FALSE);
}

void TMainWindow::PostStartupCommand() {
    // Under /q nobody could close the usage dialog or start a run: such a command line is
    // an error of the log, and the program ends.
    if (Requests.Unattended &&
        (Requests.ShowUsage || !(Requests.StartUpdate || Requests.StartVerify))) {
        AddLogLine(Requests.ShowUsage
                       ? FormatText(texts::kBadArgument,
                                    {Requests.BadArgument.empty() ? "/?" : Requests.BadArgument})
                       : FormatText(texts::kNoCommand, {"/", "/"}),
                   lkError);
        ExitCode = kExitErrors;
        if (!Requests.LogFileName.empty())
            SaveRunLog({true, Requests.LogFileName, ""}, true);
        PostMessageA(Handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        Requests.ShowUsage = Requests.StartUpdate = Requests.StartVerify = Requests.RemindUpdates =
            false;
        return;
    }
    int command = Requests.ShowUsage       ? IDM_USAGE
                  : Requests.StartUpdate   ? IDC_UPDATE
                  : Requests.StartVerify   ? IDC_VERIFY
                  : Requests.RemindUpdates ? IDM_UPDATE_CHECK
                                           : 0;
    if (command != 0)
        PostMessageA(Handle, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    // The run's lock disables the controls right away; done now, while the window is not yet
    // shown, its first paint shows them disabled and no control is painted twice.
    if (command == IDC_UPDATE || command == IDC_VERIFY)
        EnableControls(false);
    if (command != IDC_VERIFY)
        Requests.VerifyList.clear(); // no start-up Verify: no run of the user's takes the list
    Requests.ShowUsage = Requests.StartUpdate = Requests.StartVerify = Requests.RemindUpdates =
        false;
    // From now on later programs hand their runs over; they queue behind the one just posted.
    if (!Places.InstanceProperty.empty())
        SetPropA(Handle, Places.InstanceProperty.c_str(), reinterpret_cast<HANDLE>(1));
}

// True when the command was handled; other ids get the default dialog processing.
bool TMainWindow::OnCommand(int id, int code) {
    if (id == IDC_FOLDER && code == CBN_DROPDOWN) {
        SizeDropDown();
        return true;
    }
    if (code > 1)
        return false;
    switch (id) {
    case IDC_BROWSE:
        BrowseFolder();
        return true;
    case IDC_EDIT_NAME:
        EditChecksumName();
        return true;
    case IDC_FORMAT:
    case IDC_PLACEMENT_FIRST:
    case IDC_PLACEMENT_FIRST + 1:
    case IDC_PLACEMENT_FIRST + 2:
    case IDC_PLACEMENT_FIRST + 3:
    case IDC_PLACEMENT_LAST:
        ShowNameForMode();
        return true;
    case IDC_UPDATE:
    case IDC_VERIFY:
        Run(id);
        return true;
    case IDM_USAGE:
        ShowUsageDialog(Handle, Requests.BadArgument);
        return true;
    case IDC_HELP_BUTTON:
        ShowHelp(Handle);
        return true;
    case IDC_ABOUT_BUTTON:
        ShowAboutDialog(Handle);
        return true;
    case IDM_UPDATE_CHECK:
        CheckForUpdates(Handle, true, Days.Today, Days.LastUpdateCheck);
        return true;
    case IDM_LOG_CUT:
        Log().Cut();
        return true;
    case IDM_LOG_COPY:
        Log().Copy();
        return true;
    case IDM_LOG_DELETE:
        Log().Delete();
        return true;
    case IDM_LOG_SELECT_ALL:
        Log().SelectAll();
        return true;
    case IDM_LOG_SAVE_AS:
        SaveLogAs();
        return true;
    }
    return false;
}

// True when the command was handled; move, size, minimise and the rest go on as usual.
bool TMainWindow::OnSysCommand(WPARAM command) {
    if ((command & 0xFFF0) == SC_CLOSE) {
        // While a run is active the close is swallowed: abort or wait first. The help
        // viewer closes while its owner still stands.
        if (!Running) {
            Closing = true;
            CloseHelp();
            EndDialog(Handle, ExitCode);
        }
        return true;
    }
    switch (command) {
    case IDM_SYS_ABOUT:
        ShowAboutDialog(Handle);
        return true;
    case IDM_SYS_OPTIONS:
        // The tooltips follow the new setting at once; Cancel leaves them alone.
        if (ShowOptionsDialog(Handle, WorkerCount, *Menu) == 0)
            SendMessageA(ToolTipWindow, TTM_ACTIVATE, ShowToolTips ? TRUE : FALSE, 0);
        return true;
    case IDM_SYS_UPDATES:
        CheckForUpdates(Handle, false, Days.Today, Days.LastUpdateCheck);
        return true;
    }
    return false;
}

INT_PTR TMainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SHOWWINDOW:
        PostStartupCommand();
        return TRUE;
    case WM_SIZE:
        Layout(-1);
        return TRUE;
    case WM_SIZING:
        OnSizing(*reinterpret_cast<RECT*>(lParam));
        return TRUE;
    case WM_MOUSEMOVE:
        OnMouseMove(LoWordSigned(lParam), HiWordSigned(lParam));
        return TRUE;
    case WM_LBUTTONDOWN:
        OnLButtonDown();
        return TRUE;
    case WM_LBUTTONUP:
        OnLButtonUp();
        return TRUE;
    case WM_DRAWITEM:
        return DrawLogItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_CONTEXTMENU:
        ShowLogMenu(LoWordSigned(lParam), HiWordSigned(lParam));
        return TRUE;
    case WM_VKEYTOITEM:
        return OnLogKey(LOWORD(wParam));
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam);
    case WM_HELP:
        ShowHelp(Handle);
        return TRUE;
    case WM_COPYDATA:
        SetWindowLongPtrA(Handle, DWLP_MSGRESULT,
                          OnCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam)));
        return TRUE;
    case WM_ENABLE:
        // A dialog or message box over the window has closed: a waiting run may start.
        if (wParam)
            ServeQueue();
        return FALSE;
    case kRunQueuedMessage:
        RunQueued();
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR TMainWindowHost::HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        // The start-up sequence: defaults, machine-wide then user settings, the command
        // line, the texts. Settings and command line never stop the start-up.
        try {
            Object = std::make_unique<TMainWindow>(dialog, Places);
            Object->SetDefaults();
            Object->LoadSettings(HKEY_LOCAL_MACHINE);
            Object->LoadSettings(HKEY_CURRENT_USER);
            Object->ParseCommandLine();
            Object->FollowExplorerMenu();
            Object->InitMenusAndTexts();
        } catch (...) {
            // Without its window object the program cannot work: close at once.
            Object.reset();
            EndDialog(dialog, 0);
        }
        return TRUE;
    }
    // Messages after WM_DESTROY find no window object and get the default processing.
    if (!Object)
        return FALSE;
    if (message == WM_DESTROY) {
        Object.reset();
        return TRUE;
    }
    return Object->HandleMessage(message, wParam, lParam);
}

TMainWindow* MainWindowOf(HWND dialog) {
    const TMainWindowHost* host = DialogObject<TMainWindowHost>(dialog);
    return host ? host->Window() : nullptr;
}
