// The Options dialog: edits DetailedLog, ShowToolTips, HeaderMode, RemindToCheck,
// QuickUpdate and MovedFiles, the number of workers of the window's runs, and switches the
// Explorer menu.
#pragma once

#include <windows.h>

#include <cstdint>

class TExplorerMenu;

// Runs "OPTIONS" modally over the owner. Returns 0 after OK (the settings and the worker
// count hold the dialog's choices, the menu is switched) and 1 after Cancel (nothing
// changed). A menu that cannot be switched is an Error box; the dialog then stays open
// with the box showing the menu as it is.
int ShowOptionsDialog(HWND owner, int32_t& workers, TExplorerMenu& explorerMenu);
