// Applying a command line to the main window; TMainWindow::ParseCommandLine applies the
// process's own.
#pragma once

#include <string>

class TMainWindow;

// Splits and parses the whole command line (program path first) and writes every option
// into the window's controls and the global settings, and the start-up requests into the
// window.
void ApplyCommandLine(TMainWindow& window, const std::string& commandLine);
