// The engine's file services on POSIX systems. Error codes are errno values; there are
// no share modes, so "admits readers only" cannot be enforced here. In a tree (EnterTree)
// every path is walked by TPathResolver; saves follow save_posix.h.
#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/uio.h>
#include <unistd.h>

#include "platform/handle.h"
#include "platform/mapping_posix.h"
#include "platform/path_resolver_posix.h"
#ifdef TLVN_HAVE_URING
#include "platform/ring_posix.h"
#endif
#include "platform/save_posix.h"

namespace files {
namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whole-name match of "*" and "?" ignoring ASCII case; "*.*" matches every name, as
// on Windows, also names without a dot.
bool MatchesPattern(const std::string& name, const std::string& mask) {
    if (mask == "*.*")
        return true;
    size_t n = 0, m = 0;
    size_t starMask = std::string::npos, starName = 0;
    while (n < name.size()) {
        // A "*" of the mask is a wildcard even where the name holds a "*" too.
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == '?' || Lower(mask[m]) == Lower(name[n]))) {
            ++n;
            ++m;
        } else if (starMask != std::string::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

// Local time of a modification time as a DOS date (high word) and time (low word);
// 0 outside the years a DOS date can hold.
uint32_t DosAge(time_t mtime) {
    struct tm local;
    if (!localtime_r(&mtime, &local))
        return 0;
    int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107)
        return 0;
    uint32_t date = ((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday;
    uint32_t time = (local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2);
    return (date << 16) | time;
}

void FillInfo(const std::string& name, const struct stat& st, TFoundFile& info) {
    info.Name = name;
    info.Attributes = 0;
    if (S_ISDIR(st.st_mode))
        info.Attributes |= kAttrDirectory;
    if ((st.st_mode & S_IWUSR) == 0)
        info.Attributes |= kAttrReadOnly;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..")
        info.Attributes |= kAttrHidden;
    info.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
    info.Age = DosAge(st.st_mtime);
}

std::string BareName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The size of the engine's reads.
constexpr off_t kOneBlock = 65536;

// How files are opened for reading. O_NONBLOCK keeps the open of a FIFO from waiting for a
// writer; it has no effect on regular files.
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;

TFileStamp StampOf(const struct stat& st) {
    return {static_cast<uint64_t>(st.st_size),
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// The file the last OpenRead of this thread opened and its stamp then, until the file is
// read: FileSize and Stamp right after the open need no second fstat.
struct TOpened {
    int Fd = -1;
    TFileStamp Stamp;
};
thread_local TOpened lastOpened;

// Takes a descriptor just opened for reading: only a regular file is kept.
int KeepRegular(TFd fd, TErrorCode& error, TFileStamp& stamp) {
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0) {
        error = errno;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : kErrorNotAFile;
        return -1;
    }
    // A file read in one block gains nothing from read-ahead advice.
    if (st.st_size > kOneBlock)
        ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    stamp = StampOf(st);
    return fd.Detach();
}

// Holds SIGINT and SIGTERM back while it lives.
class TInterruptsHeld {
public:
    TInterruptsHeld() {
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, SIGINT);
        sigaddset(&held, SIGTERM);
        ::pthread_sigmask(SIG_BLOCK, &held, &Previous);
    }
    ~TInterruptsHeld() { ::pthread_sigmask(SIG_SETMASK, &Previous, nullptr); }
    TInterruptsHeld(const TInterruptsHeld&) = delete;
    TInterruptsHeld& operator=(const TInterruptsHeld&) = delete;

private:
    sigset_t Previous;
};

// Calls onEntry with each entry of the folder open for reading as fd (taken over), in
// directory order, until it returns false. Returns 0 at the end or when stopped, else the
// error that ended the listing.
TErrorCode ForEachEntry(TFd fd,
                        const std::function<bool(int dirFd, const dirent& entry)>& onEntry) {
    if (!fd)
        return errno;
    TDirHandle dir(::fdopendir(fd.Get()));
    if (!dir)
        return errno;
    fd.Detach();
    const int dirFd = ::dirfd(dir.Get());
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.Get());
        if (!entry)
            return errno;
        if (!onEntry(dirFd, *entry))
            return 0;
    }
}

// A folder opened for listing: in the tree from the place its walk reached, else by path.
TFd OpenListing(const TFolderPlace& place, const std::string& folder) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (place.Fd)
        return TFd(::openat(place.Get(), ".", kFlags));
    return TFd(::open(folder.empty() ? "." : folder.c_str(), kFlags));
}

