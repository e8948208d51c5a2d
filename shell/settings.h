// The options of the Options dialog, which live outside the window's controls, and the
// registry key that holds every setting (under HKEY_LOCAL_MACHINE for the machine's defaults
// and under HKEY_CURRENT_USER for the user's own values). TMainWindow loads and saves them
// (main_settings.cpp).
#pragma once

#include <cstdint>

extern bool DetailedLog;  // log a line for every file whose checksum is right
extern bool ShowToolTips; // tooltips active
extern int32_t
    HeaderMode; // header of written checksum files: 0 none, 1 standard, 2 WIN-SFV, 3 none
extern bool RemindToCheck; // remind to check for updates
extern bool QuickUpdate;   // Update keeps the digests of files not written after their list
extern bool MovedFiles;    // Verify reports a missing file found under another name as moved

// The settings key below the root key; tests use a key of their own.
constexpr char kDefaultSettingsKeyPath[] = "Software\\Quorvale\\tlvn\\";
constexpr char kHistorySubKey[] = "History";
// The user's classes, where the Explorer menu goes; tests use a key of their own.
constexpr char kUserClassesKey[] = "Software\\Classes\\";
