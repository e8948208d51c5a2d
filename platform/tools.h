// Win32 helpers of the Windows program: registry values and the folder history, the
// folder browser, dialog geometry and control texts, the clipboard, the program's own path
// and version, and day counts and date texts. They keep no state, show no message and
// report failure only through their results.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Registry values of an open key. A value stored with another type than the one read
// counts as missing; failed reads leave the out value untouched.
bool RegReadInteger(HKEY key, const std::string& name, int32_t& value);
bool RegReadBoolean(HKEY key, const std::string& name, bool& value);
bool RegReadString(HKEY key, const std::string& name, std::string& value);
bool RegWriteInteger(HKEY key, const std::string& name, int32_t value);
bool RegWriteBoolean(HKEY key, const std::string& name, bool value);
bool RegWriteString(HKEY key, const std::string& name, const std::string& value);

// The names of the values of a sub-key, in the order of enumeration; none when it is missing.
std::vector<std::string> RegReadValueNames(HKEY key, const std::string& subKey);

// The folder history: one REG_DWORD value named after each entry of a combo box.
void RegReadComboList(HKEY key, const std::string& subKey, HWND dialog, int comboId);
void RegWriteComboList(HKEY key, const std::string& subKey, HWND dialog, int comboId);

// The shell's folder browser, starting at the trimmed folder (or My Documents when it is
// empty). The folder is trimmed in place even when the user cancels.
bool BrowseForFolder(HWND owner, const std::string& title, std::string& folder);

// An entry of a system library that only a dialog or a link needs (shell32, comdlg32),
// the library loaded on first use and kept: under Wine every library the program imports
// lengthens each start. nullptr when the library or the entry cannot be found.
FARPROC LateSystemEntry(const char* library, const char* name);
template <typename TFunction> TFunction LateSystemEntry(const char* library, const char* name) {
    return reinterpret_cast<TFunction>(reinterpret_cast<void*>(LateSystemEntry(library, name)));
}

// Centres the window over its owner's client area (the work area without an owner).
void CenterOnOwner(HWND window);

struct TControlRect {
    HWND Window;
    RECT Rect; // in the dialog's client coordinates
};
TControlRect GetControlRect(HWND dialog, int id);

// The longest text GetDlgItemString reads back.
constexpr size_t kMaxDlgItemString = 2046;
// The control's text, at most kMaxDlgItemString characters.
std::string GetDlgItemString(HWND dialog, int id);
std::string GetListBoxItemText(HWND listBox, int index);
std::string GetWindowString(HWND window);

inline int LoWordSigned(LPARAM value) {
    return static_cast<int16_t>(value & 0xFFFF);
}
inline int HiWordSigned(LPARAM value) {
    return static_cast<int16_t>((value >> 16) & 0xFFFF);
}

// Puts the text on the clipboard; 0 on success, else the system error code.
DWORD CopyTextToClipboard(HWND owner, const std::string& text);

// The module's full file path, however long (nullptr: the program).
std::string GetModulePath(HMODULE module);

// "1.5.0", or with the build "version 1.5.0 (build 167)" for prefix "version" and build
// word "build". Empty when the file has no version information.
std::string GetVersionText(const std::string& fileName, const std::string& prefix,
                           const std::string& buildWord, bool withBuild);

// Days since 30 December 1899, or -1 for an invalid date.
int32_t DateToDayCount(int year, int month, int day);

// The local date and time as "ddd',' d MMM yyyy" and " H:mm.ss" in the user's locale.
std::string FormatDateTimeText(const SYSTEMTIME& time);
