// TCheckSumEngine: the one object that touches the file system during a run. It creates
// and verifies checksum files; everything it finds or asks leaves it through the event
// slots of events.h, which the front end binds before each run.
//
// Its face is the settings and their setters, the entry points, the events, the counters
// and the operations of the walk, the lists and the digest; everything else is private.
// Members are declared in groups by the file that defines them:
//   engine.cpp         construction, setters, the frame of every entry, the hashing pool
//   digest.cpp         CalcFileChecksum (the reading itself: file_digest.h)
//   lines.h            the line operations, forwarded inline to the free functions there
//   checksum_file.cpp  loading, the overwrite decision, storing
//   walk.cpp           WalkFolders, ListFolder, the names of the placement modes and the
//                      tree's bounds (its searches: listing_cache.h)
//   update.cpp         Update, its pre-count and folder handlers
//   quick_update.cpp   the digests an Update may keep from the old lists
//   verify.cpp         Verify, its pre-count and folder handlers
//   moved_files.cpp    Verify's missing entries paired with the unlisted files they became
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/events.h"
#include "engine/items.h"
#include "engine/lines.h"
#include "engine/list_lines.h"
#include "engine/listing_cache.h"
#include "engine/old_digests.h"
#include "platform/files.h"

class THashPool;
class TListReader;
struct TListLine;

enum TOverwriteMode : int32_t { omAsk = 0, omOverwrite = 1, omKeep = 2 };
enum TPlacementMode : int32_t {
    plTreeAnyPlace = 0,
    plTreeRoot = 1,
    plFolderFixedName = 2,
    plFolderNamedAfterFolder = 3,
    plPerFile = 4
};

// One of count nightly slices, 1 to count; a count of 0 stands for the whole tree.
struct TSlice {
    int32_t Index = 0;
    int32_t Count = 0;
};

class TCheckSumEngine;
using TFolderHandler = void (TCheckSumEngine::*)(const std::string& relativeFolder);

class TCheckSumEngine {
public:
    // engine.cpp
    TCheckSumEngine();
    ~TCheckSumEngine();
    TCheckSumEngine(const TCheckSumEngine&) = delete;
    TCheckSumEngine& operator=(const TCheckSumEngine&) = delete;

    // Settings and counters, in declaration order.
    std::string FolderPath; // ends with the path delimiter when not empty
    std::string FileMask;
    std::string ChecksumFileName;
    bool IncludeSubfolders = false;
    TOverwriteMode OverwriteMode = omAsk;
    uint64_t BytesProcessed = 0;
    int32_t FilesProcessed = 0;
    bool Aborted = false;
    // Why the last entry was stopped by a failure (out of memory, an exception from an
    // event handler); "" when it was not. Never the user's abort.
    std::string FailureText;
    TChecksumKind ChecksumKind = ckNone;
    std::string KindName;
    TPlacementMode Placement = plTreeAnyPlace;
    THeaderMode HeaderMode = hmNone;
    // Threads that read and digest files ahead of the run; 1 reads on the run's own thread.
    // Events, lists and counters are the same for every number.
    int32_t Workers = 1;
    // Quick update: a file that an old list of the kind names, and that was not written
    // after that list, keeps its recorded digest and is not read.
    bool QuickUpdate = false;
    // Files of the last Update that kept their recorded digest (counted apart from
    // FilesProcessed, which counts the files hashed).
    int32_t FilesKept = 0;
    // Verify checks, counts and reports only the entries and unlisted files whose names fall
    // into this slice (SliceOfName); Update ignores it.
    TSlice Slice;
    // Verify: a missing entry whose digest exactly one unlisted file of its list's scope has
    // is reported as moved there (OnFileMoved), instead of missing and not listed.
    bool MovedFiles = false;

    // What an entry's finding event is about, while the run is at that entry: the list it
    // came from (or the list being built), the digest stored there and the digest computed;
    // "" where there is none. Outside an entry all three are "".
    struct TFindingFacts {
        std::string List, Expected, Computed;
    };
    TFindingFacts Finding;

