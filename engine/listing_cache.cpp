#include "engine/listing_cache.h"

#include "engine/hash_pool.h"

void TListingCache::Begin(bool keep) {
    if (keep)
        Kept.clear();
    Keep = keep;
    LastSearchFolder.clear();
}

void TListingCache::End(bool forget) {
    Keep = false;
    if (forget)
        Kept.clear();
    LastSearchFolder.clear();
}

files::TErrorCode
TListingCache::Search(const std::string& pattern,
                      const std::function<void(const files::TFoundFile&)>& onEntry) {
    static const std::string kAll = "*.*";
    const bool all = pattern.size() >= kAll.size() &&
                     pattern.compare(pattern.size() - kAll.size(), kAll.size(), kAll) == 0;
    TSearchResult result;
    auto kept = Kept.find(pattern);
    if (kept != Kept.end()) {
        result = std::move(kept->second);
        Kept.erase(kept);
    } else if (!Pool || !Pool->TakeListing(pattern, result.Entries, result.Error)) {
        if (!Keep && !all)
            return Fs->FindFiles(pattern, [&](const files::TFoundFile& entry) {
                onEntry(entry);
                return true;
            });
        result.Error = Fs->FindFiles(pattern, [&](const files::TFoundFile& entry) {
            result.Entries.push_back(entry);
            return true;
        });
    }
    if (all) {
        LastSearchFolder = pattern.substr(0, pattern.size() - kAll.size());
        LastSubFolders.clear();
        for (const files::TFoundFile& entry : result.Entries)
            if (entry.IsDirectory() && entry.Name != "." && entry.Name != "..")
                LastSubFolders.push_back(entry.Name);
        LastSearchError = result.Error;
    }
    for (const files::TFoundFile& entry : result.Entries)
        onEntry(entry);
    const files::TErrorCode error = result.Error;
    if (Keep)
        Kept[pattern] = std::move(result);
    return error;
}

bool TListingCache::Peek(const std::string& pattern,
                         std::vector<files::TFoundFile>& entries) const {
    auto kept = Kept.find(pattern);
    if (kept == Kept.end())
        return Pool && Pool->PeekListing(pattern, entries);
    entries = kept->second.Entries;
    return true;
}

files::TErrorCode TListingCache::SearchFolders(const std::string& folder,
                                               std::vector<std::string>& names) {
    if (LastSearchFolder == folder) {
        LastSearchFolder.clear();
        names = std::move(LastSubFolders);
        return LastSearchError;
    }
    // A "*.*" search that the pre-count kept and the run's handler did not take.
    if (Kept.count(folder + "*.*") != 0) {
        Search(folder + "*.*", [](const files::TFoundFile&) {});
        return SearchFolders(folder, names);
    }
    // Kept apart from the file searches: a pattern never holds a line break.
    const std::string key = folder + '\n';
    auto kept = Kept.find(key);
    if (kept != Kept.end()) {
        for (const files::TFoundFile& entry : kept->second.Entries)
            names.push_back(entry.Name);
        const files::TErrorCode error = kept->second.Error;
        Kept.erase(kept);
        return error;
    }
    TSearchResult result;
    result.Error = Fs->FindFolders(folder, [&](const std::string& name) {
        names.push_back(name);
        if (Keep)
            result.Entries.emplace_back().Name = name;
        return true;
    });
    if (Keep)
        Kept[key] = std::move(result);
    return result.Error;
}
