// The folder walk, the listing of one folder and the names of the checksum files of
// every placement mode.
#include "engine/engine.h"

#include <algorithm>

#include "engine/assertion.h"
#include "engine/hash_pool.h"
#include "engine/mask.h"
#include "engine/names.h"
#include "engine/scope_exit.h"
#include "platform/files.h"

namespace {

constexpr bool kWindowsPaths = files::kPathDelimiter == '\\';

// "X:" or "\\server\share" at the start of a Windows path; nothing on POSIX.
std::string DrivePart(const std::string& path) {
    if (!kWindowsPaths)
        return "";
    if (path.size() >= 2 && path[1] == ':')
        return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        size_t server = path.find('\\', 2);
        if (server == std::string::npos)
            return path;
        size_t share = path.find('\\', server + 1);
        return path.substr(0, share);
    }
    return "";
}

} // namespace

void TCheckSumEngine::WalkFolders(const std::string& relativeFolder, TFolderHandler handler) {
    if (OnProcessing)
        OnProcessing(FolderPath + relativeFolder + FileMask);
    SubFolders = TSubFolders();
    SubFolders.Folder = relativeFolder;
    (this->*handler)(relativeFolder);
    if (!IncludeSubfolders || Aborted)
        return;
    ListSubFolders(relativeFolder);
    TSubFolders level = std::move(SubFolders);
    WalkLevels.push_back(&level);
    TScopeExit leave([this] { WalkLevels.pop_back(); });
    while (level.Next < level.Names.size()) {
        const std::string& name = level.Names[level.Next++];
        WalkFolders(relativeFolder + name + files::kPathDelimiter, handler);
        if (Aborted)
            break;
    }
    if (!Aborted && level.Error != 0) {
        Unreached.push_back(relativeFolder);
        Required(OnFolderListError, "OnFolderListError")(FolderPath + relativeFolder, level.Error);
    }
}

void TCheckSumEngine::ListSubFolders(const std::string& relativeFolder) {
    if (SubFolders.Listed)
        return;
    SubFolders.Listed = true;
    SubFolders.Error = Listings.SearchFolders(FolderPath + relativeFolder, SubFolders.Names);
    // The workers list the sub-folders while the walk goes through them, first one first.
    for (auto name = SubFolders.Names.rbegin(); name != SubFolders.Names.rend(); ++name)
        PrefetchListing(FolderPath + relativeFolder + *name + files::kPathDelimiter + FileMask);
}

bool TCheckSumEngine::NextFolder(const std::string& relativeFolder, std::string& next) {
    if (!IncludeSubfolders)
        return false;
    ListSubFolders(relativeFolder);
    if (!SubFolders.Names.empty()) {
        next = relativeFolder + SubFolders.Names.front() + files::kPathDelimiter;
        return true;
    }
    for (auto level = WalkLevels.rbegin(); level != WalkLevels.rend(); ++level)
        if ((*level)->Next < (*level)->Names.size()) {
            next = (*level)->Folder + (*level)->Names[(*level)->Next] + files::kPathDelimiter;
            return true;
        }
    return false;
}

bool TCheckSumEngine::PrefetchNextFolder(const std::string& relativeFolder, TChecksumKind kind) {
    std::string next;
    if (Workers < 2 || !NextFolder(relativeFolder, next))
        return true;
    std::vector<files::TFoundFile> entries;
    if (!Listings.Peek(FolderPath + next + FileMask, entries))
        return false;
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const files::TFoundFile& entry) {
                                     return entry.LeadsOutside || !IsFolderFile(next, entry, true);
                                 }),
                  entries.end());
    RunPool().SubmitAhead(FolderPath + next, entries, kind);
    return true;
}

bool TCheckSumEngine::IsFolderFile(const std::string& relativeFolder,
                                   const files::TFoundFile& entry,
                                   bool excludeChecksumFiles) const {
    return !entry.IsDirectory() && !files::IsTemporaryName(entry.Name) &&
           !(excludeChecksumFiles &&
             (IsChecksumFileName(entry.Name) || IsRunList(relativeFolder, entry.Name)));
}

bool TCheckSumEngine::ListFolder(const std::string& relativeFolder, const std::string& pattern,
                                 bool withPath, bool excludeChecksumFiles, int32_t& count,
                                 uint64_t& totalSize, TFileList* target) {
    const std::string folder = FolderPath + relativeFolder;
    const std::string root;
    const std::string& itemFolder = withPath ? relativeFolder : root;
    files::TErrorCode error =
        Listings.Search(folder + pattern, [&](const files::TFoundFile& entry) {
            if (!IsFolderFile(relativeFolder, entry, excludeChecksumFiles))
                return;
            if (entry.LeadsOutside) {
                ReportLinkOutside(folder + entry.Name);
                return;
            }
            totalSize += entry.Size;
            ++count;
            if (target)
                target->Add(itemFolder, entry.Name, entry.Size, entry.Age);
        });
    if (error == 0)
        return true;
    Required(OnFileListError, "OnFileListError")(folder, error);
    return false;
}

void TCheckSumEngine::ReportLinkOutside(const std::string& path) {
    if (!Counting && LinksReported.insert(path).second)
        Required(OnLinkOutsideTree, "OnLinkOutsideTree")(path);
}

bool TCheckSumEngine::IsChecksumFileName(const std::string& bareName) const {
    return MatchesMask(bareName, ChecksumFileName);
}

bool TCheckSumEngine::IsRunList(const std::string& relativeFolder,
                                const std::string& bareName) const {
    if (RunListRelative.size() != relativeFolder.size() + bareName.size())
        return false;
    const std::string name = relativeFolder + bareName;
    return SameFileName(*Fs, name, RunListRelative);
}

