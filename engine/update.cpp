// The Update run: creates or replaces the checksum files of a tree in the placement
// mode chosen, and its pre-count.
#include "engine.h"

#include "platform/files.h"
#include "scope_exit.h"

namespace {

// The extension of the per-folder and per-file modes: "*.md5", ".md5" and "md5" all
// give ".md5"; an empty name gives ".".
std::string ExtensionOf(const std::string& checksumFileName) {
    std::string extension = checksumFileName;
    if (!extension.empty() && extension[0] == '*')
        extension.erase(0, 1);
    if (extension.empty() || extension[0] != '.')
        extension.insert(0, ".");
    return extension;
}

} // namespace

void TCheckSumEngine::CountUpdateData() {
    RunEntry([this] { WalkFolders("", &TCheckSumEngine::CountFolderFiles); });
}

void TCheckSumEngine::CountFolderFiles(const std::string& relativeFolder) {
    ListFolder(relativeFolder, FileMask, true, true, FilesProcessed, BytesProcessed, nullptr);
}

void TCheckSumEngine::Update(THeaderMode headerMode) {
    RunEntry([this, headerMode] {
        HeaderMode = headerMode;
        const bool tree = Placement == plTreeAnyPlace || Placement == plTreeRoot;
        std::string path;
        TFolderHandler handler = &TCheckSumEngine::UpdateFolderFile;
        if (tree) {
            path = TreeChecksumFilePath();
            std::string storedName;
            if (TreeFileLandsOnListedFile(path, storedName)) {
                RefuseChecksumFile(path, storedName);
                return;
            }
            if (!MayWriteChecksumFile(path))
                return;
            handler = &TCheckSumEngine::UpdateTreeFolder;
        } else if (Placement == plFolderNamedAfterFolder || Placement == plPerFile) {
            Extension = ExtensionOf(ChecksumFileName);
            if (Placement == plPerFile)
                handler = &TCheckSumEngine::UpdatePerFile;
        }
        WalkFolders("", handler);
        if (tree && !Aborted)
            SaveChecksumFile(Lines, path, FolderPath);
    });
}

void TCheckSumEngine::UpdateTreeFolder(const std::string& relativeFolder) {
    TScopeExit clear([this] { Files.clear(); });
    ListFolderFiles(relativeFolder);
    const std::string listPath = TreeChecksumFilePath();
    std::string path = FolderPath + relativeFolder;
    const size_t folderLength = path.size();
    std::string text;
    for (const TFileListItem& item : Files) {
        path.resize(folderLength);
        path += item.FileName;
        if (CalcFileChecksum(ChecksumKind, path, text)) {
            if (OnChecksumOk)
                OnChecksumOk(path, KindName, text);
            AddChecksumLine(listPath, relativeFolder + item.FileName, text);
        }
        if (Aborted)
            return;
    }
}

void TCheckSumEngine::UpdateFolderFile(const std::string& relativeFolder) {
    TScopeExit clear([this] {
        Files.clear();
        Lines.clear();
    });
    const std::string folder = FolderPath + relativeFolder;
    const std::string name = Placement == plFolderNamedAfterFolder
                                 ? FolderNameForChecksumFile(folder) + Extension
                                 : ChecksumFileName;
    const std::string checksumPath = folder + name;
    // A name that the listing does not leave out may stand for one of the files to hash:
    // list first and refuse before anything is asked or hashed.
    const std::string storedName = StoredFileName(name);
    const bool listFirst = !IsChecksumFileName(storedName);
    if (listFirst) {
        ListFolderFiles(relativeFolder);
        if (FindListedFile(storedName)) {
            RefuseChecksumFile(checksumPath, storedName);
            return;
        }
    }
    if (!MayWriteChecksumFile(checksumPath)) {
        Required(OnChecksumFileSkipped, "OnChecksumFileSkipped")(checksumPath);
        return;
    }
    if (!listFirst)
        ListFolderFiles(relativeFolder);
    std::string path = folder;
    std::string text;
    for (const TFileListItem& item : Files) {
        path.resize(folder.size());
        path += item.FileName;
        if (CalcFileChecksum(ChecksumKind, path, text)) {
            if (OnChecksumOk)
                OnChecksumOk(path, KindName, text);
            AddChecksumLine(checksumPath, item.FileName, text);
        }
        if (Aborted)
            return;
    }
    SaveChecksumFile(Lines, checksumPath, folder + FileMask);
}

void TCheckSumEngine::UpdatePerFile(const std::string& relativeFolder) {
    TScopeExit clear([this] {
        Files.clear();
        Lines.clear();
    });
    ListFolderFiles(relativeFolder);
    const std::string folder = FolderPath + relativeFolder;
    const std::string folderText = folder + FileMask;
    std::string path = folder;
    std::string text;
    for (const TFileListItem& item : Files) {
        path.resize(folder.size());
        path += item.FileName;
        const std::string checksumPath = path + Extension;
        const std::string storedName = StoredFileName(item.FileName + Extension);
        if (!IsChecksumFileName(storedName) && FindListedFile(storedName)) {
            RefuseChecksumFile(checksumPath, storedName);
        } else if (MayWriteChecksumFile(checksumPath) &&
                   CalcFileChecksum(ChecksumKind, path, text)) {
            if (OnChecksumOk)
                OnChecksumOk(path, KindName, text);
            Lines.clear();
            if (AddChecksumLine(checksumPath, item.FileName, text))
                SaveChecksumFile(Lines, checksumPath, folderText);
        }
        if (Aborted)
            return;
    }
}

void TCheckSumEngine::RefuseChecksumFile(const std::string& path, const std::string& storedName) {
    Required(OnSaveError, "OnSaveError")(path, "It would overwrite \"" + storedName +
                                                   "\", one of the files being hashed");
}
