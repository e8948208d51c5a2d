// Moved files: a Verify's missing entries, kept until the unlisted files of their scope are
// known, then each paired with the one unlisted file that has its digest.
#include "engine/engine.h"

#include <map>
#include <set>
#include <utility>

#include "engine/assertion.h"
#include "engine/file_digest.h"
#include "engine/lines.h"
#include "engine/names.h"
#include "engine/running_digest.h"
#include "engine/scope_exit.h"

void TCheckSumEngine::ReportMissing(const std::string& path, TChecksumKind kind) {
    if (!MovedFiles) {
        Required(OnFileMissing, "OnFileMissing")(path);
        return;
    }
    MissingEntries.push_back({path, Finding.List, Finding.Expected, kind});
}

std::string TCheckSumEngine::ScopeList(const std::string& relativeFolder) const {
    if (HasFolderPart(ChecksumFileName))
        return ChecksumFileName;
    if (ChecksumFiles.size() == 1)
        return FolderPath + relativeFolder + ChecksumFiles[0].Name;
    return "";
}

void TCheckSumEngine::ReportMissingEntries(const std::string& relativeFolder, bool pair) {
    const std::vector<TMissingEntry> missing = std::move(MissingEntries);
    MissingEntries.clear();
    TScopeExit forget([this] { Finding = {}; });
    std::vector<TFileListItem*> movedTo(missing.size(), nullptr);
    const bool ambiguous = pair && PairMovedFiles(relativeFolder, missing, movedTo);
    const std::string folder = FolderPath + relativeFolder;
    std::string buffer;
    for (size_t i = 0; i < missing.size(); ++i) {
        const TMissingEntry& entry = missing[i];
        Finding = {entry.List, entry.Checksum, movedTo[i] ? entry.Checksum : ""};
        if (movedTo[i]) {
            movedTo[i]->Listed = true;
            Required(OnFileMoved, "OnFileMoved")(entry.Path,
                                                 folder + Files.FileName(*movedTo[i], buffer));
        } else {
            Required(OnFileMissing, "OnFileMissing")(entry.Path);
        }
    }
    if (ambiguous) {
        const std::string list = ScopeList(relativeFolder);
        Finding = {list, "", ""};
        Required(OnMovesNotPaired, "OnMovesNotPaired")(list.empty() ? folder : list);
    }
}

bool TCheckSumEngine::PairMovedFiles(const std::string& relativeFolder,
                                     const std::vector<TMissingEntry>& missing,
                                     std::vector<TFileListItem*>& movedTo) {
    // The digests of the missing entries (letter case folded), with how many entries have
    // each; every empty file has the same digest, so an empty file's entry is never paired.
    using TKey = std::pair<TChecksumKind, std::string>;
    std::map<TKey, int> missingCount;
    std::set<TChecksumKind> kinds;
    for (const TMissingEntry& entry : missing) {
        if (SameChecksum(entry.Checksum, TRunningDigest(entry.Kind).Text()))
            continue;
        ++missingCount[{entry.Kind, lines::AsciiUpper(entry.Checksum)}];
        kinds.insert(entry.Kind);
    }
    std::vector<TFileListItem*> unlisted;
    std::string buffer;
    for (TFileListItem& item : Files)
        if (!item.Listed && item.Size > 0 && InSlice(Files.FileName(item, buffer)))
            unlisted.push_back(&item);
    if (missingCount.empty() || unlisted.empty())
        return false;

    // The unlisted files that have one of those digests. A file that cannot be read stays
    // not listed; what is read here is not counted among the files verified.
    // The front end notices an abort when it is told of progress: a large file tells its
    // name again after every MiB, as no bytes are counted to show.
    const std::string folder = FolderPath + relativeFolder;
    std::string path;
    uint64_t bytesRead = 0;
    const TBlockRead onBlock = [this, &path, &bytesRead](uint32_t length) {
        constexpr uint64_t kRetell = 1 << 20;
        bytesRead += length;
        if (OnProcessing && bytesRead % kRetell < length)
            OnProcessing(path);
        return !Aborted;
    };
    std::map<TKey, std::vector<TFileListItem*>> found;
    for (const TChecksumKind kind : kinds) {
        for (TFileListItem* item : unlisted) {
            path = folder + Files.FileName(*item, buffer);
            bytesRead = 0;
            if (OnProcessing)
                OnProcessing(path);
            const TFileDigest digest = DigestFile(*Fs, kind, path, onBlock);
            if (Aborted)
                return false; // what was not read might have had the same digest
            const TKey key{kind, lines::AsciiUpper(digest.Text)};
            if (digest.Status == TFileDigest::Done && missingCount.count(key))
                found[key].push_back(item);
        }
    }
    bool ambiguous = false;
    for (size_t i = 0; i < missing.size(); ++i) {
        const auto files = found.find({missing[i].Kind, lines::AsciiUpper(missing[i].Checksum)});
        if (files == found.end())
            continue;
        if (files->second.size() == 1 && missingCount[files->first] == 1)
            movedTo[i] = files->second[0];
        else
            ambiguous = true;
    }
    return ambiguous;
}
