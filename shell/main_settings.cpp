// The main window's settings: built-in defaults, then the machine's values, then the user's
// own; written once, under the user's key, when the window is destroyed. One table names
// every value of the key; loading and saving both walk it.
#include "shell/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <type_traits>
#include <variant>

#include "app/run.h"
#include "app/texts.h"
#include "platform/handle.h"
#include "platform/tools.h"
#include "resources/resource.h"
#include "shell/explorer_menu.h"
#include "shell/msgbox.h"
#include "shell/remind.h"
#include "shell/settings.h"

// Every value of the settings key but the folder history, as the registry holds it.
struct TStoredSettings {
    std::string FilePath;
    std::string FileMask;
    TChecksumNames Names;
    bool Subdirs = false;
    int32_t Overwrite = 0;
    int32_t Format = 0;
    int32_t Locate = 0;
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Panel = 0;
    bool Tooltips = false;
    int32_t Headers = 0;
    bool Detailed = false;
    bool Reminder = false;
    int32_t Workers = 0;
    int32_t Checked = 0;
    std::string ExplorerMenu; // the program the Explorer menu names, empty when off
    bool Quick = false;
    bool Moved = false;
};

namespace {

// A slot of TStoredSettings::Names, index format * 5 + placement.
struct TNameSlot {
    size_t Index;
};

// One registry value and the field that holds it: REG_SZ for text, REG_DWORD otherwise.
struct TStoredValue {
    const char* Name;
    std::variant<std::string TStoredSettings::*, int32_t TStoredSettings::*,
                 bool TStoredSettings::*, TNameSlot>
        Field;
};

// In the order they are written. Settings of versions with fewer formats hold the first
// names; the names of the later formats then keep their defaults.
const TStoredValue kStoredValues[] = {
    {"FilePath", &TStoredSettings::FilePath},
    {"FileMask", &TStoredSettings::FileMask},
    {"MD5ListAny", TNameSlot{0}},
    {"MD5ListAll", TNameSlot{1}},
    {"MD5ListFix", TNameSlot{2}},
    {"MD5ListExt", TNameSlot{3}},
    {"MD5ListPer", TNameSlot{4}},
    {"SFVListAny", TNameSlot{5}},
    {"SFVListAll", TNameSlot{6}},
    {"SFVListFix", TNameSlot{7}},
    {"SFVListExt", TNameSlot{8}},
    {"SFVListPer", TNameSlot{9}},
    {"SHA256ListAny", TNameSlot{10}},
    {"SHA256ListAll", TNameSlot{11}},
    {"SHA256ListFix", TNameSlot{12}},
    {"SHA256ListExt", TNameSlot{13}},
    {"SHA256ListPer", TNameSlot{14}},
    {"BLAKE3ListAny", TNameSlot{15}},
    {"BLAKE3ListAll", TNameSlot{16}},
    {"BLAKE3ListFix", TNameSlot{17}},
    {"BLAKE3ListExt", TNameSlot{18}},
    {"BLAKE3ListPer", TNameSlot{19}},
    {"XXH128ListAny", TNameSlot{20}},
    {"XXH128ListAll", TNameSlot{21}},
    {"XXH128ListFix", TNameSlot{22}},
    {"XXH128ListExt", TNameSlot{23}},
    {"XXH128ListPer", TNameSlot{24}},
    {"Subdirs", &TStoredSettings::Subdirs},
    {"Overwrite", &TStoredSettings::Overwrite},
    {"Format", &TStoredSettings::Format},
    {"Locate", &TStoredSettings::Locate},
    {"Left", &TStoredSettings::Left},
    {"Top", &TStoredSettings::Top},
    {"Width", &TStoredSettings::Width},
    {"Height", &TStoredSettings::Height},
    {"Panel", &TStoredSettings::Panel},
    {"Tooltips", &TStoredSettings::Tooltips},
    {"Headers", &TStoredSettings::Headers},
    {"Detailed", &TStoredSettings::Detailed},
    {"Reminder", &TStoredSettings::Reminder},
    {"Workers", &TStoredSettings::Workers},
    {"Checked", &TStoredSettings::Checked},
    {"ExplorerMenu", &TStoredSettings::ExplorerMenu},
    {"Quick", &TStoredSettings::Quick},
    {"Moved", &TStoredSettings::Moved},
};

bool ReadValue(HKEY key, const char* name, std::string& value) {
    return RegReadString(key, name, value);
}
bool ReadValue(HKEY key, const char* name, int32_t& value) {
    return RegReadInteger(key, name, value);
}
bool ReadValue(HKEY key, const char* name, bool& value) {
    return RegReadBoolean(key, name, value);
}
void WriteValue(HKEY key, const char* name, const std::string& value) {
    RegWriteString(key, name, value);
}
void WriteValue(HKEY key, const char* name, int32_t value) {
    RegWriteInteger(key, name, value);
}
void WriteValue(HKEY key, const char* name, bool value) {
    RegWriteBoolean(key, name, value);
}

// Calls visit(name, field) for every value in table order, with its field in the settings.
template <class TSettings, class TVisit>
void ForEachStoredValue(TSettings& settings, TVisit visit) {
    for (const TStoredValue& row : kStoredValues)
        std::visit(
            [&](auto field) {
                if constexpr (std::is_same_v<decltype(field), TNameSlot>)
                    visit(row.Name, settings.Names[field.Index]);
                else
                    visit(row.Name, settings.*field);
            },
            row.Field);
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

int DefaultHeight() {
    return MulDiv(290, HIWORD(GetDialogBaseUnits()), 16);
}

// Room for this many average characters of the log's font at the first start: a whole
// finding about a path of some 60 characters, such as
// FAIL: The file "D:\Photos\2026\Holiday in Kyoto\IMG_20260512_101530.jpg" has different checksum
// value
constexpr int kFirstStartLogChars = 110;

int AverageCharWidth(HWND window) {
    HDC dc = GetDC(window);
    if (!dc)
        return 0;
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return metrics.tmAveCharWidth;
}

RECT WorkAreaOf(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoA(monitor, &info))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    return info.rcWork;
}

// The window at the least distance that puts it inside the area (its top-left corner, when
// it is larger); centred when asked.
void PlaceInWorkArea(HWND window, const RECT& area, bool centred) {
    RECT r;
    GetWindowRect(window, &r);
    int x = centred ? area.left + (Width(area) - Width(r)) / 2 : r.left;
    int y = centred ? area.top + (Height(area) - Height(r)) / 2 : r.top;
    x = std::max<int>(area.left, std::min<int>(x, area.right - Width(r)));
    y = std::max<int>(area.top, std::min<int>(y, area.bottom - Height(r)));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The window's rectangle in its normal state: a minimised or maximised window reports the
// system's rectangle for that state, which is no size to come back to.
RECT NormalWindowRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    if (!IsIconic(window) && !IsZoomed(window))
        return rect;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(window, &placement))
        return rect;
    // The placement is in work-area coordinates.
    RECT workArea{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    rect = placement.rcNormalPosition;
    OffsetRect(&rect, workArea.left, workArea.top);
    return rect;
}

} // namespace

