// TListingCache: the directory searches of the walk. A pre-count keeps its searches for the
// run that follows, which takes each once, so the tree is listed, and its files looked up,
// once for both; the hashing pool's workers may have listed a folder ahead of the walk; and
// the sub-folders that a folder's "*.*" search found serve the walk going on into them, when
// that search was the last one made.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/files.h"

class THashPool;

class TListingCache {
public:
    explicit TListingCache(files::TFileSystem& fs) : Fs(&fs) {}

    void UseFileSystem(files::TFileSystem& fs) { Fs = &fs; }
    // The pool whose workers list folders ahead; nullptr when there is none.
    void UsePool(THashPool* pool) { Pool = pool; }

    // At the start of an entry: a pre-count (keep) drops what an earlier one kept and keeps
    // every search it makes.
    void Begin(bool keep);
    // At the end of an entry: forget drops every search kept (after a run, or an aborted
    // pre-count).
    void End(bool forget);

    // True when a search of pattern is kept.
    bool Holds(const std::string& pattern) const { return Kept.count(pattern) != 0; }
    // A directory search of pattern, or the one kept or listed ahead for it, entry by entry.
    files::TErrorCode Search(const std::string& pattern,
                             const std::function<void(const files::TFoundFile&)>& onEntry);
    // The entries a search of pattern will find, copied from the one kept or listed ahead for
    // it, which stays for Search; false when none is there yet.
    bool Peek(const std::string& pattern, std::vector<files::TFoundFile>& entries) const;
    // The sub-folders of folder, from its last "*.*" search when that was the last one.
    files::TErrorCode SearchFolders(const std::string& folder, std::vector<std::string>& names);

private:
    struct TSearchResult {
        std::vector<files::TFoundFile> Entries;
        files::TErrorCode Error = 0;
    };

    files::TFileSystem* Fs;
    THashPool* Pool = nullptr;
    bool Keep = false;
    std::unordered_map<std::string, TSearchResult> Kept;
    // The sub-folders that the last "*.*" search found, for the walk to go on with.
    std::string LastSearchFolder;
    std::vector<std::string> LastSubFolders;
    files::TErrorCode LastSearchError = 0;
};
