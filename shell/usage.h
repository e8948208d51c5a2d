// The usage dialog "CMDLINE": the command-line help, shown for "/?" and bad command lines.
#pragma once

#include <windows.h>

#include <string>

// Shows the usage text modally over the owner, below the bad argument when one is given;
// returns when OK is pressed.
void ShowUsageDialog(HWND owner, const std::string& badArgument);
