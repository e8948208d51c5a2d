// Online help: the program's .chm file, opened through the system's HTML Help component,
// which is found through its registry entry and loaded on the first request.
#pragma once

#include <windows.h>

#include <string>

// The help file of a program file: its extension replaced by ".chm" (added when the
// file name has none).
std::string HelpFileFor(const std::string& programPath);

// Finds and keeps the HTML Help entry point. The program uses one instance for its whole
// life; tests make their own with another registry key. Defined in help.cpp.
class THtmlHelp {
public:
    // The key under HKEY_CLASSES_ROOT whose default value names the component's library.
    explicit THtmlHelp(std::string libraryKey = kComponentKey);
    ~THtmlHelp() { Close(); }
    THtmlHelp(const THtmlHelp&) = delete;
    THtmlHelp& operator=(const THtmlHelp&) = delete;

    // Shows the help file at its default topic, owned by the owner window, or tells why
    // it cannot: the component is missing, or the file (named with its full path) is.
    void Show(HWND owner, const std::string& helpFile);

    // Closes every help window this process opened and releases the component; the next
    // Show looks it up again.
    void Close();

    static constexpr const char* kComponentKey =
        "CLSID\\{adb880a6-d8ff-11cf-9377-00aa003b7a11}\\InprocServer32";

private:
    using THtmlHelpEntry = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

    // Looks the entry point up until it is found once; the library then stays loaded.
    bool FindEntry();

    std::string LibraryKey;
    HMODULE Module = nullptr;
    THtmlHelpEntry Entry = nullptr;
};

// The program's help: its own file path with ".chm", through the program's THtmlHelp.
void ShowHelp(HWND owner);
// At the program's end: the help viewer closes with the program (left open, it outlives
// it, which crashes some systems) and the component is released.
void CloseHelp();
