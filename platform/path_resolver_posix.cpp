#include "platform/path_resolver_posix.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {
namespace {

// As many links as the kernel follows in one path.
constexpr int kMostLinks = 40;
constexpr size_t kCachedFolders = 64;

// A folder to walk through needs no read permission, only search permission, as with the
// kernel's own walk.
#ifdef O_PATH
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
#else
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
#endif

bool ReadLink(int folder, const std::string& name, std::string& target) {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t length = ::readlinkat(folder, name.c_str(), &buffer[0], buffer.size());
        if (length < 0)
            return false;
        if (static_cast<size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<size_t>(length));
            target = std::move(buffer);
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The kernel's protected-links rule (fs.protected_symlinks), applied whatever the system's
// setting: in a sticky folder that everyone may write, only a link of the running user or
// of the folder's owner is followed.
bool MayFollow(int folder, const struct stat& link) {
    struct stat st;
    if (::fstat(folder, &st) != 0)
        return false;
    const bool shared = (st.st_mode & S_ISVTX) != 0 && (st.st_mode & S_IWOTH) != 0;
    return !shared || link.st_uid == ::geteuid() || link.st_uid == st.st_uid;
}

std::shared_ptr<const TFd> OpenFolder(const char* path, int flags, TErrorCode& error) {
    TFd fd(::open(path, flags));
    if (!fd) {
        error = errno;
        return nullptr;
    }
    return std::make_shared<const TFd>(std::move(fd));
}

// The path made absolute from the working folder, as text.
std::string Absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/')
        return path;
    std::string folder(4096, '\0');
    while (!::getcwd(&folder[0], folder.size())) {
        if (errno != ERANGE)
            return path;
        folder.resize(folder.size() * 2);
    }
    folder.resize(folder.find('\0'));
    return folder + "/" + path;
}

} // namespace

