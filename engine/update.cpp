// The Update run: creates or replaces the checksum files of a tree in the placement
// mode chosen, and its pre-count.
#include "engine/engine.h"

#include <set>

#include "engine/assertion.h"
#include "engine/lines.h"
#include "engine/list_reader.h"
#include "engine/names.h"
#include "engine/scope_exit.h"
#include "platform/files.h"

namespace {

// Files before a folder's end where the next folder's files are read ahead, when its
// listing was not there at the folder's start.
constexpr size_t kRetryAhead = 32;

} // namespace

void TCheckSumEngine::CountUpdateData() {
    RunEntry([this] { WalkFolders("", &TCheckSumEngine::CountFolderFiles); }, true);
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
            LoadOldDigests(path);
            handler = &TCheckSumEngine::UpdateTreeFolder;
        } else if (Placement == plFolderNamedAfterFolder || Placement == plPerFile) {
            Extension = ChecksumFileExtension(ChecksumFileName);
            if (Placement == plPerFile)
                handler = &TCheckSumEngine::UpdatePerFile;
        }
        WalkFolders("", handler);
        if (tree && !Aborted) {
            SaveListOfScope(path, FolderPath);
            ReportDroppedEntries(path, FolderPath);
        }
    });
}

void TCheckSumEngine::UpdateTreeFolder(const std::string& relativeFolder) {
    TScopeExit clear([this] { Files.clear(); });
    if (!ListFolderFiles(relativeFolder))
        Unreached.push_back(relativeFolder);
    HashFolderFiles(relativeFolder, TreeChecksumFilePath(), relativeFolder);
}

