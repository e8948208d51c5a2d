// The About panel "ABOUT": name, version and the two links, moved by dragging.
#pragma once

#include <windows.h>

// Runs "ABOUT" modally over the owner. A click on the mail or web link opens it
// (OpenLink, without a parent window) and closes the panel.
void ShowAboutDialog(HWND owner);
