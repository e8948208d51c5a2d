// The Options dialog: edits DetailedLog, ShowToolTips, HeaderMode and RemindToCheck.
#pragma once

#include <windows.h>

// Runs "OPTIONS" modally over the owner. Returns 0 after OK (the settings hold the
// dialog's choices) and 1 after Cancel (nothing changed).
int ShowOptionsDialog(HWND owner);
