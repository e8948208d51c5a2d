// The engine's file services on POSIX systems. Error codes are errno values; there are
// no share modes, so "admits readers only" cannot be enforced here.
#include "platform/files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/handle.h"

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

// The file the last OpenRead of this thread opened and its size then, so that FileSize
// right after the open needs no second fstat.
struct TOpenedSize {
    int Fd = -1;
    uint64_t Size = 0;
};
thread_local TOpenedSize lastOpened;

// Opens a regular file for reading. Never blocks on a FIFO or device: those are
// refused, like folders. O_NONBLOCK stays set: it has no effect on regular files.
int OpenRegular(const std::string& path, TErrorCode& error, uint64_t& size) {
    TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        error = errno;
        return -1;
    }
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0) {
        error = errno;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    // A file read in one block gains nothing from read-ahead advice.
    if (st.st_size > kOneBlock)
        ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    size = static_cast<uint64_t>(st.st_size);
    return fd.Detach();
}

bool WriteAll(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = ENOSPC;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
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

// Writes over the file itself: a FIFO or device, a file of several hard links, or one in
// a folder where nothing new can be created. A FIFO without a reader fails at once.
TSaveStatus WriteInPlace(const std::string& path, const std::string& content, TErrorCode& error) {
    TFd fd(::open(path.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
        error = errno;
        return TSaveStatus::CannotCreate;
    }
    ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    struct stat st;
    const bool regular = ::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode);
    if (!WriteAll(fd.Get(), content) || (regular && ::fsync(fd.Get()) != 0) ||
        ::close(fd.Detach()) != 0) {
        error = errno;
        return TSaveStatus::WriteFailed;
    }
    return TSaveStatus::Ok;
}

// The file a symbolic link points to, or the path itself when it is no link or the
// link leads nowhere.
std::string ResolvedLink(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;
    std::string result = resolved;
    std::free(resolved);
    return result;
}

// Calls onEntry with the folder's descriptor and each of its entries, in directory order,
// until it returns false. Returns 0 at the end or when stopped, else the error that ended
// the listing.
TErrorCode ForEachEntry(const std::string& folder,
                        const std::function<bool(int dirFd, const dirent& entry)>& onEntry) {
    TDirHandle dir(::opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir)
        return errno;
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

class TPosixFileSystem : public TFileSystem {
public:
    TErrorCode FindFiles(const std::string& pattern,
                         const std::function<bool(const TFoundFile&)>& onEntry) override {
        size_t slash = pattern.find_last_of('/');
        std::string folder = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
        std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
        // An entry whose status cannot be read (a folder that can be read but not
        // entered) is never left out in silence: the listing goes on and ends with the
        // error.
        TErrorCode statError = 0;
        const TErrorCode error = ForEachEntry(folder, [&](int dirFd, const dirent& entry) {
            std::string name = entry.d_name;
            if (!MatchesPattern(name, mask))
                return true;
            // One stat per entry; a link costs a second one. Broken links and entries
            // that vanished are not there. Links to folders are not followed (a link
            // cycle would never end); links to files are.
            struct stat st;
            if (::fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno != ENOENT && statError == 0)
                    statError = errno;
                return true;
            }
            if (S_ISLNK(st.st_mode) &&
                (::fstatat(dirFd, entry.d_name, &st, 0) != 0 || S_ISDIR(st.st_mode)))
                return true;
            if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
                return true; // FIFOs, sockets and devices hold no file content
            TFoundFile info;
            FillInfo(name, st, info);
            return onEntry(info);
        });
        return error != 0 ? error : statError;
    }

    // Folders come from the entry type where the file system reports it: no lookup per
    // entry. Links are never folders here, as in FindFiles.
    TErrorCode FindFolders(const std::string& folder,
                           const std::function<bool(const std::string&)>& onFolder) override {
        return ForEachEntry(folder, [&](int dirFd, const dirent& entry) {
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
        if (::stat(path.c_str(), &st) != 0)
            return false;
        FillInfo(BareName(path), st, info);
        return true;
    }

    TFileId OpenRead(const std::string& path, TErrorCode& error) override {
        uint64_t size = 0;
        int fd = OpenRegular(path, error, size);
        if (fd < 0)
            return kNoFile;
        lastOpened = {fd, size};
        return fd;
    }

    uint64_t FileSize(TFileId file) override {
        if (file == lastOpened.Fd)
            return lastOpened.Size;
        struct stat st;
        if (::fstat(static_cast<int>(file), &st) != 0)
            return 0;
        return static_cast<uint64_t>(st.st_size);
    }

    bool Read(TFileId file, void* buffer, uint32_t length, uint32_t& done,
              TErrorCode& error) override {
        for (;;) {
            ssize_t n = ::read(static_cast<int>(file), buffer, length);
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

    void Close(TFileId file) override {
        if (file == lastOpened.Fd)
            lastOpened.Fd = -1;
        ::close(static_cast<int>(file));
    }

    TSaveStatus SaveFile(const std::string& linkOrPath, const std::string& content,
                         TErrorCode& error) override {
        // A second Ctrl-C during the save waits for its end: no temporary file is left.
        TInterruptsHeld held;
        // A list reached through a symbolic link is replaced where it lives; the link
        // stays a link.
        const std::string path = ResolvedLink(linkOrPath);
        struct stat old;
        const bool exists = ::stat(path.c_str(), &old) == 0;
        if (exists && (!S_ISREG(old.st_mode) || old.st_nlink > 1))
            return WriteInPlace(path, content, error);
        const size_t slash = path.find_last_of('/');
        std::string temp = (slash == std::string::npos ? "" : path.substr(0, slash + 1)) +
                           kTemporaryPrefix + "XXXXXX" + kTemporarySuffix;
        TFd fd(::mkstemps(&temp[0], 4));
        if (!fd) {
            if (exists && (errno == EACCES || errno == EPERM))
                return WriteInPlace(path, content, error);
            error = errno;
            return TSaveStatus::CannotCreate;
        }
        ::fchmod(fd.Get(), exists ? old.st_mode & 07777 : NewFileMode());
        if (exists && ::fchown(fd.Get(), old.st_uid, old.st_gid) != 0)
            ::fchown(fd.Get(), static_cast<uid_t>(-1), old.st_gid); // the group, where allowed
        // The data must be on disk before the name points to it, or a crash could
        // leave an empty list where the old one was.
        bool written = WriteAll(fd.Get(), content) && ::fsync(fd.Get()) == 0;
        if (written) {
            written = ::close(fd.Detach()) == 0;
        }
        if (!written) {
            error = errno;
            ::unlink(temp.c_str());
            return TSaveStatus::WriteFailed;
        }
        if (::rename(temp.c_str(), path.c_str()) != 0) {
            error = errno;
            ::unlink(temp.c_str());
            return TSaveStatus::CannotReplace;
        }
        return TSaveStatus::Ok;
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
        TFoundFile info;
        if (!GetFileInfo(path, info))
            return false;
        attributes = info.Attributes;
        return true;
    }

    // Only read-only can be set: it removes every write permission, and clearing it
    // gives the owner write permission back.
    bool SetAttributes(const std::string& path, uint32_t attributes) override {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0)
            return false;
        mode_t mode = st.st_mode & 07777;
        if (attributes & kAttrReadOnly)
            mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
        else if ((mode & S_IWUSR) == 0)
            mode |= S_IWUSR;
        return mode == (st.st_mode & 07777) || ::chmod(path.c_str(), mode) == 0;
    }

    bool RemoveFile(const std::string& path, TErrorCode& error) override {
        if (::unlink(path.c_str()) == 0)
            return true;
        error = errno;
        return false;
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

    char TimeSeparator() override { return ':'; }

    std::string ErrorText(TErrorCode error) override {
        return TrimSystemMessage(std::strerror(static_cast<int>(error)));
    }
};

} // namespace

TFileSystem& NativeFileSystem() {
    static TPosixFileSystem fs;
    return fs;
}

} // namespace files
