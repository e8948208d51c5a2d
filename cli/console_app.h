// The console's own rules: what a command line asks for, the run's settings, the help text
// and the exit code of a run.
#pragma once

#include <string>

#include "app/cmdline.h"
#include "app/log.h"
#include "app/run.h"

// The settings of a run: the built-in defaults, overridden by the command line. The name
// is the one given, else the default of the format and placement in effect; the folder is
// the one given, else currentFolder.
TRunSettings SettingsFromCommandLine(const TCommandLine& commandLine,
                                     const std::string& currentFolder);

// The usage text with "-" options, the console's notes and exit codes, and the version;
// lines end with LF.
std::string ConsoleHelpText();
