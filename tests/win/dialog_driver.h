// Drives a modal dialog of the test's own thread from inside its modal loop: a thread
// timer runs one step per tick with the dialog's handle. A dialog still open two ticks
// after the last step is ended with kLeftOpen, so a broken dialog fails instead of hanging.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace dialog_driver {

using TStep = std::function<void(HWND dialog)>;
constexpr INT_PTR kLeftOpen = -99;

struct TRun {
    std::vector<TStep> Steps;
    size_t Next = 0;
    int IdleTicks = 0;
};

inline TRun*& Current() {
    static TRun* run = nullptr;
    return run;
}

inline BOOL CALLBACK FindModalDialogOf(HWND window, LPARAM result) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof(name));
    if (std::string(name) == "#32770" && IsWindowEnabled(window) && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

inline BOOL CALLBACK IsModalDialog(HWND window, LPARAM result) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof(name));
    if (std::string(name) == "#32770" && IsWindowEnabled(window) && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

// The enabled top-level dialog of this thread: the modal one (its owner is disabled).
inline HWND FindModalDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), IsModalDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

inline void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
    TRun* run = Current();
    HWND dialog = FindModalDialog();
    if (!run || !dialog)
        return;
    if (run->Next < run->Steps.size()) {
        run->Steps[run->Next++](dialog);
        return;
    }
    if (++run->IdleTicks > 2)
        EndDialog(dialog, kLeftOpen);
}

// Calls show, which runs a modal dialog, while the steps drive it; returns show's result.
// stepsRun tells how many steps found the dialog open.
template <typename TShow>
auto Drive(TShow show, std::vector<TStep> steps, size_t* stepsRun = nullptr) {
    TRun run{std::move(steps)};
    Current() = &run;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, OnTick);
    auto result = show();
    KillTimer(nullptr, timer);
    Current() = nullptr;
    if (stepsRun)
        *stepsRun = run.Next;
    return result;
}

// Clicks a button the way a user does: BN_CLICKED reaches the dialog procedure.
inline void Click(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// A key pressed while the dialog has the focus, translated by the dialog's modal loop.
inline void PostKey(HWND dialog, WPARAM key) {
    PostMessageA(dialog, WM_KEYDOWN, key, 0);
    PostMessageA(dialog, WM_KEYUP, key, 0xC0000001);
}

// The ids of the controls the Tab key reaches, in order, from the dialog's first tab stop
// round to it again, as the dialog manager finds them.
inline std::vector<int> TabOrder(HWND dialog) {
    std::vector<int> ids;
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    for (HWND item = first; item && ids.size() < 64;) {
        ids.push_back(GetDlgCtrlID(item));
        item = GetNextDlgTabItem(dialog, item, FALSE);
        if (item == first)
            break;
    }
    return ids;
}

inline bool IsChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

inline std::string ItemText(HWND dialog, int id) {
    char text[512] = {};
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

inline std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

} // namespace dialog_driver