    // The event slots of events.h, in slot order.
#define TLVN_EVENT_SLOT(name, signature) std::function<signature> name;
    TLVN_ENGINE_EVENTS(TLVN_EVENT_SLOT)
#undef TLVN_EVENT_SLOT

    // Working lists; empty between entries.
    TListLines Lines;
    TFileList Files;
    TFileList ChecksumFiles;
    std::string Extension; // of the modes 3 and 4, set by Update

    void SetFolderPath(const std::string& path);
    void SetFileMask(const std::string& mask);
    void SetChecksumKind(TChecksumKind kind);
    void SetAborted(bool aborted);
    // Replaces the native file services (tests); nullptr restores them.
    void SetFileSystem(files::TFileSystem* fs);
    files::TFileSystem& FileSystem() {
        return *Fs;
    }

    // digest.cpp
    bool CalcFileChecksum(TChecksumKind kind, const std::string& path, std::string& text);

    // lines.h
    TLineClass ClassifyLine(const std::string& line) const {
        return lines::ClassifyLine(line);
    }
    void ParseChecksumLine(TLineClass lineClass, const std::string& line, std::string& checksum,
                           std::string& name) const {
        lines::ParseChecksumLine(lineClass, line, checksum, name);
    }
    // The entry line of ChecksumKind, tagged where the list's name would not tell its kind.
    std::string FormatChecksumLine(const std::string& name, std::string_view checksum) const {
        return lines::FormatChecksumLine(ChecksumKind, name, checksum,
                                         lines::NeedsTag(ChecksumKind, ChecksumFileName));
    }

    // checksum_file.cpp
    // True when every line left in the list is an entry of kind, a comment or blank.
    bool IsChecksumFileOfKind(TListReader& list, TChecksumKind kind) const;
    bool MayWriteChecksumFile(const std::string& path);
    void SaveChecksumFile(const TListLines& lines, const std::string& path,
                          const std::string& folderText);

    // walk.cpp
    // Calls handler for relativeFolder and then, with IncludeSubfolders, for each folder
    // below it, depth first.
    void WalkFolders(const std::string& relativeFolder, TFolderHandler handler);
    // False when the listing ended with an error (reported with OnFileListError).
    bool ListFolder(const std::string& relativeFolder, const std::string& pattern, bool withPath,
                    bool excludeChecksumFiles, int32_t& count, uint64_t& totalSize,
                    TFileList* target);
    std::string FolderNameForChecksumFile(const std::string& folder) const;

    // update.cpp: the entry points, each resetting both counters first, and the folder
    // handlers.
    void CountUpdateData();
    void Update(THeaderMode headerMode);
    void UpdateTreeFolder(const std::string& relativeFolder);
    void UpdateFolderFile(const std::string& relativeFolder);
    void UpdatePerFile(const std::string& relativeFolder);
    void CountFolderFiles(const std::string& relativeFolder);

    // verify.cpp: as for update.cpp.
    void CountVerifyData();
    void Verify();
    void VerifyFolder(const std::string& relativeFolder);
    void CollectFolder(const std::string& relativeFolder);
    // With lastOfFolder, the folder's last list: the next folder's files are read ahead
    // once its lines are read.
    bool VerifyChecksumFile(const std::string& relativeFolder, const std::string& path,
                            bool lastOfFolder = false);
    void ReportUnlisted(const std::string& relativeFolder);
    void CountFolderChecksumFiles(const std::string& relativeFolder);
    void CountChecksumFileData(const std::string& path, const std::string& relativeFolder);
    // True when name, as a list names it, falls into Slice.
    bool InSlice(const std::string& name) const;

private:
    // engine.cpp
    // Runs the body of an entry: counters reset first, lists empty on every way out, and
    // an exception ends the run with FailureText instead of leaving the engine. A pre-count
    // (count) keeps its searches for the run that follows; a run drops what it left.
    void RunEntry(const std::function<void()>& body, bool count = false);
    // Has the workers read a file that CalcFileChecksum will be asked for later, in the
    // order it will be asked; nothing when there are no workers. size is the listing's.
    void Prefetch(const std::string& path, TChecksumKind kind, uint64_t size);
    // Has the workers list a folder search that the walk will make soon.
    void PrefetchListing(const std::string& pattern);
    THashPool& RunPool(); // Pool, started on first use in an entry
    // The entry is a pre-count, which reports no finding of its own.
    bool Counting = false;
    TListingCache Listings;
    files::TFileSystem* Fs;
    std::unique_ptr<THashPool> Pool; // during an entry that prefetches

