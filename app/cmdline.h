// The command line: splitting one command-line string into arguments (the window reads
// its command line as one string) and parsing the arguments into requests and values.
// The window applies the result to its controls, the console to its settings.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/engine.h"

// The arguments after the program's path. Characters 1..32 separate arguments outside
// double quotes; a double quote opens or closes a quoted stretch and is removed; there is
// no escape character; an empty "" argument disappears.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Options begin with "-", and also with "/" when slashOption is set (Windows); the long
// options begin with "--" on both.
struct TCommandLine {
    bool ShowUsage = false;   // "?" or a bad option: show the usage text, start no run
    std::string BadArgument;  // the first argument in error; empty when ShowUsage is only "?"
    bool StartUpdate = false; // "u"
    bool StartVerify = false; // "v"
    bool AutoExit = false;    // "a" with a command: save the log to LogFileName
    bool Unattended = false;  // "q": nobody at the screen, nothing is asked or shown
    std::string LogFileName;
    std::optional<std::string> Folder; // the last folder argument
    std::optional<std::string> FileMask;
    std::optional<std::string> ChecksumFileName; // "n": for the format and placement in effect
    std::optional<bool> IncludeSubfolders;
    std::optional<TOverwriteMode> OverwriteMode;
    std::optional<int> Format; // 0 md5sum, 1 SFV, 2 sha256sum, 3 b3sum, 4 xxhsum -H2
    std::optional<TPlacementMode> Placement;
    std::optional<int> HeaderMode; // 0..3
    std::optional<bool> DetailedLog;
    std::optional<int> Workers;                // "j <n>" or "j<n>", 1..kMaxWorkers
    std::optional<bool> QuickUpdate;           // "d", "d+", "--quick" on; "d-" off
    std::optional<bool> MovedFiles;            // "t", "t+", "--moved" on; "t-" off
    std::optional<std::string> ReportFileName; // "r <file>" or "--report <file>"
    std::optional<TSlice> Slice; // "k K/N", "kK/N" or "--slice K/N", 1 <= K <= N <= 999
};

TCommandLine ParseCommandLine(const std::vector<std::string>& args, bool slashOption);

// The usage text, each line followed by CR LF, with the options spelt with optionChar.
std::string UsageText(char optionChar);