class TPosixFileSystem : public TFileSystem {
public:
    void EnterTree(const std::string& root) override {
        Tree.reset();
        TreeRoot = root;
        auto tree = std::make_unique<TPathResolver>();
        TErrorCode error = 0;
        // A root that cannot be reached is reported by the run's first listing.
        if (!root.empty() && root.back() == '/' && tree->OpenTree(root, error))
            Tree = std::move(tree);
        Session.Start();
    }

    void LeaveTree() override { Tree.reset(); }

    TErrorCode FindFiles(const std::string& pattern,
                         const std::function<bool(const TFoundFile&)>& onEntry) override {
        const size_t slash = pattern.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "" : pattern.substr(0, slash + 1);
        const std::string mask = pattern.substr(folder.size());
        TFolderPlace place;
        std::string relative;
        const bool inTree = InTree(folder, relative);
        std::string none;
        if (inTree)
            if (TErrorCode error = Tree->Walk(relative, TLastPart::Folder, place, none))
                return error;
        // An entry whose status cannot be read (a folder that can be read but not
        // entered) is never left out in silence: the listing goes on and ends with the
        // error.
        TErrorCode statError = 0;
        const TErrorCode error =
            ForEachEntry(OpenListing(place, folder), [&](int dirFd, const dirent& entry) {
                const std::string name = entry.d_name;
                if (!MatchesPattern(name, mask))
                    return true;
                // One stat per entry; a link costs a walk to its target. Broken links and
                // entries that vanished are not there. Links to folders are not followed (a
                // link cycle would never end); links to files are, in a tree only while
                // they stay in it.
                struct stat st;
                if (::fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    if (errno != ENOENT && statError == 0)
                        statError = errno;
                    return true;
                }
                TFoundFile info;
                if (S_ISLNK(st.st_mode)) {
                    if (inTree) {
                        TFolderPlace targetFolder;
                        std::string target;
                        const TErrorCode walked = Tree->WalkFrom(place, {name}, TLastPart::Followed,
                                                                 targetFolder, target);
                        // A link out to a folder, or to nothing, is passed over like
                        // any link to a folder or broken link: only a stat tells which.
                        if (walked == kErrorLeadsOutside) {
                            if (::fstatat(dirFd, entry.d_name, &st, 0) != 0 || S_ISDIR(st.st_mode))
                                return true;
                            info.Name = name;
                            info.LeadsOutside = true;
                            return onEntry(info);
                        }
                        if (walked != 0 || target.empty() ||
                            ::fstatat(targetFolder.Get(), target.c_str(), &st,
                                      AT_SYMLINK_NOFOLLOW) != 0)
                            return true;
                    } else if (::fstatat(dirFd, entry.d_name, &st, 0) != 0) {
                        return true;
                    }
                    if (S_ISDIR(st.st_mode))
                        return true;
                }
                if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
                    return true; // FIFOs, sockets and devices hold no file content
                FillInfo(name, st, info);
                return onEntry(info);
            });
        return error != 0 ? error : statError;
    }

