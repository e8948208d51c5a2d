// The main window's tooltips: one tool per control, each text asked for on demand, so the
// running text can replace every tip while a run is active.
#include "shell/main_window.h"

#include <commctrl.h>

#include "platform/tools.h"
#include "resources/resource.h"
#include "app/texts.h"

// Shows the tooltips the mouse over each control, then passes the message on to the control's
// own procedure (kept in the control's user data). The tooltips' own subclassing
// (TTF_SUBCLASS) looks its data up in a window property on every message a control gets, and
// under Wine each look-up is a call to the server: about a quarter of all the calls of a short
// run, repaints and log lines included.
LRESULT CALLBACK TMainWindow::RelayMouseProc(HWND control, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    const auto own = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_USERDATA));
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        // The dialog is the top-level window of every tool, the folder combo's edit part too.
        if (const TMainWindow* window = MainWindowOf(GetAncestor(control, GA_ROOT))) {
            MSG mouse{control, message, wParam, lParam, 0, {}};
            SendMessageW(window->ToolTipWindow, TTM_RELAYEVENT, 0,
                         reinterpret_cast<LPARAM>(&mouse));
        }
        break;
    }
    return CallWindowProcW(own, control, message, wParam, lParam);
}

void TMainWindow::CreateToolTips() {
    ToolTipWindow = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr,
                                    WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                    Handle, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowPos(ToolTipWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(ToolTipWindow, TTM_SETMAXTIPWIDTH, 0, 250);

    // The tip of the folder belongs on the combo's edit part, where the mouse rests; older
    // systems without GetComboBoxInfo get it on the whole combo.
    HWND combo = Item(IDC_FOLDER);
    HWND folderTool = combo;
    const auto getComboBoxInfo =
        LateSystemEntry<BOOL(WINAPI*)(HWND, PCOMBOBOXINFO)>("user32.dll", "GetComboBoxInfo");
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (getComboBoxInfo && getComboBoxInfo(combo, &info) && info.hwndItem)
        folderTool = info.hwndItem;
    AddToolTip(folderTool);
    for (int id = IDC_FOLDER_LABEL; id <= IDC_LOG; ++id)
        if (HWND control = Item(id))
            AddToolTip(control);
}

void TMainWindow::AddToolTip(HWND tool) {
    TOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_ABSOLUTE;
    info.hwnd = Handle;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(ToolTipWindow, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    SetWindowLongPtrW(tool, GWLP_USERDATA, GetWindowLongPtrW(tool, GWLP_WNDPROC));
    SetWindowLongPtrW(tool, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RelayMouseProc));
}

const char* TMainWindow::ToolTipText(HWND tool) const {
    switch (GetDlgCtrlID(tool)) {
    case IDC_FOLDER:
    case IDC_FOLDER_LABEL:
        return texts::kTipFolder;
    case IDC_BROWSE:
        return texts::kTipBrowse;
    case IDC_FILTER:
    case IDC_FILTER_LABEL:
        return texts::kTipFilter;
    case IDC_NAME:
    case IDC_NAME_LABEL:
        return texts::kTipChecksumName;
    case IDC_EDIT_NAME:
        return texts::kTipEditName;
    case IDC_SUBFOLDERS:
        return texts::kTipSubfolders;
    case IDC_OVERWRITE:
        return texts::kTipOverwrite;
    case IDC_FORMAT:
    case IDC_FORMAT_LABEL:
        return texts::kTipFormat;
    case IDC_PLACEMENT_GROUP:
        return texts::kTipPlacementGroup;
    case IDC_PLACEMENT_FIRST:
        return texts::kTipPlacementAnyPlace;
    case IDC_PLACEMENT_FIRST + 1:
        return texts::kTipPlacementTreeRoot;
    case IDC_PLACEMENT_FIRST + 2:
        return texts::kTipPlacementFixedName;
    case IDC_PLACEMENT_FIRST + 3:
        return texts::kTipPlacementFolderName;
    case IDC_PLACEMENT_LAST:
        return texts::kTipPlacementPerFile;
    case IDC_UPDATE:
        return texts::kTipUpdate;
    case IDC_VERIFY:
        return texts::kTipVerify;
    case IDC_HELP_BUTTON:
        return texts::kTipHelp;
    case IDC_ABOUT_BUTTON:
        return texts::kTipAbout;
    case IDC_LOG:
        return texts::kTipLog;
    default:
        return nullptr;
    }
}

bool TMainWindow::OnNotify(NMHDR& header) {
    if (header.code != TTN_NEEDTEXTA && header.code != TTN_NEEDTEXTW)
        return false;
    const char* text = nullptr;
    if (Running)
        text = texts::kTipRunning;
    else if (header.hwndFrom == ToolTipWindow)
        text = ToolTipText(reinterpret_cast<HWND>(header.idFrom));
    if (!text)
        return true;
    if (header.code == TTN_NEEDTEXTA) {
        auto& info = reinterpret_cast<NMTTDISPINFOA&>(header);
        info.hinst = nullptr;
        info.lpszText = const_cast<char*>(text);
    } else {
        int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        WideTipBuffer.assign(length > 0 ? length : 1, L'\0');
        MultiByteToWideChar(CP_ACP, 0, text, -1, WideTipBuffer.data(), length);
        auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
        info.hinst = nullptr;
        info.lpszText = WideTipBuffer.data();
    }
    return true;
}