// The first start's width: the log holds a whole finding line, within the work area of the
// window's monitor, and never less than 470 dialog units.
int32_t TMainWindow::FirstStartWidth() const {
    RECT window, client;
    GetWindowRect(Handle, &window);
    GetClientRect(Handle, &client);
    const int wanted = Width(window) - client.right + Size.MinPanelWidth +
                       kFirstStartLogChars * AverageCharWidth(Item(IDC_LOG)) +
                       GetSystemMetrics(SM_CXVSCROLL) + 4 * GetSystemMetrics(SM_CXEDGE);
    const RECT area = WorkAreaOf(MonitorFromWindow(Handle, MONITOR_DEFAULTTONEAREST));
    return std::max({MulDiv(470, LOWORD(GetDialogBaseUnits()), 8), Size.MinWidth,
                     std::min(wanted, Width(area))});
}

void TMainWindow::SetDefaults() {
    RECT window;
    GetWindowRect(Handle, &window);
    Size.MinWidth = window.right - window.left;
    Size.MinHeight = window.bottom - window.top;
    Size.MinPanelWidth = GetControlRect(Handle, IDC_PROGRESS).Rect.right;
    // Never below the template's size, as loading the settings would make it: one layout less.
    // Centred on its monitor, as the template is.
    Size.FirstStartWidth = FirstStartWidth();
    SetWindowPos(Handle, nullptr, 0, 0, Size.FirstStartWidth,
                 std::max(DefaultHeight(), Size.MinHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceInWorkArea(Handle, WorkAreaOf(MonitorFromWindow(Handle, MONITOR_DEFAULTTONEAREST)), true);

    SetFolder("");
    SetFilter("*.*");
    for (size_t i = 0; i < Names.size(); ++i)
        Names[i] = DefaultChecksumName(static_cast<int>(i / 5), static_cast<int>(i % 5));
    SetSubfolders(true);
    SetOverwriteMode(omAsk);
    SetFormat(0);
    SetPlacement(0);

    ShowToolTips = true;
    HeaderMode = 0;
    DetailedLog = false;
    RemindToCheck = true;
    QuickUpdate = false;
    MovedFiles = false;
    WorkerCount = kWorkersByDisk;

    Requests = TStartupRequests();
    Days.LastUpdateCheck = 0;
}

TStoredSettings TMainWindow::StoredSettings(const std::string& folder, const RECT& window) const {
    TStoredSettings settings;
    settings.FilePath = folder;
    settings.FileMask = GetFilter();
    settings.Names = Names;
    settings.Subdirs = GetSubfolders();
    settings.Overwrite = GetOverwriteMode();
    settings.Format = GetFormat();
    settings.Locate = GetPlacement();
    settings.Left = window.left;
    settings.Top = window.top;
    settings.Width = window.right - window.left;
    settings.Height = window.bottom - window.top;
    settings.Panel = Size.PanelWidth;
    settings.Tooltips = ShowToolTips;
    settings.Headers = HeaderMode;
    settings.Detailed = DetailedLog;
    settings.Reminder = RemindToCheck;
    settings.Workers = WorkerCount;
    settings.Checked = Days.LastUpdateCheck;
    settings.ExplorerMenu = Menu->StoredValue();
    settings.Quick = QuickUpdate;
    settings.Moved = MovedFiles;
    return settings;
}

// Everything but the window's rectangle and the panel, which the caller places, and the
// Explorer menu, which only loading sets.
void TMainWindow::TakeStoredSettings(const TStoredSettings& settings) {
    SetFolder(settings.FilePath);
    SetFilter(settings.FileMask);
    Names = settings.Names;
    SetSubfolders(settings.Subdirs);
    SetOverwriteMode(settings.Overwrite);
    SetFormat(settings.Format);
    SetPlacement(settings.Locate);
    ShowToolTips = settings.Tooltips;
    HeaderMode = settings.Headers;
    DetailedLog = settings.Detailed;
    RemindToCheck = settings.Reminder;
    WorkerCount = std::clamp(settings.Workers, kWorkersByDisk, kMaxWorkers);
    Days.LastUpdateCheck = settings.Checked;
    QuickUpdate = settings.Quick;
    MovedFiles = settings.Moved;
    Layout(settings.Panel);
}

void TMainWindow::LoadSettings(HKEY root) {
    RECT current;
    GetWindowRect(Handle, &current);
    // The folder's text as it stands (reading it with GetFolder would grow the history).
    TStoredSettings settings =
        StoredSettings(GetDlgItemString(Handle, IDC_FOLDER),
                       {current.left, current.top, current.left + Size.FirstStartWidth,
                        current.top + DefaultHeight()});
    settings.Panel = Size.MinPanelWidth;

    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, Places.SettingsKey.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS) {
        TRegKey key(opened);
        // Emptying the combo's list also empties its edit: the folder of an earlier load
        // (the machine's, under the user's key without "FilePath") is put back.
        RegReadComboList(key.Get(), kHistorySubKey, Handle, IDC_FOLDER);
        // A missing value, or one stored with another type, leaves its field as it is.
        ForEachStoredValue(
            settings, [&](const char* name, auto& field) { ReadValue(key.Get(), name, field); });
        TakeStoredSettings(settings);
        Layout(settings.Panel);
        // The verbs are the user's keys: only the user's value says whether they exist.
        if (root == HKEY_CURRENT_USER)
            Menu->Loaded(settings.ExplorerMenu);
    }

    SetWindowPos(Handle, nullptr, settings.Left, settings.Top,
                 std::max(settings.Width, Size.MinWidth), std::max(settings.Height, Size.MinHeight),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // A place on a monitor that is gone (or a mistyped value) comes back onto the nearest one.
    RECT placed;
    GetWindowRect(Handle, &placed);
    if (!MonitorFromRect(&placed, MONITOR_DEFAULTTONULL))
        PlaceInWorkArea(Handle, WorkAreaOf(MonitorFromRect(&placed, MONITOR_DEFAULTTONEAREST)),
                        false);
    // A stored panel width that no longer fits the window would hide the panel or the log.
    RECT client;
    GetClientRect(Handle, &client);
    const int32_t widest = std::max<int32_t>(Size.MinPanelWidth, client.right - 50);
    if (Size.PanelWidth < Size.MinPanelWidth || Size.PanelWidth > widest)
        Layout(std::clamp(Size.PanelWidth, Size.MinPanelWidth, widest));

    Requests.RemindUpdates = IsReminderDue(RemindToCheck, Days.LastUpdateCheck, Days.Today);
    SendMessageA(ToolTipWindow, TTM_ACTIVATE, ShowToolTips, 0);
}

void TMainWindow::SaveSettings(HKEY root) {
    HKEY created = nullptr;
    if (RegCreateKeyExA(root, Places.SettingsKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &created, nullptr) != ERROR_SUCCESS)
        return;
    TRegKey key(created);
    // Best effort, as every write at exit: a menu that cannot be written again is off.
    Menu->Follow(true);
    if (Days.LastUpdateCheck == 0)
        Days.LastUpdateCheck = Days.Today;
    // Reading the folder adds it to the history, so the folder shown at exit is saved in it.
    const TStoredSettings settings = StoredSettings(GetFolder(), NormalWindowRect(Handle));
    ForEachStoredValue(
        settings, [&](const char* name, const auto& field) { WriteValue(key.Get(), name, field); });
    RegWriteComboList(key.Get(), kHistorySubKey, Handle, IDC_FOLDER);
}

// A handed-over run's settings: the controls take the command's options as the command line
// would, the run's settings are read from them (which also adds the run's folder to the
// history), and the window's own settings come back before anything is shown.
TRunSettings TMainWindow::RunSettingsWith(const TCommandLine& line) {
    if (NameEditOwnProc)
        EndNameEdit(); // a name being typed is kept first
    RECT window{};
    const TStoredSettings own = StoredSettings(GetDlgItemString(Handle, IDC_FOLDER), window);
    const std::string list = ApplyRunOptions(line);
    TRunSettings settings = RunSettings();
    if (!list.empty())
        VerifyOnlyList(settings, list);
    TakeStoredSettings(own);
    ShowNameForMode();
    return settings;
}

void TMainWindow::FollowExplorerMenu() {
    const TRegistryFault fault = Menu->Follow(false);
    // A script's or an unattended run must not wait on a box that nobody sees; the menu is
    // off either way.
    if (fault && !ClosesAfterRun())
        ShowMessageBox(Handle, ExplorerMenuFaultText(fault, false), texts::kCaptionError,
                       MB_OK | MB_ICONERROR);
}
