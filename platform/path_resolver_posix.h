// TPathResolver: walks a path without ever letting the kernel follow a link. Every
// component is opened relative to the folder before it with O_NOFOLLOW; a link met on the
// way is read here and followed only as the resolver's rule allows. Used by the POSIX file
// services alone.
//
// Two rules: the system's, from "/", where a link is followed as the kernel's protected-
// links rule allows (not a link of another user in a sticky folder that everyone may write,
// unless the folder is that user's); and a tree's, from the tree's root, where a link is
// followed while its target stays in the tree and one that leads above the root ends the
// walk with kErrorLeadsOutside.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/files.h"
#include "platform/handle.h"

namespace files {

using TPathParts = std::vector<std::string>;

// A folder a walk reached: its open descriptor and its real path (links resolved) as parts
// below the walk's base.
struct TFolderPlace {
    std::shared_ptr<const TFd> Fd;
    TPathParts Real;
    int Get() const { return Fd->Get(); }
};

// What a walk makes of a path's last part.
enum class TLastPart {
    Folder,  // a folder to enter, as every part before it
    Entry,   // a name in the folder reached, not looked at: a link stays a link
    Followed // a name whose links are followed as those on the way
};

class TPathResolver {
public:
    // The system's rule.
    TPathResolver();
    ~TPathResolver();
    TPathResolver(const TPathResolver&) = delete;
    TPathResolver& operator=(const TPathResolver&) = delete;
    // The rule of the tree at root (a folder path, relative to the working folder or not),
    // which is itself reached by the system's rule; false with error when it cannot be.
    bool OpenTree(const std::string& root, TErrorCode& error);

    // Walks path: below the root for a tree ("" is the root itself), else absolute or
    // relative to the working folder. folder and name are what the walk reached; name is ""
    // when the path ends at a folder (always so for TLastPart::Folder).
    TErrorCode Walk(const std::string& path, TLastPart last, TFolderPlace& folder,
                    std::string& name);
    // Walks the parts from a folder already reached.
    TErrorCode WalkFrom(TFolderPlace from, const TPathParts& parts, TLastPart last,
                        TFolderPlace& folder, std::string& name);

private:
    // A tree folder by its path below the root ("" or ending with "/"), from the folders
    // reached lately or walked from the nearest of them.
    TErrorCode Folder(const std::string& relative, TFolderPlace& place);
    // The parts of an absolute link target below one of the root's absolute names; false
    // when it lies outside.
    bool BelowRoot(const TPathParts& target, TPathParts& below) const;

    // The folder a thread reached last, and the resolver it belongs to: the files of one
    // folder are opened one after another, on each thread.
    struct TLastFolder {
        uint64_t Resolver = 0;
        std::string Relative;
        TFolderPlace Place;
    };
    static TLastFolder& LastFolder();

    const uint64_t Id; // never the same for two resolvers of one run of the program
    bool InTree = false;
    TFolderPlace Base;                 // "/" or the tree's root
    std::vector<TPathParts> RootNames; // the root's real absolute path, and as given

    // The folders reached lately, by their path below the root: a walk of 100,000 files
    // opens each folder about once, and holds a few dozen descriptors at most.
    struct TCached {
        TFolderPlace Place;
        uint64_t Used = 0;
    };
    std::mutex Mutex;
    std::unordered_map<std::string, TCached> Cache;
    uint64_t Clock = 0;
};

// Splits a path at "/" into its non-empty parts.
TPathParts SplitPath(const std::string& path);

} // namespace files
