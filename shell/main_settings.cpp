// The main window's settings: built-in defaults, then the machine's values, then the user's
// own; written once, under the user's key, when the window is destroyed. One table names
// every value of the key; loading and saving both walk it.
#include "shell/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <type_traits>
#include <variant>

#include "app/run.h"
#include "platform/handle.h"
#include "platform/tools.h"
#include "resources/resource.h"
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

// In the order they are written. Settings of versions with two formats hold the first ten
// names; the SHA-256 names then keep their defaults.
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

int DefaultWidth() {
    return MulDiv(470, LOWORD(GetDialogBaseUnits()), 8);
}
int DefaultHeight() {
    return MulDiv(290, HIWORD(GetDialogBaseUnits()), 16);
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

void TMainWindow::SetDefaults() {
    RECT window;
    GetWindowRect(Handle, &window);
    Size.MinWidth = window.right - window.left;
    Size.MinHeight = window.bottom - window.top;
    Size.MinPanelWidth = GetControlRect(Handle, IDC_PROGRESS).Rect.right;
    // Never below the template's size, as loading the settings would make it: one layout less.
    SetWindowPos(Handle, nullptr, 0, 0, std::max(DefaultWidth(), Size.MinWidth),
                 std::max(DefaultHeight(), Size.MinHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

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
    WorkerCount = DefaultWorkers();

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
    return settings;
}

// Everything but the window's rectangle, which the caller places.
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
    WorkerCount = std::clamp(settings.Workers, 1, kMaxWorkers);
    Days.LastUpdateCheck = settings.Checked;
    Layout(settings.Panel);
}

void TMainWindow::LoadSettings(HKEY root) {
    RECT current;
    GetWindowRect(Handle, &current);
    // The folder's text as it stands (reading it with GetFolder would grow the history).
    TStoredSettings settings = StoredSettings(
        GetDlgItemString(Handle, IDC_FOLDER),
        {current.left, current.top, current.left + DefaultWidth(), current.top + DefaultHeight()});
    settings.Panel = Size.MinPanelWidth;

    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, SettingsKey.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS) {
        TRegKey key(opened);
        // Emptying the combo's list also empties its edit: the folder of an earlier load
        // (the machine's, under the user's key without "FilePath") is put back.
        RegReadComboList(key.Get(), kHistorySubKey, Handle, IDC_FOLDER);
        // A missing value, or one stored with another type, leaves its field as it is.
        ForEachStoredValue(
            settings, [&](const char* name, auto& field) { ReadValue(key.Get(), name, field); });
        TakeStoredSettings(settings);
    }

    SetWindowPos(Handle, nullptr, settings.Left, settings.Top,
                 std::max(settings.Width, Size.MinWidth), std::max(settings.Height, Size.MinHeight),
                 SWP_NOZORDER | SWP_NOACTIVATE);
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
    if (RegCreateKeyExA(root, SettingsKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &created, nullptr) != ERROR_SUCCESS)
        return;
    TRegKey key(created);
    if (Days.LastUpdateCheck == 0)
        Days.LastUpdateCheck = Days.Today;
    // Reading the folder adds it to the history, so the folder shown at exit is saved in it.
    const TStoredSettings settings = StoredSettings(GetFolder(), NormalWindowRect(Handle));
    ForEachStoredValue(
        settings, [&](const char* name, const auto& field) { WriteValue(key.Get(), name, field); });
    RegWriteComboList(key.Get(), kHistorySubKey, Handle, IDC_FOLDER);
}