bool TCheckSumEngine::LeavesTree(const std::string& relativeFolder, const std::string& name) {
    const std::string relative = relativeFolder + name;
    int depth = 0;
    size_t start = 0;
    for (size_t end; (end = relative.find(files::kPathDelimiter, start)) != std::string::npos;
         start = end + 1) {
        const size_t length = end - start;
        if (length == 2 && relative.compare(start, 2, "..") == 0)
            --depth;
        else if (length != 0 && !(length == 1 && relative[start] == '.'))
            ++depth;
        if (depth < 0)
            return true;
    }
    if (relative.compare(start, std::string::npos, "..") == 0 && depth == 0)
        return true;
    // The entry's folder may be a link that leads elsewhere. Entries of one folder mostly
    // come together: the folder found inside last is compared first.
    const size_t end = relative.find_last_of(files::kPathDelimiter);
    if (end == std::string::npos)
        return false;
    const std::string folder = FolderPath + relative.substr(0, end + 1);
    if (folder == LastFolderInside || FoldersInside.count(folder) != 0) {
        LastFolderInside = folder;
        return false;
    }
    const std::string real = Fs->RealPath(folder);
    std::string relativeReal;
    if (!real.empty() && !RealFolderInTree(real + files::kPathDelimiter, relativeReal))
        return true;
    // A folder that is not there holds nothing to open (its entries are missing), and the
    // next entries of it need no look of their own; the set keeps only folders that are
    // there, so it stays bounded by the tree.
    if (!real.empty())
        FoldersInside.insert(folder);
    LastFolderInside = folder;
    return false;
}

bool TCheckSumEngine::RealFolderInTree(const std::string& realFolder, std::string& relative) {
    if (RealRoot.empty()) {
        RealRoot = Fs->RealPath(FolderPath);
        if (!RealRoot.empty() && RealRoot.back() != files::kPathDelimiter)
            RealRoot += files::kPathDelimiter;
    }
    if (RealRoot.empty() || realFolder.size() < RealRoot.size())
        return false;
    const std::string head = realFolder.substr(0, RealRoot.size());
    if (!SameFileName(*Fs, head, RealRoot))
        return false;
    relative = realFolder.substr(RealRoot.size());
    return true;
}

std::string TCheckSumEngine::FolderNameForChecksumFile(const std::string& folder) const {
    std::string path = folder;
    if (!path.empty() && std::string(kComponentEnds).find(path.back()) != std::string::npos &&
        path.back() != ':')
        path.pop_back();
    size_t end = path.find_last_of(kComponentEnds);
    std::string name = end == std::string::npos ? path : path.substr(end + 1);
    if (IsDotName(name)) {
        // "." and ".." name no folder: take the name of the folder they stand for.
        const std::string real = Fs->RealPath(folder);
        return real.empty() ? "root" : FolderNameForChecksumFile(real + files::kPathDelimiter);
    }
    if (!name.empty())
        return name;
    std::string drive = DrivePart(folder);
    size_t first = drive.find_first_not_of("/:\\");
    drive = first == std::string::npos ? "" : drive.substr(first);
    for (char& c : drive)
        if (c == '/' || c == ':' || c == '\\')
            c = '_';
    return drive.empty() ? "root" : drive;
}

std::string TCheckSumEngine::TreeChecksumFilePath() const {
    return HasFolderPart(ChecksumFileName) ? ChecksumFileName : FolderPath + ChecksumFileName;
}

TFileListItem* TCheckSumEngine::FindListedFile(const std::string& name) {
    // Lists mostly name the files in the order of the listing: the item after the one
    // found last is tried first.
    size_t index = ListedHint;
    std::string buffer;
    auto nameAt = [this, &buffer](size_t at) -> const std::string& {
        return Files.FileName(Files[at], buffer);
    };
    if (index >= Files.size() || !Files.IsNamed(Files[index], name)) {
        if (!FindFileListItem(*Fs, Files, name, index))
            return nullptr;
        // Among the names that compare equal, the one written exactly; else, on Windows,
        // where names that differ only in letter case name one file, the first.
        while (index > 0 && Fs->CompareText(nameAt(index - 1), name) == 0)
            --index;
        size_t exact = index;
        while (exact < Files.size() && !Files.IsNamed(Files[exact], name) &&
               Fs->CompareText(nameAt(exact), name) == 0)
            ++exact;
        if (exact < Files.size() && Files.IsNamed(Files[exact], name))
            index = exact;
        else if (!kWindowsPaths)
            return nullptr;
    }
    ListedHint = index + 1;
    return &Files[index];
}

bool TCheckSumEngine::TreeFileLandsOnListedFile(const std::string& path, std::string& storedName) {
    size_t end = path.find_last_of(kComponentEnds);
    std::string folder = end == std::string::npos ? std::string() : path.substr(0, end + 1);
    storedName = StoredFileName(path.substr(folder.size()));
    if (IsChecksumFileName(storedName) || storedName == path.substr(folder.size()))
        return false; // every listing leaves that name out, or the run's own list
    if (folder.size() < FolderPath.size() ||
        (!IncludeSubfolders && folder.size() != FolderPath.size()))
        return false;
    std::string root = folder.substr(0, FolderPath.size());
    if (!SameFileName(*Fs, root, FolderPath))
        return false;
    bool lands = false;
    Fs->FindFiles(folder + FileMask, [&](const files::TFoundFile& entry) {
        lands = !entry.IsDirectory() && SameFileName(*Fs, entry.Name, storedName);
        return !lands;
    });
    return lands;
}

bool TCheckSumEngine::ListFolderFiles(const std::string& relativeFolder) {
    int32_t count = 0;
    uint64_t size = 0;
    const bool listed = ListFolder(relativeFolder, FileMask, false, true, count, size, &Files);
    SortFileList(*Fs, Files);
    return listed;
}
