// TCheckSumEngine: the one object that touches the file system during a run. It creates
// and verifies checksum files; everything it finds or asks leaves it through the 25 event
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
//   verify.cpp         Verify, its pre-count and folder handlers
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/events.h"
#include "engine/items.h"
#include "engine/lines.h"
#include "engine/listing_cache.h"
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

    // The event slots of events.h, in slot order.
#define TLVN_EVENT_SLOT(name, signature) std::function<signature> name;
    TLVN_ENGINE_EVENTS(TLVN_EVENT_SLOT)
#undef TLVN_EVENT_SLOT

    // Working lists; empty between entries.
    std::vector<std::string> Lines;
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
    // The entry line of ChecksumKind.
    std::string FormatChecksumLine(const std::string& name, const std::string& checksum) const {
        return lines::FormatChecksumLine(ChecksumKind, name, checksum);
    }

    // checksum_file.cpp
    // True when every line left in the list is an entry of kind, a comment or blank.
    bool IsChecksumFileOfKind(TListReader& list, TChecksumKind kind) const;
    bool MayWriteChecksumFile(const std::string& path);
    void SaveChecksumFile(std::vector<std::string>& lines, const std::string& path,
                          const std::string& folderText);

    // walk.cpp
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
    bool VerifyChecksumFile(const std::string& relativeFolder, const std::string& path);
    void ReportUnlisted(const std::string& relativeFolder);
    void CountFolderChecksumFiles(const std::string& relativeFolder);
    void CountChecksumFileData(const std::string& path, const std::string& relativeFolder);

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
    TListingCache Listings;
    files::TFileSystem* Fs;
    std::unique_ptr<THashPool> Pool; // during an entry that prefetches

    // checksum_file.cpp
    // Raises OnLoadError for a list that could not be opened or read.
    void ReportLoadError(const std::string& path);

    // walk.cpp
    bool IsChecksumFileName(const std::string& bareName) const;
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
    std::string LastFolderInside;        // the one of them found last

    // update.cpp
    // Hashes the listed Files of the folder into Lines (entries named entryFolder + name),
    // each file it could not hash into Unreached; false when the run was aborted.
    bool HashFolderFiles(const std::string& relativeFolder, const std::string& listPath,
                         const std::string& entryFolder);
    // Appends the entry line to Lines, or reports a name the format cannot carry on listPath.
    bool AddChecksumLine(const std::string& listPath, const std::string& name,
                         const std::string& checksum);
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

    // verify.cpp
    // The file that an entry line of a list in folder names, also under its name as written:
    // its path and size, and the listing's item for it or nullptr; false when it is not there.
    bool FindEntry(const std::string& folder, const TListLine& line, std::string& path,
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
};

// The text of a caught exception: its message, "out of memory" for a failed allocation.
std::string DescribeFailure(std::exception_ptr failure);
