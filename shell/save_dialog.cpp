#include "shell/save_dialog.h"

#include <commdlg.h>

#include <utility>

#include "platform/tools.h"

namespace {

TSaveFileHook SaveFileHook;

} // namespace

TSaveFileHook SetSaveFileHook(TSaveFileHook hook) {
    return std::exchange(SaveFileHook, std::move(hook));
}

std::string SystemFileFilter(const std::string& filter) {
    std::string result = filter;
    for (char& c : result)
        if (c == '|')
            c = '\0';
    result.push_back('\0');
    return result;
}

std::string DefaultExtensionFor(const std::string& given, const std::string& name) {
    if (!given.empty())
        return given;
    size_t dot = name.find_last_of('.');
    size_t folder = name.find_last_of("\\/:");
    if (dot == std::string::npos || (folder != std::string::npos && folder > dot))
        return std::string();
    return name.substr(dot + 1);
}

bool AskSaveFileName(HWND owner, const std::string& title, const std::string& filter,
                     const std::string& defaultExtension, const std::string& initialFolder,
                     std::string& name) {
    constexpr size_t kFileBufferSize = 260;
    TSaveFileRequest request{owner,         title,
                             filter,        DefaultExtensionFor(defaultExtension, name),
                             initialFolder, name.substr(0, kFileBufferSize - 1)};
    if (SaveFileHook)
        return SaveFileHook(request, name);

    std::string systemFilter = SystemFileFilter(request.Filter);
    char file[kFileBufferSize] = "";
    request.InitialName.copy(file, kFileBufferSize - 1);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = systemFilter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = kFileBufferSize;
    dialog.lpstrInitialDir =
        request.InitialFolder.empty() ? nullptr : request.InitialFolder.c_str();
    dialog.lpstrTitle = request.Title.c_str();
    dialog.lpstrDefExt =
        request.DefaultExtension.empty() ? nullptr : request.DefaultExtension.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_NOTESTFILECREATE;
    static const auto ask =
        LateSystemEntry<decltype(&GetSaveFileNameA)>("comdlg32.dll", "GetSaveFileNameA");
    if (!ask || !ask(&dialog))
        return false;
    name = file;
    return true;
}