    // checksum_file.cpp
    // Raises OnLoadError for a list that could not be opened or read.
    void ReportLoadError(const std::string& path);

    // walk.cpp
    // The sub-folders of a folder of the walk, and the one it goes into next.
    struct TSubFolders {
        std::string Folder; // relative
        bool Listed = false;
        std::vector<std::string> Names;
        files::TErrorCode Error = 0;
        size_t Next = 0;
    };
    TSubFolders SubFolders;                     // of the folder whose handler runs
    std::vector<const TSubFolders*> WalkLevels; // of the folders the walk is below, root first
    // Lists the sub-folders of the folder whose handler runs, once, and has the workers list
    // their files.
    void ListSubFolders(const std::string& relativeFolder);
    // The folder the walk goes into after relativeFolder, whose handler runs; false at the
    // walk's end.
    bool NextFolder(const std::string& relativeFolder, std::string& next);
    TChecksumKind EntryKindSeen = ckNone; // of the entry read last in Verify
    // Where a folder ends, the workers wait while the run thread finishes it and lists the
    // next: they are given the next folder's small files to read meanwhile (kind is the
    // digest they are read for), when that folder's listing is there already. False when it
    // is not there yet.
    bool PrefetchNextFolder(const std::string& relativeFolder, TChecksumKind kind);
    // True when a listing's entry is one of the folder's files: no folder, no temporary
    // file, and with excludeChecksumFiles no list.
    bool IsFolderFile(const std::string& relativeFolder, const files::TFoundFile& entry,
                      bool excludeChecksumFiles) const;
    bool IsChecksumFileName(const std::string& bareName) const;
    // Raises OnLinkOutsideTree once per link and entry; the pre-count reports nothing.
    void ReportLinkOutside(const std::string& path);
    std::set<std::string> LinksReported; // the links outside this entry reported
    // True when the entry is the checksum file that the run itself reads or writes.
    bool IsRunList(const std::string& relativeFolder, const std::string& bareName) const;
    // True when FolderPath + relativeFolder + name leads outside FolderPath, by ".."
    // segments or through a link to a folder outside.
    bool LeavesTree(const std::string& relativeFolder, const std::string& name);
    // True when a real folder path (ending with the delimiter) lies in the real FolderPath;
    // relative is then its part below it.
    bool RealFolderInTree(const std::string& realFolder, std::string& relative);
    // The checksum-file path of the tree modes 0 and 1.
    std::string TreeChecksumFilePath() const;
    // The item of Files that stands for the same file on disk as name, or nullptr.
    TFileListItem* FindListedFile(const std::string& name);
    // True when the tree's checksum file at path would land on a file that the walk
    // hashes; storedName is then that file's name.
    bool TreeFileLandsOnListedFile(const std::string& path, std::string& storedName);
    // Lists the folder's files to hash into Files (bare names) and sorts them; false when
    // the listing failed.
    bool ListFolderFiles(const std::string& relativeFolder);
    // The checksum file named with a folder part, relative to FolderPath when it lies in
    // the tree ("" when not): it is never listed among the files.
    std::string RunListRelative;
    size_t ListedHint = 0;               // where FindListedFile looks first
    std::string RealRoot;                // RealPath of FolderPath, for LeavesTree
    std::set<std::string> FoldersInside; // entry folders found inside the tree
    std::string LastFolderInside;        // the one of them found last, or one not there

