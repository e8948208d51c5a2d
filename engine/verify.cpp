// The Verify run: reads the checksum files of a tree, hashes the files they list and
// reports what is missing, changed or not listed; and its pre-count. Writes nothing.
#include "engine.h"

#include "platform/files.h"
#include "scope_exit.h"

namespace {

// The file an entry names, if there is one. The name is a name, never a pattern: the
// file services find no file for a path holding "*" or "?".
bool FindEntryFile(files::TFileSystem& fs, const std::string& path, files::TFoundFile& info) {
    return fs.GetFileInfo(path, info) && !info.IsDirectory();
}

} // namespace

void TCheckSumEngine::CountVerifyData() {
    RunEntry([this] {
        if (HasFolderPart(ChecksumFileName))
            CountChecksumFileData(ChecksumFileName, "");
        else
            WalkFolders("", &TCheckSumEngine::CountFolderChecksumFiles);
    });
}

void TCheckSumEngine::CountFolderChecksumFiles(const std::string& relativeFolder) {
    TFileList found;
    int32_t count = 0;
    uint64_t size = 0;
    ListFolder(relativeFolder, ChecksumFileName, true, false, count, size, &found);
    for (const TFileListItem& item : found)
        CountChecksumFileData(FolderPath + item.FileName, relativeFolder);
}

void TCheckSumEngine::CountChecksumFileData(const std::string& path,
                                            const std::string& relativeFolder) {
    // A list that cannot be read is passed over in silence: the run itself reports it.
    std::vector<std::string> lines;
    bool loaded;
    {
        auto report = std::move(OnLoadError);
        OnLoadError = [](const std::string&, const std::string&) {};
        TScopeExit restore([&] { OnLoadError = std::move(report); });
        loaded = LoadChecksumFile(lines, path);
    }
    if (!loaded)
        return;
    const std::string folder = FolderPath + relativeFolder;
    std::string checksum, name;
    files::TFoundFile info;
    for (const std::string& line : lines) {
        TLineClass lineClass = ClassifyLine(line);
        if (!IsEntryClass(lineClass))
            continue;
        ParseChecksumLine(lineClass, line, checksum, name);
        if (!LeavesTree(relativeFolder, name) &&
            (FindEntryFile(*Fs, folder + name, info) ||
             (EntryNameAsWritten(line, name) && FindEntryFile(*Fs, folder + name, info)))) {
            BytesProcessed += info.Size;
            ++FilesProcessed;
        }
    }
}

void TCheckSumEngine::Verify() {
    RunEntry([this] {
        if (!HasFolderPart(ChecksumFileName)) {
            WalkFolders("", &TCheckSumEngine::VerifyFolder);
            return;
        }
        WalkFolders("", &TCheckSumEngine::CollectFolder);
        if (Aborted)
            return;
        SortFileList(*Fs, Files);
        if (VerifyChecksumFile("", ChecksumFileName))
            ReportUnlisted("");
    });
}

void TCheckSumEngine::CollectFolder(const std::string& relativeFolder) {
    int32_t count = 0;
    uint64_t size = 0;
    ListFolder(relativeFolder, FileMask, true, true, count, size, &Files);
}

void TCheckSumEngine::VerifyFolder(const std::string& relativeFolder) {
    TScopeExit clear([this] {
        ChecksumFiles.clear();
        Files.clear();
        Lines.clear();
    });
    const std::string folder = FolderPath + relativeFolder;
    ListFolderFiles(relativeFolder);
    int32_t count = 0;
    uint64_t size = 0;
    ListFolder(relativeFolder, ChecksumFileName, false, false, count, size, &ChecksumFiles);
    if (!Files.empty() && ChecksumFiles.empty())
        Required(OnNoChecksumFile, "OnNoChecksumFile")(folder);
    for (const TFileListItem& checksumFile : ChecksumFiles)
        if (!VerifyChecksumFile(relativeFolder, folder + checksumFile.FileName))
            return;
    ReportUnlisted(relativeFolder);
}

bool TCheckSumEngine::VerifyChecksumFile(const std::string& relativeFolder,
                                         const std::string& path) {
    TScopeExit clear([this] { Lines.clear(); });
    if (!LoadChecksumFile(Lines, path))
        return false;
    files::TFoundFile info;
    const uint32_t listAge = Fs->GetFileInfo(path, info) ? info.Age : 0;
    const std::string folder = FolderPath + relativeFolder;
    bool askAboutInvalid = true;
    std::string stored, name, asWritten, computed, entryPath;
    for (size_t index = 0; index < Lines.size(); ++index) {
        const TLineClass lineClass = ClassifyLine(Lines[index]);
        if (lineClass == lcInvalid) {
            if (!askAboutInvalid)
                continue;
            TConfirmAnswer answer =
                Required(OnConfirmContinueForeign, "OnConfirmContinueForeign")(path);
            if (answer == caYes) {
                askAboutInvalid = false;
            } else if (answer == caNo) {
                Required(OnInvalidLine, "OnInvalidLine")(path, static_cast<int32_t>(index + 1));
                return false;
            } else {
                SetAborted(true);
                if (Aborted)
                    return false;
            }
            continue;
        }
        if (!IsEntryClass(lineClass))
            continue;
        ParseChecksumLine(lineClass, Lines[index], stored, name);
        if (LeavesTree(relativeFolder, name)) {
            Required(OnEntryOutsideTree, "OnEntryOutsideTree")(folder + name);
            continue;
        }
        // A name the folder's listing holds exactly is a file there: no lookup of its
        // own. Its age is looked up only when the digests differ.
        TFileListItem* item = FindListedFile(name);
        entryPath = folder + name;
        bool found = (item && item->FileName == name) || FindEntryFile(*Fs, entryPath, info);
        if (!found && EntryNameAsWritten(Lines[index], asWritten) &&
            FindEntryFile(*Fs, folder + asWritten, info)) {
            name = asWritten;
            entryPath = folder + name;
            item = FindListedFile(name);
            found = true;
        }
        if (item)
            item->Listed = true;
        if (!found) {
            Required(OnFileMissing, "OnFileMissing")(entryPath);
        } else if (CalcFileChecksum(static_cast<TChecksumKind>(lineClass), entryPath, computed)) {
            if (SameChecksum(stored, computed)) {
                if (OnChecksumOk)
                    OnChecksumOk(entryPath, ChecksumKindName(lineClass), stored);
            } else if (FindEntryFile(*Fs, entryPath, info) && info.Age > listAge) {
                Required(OnFileUpdated, "OnFileUpdated")(entryPath);
            } else {
                Required(OnChecksumMismatch, "OnChecksumMismatch")(entryPath);
            }
        }
        if (Aborted)
            return false;
    }
    return true;
}

void TCheckSumEngine::ReportUnlisted(const std::string& relativeFolder) {
    const std::string folder = FolderPath + relativeFolder;
    for (const TFileListItem& item : Files)
        if (!item.Listed)
            Required(OnFileNotListed, "OnFileNotListed")(folder + item.FileName);
}
