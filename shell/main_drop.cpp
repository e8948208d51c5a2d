// Folders and lists dropped on the main window, or named on its command line (a drop on
// tlvn.exe in Explorer). A folder fills the Folder field; a list fills the Folder with its
// own folder and the checksum-file name with its full path, in the mode of one list for the
// tree in any place, which verifies exactly that list with its entries relative to its
// folder.
#include "shell/main_window.h"

#include <shellapi.h>

#include <vector>

#include "app/format.h"
#include "app/run.h"
#include "app/texts.h"
#include "engine/names.h"
#include "platform/files.h"
#include "platform/tools.h"
#include "resources/resource.h"
#include "shell/msgbox.h"

namespace {

enum class TDroppedKind { Other, Folder, File };

TDroppedKind DroppedKind(const std::string& path) {
    uint32_t attributes = 0;
    if (path.size() > kMaxDlgItemString ||
        !files::NativeFileSystem().GetAttributes(path, attributes))
        return TDroppedKind::Other;
    return (attributes & files::kAttrDirectory) ? TDroppedKind::Folder : TDroppedKind::File;
}

std::vector<std::string> DroppedPaths(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::string path(DragQueryFileA(drop, i, nullptr, 0) + 1, '\0');
        path.resize(DragQueryFileA(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(path);
    }
    return paths;
}

// Names compared as the file services compare them: letter case ignored.
bool SameName(const std::string& a, const std::string& b) {
    return files::NativeFileSystem().CompareText(a, b) == 0;
}

} // namespace

// The format whose per-file lists end as the list's name does (".md5", ".sfv", ".sha256"),
// else the format of a remembered name equal to it, else the format shown.
int TMainWindow::FormatOfList(const std::string& name) const {
    for (int format = 0; format < kFormatCount; ++format) {
        const std::string extension = ChecksumFileExtension(DefaultChecksumName(format, plPerFile));
        if (name.size() > extension.size() &&
            SameName(name.substr(name.size() - extension.size()), extension))
            return format;
    }
    for (size_t slot = 0; slot < Names.size(); ++slot)
        if (SameName(Names[slot], name))
            return static_cast<int>(slot / 5);
    return GetFormat();
}

void TMainWindow::TakeList(const std::string& path) {
    SetFormat(FormatOfList(path.substr(path.find_last_of("\\/:") + 1)));
    SetPlacement(plTreeAnyPlace);
    SetChecksumName(path);
    StoreNameForMode();
    SetFolder(FolderOfFile(path));
}

void TMainWindow::TakePath(const std::string& path) {
    if (DroppedKind(path) == TDroppedKind::File)
        TakeList(path);
    else
        SetFolder(path);
}

// The first folder counts, else the first file; the log says once when several came.
void TMainWindow::OnDropFiles(HDROP drop) {
    const std::vector<std::string> paths = DroppedPaths(drop);
    DragFinish(drop);
    if (Running || paths.empty())
        return;
    std::vector<TDroppedKind> kinds;
    for (const std::string& path : paths)
        kinds.push_back(DroppedKind(path));
    size_t chosen = paths.size();
    for (TDroppedKind wanted : {TDroppedKind::Folder, TDroppedKind::File})
        for (size_t i = 0; i < paths.size() && chosen == paths.size(); ++i)
            if (kinds[i] == wanted)
                chosen = i;
    if (chosen == paths.size()) {
        const std::string& first = paths.front();
        ShowMessageBox(
            Handle,
            first.size() > kMaxDlgItemString
                ? FormatText(texts::kRefuseDropLength, {static_cast<int>(kMaxDlgItemString), first})
                : FormatText(texts::kRefuseDropKind, {first}),
            texts::kCaptionError, MB_OK | MB_ICONERROR);
        return;
    }
    const std::string& path = paths[chosen];
    if (paths.size() > 1)
        AddLogLine(FormatText(texts::kLogDropFirstOnly, {paths.size(), path}), lkHint);
    TakePath(path);
    AddToFolderHistory(GetDlgItemString(Handle, IDC_FOLDER));
}