    // Folders come from the entry type where the file system reports it: no lookup per
    // entry. Links are never folders here, as in FindFiles.
    TErrorCode FindFolders(const std::string& folder,
                           const std::function<bool(const std::string&)>& onFolder) override {
        TFolderPlace place;
        std::string relative, none;
        if (InTree(folder, relative))
            if (TErrorCode error = Tree->Walk(relative, TLastPart::Folder, place, none))
                return error;
        return ForEachEntry(OpenListing(place, folder), [&](int dirFd, const dirent& entry) {
            if (std::strcmp(entry.d_name, ".") == 0 || std::strcmp(entry.d_name, "..") == 0)
                return true;
            bool isFolder = entry.d_type == DT_DIR;
            if (entry.d_type == DT_UNKNOWN) {
                struct stat st;
                isFolder = ::fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                           S_ISDIR(st.st_mode);
            }
            return !isFolder || onFolder(entry.d_name);
        });
    }

    bool GetFileInfo(const std::string& path, TFoundFile& info) override {
        struct stat st;
        std::string relative;
        if (!InTree(path, relative)) {
            if (::stat(path.c_str(), &st) != 0)
                return false;
            FillInfo(BareName(path), st, info);
            return true;
        }
        const TErrorCode error = TreeStat(relative, st);
        if (error == kErrorLeadsOutside) {
            info = TFoundFile();
            info.Name = BareName(path);
            info.LeadsOutside = true;
            return true;
        }
        if (error != 0)
            return false;
        FillInfo(BareName(path), st, info);
        return true;
    }

    TFileId OpenRead(const std::string& path, TErrorCode& error) override {
        TFd fd = Open(path, error);
        if (!fd)
            return kNoFile;
        TFileStamp stamp;
        const int opened = KeepRegular(std::move(fd), error, stamp);
        if (opened < 0)
            return kNoFile;
        lastOpened = {opened, stamp};
        return opened;
    }

    uint64_t FileSize(TFileId file) override { return Stamp(file).Size; }

    TFileStamp Stamp(TFileId file) override {
        if (file == lastOpened.Fd)
            return lastOpened.Stamp;
        struct stat st;
        if (::fstat(static_cast<int>(file), &st) != 0)
            return {};
        return StampOf(st);
    }

    bool Read(TFileId file, void* buffer, uint32_t length, uint32_t& done,
              TErrorCode& error) override {
        return Retried(
            file, [&] { return ::read(static_cast<int>(file), buffer, length); }, done, error);
    }

    bool ReadAt(TFileId file, uint64_t offset, void* buffer, uint32_t length, uint32_t& done,
                TErrorCode& error) override {
        return Retried(
            file,
            [&] {
                return ::pread(static_cast<int>(file), buffer, length, static_cast<off_t>(offset));
            },
            done, error);
    }

    bool ReadsAtAnyOffset() override { return true; }

    const uint8_t* Map(TFileId file, uint64_t length) override {
        if (file == lastOpened.Fd)
            lastOpened.Fd = -1;
        return MapFile(static_cast<int>(file), length);
    }
    bool UseMapped(const uint8_t* data, size_t length, TMappedUse use, void* context,
                   TErrorCode& error) override {
        return UseMappedGuarded(data, length, use, context, error);
    }
    void FetchMapped(const uint8_t* data, size_t length) override {
        FetchMappedPages(data, length);
    }
    void ReleaseMapped(const uint8_t* data, size_t length) override {
        ReleaseMappedPages(data, length);
    }
    void Unmap(const uint8_t* mapping, uint64_t length) override { UnmapFile(mapping, length); }

    void Close(TFileId file) override {
        if (file == lastOpened.Fd)
            lastOpened.Fd = -1;
        ::close(static_cast<int>(file));
    }

#ifdef TLVN_HAVE_URING
    bool ReadWhole(TWholeRead* reads, size_t count) override {
        size_t first = 0;
        do {
            if (!ReadWholeBatch(reads + first, std::min(count - first, kWholeBatch)))
                return false;
            first += kWholeBatch;
        } while (first < count);
        return true;
    }
#endif

