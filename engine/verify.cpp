// The Verify run: reads the checksum files of a tree, hashes the files they list and
// reports what is missing, changed or not listed; and its pre-count. Writes nothing.
#include "engine/engine.h"

#include <algorithm>
#include <deque>

#include "engine/assertion.h"
#include "engine/lines.h"
#include "engine/list_reader.h"
#include "engine/names.h"
#include "engine/scope_exit.h"
#include "platform/files.h"

namespace {

// The file an entry names, if there is one (a link that leads outside the tree counts, and
// says so). The name is a name, never a pattern: the file services find no file for a path
// holding "*" or "?".
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
            CountedFiles = std::move(Files);
            CountedWalk = WalkKey();
        },
        true);
}

std::string TCheckSumEngine::WalkKey() const {
    return FolderPath + '\n' + FileMask + '\n' + ChecksumFileName + '\n' +
           (IncludeSubfolders ? '+' : '-');
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
    std::string buffer;
    for (const TFileListItem& item : found)
        CountChecksumFileData(FolderPath + found.FileName(item, buffer), relativeFolder);
}

void TCheckSumEngine::CountChecksumFileData(const std::string& path,
                                            const std::string& relativeFolder) {
    // A list that cannot be read is passed over in silence: the run itself reports it.
    TListReader list(*Fs);
    list.Open(path);
    const std::string folder = FolderPath + relativeFolder;
    std::string entryPath;
    uint64_t size = 0;
    TFileListItem* item = nullptr;
    TListLine line;
    while (list.Next(line)) {
        if (IsEntryClass(line.Class) && InSlice(line.Name) &&
            !LeavesTree(relativeFolder, line.Name) &&
            FindEntry(folder, line, entryPath, size, item) == TEntryFile::Found) {
            BytesProcessed += size;
            ++FilesProcessed;
        }
    }
}

TCheckSumEngine::TEntryFile TCheckSumEngine::FindEntry(const std::string& folder,
                                                       const TListLine& line, std::string& path,
                                                       uint64_t& size, TFileListItem*& item) {
    // A name the folder's listing holds exactly is a file there: no lookup of its own.
    item = FindListedFile(line.Name);
    path = folder + line.Name;
    if (item && Files.IsNamed(*item, line.Name)) {
        size = item->Size;
        return TEntryFile::Found;
    }
    files::TFoundFile info;
    std::string asWritten;
    if (!FindEntryFile(*Fs, path, info)) {
        if (!lines::EntryNameAsWritten(line.Text, asWritten) ||
            !FindEntryFile(*Fs, folder + asWritten, info))
            return TEntryFile::Missing;
        path = folder + asWritten;
        item = FindListedFile(asWritten);
    }
    size = info.Size;
    return info.LeadsOutside ? TEntryFile::LeadsOutside : TEntryFile::Found;
}

bool TCheckSumEngine::InSlice(const std::string& name) const {
    return Slice.Count == 0 || SliceOfName(name, Slice.Count) == Slice.Index;
}

void TCheckSumEngine::Verify() {
    RunEntry([this] {
        EntryKindSeen = ChecksumKind;
        if (!HasFolderPart(ChecksumFileName)) {
            WalkFolders("", &TCheckSumEngine::VerifyFolder);
            return;
        }
        // After a pre-count of the same walk, the folders are listed again for the run's
        // events and errors only.
        const bool counted = !CountedFiles.empty() && CountedWalk == WalkKey();
        WalkFolders("",
                    counted ? &TCheckSumEngine::ListTreeFolder : &TCheckSumEngine::CollectFolder);
        if (Aborted)
            return;
        if (counted)
            Files = std::move(CountedFiles);
        else
            SortFileList(*Fs, Files);
        CountedFiles.clear();
        if (VerifyChecksumFile("", ChecksumFileName))
            ReportUnlisted("");
        else
            ReportMissingEntries("", false);
    });
}

void TCheckSumEngine::CollectFolder(const std::string& relativeFolder) {
    int32_t count = 0;
    uint64_t size = 0;
    ListFolder(relativeFolder, FileMask, true, true, count, size, &Files);
}

void TCheckSumEngine::ListTreeFolder(const std::string& relativeFolder) {
    int32_t count = 0;
    uint64_t size = 0;
    ListFolder(relativeFolder, FileMask, true, true, count, size, nullptr);
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
    // With a slice, the folder is reported where some of its files are.
    const bool anyInSlice =
        std::any_of(Files.begin(), Files.end(),
                    [this](const TFileListItem& item) { return InSlice(item.Name); });
    if (anyInSlice && ChecksumFiles.empty())
        Required(OnNoChecksumFile, "OnNoChecksumFile")(folder);
    for (const TFileListItem& checksumFile : ChecksumFiles)
        if (!VerifyChecksumFile(relativeFolder, folder + checksumFile.Name,
                                &checksumFile == &ChecksumFiles[ChecksumFiles.size() - 1])) {
            ReportMissingEntries(relativeFolder, false);
            return;
        }
    ReportUnlisted(relativeFolder);
}

