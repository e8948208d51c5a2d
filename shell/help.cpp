#include "shell/help.h"

#include <utility>

#include "platform/handle.h"
#include "platform/tools.h"
#include "app/format.h"
#include "app/texts.h"
#include "shell/msgbox.h"

namespace {

constexpr UINT kDisplayTopic = 0; // HH_DISPLAY_TOPIC
constexpr UINT kCloseAll = 0x12;  // HH_CLOSE_ALL

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::string HelpFileFor(const std::string& programPath) {
    const auto dot = programPath.find_last_of('.');
    const auto slash = programPath.find_last_of("\\/:");
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? programPath.substr(0, dot) : programPath) + ".chm";
}

THtmlHelp::THtmlHelp(std::string libraryKey) : LibraryKey(std::move(libraryKey)) {}

bool THtmlHelp::FindEntry() {
    if (Entry)
        return true;
    std::string library;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, LibraryKey.c_str(), 0, KEY_READ, &opened) ==
        ERROR_SUCCESS) {
        TRegKey key(opened);
        RegReadString(key.Get(), "", library);
    }
    // Used as stored: environment references are not expanded.
    if (library.empty() || !IsFile(library))
        return false;
    HMODULE module = LoadLibraryA(library.c_str());
    if (!module)
        return false;
    Entry = reinterpret_cast<THtmlHelpEntry>(
        reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpA")));
    if (!Entry) {
        FreeLibrary(module);
        return false;
    }
    Module = module;
    return true;
}

void THtmlHelp::Close() {
    if (!Entry)
        return;
    Entry(nullptr, nullptr, kCloseAll, 0);
    Entry = nullptr;
    FreeLibrary(Module);
    Module = nullptr;
}

void THtmlHelp::Show(HWND owner, const std::string& helpFile) {
    if (!FindEntry()) {
        ShowMessageBox(owner, texts::kHelpNotSupported, "", MB_ICONERROR);
        return;
    }
    if (!IsFile(helpFile)) {
        ShowMessageBox(owner, FormatText(texts::kHelpFileNotFound, {helpFile}), "", MB_ICONERROR);
        return;
    }
    Entry(owner, helpFile.c_str(), kDisplayTopic, 0);
}

namespace {

THtmlHelp& ProgramHelp() {
    static THtmlHelp help;
    return help;
}

} // namespace

void ShowHelp(HWND owner) {
    ProgramHelp().Show(owner, HelpFileFor(GetModulePath(nullptr)));
}

void CloseHelp() {
    ProgramHelp().Close();
}
