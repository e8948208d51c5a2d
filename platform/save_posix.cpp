#include "platform/save_posix.h"

#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/handle.h"

namespace files {
namespace {

// Writes the content piece by piece as it comes; false with error set when a write failed
// or the content could not be read.
bool WriteAll(int fd, TSaveContent& content, TErrorCode& error) {
    const char* data = nullptr;
    size_t size = 0;
    error = 0;
    while (content.Next(data, size, error)) {
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd, data + done, size - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = n == 0 ? ENOSPC : errno;
                return false;
            }
            done += static_cast<size_t>(n);
        }
    }
    return error == 0;
}

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool Before(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// Removes what killed runs left: a regular file of the temporary name pattern, the running
// user's, last written before this run started, and locked by no save (a save holds its
// temporary file locked from creation to rename, so a running one is never touched).
void RemoveStaleTemporaries(int folder, const struct timespec& start) {
    TDirHandle dir(::fdopendir(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir.Get())) {
        if (!IsTemporaryName(entry->d_name))
            continue;
        TFd fd(::openat(folder, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st;
        if (fd && ::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            Before(st.st_mtim, start) && ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(folder, entry->d_name, 0);
    }
}

// A new temporary name's six characters.
std::string UniquePart() {
    static std::atomic<uint64_t> counter{0};
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    uint64_t seed =
        (static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(::getpid()) << 32) ^
         static_cast<uint64_t>(now.tv_sec)) +
        counter.fetch_add(1) * 0x9E3779B97F4A7C15ull;
    static const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::string part(6, '0');
    for (char& c : part) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        c = kDigits[(seed >> 33) % 62];
    }
    return part;
}

// A device or FIFO the user named. A FIFO without a reader fails at once.
TSaveStatus WriteToDevice(int folder, const std::string& name, TSaveContent& content,
                          TSaveReport& report) {
    TFd fd(::openat(folder, name.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) {
        report.Error = errno;
        return TSaveStatus::CannotCreate;
    }
    ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    if (!WriteAll(fd.Get(), content, report.Error))
        return TSaveStatus::WriteFailed;
    if (::close(fd.Detach()) != 0) {
        report.Error = errno;
        return TSaveStatus::WriteFailed;
    }
    return TSaveStatus::Ok;
}

// Where no new file can be created: the whole content, gathered first, over the old one at
// once, then cut to its length and flushed. A kill meanwhile leaves the old content, or the
// new one up to where the write was cut followed by the rest of the old: never an empty list.
TSaveStatus WriteInPlace(int folder, const std::string& name, TSaveContent& pieces,
                         TSaveReport& report) {
    TFd fd(::openat(folder, name.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (!fd || ::fstat(fd.Get(), &st) != 0) {
        report.Error = errno;
        return TSaveStatus::CannotCreate;
    }
    if (!S_ISREG(st.st_mode)) {
        report.Error = kErrorNotAFile;
        return TSaveStatus::CannotCreate;
    }
    std::string content;
    if (!GatherContent(pieces, content, report.Error))
        return TSaveStatus::WriteFailed;
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::pwrite(fd.Get(), content.data() + done, content.size() - done,
                                   static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            report.Error = n == 0 ? ENOSPC : errno;
            return TSaveStatus::WriteFailed;
        }
        done += static_cast<size_t>(n);
    }
    if (::ftruncate(fd.Get(), static_cast<off_t>(content.size())) != 0 || ::fsync(fd.Get()) != 0 ||
        ::close(fd.Detach()) != 0) {
        report.Error = errno;
        return TSaveStatus::WriteFailed;
    }
    return TSaveStatus::Ok;
}

// A new file at name, through a temporary file renamed over whatever is there (the old
// regular file, or a link, which is replaced and not followed). old is the regular file
// there, whose mode and owner the new one takes; nullptr when there is none.
TSaveStatus Replace(const TFolderPlace& folder, const std::string& name, const struct stat* old,
                    const TSaveRequest& request, TSaveReport& report) {
    request.Session.CleanOnce(folder.Get());
    TFd fd;
    std::string temp;
    for (int attempt = 0; attempt < 100 && !fd; ++attempt) {
        temp = kTemporaryPrefix + UniquePart() + kTemporarySuffix;
        fd.Attach(::openat(folder.Get(), temp.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd && errno != EEXIST)
            break;
    }
    if (!fd) {
        if (old && (errno == EACCES || errno == EPERM))
            return WriteInPlace(folder.Get(), name, request.Content, report);
        report.Error = errno;
        return TSaveStatus::CannotCreate;
    }
    // Held until the rename: a later run never takes it for a stale one.
    ::flock(fd.Get(), LOCK_EX);
    ::fchmod(fd.Get(), old ? old->st_mode & 07777 : NewFileMode());
    if (old && ::fchown(fd.Get(), old->st_uid, old->st_gid) != 0)
        ::fchown(fd.Get(), static_cast<uid_t>(-1), old->st_gid); // the group, where allowed
    // The data must be on disk before the name points to it, or a crash could leave an
    // empty list where the old one was.
    bool written = WriteAll(fd.Get(), request.Content, report.Error);
    if (written && ::fsync(fd.Get()) != 0) {
        report.Error = errno;
        written = false;
    }
    if (!written) {
        ::unlinkat(folder.Get(), temp.c_str(), 0);
        return TSaveStatus::WriteFailed;
    }
    if (::renameat(folder.Get(), temp.c_str(), folder.Get(), name.c_str()) != 0) {
        report.Error = errno;
        ::unlinkat(folder.Get(), temp.c_str(), 0);
        return TSaveStatus::CannotReplace;
    }
    report.OtherNamesKept = old && old->st_nlink > 1;
    return TSaveStatus::Ok;
}

// followed: name is what a link at the saved name led to; a link met there again (one
// put there meanwhile) is replaced.
TSaveStatus Save(const TFolderPlace& folder, const std::string& name, const TSaveRequest& request,
                 TSaveReport& report, bool followed) {
    struct stat old;
    if (::fstatat(folder.Get(), name.c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) {
            report.Error = errno;
            return TSaveStatus::CannotCreate;
        }
        return Replace(folder, name, nullptr, request, report);
    }
    if (S_ISLNK(old.st_mode) && !followed) {
        TFolderPlace targetFolder;
        std::string target;
        if (request.Target == TSaveTarget::Named) {
            // As the system opens the name, refused where its protected-links rule refuses.
            report.Error =
                request.System.WalkFrom(folder, {name}, TLastPart::Followed, targetFolder, target);
            if (report.Error == 0 && target.empty())
                report.Error = EISDIR;
            if (report.Error != 0)
                return TSaveStatus::CannotCreate;
            return Save(targetFolder, target, request, report, true);
        }
        struct stat st;
        if (request.Tree && old.st_uid == ::geteuid() &&
            request.Tree->WalkFrom(folder, {name}, TLastPart::Followed, targetFolder, target) ==
                0 &&
            !target.empty() &&
            ::fstatat(targetFolder.Get(), target.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
            return Save(targetFolder, target, request, report, true);
    }
    if (S_ISLNK(old.st_mode))
        return Replace(folder, name, nullptr, request, report);
    if (S_ISDIR(old.st_mode)) {
        report.Error = EISDIR;
        return TSaveStatus::CannotCreate;
    }
    if (!S_ISREG(old.st_mode)) {
        if (request.Target == TSaveTarget::Named)
            return WriteToDevice(folder.Get(), name, request.Content, report);
        report.Error = kErrorNotAFile;
        return TSaveStatus::CannotCreate;
    }
    return Replace(folder, name, &old, request, report);
}

} // namespace

void TSaveSession::Start() {
    std::lock_guard<std::mutex> lock(Mutex);
    Started = true;
    ::clock_gettime(CLOCK_REALTIME, &StartTime);
    Cleaned.clear();
}

void TSaveSession::CleanOnce(int folder) {
    struct stat st;
    std::lock_guard<std::mutex> lock(Mutex);
    if (!Started || ::fstat(folder, &st) != 0 || !Cleaned.emplace(st.st_dev, st.st_ino).second)
        return;
    RemoveStaleTemporaries(folder, StartTime);
}

TSaveStatus SaveInFolder(const TSaveRequest& request, TSaveReport& report) {
    return Save(request.Folder, request.Name, request, report, false);
}

} // namespace files
