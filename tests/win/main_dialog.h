// The real main window for tests: the dialog "MAIN" built hidden from the linked template,
// with its settings under a key of the tests' own that is empty before and after.
#pragma once

#include <windows.h>

#include <string>

#include "platform/tools.h"
#include "shell/main_window.h"
#include "shell/settings.h"

constexpr char kTestSettingsKey[] = "Software\\Quorvale\\tlvn-test\\";
// The classes of the test windows' Explorer menu, inside the test key.
constexpr char kTestClassesKey[] = "Software\\Quorvale\\tlvn-test\\Classes\\";

// Deletes a key with every sub-key below it.
inline bool DeleteKeyTree(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char name[256];
        DWORD length = sizeof(name);
        std::string sub;
        while (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS) {
            sub = path;
            if (sub.back() != '\\')
                sub += '\\';
            if (!DeleteKeyTree(root, sub + name))
                break;
            length = sizeof(name);
        }
        RegCloseKey(key);
    }
    std::string trimmed = path;
    if (!trimmed.empty() && trimmed.back() == '\\')
        trimmed.pop_back();
    return RegDeleteKeyA(root, trimmed.c_str()) == ERROR_SUCCESS;
}

// A key below the test classes: its default or named value, "<none>" without the key.
inline std::string ClassValue(const std::string& path, const std::string& name = "") {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kTestClassesKey) + path).c_str(), 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return "<none>";
    std::string value = "<no value>";
    RegReadString(key, name, value);
    RegCloseKey(key);
    return value;
}

inline void DeleteTestSettings() {
    DeleteKeyTree(HKEY_CURRENT_USER, kTestSettingsKey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kTestSettingsKey);
}

// Cleans the test key before and after its lifetime.
struct TTestSettingsKey {
    TTestSettingsKey() { DeleteTestSettings(); }
    ~TTestSettingsKey() { DeleteTestSettings(); }
};

// A name typed for the format and placement of the slot (format * 5 + placement), kept
// as the name edit keeps it; the controls then show that format and placement.
inline void RememberChecksumName(TMainWindow& window, int slot, const std::string& name) {
    window.SetFormat(slot / 5);
    window.SetPlacement(slot % 5);
    window.SetChecksumName(name);
    window.StoreNameForMode();
}

// One main window with its settings under the test key, created hidden; destroying it
// saves the settings like a close does.
class TMainDialog {
public:
    TMainDialog() {
        Handle = CreateDialogParamA(GetModuleHandleA(nullptr), "MAIN", nullptr, MainDialogProc,
                                    reinterpret_cast<LPARAM>(&Host));
        // The test runner's own arguments are no command line of the program's.
        if (TMainWindow* window = Host.Window()) {
            TStartupRequests requests = window->StartupRequests();
            requests.ShowUsage = false;
            window->SetStartupRequests(requests);
        }
    }
    ~TMainDialog() { Close(); }
    TMainDialog(const TMainDialog&) = delete;
    TMainDialog& operator=(const TMainDialog&) = delete;

    void Close() {
        if (IsWindow(Handle))
            DestroyWindow(Handle);
    }
    TMainWindow& Window() const { return *Host.Window(); }
    bool HasWindowObject() const { return Host.Window() != nullptr; }
    HWND Item(int id) const { return GetDlgItem(Handle, id); }
    std::string Text(int id) const {
        char buffer[4096] = "";
        GetDlgItemTextA(Handle, id, buffer, sizeof(buffer));
        return buffer;
    }
    // A click as the button sends it.
    void Click(int id) const {
        SendMessageA(Handle, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Item(id)));
    }
    RECT Rect(int id) const {
        RECT r;
        GetWindowRect(Item(id), &r);
        MapWindowPoints(nullptr, Handle, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    TMainWindowHost Host{{kTestSettingsKey, kTestClassesKey, ""}};
    HWND Handle = nullptr;
};
