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

// Silences an event slot for a scope: the pre-count makes listings that the run makes
// again, and what they find is reported by the run alone.
template <typename... Args> class TMutedEvent {
public:
    explicit TMutedEvent(std::function<void(Args...)>& slot) : Slot(slot), Saved(std::move(slot)) {
        Slot = [](Args...) {};
    }
    ~TMutedEvent() { Slot = std::move(Saved); }
    TMutedEvent(const TMutedEvent&) = delete;
    TMutedEvent& operator=(const TMutedEvent&) = delete;

private:
    std::function<void(Args...)>& Slot;
    std::function<void(Args...)> Saved;
};

void TCheckSumEngine::CountVerifyData() {
    RunEntry(
        [this] {
            if (!HasFolderPart(ChecksumFileName)) {
                WalkFolders("", &TCheckSumEngine::CountFolderChecksumFiles);
                return;
            }
            // The tree's files, listed as the run lists them: the sizes of the entries
            // come from there.
            {
                TMutedEvent processing(OnProcessing);
                TMutedEvent fileListError(OnFileListError);
                TMutedEvent folderListError(OnFolderListError);
                WalkFolders("", &TCheckSumEngine::CollectFolder);
            }
            SortFileList(*Fs, Files);
            CountChecksumFileData(ChecksumFileName, "");
        },
        true);
}

void TCheckSumEngine::CountFolderChecksumFiles(const std::string& relativeFolder) {
    TScopeExit clear([this] { Files.clear(); });
    {
        TMutedEvent fileListError(OnFileListError);
        ListFolderFiles(relativeFolder);
    }
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
        TMutedEvent loadError(OnLoadError);
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
        // A file of the folder's listing needs no lookup of its own.
        if (LeavesTree(relativeFolder, name))
            continue;
        const TFileListItem* item = FindListedFile(name);
        if (item && item->FileName == name) {
            BytesProcessed += item->Size;
            ++FilesProcessed;
        } else if (FindEntryFile(*Fs, folder + name, info) ||
                   (EntryNameAsWritten(line, name) && FindEntryFile(*Fs, folder + name, info))) {
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

    // Each line is classified, and the file of an entry looked up and handed to the
    // workers, a few lines ahead of the line being checked; with no workers, just before.
    constexpr uint8_t kExists = 8;     // added to the line class when the entry's file is there
    constexpr uint8_t kAsWritten = 16; // ... under the name as written
    constexpr uint8_t kOutside = 32;   // the entry leads outside the tree
    std::vector<uint8_t> resolved(Lines.size());
    size_t ahead = 0;
    const size_t window = Workers > 1 ? static_cast<size_t>(Workers) * 32 : 0;
    std::string stored, name, asWritten, computed, entryPath;
    auto resolveUpTo = [&](size_t end) {
        for (; ahead < end && ahead < Lines.size(); ++ahead) {
            const TLineClass lineClass = ClassifyLine(Lines[ahead]);
            resolved[ahead] = static_cast<uint8_t>(lineClass);
            if (!IsEntryClass(lineClass))
                continue;
            ParseChecksumLine(lineClass, Lines[ahead], stored, name);
            // An entry that leads outside the tree is neither looked up nor read.
            if (LeavesTree(relativeFolder, name)) {
                resolved[ahead] |= kOutside;
                continue;
            }
            // A name the folder's listing holds exactly is a file there: no lookup of its
            // own. Its age is looked up only when the digests differ.
            TFileListItem* item = FindListedFile(name);
            entryPath = folder + name;
            bool found = (item && item->FileName == name) || FindEntryFile(*Fs, entryPath, info);
            if (!found && EntryNameAsWritten(Lines[ahead], asWritten) &&
                FindEntryFile(*Fs, folder + asWritten, info)) {
                entryPath = folder + asWritten;
                item = FindListedFile(asWritten);
                found = true;
                resolved[ahead] |= kAsWritten;
            }
            if (item)
                item->Listed = true;
            if (found) {
                resolved[ahead] |= kExists;
                Prefetch(entryPath, static_cast<TChecksumKind>(lineClass));
            }
        }
    };

    bool askAboutInvalid = true;
    for (size_t index = 0; index < Lines.size(); ++index) {
        resolveUpTo(index + 1 + window);
        const TLineClass lineClass = static_cast<TLineClass>(resolved[index] & (kExists - 1));
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
        if (resolved[index] & kOutside) {
            Required(OnEntryOutsideTree, "OnEntryOutsideTree")(folder + name);
            continue;
        }
        if (resolved[index] & kAsWritten)
            EntryNameAsWritten(Lines[index], name);
        entryPath = folder + name;
        if (!(resolved[index] & kExists)) {
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
