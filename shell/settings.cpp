// Settings persistence: built-in defaults, then the machine's values, then the user's own;
// written once, under the user's key, when the window is destroyed.
#include "shell/main_window.h"
#include "shell/settings.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/handle.h"
#include "app/run.h"
#include "platform/tools.h"
#include "resources/resource.h"
#include "shell/remind.h"

bool DetailedLog = false;
bool ShowToolTips = true;
int32_t HeaderMode = 0;
bool RemindToCheck = true;

namespace {

// The value names of ChecksumNames, index format * 5 + placement. Settings of versions
// with two formats hold the first ten; the SHA-256 names then keep their defaults.
constexpr const char* kNameValues[kFormatCount * 5] = {
    "MD5ListAny",    "MD5ListAll",    "MD5ListFix",    "MD5ListExt",    "MD5ListPer",
    "SFVListAny",    "SFVListAll",    "SFVListFix",    "SFVListExt",    "SFVListPer",
    "SHA256ListAny", "SHA256ListAll", "SHA256ListFix", "SHA256ListExt", "SHA256ListPer"};

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
    MinWidth = window.right - window.left;
    MinHeight = window.bottom - window.top;
    MinPanelWidth = GetControlRect(Handle, IDC_PROGRESS).Rect.right;
    // Never below the template's size, as loading the settings would make it: one layout less.
    SetWindowPos(Handle, nullptr, 0, 0, std::max(DefaultWidth(), MinWidth),
                 std::max(DefaultHeight(), MinHeight), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    SetFolder("");
    SetFilter("*.*");
    for (size_t i = 0; i < ChecksumNames.size(); ++i)
        ChecksumNames[i] = DefaultChecksumName(static_cast<int>(i / 5), static_cast<int>(i % 5));
    SetSubfolders(true);
    SetOverwriteMode(omAsk);
    SetFormat(0);
    SetPlacement(0);

    ShowToolTips = true;
    HeaderMode = 0;
    DetailedLog = false;
    RemindToCheck = true;
    Workers = DefaultWorkers();

    AutoExit = false;
    LogFileName.clear();
    ShowUsage = StartUpdate = StartVerify = false;
    LastUpdateCheck = 0;
}

void TMainWindow::LoadSettings(HKEY root) {
    RECT current;
    GetWindowRect(Handle, &current);
    int32_t left = current.left, top = current.top;
    int32_t width = DefaultWidth(), height = DefaultHeight();

    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, SettingsKey.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS) {
        TRegKey key(opened);
        // Emptying the combo's list also empties its edit: the folder of an earlier load
        // (the machine's, under the user's key without "FilePath") is put back.
        std::string text = GetDlgItemString(Handle, IDC_FOLDER);
        RegReadComboList(key.Get(), kHistorySubKey, Handle, IDC_FOLDER);
        SetFolder(text);
        if (RegReadString(key.Get(), "FilePath", text))
            SetFolder(text);
        if (RegReadString(key.Get(), "FileMask", text))
            SetFilter(text);
        for (size_t i = 0; i < ChecksumNames.size(); ++i)
            RegReadString(key.Get(), kNameValues[i], ChecksumNames[i]);
        bool flag = false;
        int32_t number = 0;
        if (RegReadBoolean(key.Get(), "Subdirs", flag))
            SetSubfolders(flag);
        if (RegReadInteger(key.Get(), "Overwrite", number))
            SetOverwriteMode(number);
        if (RegReadInteger(key.Get(), "Format", number))
            SetFormat(number);
        if (RegReadInteger(key.Get(), "Locate", number))
            SetPlacement(number);
        RegReadBoolean(key.Get(), "Tooltips", ShowToolTips);
        RegReadInteger(key.Get(), "Headers", HeaderMode);
        RegReadBoolean(key.Get(), "Detailed", DetailedLog);
        RegReadBoolean(key.Get(), "Reminder", RemindToCheck);
        if (RegReadInteger(key.Get(), "Workers", number))
            Workers = std::clamp(number, 1, kMaxWorkers);
        RegReadInteger(key.Get(), "Checked", LastUpdateCheck);
        RegReadInteger(key.Get(), "Top", top);
        RegReadInteger(key.Get(), "Left", left);
        RegReadInteger(key.Get(), "Width", width);
        RegReadInteger(key.Get(), "Height", height);
        int32_t panel = MinPanelWidth;
        RegReadInteger(key.Get(), "Panel", panel);
        Layout(panel);
    }

    SetWindowPos(Handle, nullptr, left, top, std::max(width, MinWidth), std::max(height, MinHeight),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // A stored panel width that no longer fits the window would hide the panel or the log.
    RECT client;
    GetClientRect(Handle, &client);
    const int32_t widest = std::max<int32_t>(MinPanelWidth, client.right - 50);
    if (PanelWidth < MinPanelWidth || PanelWidth > widest)
        Layout(std::clamp(PanelWidth, MinPanelWidth, widest));

    RemindUpdates = IsReminderDue(RemindToCheck, LastUpdateCheck, Today);
    SendMessageA(ToolTips, TTM_ACTIVATE, ShowToolTips, 0);
}

void TMainWindow::SaveSettings(HKEY root) {
    HKEY created = nullptr;
    if (RegCreateKeyExA(root, SettingsKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &created, nullptr) != ERROR_SUCCESS)
        return;
    TRegKey key(created);
    RegWriteString(key.Get(), "FilePath", GetFolder());
    RegWriteString(key.Get(), "FileMask", GetFilter());
    for (size_t i = 0; i < ChecksumNames.size(); ++i)
        RegWriteString(key.Get(), kNameValues[i], ChecksumNames[i]);
    RegWriteBoolean(key.Get(), "Subdirs", GetSubfolders());
    RegWriteInteger(key.Get(), "Overwrite", GetOverwriteMode());
    RegWriteInteger(key.Get(), "Format", GetFormat());
    RegWriteInteger(key.Get(), "Locate", GetPlacement());
    RECT window = NormalWindowRect(Handle);
    RegWriteInteger(key.Get(), "Left", window.left);
    RegWriteInteger(key.Get(), "Top", window.top);
    RegWriteInteger(key.Get(), "Width", window.right - window.left);
    RegWriteInteger(key.Get(), "Height", window.bottom - window.top);
    RegWriteInteger(key.Get(), "Panel", PanelWidth);
    RegWriteBoolean(key.Get(), "Tooltips", ShowToolTips);
    RegWriteInteger(key.Get(), "Headers", HeaderMode);
    RegWriteBoolean(key.Get(), "Detailed", DetailedLog);
    RegWriteBoolean(key.Get(), "Reminder", RemindToCheck);
    RegWriteInteger(key.Get(), "Workers", Workers);
    if (LastUpdateCheck == 0)
        LastUpdateCheck = Today;
    RegWriteInteger(key.Get(), "Checked", LastUpdateCheck);
    RegWriteComboList(key.Get(), kHistorySubKey, Handle, IDC_FOLDER);
}
