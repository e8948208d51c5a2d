// Every message box of the program goes through ShowMessageBox, so that tests can answer
// the questions and refusals without a window on screen.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// One message box as it was asked for.
struct TMessageBoxCall {
    HWND Owner;
    std::string Text;
    std::string Caption;
    UINT Type; // MB_* flags as given
};

// Answers a message box instead of the system: returns the button id (IDYES, IDNO ...).
using TMessageBoxHook = std::function<int(const TMessageBoxCall& call)>;

// MessageBoxA, or the installed hook when there is one. Never throws. An empty caption
// leaves the caption to the system (its default "Error").
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

// Installs the hook (an empty one restores MessageBoxA); returns the previous hook.
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook);
