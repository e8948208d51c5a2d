#include "platform/tools.h"

#include <shlobj.h>

#include <vector>

#include "platform/blanks.h"
#include "platform/handle.h"

namespace {

// Reads a value's type and data; false when it is missing or cannot be read.
bool QueryValue(HKEY key, const std::string& name, DWORD& type, std::vector<BYTE>& data) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    data.assign(size, 0);
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return false;
    data.resize(size);
    return true;
}

struct TItemListTraits {
    using THandle = LPITEMIDLIST;
    static THandle Invalid() noexcept { return nullptr; }
    static void Close(THandle list) noexcept { CoTaskMemFree(list); }
};
using TItemList = TUniqueHandle<TItemListTraits>;

TItemList SpecialFolder(HWND owner, int folder) {
    static const auto location = LateSystemEntry<decltype(&SHGetSpecialFolderLocation)>(
        "shell32.dll", "SHGetSpecialFolderLocation");
    LPITEMIDLIST list = nullptr;
    if (!location || location(owner, folder, &list) != S_OK)
        return TItemList();
    return TItemList(list);
}

// The browser's title becomes its caption and the tree fills the window above the buttons.
void AdjustBrowseDialog(HWND browser) {
    constexpr int kTitle = 14146, kStatus = 14147, kTree = 14145, kMargin = 4;
    char title[255] = "";
    GetDlgItemTextA(browser, kTitle, title, sizeof(title));
    SetWindowTextA(browser, title);
    ShowWindow(GetDlgItem(browser, kTitle), SW_HIDE);
    ShowWindow(GetDlgItem(browser, kStatus), SW_HIDE);

    RECT client;
    GetClientRect(browser, &client);
    TControlRect cancel = GetControlRect(browser, IDCANCEL);
    TControlRect ok = GetControlRect(browser, IDOK);
    int cancelWidth = cancel.Rect.right - cancel.Rect.left;
    int cancelHeight = cancel.Rect.bottom - cancel.Rect.top;
    int okWidth = ok.Rect.right - ok.Rect.left;
    int cancelLeft = client.right - kMargin - cancelWidth;
    int buttonsTop = client.bottom - kMargin - cancelHeight;
    UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(cancel.Window, nullptr, cancelLeft, buttonsTop, 0, 0, flags);
    SetWindowPos(ok.Window, nullptr, cancelLeft - kMargin - okWidth, buttonsTop, 0, 0, flags);
    SetWindowPos(GetDlgItem(browser, kTree), nullptr, kMargin, kMargin, client.right - 2 * kMargin,
                 buttonsTop - 2 * kMargin, SWP_NOZORDER | SWP_NOACTIVATE);
}

int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM data) {
    if (message != BFFM_INITIALIZED)
        return 0;
    // Without a folder, the user's documents folder, selected by its path: as an item it
    // lies outside the browser's root (My Computer) and some systems then select nothing.
    static const auto folderPath = LateSystemEntry<decltype(&SHGetSpecialFolderPathA)>(
        "shell32.dll", "SHGetSpecialFolderPathA");
    char documents[MAX_PATH] = "";
    if (!data && folderPath && folderPath(browser, documents, CSIDL_PERSONAL, FALSE))
        data = reinterpret_cast<LPARAM>(documents);
    if (data)
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
    AdjustBrowseDialog(browser);
    return 0;
}

// Room for the longest value name that RegQueryInfoKeyA reports: it counts UTF-16 units,
// and one unit takes up to three bytes in the ANSI code page (UTF-8 or a double-byte one).
std::vector<char> ValueNameBuffer(DWORD longest) {
    return std::vector<char>(longest * 3 + 1);
}

} // namespace

bool RegReadInteger(HKEY key, const std::string& name, int32_t& value) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!QueryValue(key, name, type, data) || type != REG_DWORD || data.size() != 4)
        return false;
    value = static_cast<int32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                 static_cast<uint32_t>(data[3]) << 24);
    return true;
}

bool RegReadBoolean(HKEY key, const std::string& name, bool& value) {
    int32_t number = 0;
    if (!RegReadInteger(key, name, number))
        return false;
    value = number != 0;
    return true;
}

