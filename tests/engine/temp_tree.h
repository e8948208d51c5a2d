// TTempTree: a fresh folder under the system's temporary folder, filled by the test with
// folders and files of given content, size and modification time, and removed with
// everything in it (read-only files too) when the object goes. Works natively and under
// Wine. Relative names use "/"; Path() turns them into the platform's delimiter.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "platform/files.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <grp.h>

// Starts work in a child process that runs as the user "nobody" when the tests run as root
// (as the tests' own user otherwise) and ends with work's result. Returns the child's id.
inline pid_t StartAsUnprivilegedUser(const std::function<bool()>& work) {
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
        ::_exit(2);
    ::_exit(work() ? 0 : 1);
}

// The result of a child started so, or nothing when it could not run as that user.
inline std::optional<bool> ResultOfChild(pid_t child) {
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) > 1)
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

// Permissions do not bind root: when the tests run as root, check runs in a child process
// as the user "nobody". Returns check's result, or nothing when no such child could run.
inline std::optional<bool> AsUnprivilegedUser(const std::function<bool()>& check) {
    if (::geteuid() != 0)
        return check();
    return ResultOfChild(StartAsUnprivilegedUser(check));
}
#endif

class TTempTree {
public:
    TTempTree() {
        namespace fs = std::filesystem;
        std::random_device random;
        for (int attempt = 0;; ++attempt) {
            fs::path candidate =
                fs::temp_directory_path() /
                ("tlvn-test-" + std::to_string(random()) + "-" + std::to_string(attempt));
            if (fs::create_directory(candidate)) {
                Folder = candidate;
                break;
            }
        }
        RootPath = Folder.string() + files::kPathDelimiter;
    }

    ~TTempTree() {
        namespace fs = std::filesystem;
        std::error_code ignored;
        for (auto it = fs::recursive_directory_iterator(Folder, ignored);
             it != fs::recursive_directory_iterator(); it.increment(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(Folder, ignored);
    }

    TTempTree(const TTempTree&) = delete;
    TTempTree& operator=(const TTempTree&) = delete;

    // The folder, ending with the path delimiter.
    const std::string& Root() const { return RootPath; }

    std::string Path(const std::string& relative) const {
        std::string path = RootPath + relative;
        for (char& c : path)
            if (c == '/')
                c = files::kPathDelimiter;
        return path;
    }

    void AddFolder(const std::string& relative) {
        std::filesystem::create_directories(Path(relative));
    }

    // Writes the bytes as they are (no line-end translation); makes missing folders.
    void AddFile(const std::string& relative, const std::string& content) {
        std::filesystem::path path(Path(relative));
        if (path.has_parent_path())
            std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }

    // A file of size bytes: byte i is (i * 7 + 3) mod 251, so blocks differ.
    void AddSizedFile(const std::string& relative, uint64_t size) {
        std::string content(static_cast<size_t>(size), '\0');
        for (size_t i = 0; i < content.size(); ++i)
            content[i] = static_cast<char>((i * 7 + 3) % 251);
        AddFile(relative, content);
    }

    // A file of size zero bytes that takes no disk space where the file system allows.
    void AddSparseFile(const std::string& relative, uint64_t size) {
        AddFile(relative, "");
        std::filesystem::resize_file(Path(relative), size);
    }

    bool Exists(const std::string& relative) const {
        std::error_code ignored;
        return std::filesystem::exists(Path(relative), ignored);
    }

    std::string Content(const std::string& relative) const {
        std::ifstream in(Path(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Names in a folder ("" for the root), sorted.
    std::vector<std::string> List(const std::string& relative = "") const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Path(relative)))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Sets the last-write time to the given local time.
    void SetTime(const std::string& relative, int year, int month, int day, int hour, int minute,
                 int second) {
        std::string path = Path(relative);
#ifdef _WIN32
        SYSTEMTIME local = {};
        local.wYear = static_cast<WORD>(year);
        local.wMonth = static_cast<WORD>(month);
        local.wDay = static_cast<WORD>(day);
        local.wHour = static_cast<WORD>(hour);
        local.wMinute = static_cast<WORD>(minute);
        local.wSecond = static_cast<WORD>(second);
        FILETIME localTime, utc;
        SystemTimeToFileTime(&local, &localTime);
        LocalFileTimeToFileTime(&localTime, &utc);
        HANDLE file =
            CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            SetFileTime(file, nullptr, nullptr, &utc);
            CloseHandle(file);
        }
#else
        struct tm local = {};
        local.tm_year = year - 1900;
        local.tm_mon = month - 1;
        local.tm_mday = day;
        local.tm_hour = hour;
        local.tm_min = minute;
        local.tm_sec = second;
        local.tm_isdst = -1;
        struct timespec times[2];
        times[0].tv_sec = times[1].tv_sec = mktime(&local);
        times[0].tv_nsec = times[1].tv_nsec = 0;
        utimensat(AT_FDCWD, path.c_str(), times, 0);
#endif
    }

private:
    std::filesystem::path Folder;
    std::string RootPath;
};
