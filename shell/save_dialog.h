// The save-file dialog that picks the checksum file of the "any place" mode and the file
// of the log's "Save as...", with a hook through which tests answer it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct TSaveFileRequest {
    HWND Owner;
    std::string Title;
    std::string Filter;           // parts separated by "|", as "All files (*.*)|*.*"
    std::string DefaultExtension; // without its dot; empty for none
    std::string InitialFolder;    // where the dialog starts when the name has no folder part
    std::string InitialName;      // at most 259 characters
};

// Answers instead of the system dialog: true and the chosen path when confirmed.
using TSaveFileHook = std::function<bool(const TSaveFileRequest& request, std::string& path)>;
TSaveFileHook SetSaveFileHook(TSaveFileHook hook);

// The filter in the system's form: every "|" a NUL, and one more NUL at the end.
std::string SystemFileFilter(const std::string& filter);
// The given extension, or else the name's own extension without its dot.
std::string DefaultExtensionFor(const std::string& given, const std::string& name);

// Asks for a file to save with the given title, filter and default extension, starting at
// the name (in the initial folder, unless the name has a folder part; empty: the system's
// choice); on confirmation the name becomes the chosen full path and the result is true.
bool AskSaveFileName(HWND owner, const std::string& title, const std::string& filter,
                     const std::string& defaultExtension, const std::string& initialFolder,
                     std::string& name);
