// The usage dialog "CMDLINE": the command-line help, shown for "/?" and bad command lines.
#pragma once

#include <windows.h>

// Shows the usage text modally over the owner; returns when OK is pressed.
void ShowUsageDialog(HWND owner);