TPathParts SplitPath(const std::string& path) {
    TPathParts parts;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

TPathResolver::TLastFolder& TPathResolver::LastFolder() {
    thread_local TLastFolder last;
    return last;
}

namespace {
std::atomic<uint64_t> resolvers{0};
} // namespace

TPathResolver::TPathResolver() : Id(++resolvers) {
    TErrorCode ignored = 0;
    Base.Fd = OpenFolder("/", kFolderFlags, ignored);
}

TPathResolver::~TPathResolver() {
    TLastFolder& last = LastFolder();
    if (last.Resolver == Id)
        last = {};
}

bool TPathResolver::OpenTree(const std::string& root, TErrorCode& error) {
    const std::string absolute = Absolute(root);
    std::string name;
    TFolderPlace place;
    error = Walk(absolute, TLastPart::Folder, place, name);
    if (error != 0)
        return false;
    // Absolute link targets may name the root as the user wrote it, through links above it.
    RootNames.push_back(place.Real);
    TPathParts given = SplitPath(absolute);
    bool plain = true;
    for (const std::string& part : given)
        plain = plain && part != "." && part != "..";
    if (plain && given != place.Real)
        RootNames.push_back(std::move(given));
    Base = {place.Fd, {}};
    InTree = true;
    return true;
}

bool TPathResolver::BelowRoot(const TPathParts& target, TPathParts& below) const {
    for (const TPathParts& root : RootNames) {
        if (target.size() >= root.size() && std::equal(root.begin(), root.end(), target.begin())) {
            below.assign(target.begin() + static_cast<std::ptrdiff_t>(root.size()), target.end());
            return true;
        }
    }
    return false;
}

TErrorCode TPathResolver::Walk(const std::string& path, TLastPart last, TFolderPlace& folder,
                               std::string& name) {
    if (!Base.Fd)
        return ENOENT;
    if (!InTree)
        return WalkFrom(Base, SplitPath(Absolute(path)), last, folder, name);
    // The folder part from the folders reached lately; the name walked from there.
    std::string folderPart = path;
    if (last != TLastPart::Folder) {
        const size_t slash = path.find_last_of('/');
        folderPart = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    } else if (!folderPart.empty() && folderPart.back() != '/') {
        folderPart += '/';
    }
    TFolderPlace place;
    TErrorCode error = Folder(folderPart, place);
    if (error != 0)
        return error;
    std::string rest = last == TLastPart::Folder ? "" : path.substr(folderPart.size());
    // Most paths end with a plain name, taken as it is.
    if (last == TLastPart::Folder ||
        (last == TLastPart::Entry && !rest.empty() && rest != "." && rest != "..")) {
        folder = std::move(place);
        name = std::move(rest);
        return 0;
    }
    return WalkFrom(std::move(place), {std::move(rest)}, last, folder, name);
}

TErrorCode TPathResolver::Folder(const std::string& relative, TFolderPlace& place) {
    TLastFolder& last = LastFolder();
    if (last.Resolver == Id && last.Relative == relative) {
        place = last.Place;
        return 0;
    }
    size_t keep = relative.size();
    TFolderPlace start;
    {
        std::lock_guard<std::mutex> lock(Mutex);
        // The folder itself, else its nearest parent reached lately, else the root.
        while (keep > 0) {
            auto cached = Cache.find(keep == relative.size() ? relative : relative.substr(0, keep));
            if (cached != Cache.end()) {
                cached->second.Used = ++Clock;
                start = cached->second.Place;
                break;
            }
            const size_t slash =
                keep >= 2 ? relative.find_last_of('/', keep - 2) : std::string::npos;
            keep = slash == std::string::npos ? 0 : slash + 1;
        }
    }
    if (keep == 0)
        start = Base;
    if (keep == relative.size()) {
        place = std::move(start);
    } else {
        std::string name;
        TErrorCode error = WalkFrom(std::move(start), SplitPath(relative.substr(keep)),
                                    TLastPart::Folder, place, name);
        if (error != 0)
            return error;
    }
    // This thread's own copy of the descriptor: taking it again touches nothing that other
    // threads share.
    TFd own(::fcntl(place.Get(), F_DUPFD_CLOEXEC, 0));
    if (own)
        last = {Id, relative, {std::make_shared<const TFd>(std::move(own)), place.Real}};
    if (keep == relative.size())
        return 0;
    std::lock_guard<std::mutex> lock(Mutex);
    if (Cache.size() >= kCachedFolders) {
        auto oldest = Cache.begin();
        for (auto it = Cache.begin(); it != Cache.end(); ++it)
            if (it->second.Used < oldest->second.Used)
                oldest = it;
        Cache.erase(oldest);
    }
    Cache[relative] = {place, ++Clock};
    return 0;
}

TErrorCode TPathResolver::WalkFrom(TFolderPlace place, const TPathParts& parts, TLastPart last,
                                   TFolderPlace& folder, std::string& name) {
    // What is left to walk, the next part at the back.
    TPathParts pending(parts.rbegin(), parts.rend());
    int links = 0;
    while (!pending.empty()) {
        std::string part = std::move(pending.back());
        pending.pop_back();
        const bool isLast = pending.empty();
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (place.Real.empty()) {
                if (InTree)
                    return kErrorLeadsOutside;
                continue; // "/.." is "/"
            }
            // Back by the real path: the folder left may have moved meanwhile.
            TPathParts parent(place.Real.begin(), place.Real.end() - 1);
            TErrorCode error = WalkFrom(Base, parent, TLastPart::Folder, place, name);
            if (error != 0)
                return error;
            continue;
        }
        if (isLast && last == TLastPart::Entry) {
            folder = std::move(place);
            name = std::move(part);
            return 0;
        }
        struct stat st;
        if (isLast && last == TLastPart::Followed) {
            if (::fstatat(place.Get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISLNK(st.st_mode)) {
                folder = std::move(place);
                name = std::move(part);
                return 0;
            }
        } else {
            TFd fd(::openat(place.Get(), part.c_str(), kFolderFlags));
            if (fd) {
                place.Fd = std::make_shared<const TFd>(std::move(fd));
                place.Real.push_back(std::move(part));
                continue;
            }
            if (errno != ELOOP && errno != ENOTDIR)
                return errno;
            if (::fstatat(place.Get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                return errno;
            if (!S_ISLNK(st.st_mode))
                return ENOTDIR;
        }
        // A link: its target takes its place in what is left to walk.
        if (++links > kMostLinks)
            return ELOOP;
        if (!InTree && !MayFollow(place.Get(), st))
            return EACCES;
        std::string target;
        if (!ReadLink(place.Get(), part, target))
            return errno;
        if (target.empty())
            return ENOENT;
        TPathParts targetParts = SplitPath(target);
        if (target[0] == '/') {
            if (InTree) {
                TPathParts below;
                if (!BelowRoot(targetParts, below))
                    return kErrorLeadsOutside;
                targetParts = std::move(below);
            }
            place = Base;
        }
        // A target that ends at a folder ("dir/", "..") still ends the path there.
        if (isLast && (targetParts.empty() || target.back() == '/'))
            targetParts.push_back(".");
        pending.insert(pending.end(), targetParts.rbegin(), targetParts.rend());
    }
    folder = std::move(place);
    name.clear();
    return 0;
}

} // namespace files