void TCheckSumEngine::UpdateFolderFile(const std::string& relativeFolder) {
    TScopeExit clear([this] {
        Files.clear();
        Lines.clear();
        Unreached.clear();
    });
    Unreached.clear(); // a sub-folder of the last folder may have failed: not this scope
    const std::string folder = FolderPath + relativeFolder;
    const std::string name = Placement == plFolderNamedAfterFolder
                                 ? FolderNameForChecksumFile(folder) + Extension
                                 : ChecksumFileName;
    const std::string checksumPath = folder + name;
    // A name that the listing does not leave out may stand for one of the files to hash:
    // list first and refuse before anything is asked or hashed.
    const std::string storedName = StoredFileName(name);
    const bool listFirst = !IsChecksumFileName(storedName);
    bool listed = true;
    if (listFirst) {
        listed = ListFolderFiles(relativeFolder);
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
        listed = ListFolderFiles(relativeFolder);
    if (!listed)
        Unreached.push_back("");
    LoadOldDigests(checksumPath);
    if (HashFolderFiles(relativeFolder, checksumPath, "")) {
        SaveListOfScope(checksumPath, folder + FileMask);
        ReportDroppedEntries(checksumPath, folder);
    }
}

bool TCheckSumEngine::HashFolderFiles(const std::string& relativeFolder,
                                      const std::string& listPath, const std::string& entryFolder) {
    TScopeExit forget([this] { Finding = {}; });
    Finding.List = listPath;
    std::string path = FolderPath + relativeFolder;
    const size_t folderLength = path.size();
    // Files that keep their recorded digest are neither read ahead nor read.
    std::vector<std::optional<std::string_view>> kept(Files.size());
    std::string entryName = entryFolder;
    for (size_t i = 0; i < Files.size(); ++i) {
        entryName.resize(entryFolder.size());
        entryName += Files[i].Name;
        kept[i] = KeptDigest(entryName, Files[i]);
        if (!kept[i])
            Prefetch(path + Files[i].Name, ChecksumKind, Files[i].Size);
    }
    // The next folder's files are read ahead unless most may keep their digests or their
    // folder its list; the listing of a first sub-folder is there by the last files, if not
    // at the start.
    const bool tree = Placement == plTreeAnyPlace || Placement == plTreeRoot;
    bool ahead = QuickUpdate || (!tree && OverwriteMode == omKeep) ||
                 PrefetchNextFolder(relativeFolder, ChecksumKind);
    std::string text;
    for (size_t i = 0; i < Files.size(); ++i) {
        if (!ahead && i + kRetryAhead == Files.size())
            ahead = PrefetchNextFolder(relativeFolder, ChecksumKind);
        const TFileListItem& item = Files[i];
        path.resize(folderLength);
        path += item.Name;
        if (kept[i]) {
            AddChecksumLine(listPath, entryFolder, item.Name, *kept[i]);
        } else if (CalcFileChecksum(ChecksumKind, path, text)) {
            if (OnChecksumOk)
                OnChecksumOk(path, KindName, text);
            AddChecksumLine(listPath, entryFolder, item.Name, text);
        } else {
            Unreached.push_back(entryFolder + item.Name);
        }
        if (Aborted)
            return false;
    }
    return true;
}

void TCheckSumEngine::UpdatePerFile(const std::string& relativeFolder) {
    TScopeExit clear([this] {
        Files.clear();
        Lines.clear();
    });
    ListFolderFiles(relativeFolder);
    const std::string folder = FolderPath + relativeFolder;
    const std::string folderText = folder + FileMask;
    // A checksum file that is kept leaves its file unread: nothing to read ahead then.
    auto refused = [this](const TFileListItem& item, std::string& storedName) {
        storedName = StoredFileName(item.Name + Extension);
        return !IsChecksumFileName(storedName) && FindListedFile(storedName);
    };
    std::string storedName;
    // A quick update learns only from each file's own list whether it is read at all.
    if (OverwriteMode != omKeep && !QuickUpdate)
        for (const TFileListItem& item : Files)
            if (!refused(item, storedName))
                Prefetch(folder + item.Name, ChecksumKind, item.Size);
    std::string path = folder;
    std::string text;
    TScopeExit forget([this] { Finding = {}; });
    for (const TFileListItem& item : Files) {
        path.resize(folder.size());
        path += item.Name;
        const std::string checksumPath = path + Extension;
        Finding.List = checksumPath;
        if (refused(item, storedName)) {
            RefuseChecksumFile(checksumPath, storedName);
        } else if (MayWriteChecksumFile(checksumPath)) {
            LoadOldDigests(checksumPath);
            const std::optional<std::string_view> keptDigest = KeptDigest(item.Name, item);
            const bool hashed = !keptDigest && CalcFileChecksum(ChecksumKind, path, text);
            if (hashed && OnChecksumOk)
                OnChecksumOk(path, KindName, text);
            Lines.clear();
            if ((keptDigest || hashed) &&
                AddChecksumLine(checksumPath, "", item.Name, keptDigest ? *keptDigest : text)) {
                SaveChecksumFile(Lines, checksumPath, folderText);
                ReportDroppedEntries(checksumPath, folder);
            }
        }
        if (Aborted)
            return;
    }
}

bool TCheckSumEngine::AddChecksumLine(const std::string& listPath, const std::string& entryFolder,
                                      const std::string& bareName, std::string_view checksum) {
    const std::string name = entryFolder + bareName;
    std::string line = FormatChecksumLine(name, checksum);
    if (line.empty()) {
        Required(OnSaveError, "OnSaveError")(
            listPath, "The name \"" + lines::EscapeName(name) +
                          "\" holds a line break, which an SFV line cannot carry: the file is "
                          "not listed");
        return false;
    }
    Lines.Add(std::move(line), entryFolder);
    return true;
}

void TCheckSumEngine::SaveListOfScope(const std::string& path, const std::string& folderText) {
    if (Unreached.empty()) {
        SaveChecksumFile(Lines, path, folderText);
        return;
    }
    // Something in the scope could not be reached: its old digests must survive. A link to
    // outside the tree holds none: the list takes its place.
    files::TFoundFile old;
    if (!Fs->GetFileInfo(path, old) || old.IsDirectory() || old.LeadsOutside) {
        if (!Lines.empty())
            SaveChecksumFile(Lines, path, folderText);
        return;
    }
    int32_t carried = 0;
    if (!CarryOldLines(path, carried) || Lines.empty()) {
        Required(OnOldChecksumFileKept, "OnOldChecksumFileKept")(path);
        return;
    }
    SaveChecksumFile(Lines, path, folderText);
    if (carried > 0)
        Required(OnOldLinesCarried, "OnOldLinesCarried")(path, carried);
}

bool TCheckSumEngine::CarryOldLines(const std::string& path, int32_t& carried) {
    TListReader list(*Fs);
    if (!list.Open(path)) {
        ReportLoadError(path);
        return false;
    }
    std::set<std::string> written;
    std::string text, checksum, name;
    for (size_t i = 0; i < Lines.size(); ++i) {
        text.clear();
        Lines.AppendTo(i, text);
        ParseChecksumLine(ClassifyLine(text), text, checksum, name);
        written.insert(name);
    }
    std::vector<std::string> old;
    TListLine line;
    while (list.Next(line)) {
        if (!lines::BelongsToKind(line.Class, ChecksumKind))
            return false;
        if (IsEntryClass(line.Class) && IsUnreached(line.Name) && written.insert(line.Name).second)
            old.push_back(std::move(line.Text));
    }
    if (list.Failed()) {
        ReportLoadError(path);
        return false;
    }
    carried = static_cast<int32_t>(old.size());
    for (std::string& oldLine : old)
        Lines.Add(std::move(oldLine));
    return true;
}

bool TCheckSumEngine::IsUnreached(const std::string& name) const {
    for (const std::string& entry : Unreached) {
        const bool folder = entry.empty() || entry.back() == files::kPathDelimiter;
        if (folder ? name.compare(0, entry.size(), entry) == 0 : name == entry)
            return true;
    }
    return false;
}

void TCheckSumEngine::RefuseChecksumFile(const std::string& path, const std::string& storedName) {
    Required(OnSaveError, "OnSaveError")(path, "It would overwrite \"" + storedName +
                                                   "\", one of the files being hashed");
}