    // update.cpp
    // Hashes the listed Files of the folder into Lines (entries named entryFolder + name),
    // each file it could not hash into Unreached; false when the run was aborted.
    bool HashFolderFiles(const std::string& relativeFolder, const std::string& listPath,
                         const std::string& entryFolder);
    // Appends the entry line of entryFolder + bareName to Lines, or reports a name the format
    // cannot carry on listPath.
    bool AddChecksumLine(const std::string& listPath, const std::string& entryFolder,
                         const std::string& bareName, std::string_view checksum);
    // Refuses a checksum file whose path would land on storedName, a file to be hashed.
    void RefuseChecksumFile(const std::string& path, const std::string& storedName);
    // Saves Lines as the list at path, minding Unreached: without errors in the scope as
    // SaveChecksumFile; with errors an old list is never deleted, and it is either kept
    // whole or its lines of unreached files are carried into the new list.
    void SaveListOfScope(const std::string& path, const std::string& folderText);
    // Appends to Lines the old list's entries of unreached files that Lines does not hold;
    // false when the old list cannot be read or holds lines of another kind.
    bool CarryOldLines(const std::string& path, int32_t& carried);
    bool IsUnreached(const std::string& name) const;
    // What the run could not reach in the scope of the list being built, relative to the
    // list's folder: a file name, or a folder (ending with the delimiter, "" for the
    // list's own folder) standing for everything in and below it.
    std::vector<std::string> Unreached;

    // quick_update.cpp
    // Takes the digests that the files of the list at path may keep; nothing without
    // QuickUpdate, without an old list, or from one that is doubtful (OnOldListNotTrusted).
    void LoadOldDigests(const std::string& path);
    // The recorded digest of the file item listed as entryName, when it may keep it; none
    // when it must be hashed. Either way the old entry counts as met.
    std::optional<std::string_view> KeptDigest(std::string_view entryName,
                                               const TFileListItem& item);
    // Reports the old entries of the list at path (in folder) that the run met no file for
    // and did not carry, then forgets the old list.
    void ReportDroppedEntries(const std::string& path, const std::string& folder);
    TOldDigests OldDigests;
    uint32_t OldListAge = 0;
    uint32_t RunStartAge = 0; // the local time the Update started, as a file age

    // verify.cpp
    // The file that an entry line of a list in folder names, also under its name as written:
    // its path and size, and the listing's item for it or nullptr.
    enum class TEntryFile { Missing, Found, LeadsOutside };
    TEntryFile FindEntry(const std::string& folder, const TListLine& line, std::string& path,
                         uint64_t& size, TFileListItem*& item);
    // The handler of a walk that only lists, for the events and errors of the listings.
    void ListTreeFolder(const std::string& relativeFolder);
    // What shapes the tree's files: folder, filter, list name, sub-folders.
    std::string WalkKey() const;
    // The tree's files that the pre-count of a tree list collected and sorted, and the
    // WalkKey of that walk: the run that walks the same tree takes them instead of
    // collecting and sorting them again.
    TFileList CountedFiles;
    std::string CountedWalk;

    // moved_files.cpp
    struct TMissingEntry {
        std::string Path, List, Checksum;
        TChecksumKind Kind;
    };
    // Reports the missing entry with the Finding in work: at once, or with MovedFiles kept
    // in MissingEntries for ReportMissingEntries.
    void ReportMissing(const std::string& path, TChecksumKind kind);
    // Reports the kept missing entries of the folder's scope: with pair, those that
    // PairMovedFiles pairs as moved (their files then count as listed), the others as missing.
    void ReportMissingEntries(const std::string& relativeFolder, bool pair);
    // Hashes the unlisted files of the scope and pairs each missing entry with the one file
    // whose digest only it has; true when a digest is shared and so nothing is paired for it.
    bool PairMovedFiles(const std::string& relativeFolder,
                        const std::vector<TMissingEntry>& missing,
                        std::vector<TFileListItem*>& movedTo);
    // The list whose scope the folder's files lie in, "" when the folder has several.
    std::string ScopeList(const std::string& relativeFolder) const;
    std::vector<TMissingEntry> MissingEntries;
};

// The text of a caught exception: its message, "out of memory" for a failed allocation.
std::string DescribeFailure(std::exception_ptr failure);