bool RegReadString(HKEY key, const std::string& name, std::string& value) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!QueryValue(key, name, type, data) || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    // The text ends at the first NUL; data written without one loses no character.
    std::string text(data.begin(), data.end());
    value = text.substr(0, text.find('\0'));
    return true;
}

bool RegWriteInteger(HKEY key, const std::string& name, int32_t value) {
    DWORD data = static_cast<DWORD>(value);
    return RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof(data)) == ERROR_SUCCESS;
}

bool RegWriteBoolean(HKEY key, const std::string& name, bool value) {
    return RegWriteInteger(key, name, value ? 1 : 0);
}

bool RegWriteString(HKEY key, const std::string& name, const std::string& value) {
    return RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

std::vector<std::string> RegReadValueNames(HKEY key, const std::string& subKey) {
    std::vector<std::string> names;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(key, subKey.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return names;
    TRegKey sub(opened);
    DWORD longest = 0;
    if (RegQueryInfoKeyA(sub.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &longest, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        longest == 0)
        return names;
    std::vector<char> name = ValueNameBuffer(longest);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueA(sub.Get(), index, name.data(), &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name.data(), length);
    }
    return names;
}

void RegReadComboList(HKEY key, const std::string& subKey, HWND dialog, int comboId) {
    SendDlgItemMessageA(dialog, comboId, CB_RESETCONTENT, 0, 0);
    for (const std::string& name : RegReadValueNames(key, subKey))
        SendDlgItemMessageA(dialog, comboId, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(name.c_str()));
}

void RegWriteComboList(HKEY key, const std::string& subKey, HWND dialog, int comboId) {
    HKEY created = nullptr;
    if (RegCreateKeyExA(key, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &created, nullptr) != ERROR_SUCCESS)
        return;
    TRegKey history(created);
    DWORD longest = 0;
    if (RegQueryInfoKeyA(history.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, &longest, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    if (longest != 0) {
        std::vector<char> name = ValueNameBuffer(longest);
        for (;;) {
            DWORD length = static_cast<DWORD>(name.size());
            if (RegEnumValueA(history.Get(), 0, name.data(), &length, nullptr, nullptr, nullptr,
                              nullptr) != ERROR_SUCCESS ||
                RegDeleteValueA(history.Get(), name.data()) != ERROR_SUCCESS)
                break;
        }
    }
    LRESULT count = SendDlgItemMessageA(dialog, comboId, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendDlgItemMessageA(dialog, comboId, CB_GETLBTEXTLEN, i, 0);
        if (length <= 0)
            continue;
        std::vector<char> text(static_cast<size_t>(length) + 1);
        if (SendDlgItemMessageA(dialog, comboId, CB_GETLBTEXT, i,
                                reinterpret_cast<LPARAM>(text.data())) == CB_ERR)
            continue;
        RegWriteInteger(history.Get(), text.data(), 0);
    }
}

bool BrowseForFolder(HWND owner, const std::string& title, std::string& folder) {
    folder = TrimBlanks(folder);

    static const auto browse =
        LateSystemEntry<decltype(&SHBrowseForFolderA)>("shell32.dll", "SHBrowseForFolderA");
    static const auto pathOf =
        LateSystemEntry<decltype(&SHGetPathFromIDListA)>("shell32.dll", "SHGetPathFromIDListA");
    if (!browse || !pathOf)
        return false;
    TItemList root = SpecialFolder(owner, CSIDL_DRIVES);
    char displayName[261] = "";
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = root.Get();
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = folder.empty() ? 0 : reinterpret_cast<LPARAM>(folder.c_str());
    TItemList chosen(browse(&info));
    if (!chosen)
        return false;
    char path[261] = "";
    if (!pathOf(chosen.Get(), path))
        return false;
    folder = path;
    return true;
}

FARPROC LateSystemEntry(const char* library, const char* name) {
    HMODULE module = GetModuleHandleA(library);
    if (!module)
        module = LoadLibraryA(library);
    return module ? GetProcAddress(module, name) : nullptr;
}

void CenterOnOwner(HWND window) {
    RECT own;
    GetWindowRect(window, &own);
    RECT area{};
    if (HWND owner = GetParent(window))
        GetClientRect(owner, &area);
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    int width = own.right - own.left, height = own.bottom - own.top;
    int x = own.left + ((area.right - area.left) - width) / 2;
    int y = own.top + ((area.bottom - area.top) - height) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

TControlRect GetControlRect(HWND dialog, int id) {
    TControlRect result{GetDlgItem(dialog, id), {0, 0, 0, 0}};
    GetWindowRect(result.Window, &result.Rect);
    ScreenToClient(dialog, reinterpret_cast<POINT*>(&result.Rect.left));
    ScreenToClient(dialog, reinterpret_cast<POINT*>(&result.Rect.right));
    return result;
}

std::string GetDlgItemString(HWND dialog, int id) {
    char buffer[kMaxDlgItemString + 2];
    UINT length = GetDlgItemTextA(dialog, id, buffer, kMaxDlgItemString + 1);
    return std::string(buffer, length);
}

std::string GetListBoxItemText(HWND listBox, int index) {
    LRESULT length = SendMessageA(listBox, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    LRESULT got = SendMessageA(listBox, LB_GETTEXT, index, reinterpret_cast<LPARAM>(buffer.data()));
    if (got == LB_ERR)
        return std::string();
    return std::string(buffer.data(), static_cast<size_t>(got));
}

std::string GetWindowString(HWND window) {
    LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1);
    LRESULT got =
        SendMessageA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return std::string(buffer.data(), static_cast<size_t>(got > 0 ? got : 0));
}

DWORD CopyTextToClipboard(HWND owner, const std::string& text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1);
    if (!block)
        return GetLastError();
    if (void* memory = GlobalLock(block)) {
        CopyMemory(memory, text.c_str(), text.size() + 1);
        GlobalUnlock(block);
    }
    if (!OpenClipboard(owner)) {
        DWORD error = GetLastError();
        GlobalFree(block);
        return error;
    }
    DWORD result = 0;
    EmptyClipboard();
    if (!SetClipboardData(CF_TEXT, block)) {
        result = GetLastError();
        // The clipboard did not take the block: it is still ours to free.
        GlobalFree(block);
    }
    CloseClipboard();
    return result;
}

std::string GetModulePath(HMODULE module) {
    std::vector<char> buffer(1024);
    for (;;) {
        DWORD length = GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() + 1024);
    }
}

std::string GetVersionText(const std::string& fileName, const std::string& prefix,
                           const std::string& buildWord, bool withBuild) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &handle);
    if (size == 0)
        return std::string();
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoA(fileName.c_str(), 0, size, data.data()))
        return std::string();
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) ||
        !fixed || fixedSize < sizeof(VS_FIXEDFILEINFO))
        return std::string();
    std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                          std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                          std::to_string(HIWORD(fixed->dwFileVersionLS));
    if (!withBuild)
        return numbers;
    return prefix + " " + numbers + " (" + buildWord + " " +
           std::to_string(LOWORD(fixed->dwFileVersionLS)) + ")";
}

int32_t DateToDayCount(int year, int month, int day) {
    static const int kMonthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return -1;
    int length = kMonthLength[month - 1] + (month == 2 && leap ? 1 : 0);
    if (day > length)
        return -1;
    int d = day;
    for (int m = 1; m < month; ++m)
        d += kMonthLength[m - 1] + (m == 2 && leap ? 1 : 0);
    int y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400 + d - 693594;
}

std::string FormatDateTimeText(const SYSTEMTIME& time) {
    auto format = [&](bool date, const char* picture) {
        int size = date ? GetDateFormatA(LOCALE_USER_DEFAULT, 0, &time, picture, nullptr, 0)
                        : GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, picture, nullptr, 0);
        if (size <= 0)
            return std::string();
        std::vector<char> buffer(size);
        int got = date
                      ? GetDateFormatA(LOCALE_USER_DEFAULT, 0, &time, picture, buffer.data(), size)
                      : GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, picture, buffer.data(), size);
        return got > 0 ? std::string(buffer.data()) : std::string();
    };
    return format(true, "ddd',' d MMM yyyy") + format(false, " H:mm.ss");
}
