// The Options dialog: edits DetailedLog, ShowToolTips, HeaderMode and RemindToCheck, and the
// number of workers of the window's runs.
#pragma once

#include <windows.h>

#include <cstdint>

// Runs "OPTIONS" modally over the owner. Returns 0 after OK (the settings and the worker
// count hold the dialog's choices) and 1 after Cancel (nothing changed).
int ShowOptionsDialog(HWND owner, int32_t& workers);