bool TCheckSumEngine::VerifyChecksumFile(const std::string& relativeFolder, const std::string& path,
                                         bool lastOfFolder) {
    TListReader list(*Fs);
    if (!list.Open(path)) {
        ReportLoadError(path);
        return false;
    }
    TScopeExit forget([this] { Finding = {}; });
    files::TFoundFile info;
    const uint32_t listAge = Fs->GetFileInfo(path, info) ? info.Age : 0;
    const std::string folder = FolderPath + relativeFolder;

    // Lines are read, and the file of an entry looked up and handed to the workers (with one
    // worker, announced), a few lines ahead of the line being checked; the lines ahead are
    // few and hold little text, so memory stays bounded by a line.
    struct TAheadLine {
        TListLine Line;
        bool Outside = false; // the entry leads outside the tree
        bool InSlice = true;  // checked in this run
        TEntryFile File = TEntryFile::Missing;
        std::string Path;
    };
    std::deque<TAheadLine> ahead;
    size_t aheadBytes = 0;
    const size_t window = static_cast<size_t>(Workers) * 32;
    constexpr size_t kAheadBytes = 1 << 20;
    auto resolve = [&](TAheadLine& entry) {
        EntryKindSeen = static_cast<TChecksumKind>(entry.Line.Class);
        entry.InSlice = InSlice(entry.Line.Name);
        if (LeavesTree(relativeFolder, entry.Line.Name)) {
            entry.Outside = true; // neither looked up nor read
            return;
        }
        // The file's age is looked up only when the digests differ.
        TFileListItem* item = nullptr;
        uint64_t size = 0;
        entry.File = FindEntry(folder, entry.Line, entry.Path, size, item);
        if (item)
            item->Listed = true;
        if (entry.File == TEntryFile::Found && entry.InSlice)
            Prefetch(entry.Path, static_cast<TChecksumKind>(entry.Line.Class), size);
    };
    auto readAhead = [&] {
        while (ahead.empty() || (ahead.size() <= window && aheadBytes < kAheadBytes)) {
            TAheadLine next;
            if (!list.Next(next.Line)) {
                // The folder's files are all handed over: the next folder's are read ahead
                // for the digest its entries named last.
                if (lastOfFolder)
                    PrefetchNextFolder(relativeFolder, EntryKindSeen);
                lastOfFolder = false;
                return;
            }
            aheadBytes += next.Line.Text.size();
            if (IsEntryClass(next.Line.Class))
                resolve(next);
            ahead.push_back(std::move(next));
        }
    };

    bool askAboutInvalid = true;
    std::string computed;
    for (readAhead(); !ahead.empty(); readAhead()) {
        const TAheadLine current = std::move(ahead.front());
        ahead.pop_front();
        aheadBytes -= current.Line.Text.size();
        const TLineClass lineClass = current.Line.Class;
        if (lineClass == lcInvalid) {
            if (!askAboutInvalid)
                continue;
            TConfirmAnswer answer =
                Required(OnConfirmContinueForeign, "OnConfirmContinueForeign")(path);
            if (answer == caYes) {
                askAboutInvalid = false;
            } else if (answer == caNo) {
                Required(OnInvalidLine, "OnInvalidLine")(path, current.Line.Number);
                return false;
            } else {
                SetAborted(true);
                if (Aborted)
                    return false;
            }
            continue;
        }
        if (!IsEntryClass(lineClass) || !current.InSlice)
            continue;
        Finding = {path, current.Line.Checksum, ""};
        if (current.Outside) {
            Required(OnEntryOutsideTree, "OnEntryOutsideTree")(folder + current.Line.Name);
        } else if (current.File == TEntryFile::Missing) {
            ReportMissing(folder + current.Line.Name, static_cast<TChecksumKind>(lineClass));
        } else if (current.File == TEntryFile::LeadsOutside) {
            ReportLinkOutside(current.Path);
        } else if (CalcFileChecksum(static_cast<TChecksumKind>(lineClass), current.Path,
                                    computed)) {
            Finding.Computed = computed;
            if (SameChecksum(current.Line.Checksum, computed)) {
                if (OnChecksumOk)
                    OnChecksumOk(current.Path, ChecksumKindName(lineClass), current.Line.Checksum);
            } else if (FindEntryFile(*Fs, current.Path, info) && info.Age > listAge) {
                Required(OnFileUpdated, "OnFileUpdated")(current.Path);
            } else {
                Required(OnChecksumMismatch, "OnChecksumMismatch")(current.Path);
            }
        }
        if (Aborted)
            return false;
    }
    // A list cut short by a failed read leaves its unlisted files unknown.
    if (list.Failed()) {
        ReportLoadError(path);
        return false;
    }
    return true;
}

void TCheckSumEngine::ReportUnlisted(const std::string& relativeFolder) {
    if (!MissingEntries.empty()) {
        ReportMissingEntries(relativeFolder, true);
        if (Aborted)
            return;
    }
    const std::string folder = FolderPath + relativeFolder;
    TScopeExit forget([this] { Finding = {}; });
    Finding.List = ScopeList(relativeFolder);
    std::string buffer;
    for (const TFileListItem& item : Files)
        if (!item.Listed && InSlice(Files.FileName(item, buffer)))
            Required(OnFileNotListed, "OnFileNotListed")(folder + Files.FileName(item, buffer));
}