    // Opening a file to announce it costs as much as its read when the tree is in memory:
    // after a run of announced files found in memory, only one in kWarmSample is looked at,
    // until one is found on the disk.
    void Announce(const std::string& path, uint64_t length) override {
        constexpr uint32_t kWarmAfter = 16;
        constexpr uint32_t kWarmSample = 32;
        const uint32_t call = AnnounceCalls.fetch_add(1, std::memory_order_relaxed);
        if (FoundInMemory.load(std::memory_order_relaxed) >= kWarmAfter && call % kWarmSample != 0)
            return;
        TErrorCode error = 0;
        TFd fd = Open(path, error);
        struct stat st;
        if (!fd || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
            return;
        // A read that may not wait tells whether the first byte is in memory.
        char first;
        struct iovec vector = {&first, 1};
        if (::preadv2(fd.Get(), &vector, 1, 0, RWF_NOWAIT) >= 0) {
            FoundInMemory.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        FoundInMemory.store(0, std::memory_order_relaxed);
        ::posix_fadvise(fd.Get(), 0, static_cast<off_t>(length), POSIX_FADV_WILLNEED);
    }

    TSaveStatus SaveFile(const std::string& path, const std::string& content, TSaveTarget target,
                         TSaveReport& report) override {
        TSaveText text(content);
        return SaveFileFrom(path, text, target, report);
    }

    TSaveStatus SaveFileFrom(const std::string& path, TSaveContent& content, TSaveTarget target,
                             TSaveReport& report) override {
        // A second Ctrl-C during the save waits for its end: no temporary file is left.
        TInterruptsHeld held;
        // A name the user gave is reached by the system's rule, wherever it lies.
        std::string relative;
        TPathResolver* tree =
            target == TSaveTarget::List && InTree(path, relative) ? Tree.get() : nullptr;
        TFolderPlace folder;
        std::string name;
        report.Error = Locate(path, folder, name, tree == nullptr);
        if (report.Error == 0 && name.empty())
            report.Error = EISDIR;
        if (report.Error != 0)
            return TSaveStatus::CannotCreate;
        return SaveInFolder({folder, name, content, target, tree, System, Session}, report);
    }

    // The folder's device in /sys/dev/block; a partition has no queue of its own: its disk,
    // the folder above it, answers.
    bool OnRotationalDisk(const std::string& folder) override {
        struct stat st;
        if (::stat(folder.c_str(), &st) != 0)
            return false;
        const std::string device = "/sys/dev/block/" + std::to_string(major(st.st_dev)) + ":" +
                                   std::to_string(minor(st.st_dev));
        for (const char* queue : {"/queue/rotational", "/../queue/rotational"}) {
            TFd fd(::open((device + queue).c_str(), O_RDONLY | O_CLOEXEC));
            char answer = 0;
            if (fd && ::read(fd.Get(), &answer, 1) == 1)
                return answer == '1';
        }
        return false;
    }

    std::string RealPath(const std::string& path) override {
        char* resolved = ::realpath(path.empty() ? "." : path.c_str(), nullptr);
        if (!resolved)
            return "";
        std::string result = resolved;
        std::free(resolved);
        if (result.size() > 1 && result.back() == '/')
            result.pop_back();
        return result;
    }

    bool GetAttributes(const std::string& path, uint32_t& attributes) override {
        TFolderPlace folder;
        std::string name;
        struct stat st;
        if (!StatNoLink(path, folder, name, st))
            return false;
        TFoundFile info;
        FillInfo(name, st, info);
        attributes = info.Attributes;
        return true;
    }

    // Only read-only can be set: it removes every write permission, and clearing it
    // gives the owner write permission back.
    bool SetAttributes(const std::string& path, uint32_t attributes) override {
        TFolderPlace folder;
        std::string name;
        struct stat st;
        if (!StatNoLink(path, folder, name, st))
            return false;
        mode_t mode = st.st_mode & 07777;
        if (attributes & kAttrReadOnly)
            mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
        else if ((mode & S_IWUSR) == 0)
            mode |= S_IWUSR;
        // Never through a link, also when one takes the file's place meanwhile.
        return mode == (st.st_mode & 07777) ||
               ::fchmodat(folder.Get(), name.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0;
    }

    bool RemoveFile(const std::string& path, TErrorCode& error) override {
        TFolderPlace folder;
        std::string name;
        error = Locate(path, folder, name);
        if (error == 0 && name.empty())
            error = EISDIR;
        if (error == 0 && ::unlinkat(folder.Get(), name.c_str(), 0) != 0)
            error = errno;
        return error == 0;
    }

    int CompareText(const std::string& a, const std::string& b) override {
        int result = ::strcasecmp(a.c_str(), b.c_str());
        return (result > 0) - (result < 0);
    }

    TLocalTime LocalNow() override {
        struct timespec now;
        ::clock_gettime(CLOCK_REALTIME, &now);
        struct tm local;
        ::localtime_r(&now.tv_sec, &local);
        return {local.tm_year + 1900,
                local.tm_mon + 1,
                local.tm_mday,
                local.tm_hour,
                local.tm_min,
                local.tm_sec,
                static_cast<int>(now.tv_nsec / 1000000),
                local.tm_wday};
    }

    char TimeSeparator() override {
        return ':';
    }

    std::string ErrorText(TErrorCode error) override {
        const char* own = ProgramErrorText(error);
        return TrimSystemMessage(own ? own : std::strerror(static_cast<int>(error)));
    }

private:
    // Opens path for reading as OpenRead does, before the check that it is a regular file;
    // error is set when it does not open.
    TFd Open(const std::string& path, TErrorCode& error) {
        TFd fd;
        std::string relative;
        error = 0;
        if (!InTree(path, relative)) {
            fd.Attach(::open(path.c_str(), kReadFlags));
            if (!fd)
                error = errno;
            return fd;
        }
        // The name is opened without following a link; a link found there is walked.
        TFolderPlace folder;
        std::string name;
        error = Tree->Walk(relative, TLastPart::Entry, folder, name);
        for (int link = 0; error == 0 && !name.empty() && !fd && link < 2; ++link) {
            fd.Attach(::openat(folder.Get(), name.c_str(), kReadFlags | O_NOFOLLOW));
            if (!fd && errno == ELOOP && link == 0)
                error =
                    Tree->WalkFrom(TFolderPlace(folder), {name}, TLastPart::Followed, folder, name);
            else if (!fd)
                error = errno;
        }
        if (error == 0 && name.empty())
            error = EISDIR;
        return fd;
    }

#ifdef TLVN_HAVE_URING
    static constexpr size_t kWholeBatch = 16;

    // Files of the tree are opened in their folders as Open opens them, and read and closed,
    // each step through the thread's ring for the whole batch; each file's status is taken
    // before and after its read as OpenRead and Stamp take it. Anything unusual (a link at
    // the name, an error, a file that is not regular, longer than its buffer or written
    // meanwhile) leaves the file to the usual read. False when the ring is refused.
    bool ReadWholeBatch(TWholeRead* reads, size_t count) {
        TFolderPlace folders[kWholeBatch];
        std::string names[kWholeBatch];
        TRingStep opening[kWholeBatch];
        size_t readOf[kWholeBatch];
        size_t opened = 0;
        for (size_t i = 0; i < count; ++i) {
            reads[i].Done = false;
            std::string relative;
            if (!InTree(*reads[i].Path, relative) ||
                Tree->Walk(relative, TLastPart::Entry, folders[opened], names[opened]) != 0 ||
                names[opened].empty())
                continue;
            opening[opened].Fd = folders[opened].Get();
            opening[opened].Name = names[opened].c_str();
            readOf[opened++] = i;
        }
        const bool ran = RunOnRing(TRingOp::OpenAt, kReadFlags | O_NOFOLLOW, opening, opened);
        TRingStep reading[kWholeBatch], closing[kWholeBatch];
        TFileStamp stamps[kWholeBatch];
        size_t wholeOf[kWholeBatch];
        size_t read = 0, open = 0;
        for (size_t i = 0; i < opened; ++i) {
            const int fd = opening[i].Result;
            if (fd < 0)
                continue;
            closing[open++].Fd = fd;
            struct stat st;
            TWholeRead& whole = reads[readOf[i]];
            if (!ran || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
                static_cast<uint64_t>(st.st_size) > whole.Capacity)
                continue;
            stamps[read] = StampOf(st);
            reading[read].Fd = fd;
            reading[read].Buffer = whole.Buffer;
            reading[read].Length = whole.Capacity;
            wholeOf[read++] = readOf[i];
        }
        RunOnRing(TRingOp::Read, 0, reading, read);
        for (size_t i = 0; i < read; ++i) {
            struct stat st;
            if (reading[i].Result >= 0 &&
                static_cast<uint64_t>(reading[i].Result) == stamps[i].Size &&
                ::fstat(reading[i].Fd, &st) == 0 && StampOf(st) == stamps[i]) {
                reads[wholeOf[i]].Done = true;
                reads[wholeOf[i]].Length = static_cast<uint32_t>(reading[i].Result);
            }
        }
        if (!RunOnRing(TRingOp::Close, 0, closing, open))
            for (size_t i = 0; i < open; ++i)
                if (closing[i].Result == -ECANCELED)
                    ::close(closing[i].Fd);
        return ran;
    }
#endif

    // True when path lies in the tree entered; relative is then its part below the root.
    bool InTree(const std::string& path, std::string& relative) const {
        if (!Tree || path.compare(0, TreeRoot.size(), TreeRoot) != 0)
            return false;
        relative = path.substr(TreeRoot.size());
        return true;
    }

    // The folder that holds path's last part and that part, never following a link there:
    // by the tree's rule in the tree, else (or when bySystem) by the system's.
    TErrorCode Locate(const std::string& path, TFolderPlace& folder, std::string& name,
                      bool bySystem = false) {
        std::string relative;
        if (!bySystem && InTree(path, relative))
            return Tree->Walk(relative, TLastPart::Entry, folder, name);
        return System.Walk(path, TLastPart::Entry, folder, name);
    }

    // One read call of file, repeated while a signal interrupts it; the file's stamp at open
    // is stale from then on.
    template <class TCall>
    static bool Retried(TFileId file, const TCall& call, uint32_t& done, TErrorCode& error) {
        if (file == lastOpened.Fd)
            lastOpened.Fd = -1;
        for (;;) {
            const ssize_t n = call();
            if (n >= 0) {
                done = static_cast<uint32_t>(n);
                return true;
            }
            if (errno != EINTR) {
                error = errno;
                done = 0;
                return false;
            }
        }
    }

    // The status of the entry at relative in the tree, a link followed while it stays in it.
    TErrorCode TreeStat(const std::string& relative, struct stat& st) {
        TFolderPlace folder;
        std::string name;
        TErrorCode error = Tree->Walk(relative, TLastPart::Entry, folder, name);
        for (int link = 0; error == 0; ++link) {
            if ((name.empty()
                     ? ::fstat(folder.Get(), &st)
                     : ::fstatat(folder.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW)) != 0)
                return errno;
            if (!S_ISLNK(st.st_mode))
                return 0;
            if (link > 0)
                return ELOOP; // a link put where the walk found a file, meanwhile
            error = Tree->WalkFrom(TFolderPlace(folder), {name}, TLastPart::Followed, folder, name);
        }
        return error;
    }

    // The status of the entry at path, located as by Locate; false for a link.
    bool StatNoLink(const std::string& path, TFolderPlace& folder, std::string& name,
                    struct stat& st) {
        return Locate(path, folder, name) == 0 && !name.empty() &&
               ::fstatat(folder.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
               !S_ISLNK(st.st_mode);
    }

    std::string TreeRoot;
    std::unique_ptr<TPathResolver> Tree;
    // Announce's calls, and the files it found in memory since the last found on the disk.
    std::atomic<uint32_t> AnnounceCalls{0};
    std::atomic<uint32_t> FoundInMemory{0};
    TPathResolver System;
    TSaveSession Session;
};
} // namespace

TFileSystem& NativeFileSystem() {
    static TPosixFileSystem fs;
    return fs;
}

} // namespace files
