// The engine's only way to the file system. One implementation per platform
// (files_win32.cpp, files_posix.cpp); tests may install their own through
// TCheckSumEngine::SetFileSystem to stage failures that a real disk cannot.
#pragma once

#include <cerrno>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/blanks.h"

namespace files {

#ifdef _WIN32
constexpr char kPathDelimiter = '\\';
#else
constexpr char kPathDelimiter = '/';
#endif

// GetLastError values on Windows, errno values on POSIX.
using TErrorCode = uint32_t;

// Reported when a file ends before the size taken at open was read (it shrank meanwhile):
// ERROR_HANDLE_EOF on Windows, ENODATA on POSIX.
#ifdef _WIN32
constexpr TErrorCode kErrorEndOfFile = 38;
#else
constexpr TErrorCode kErrorEndOfFile = ENODATA;
#endif

// File attribute bits, Win32 values. On POSIX read-only means "no write permission",
// hidden means a name beginning with "." (reported only, never set), system is never set.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;

// Opaque handle of a file open for reading; kNoFile when none.
using TFileId = intptr_t;
constexpr TFileId kNoFile = -1;

// One directory entry as the search reports it.
struct TFoundFile {
    std::string Name; // bare name
    uint32_t Attributes = 0;
    uint64_t Size = 0;
    // Last-write time in local time, two-second resolution, packed as a DOS date
    // (high word) and time (low word), so ages compare as plain integers.
    uint32_t Age = 0;
    bool IsDirectory() const { return (Attributes & kAttrDirectory) != 0; }
};

// Local date and time.
struct TLocalTime {
    int Year, Month, Day, Hour, Minute, Second, Milliseconds;
    int DayOfWeek; // 0 = Sunday
};

// How a whole-file write ended.
enum class TSaveStatus {
    Ok,
    CannotCreate, // the temporary file could not be created
    WriteFailed,  // writing stopped short; nothing was replaced
    CannotReplace // the new content could not take the old file's place
};

class TFileSystem {
public:
    virtual ~TFileSystem() = default;

    // Calls onEntry for every entry matching pattern (a folder path followed by a name
    // that may hold "*" and "?"; "*.*" matches every name), in directory order, until
    // onEntry returns false. Returns 0 when the search ended normally (no more files,
    // nothing found, or stopped by onEntry), else the error code that ended it.
    virtual TErrorCode FindFiles(const std::string& pattern,
                                 const std::function<bool(const TFoundFile&)>& onEntry) = 0;

    // Calls onFolder with the bare name of every sub-folder of folder (a path ending in
    // the delimiter), "." and ".." left out, in directory order, until onFolder returns
    // false. The same folders and result as FindFiles(folder + "*.*"); a platform may
    // answer it without looking up every entry.
    virtual TErrorCode FindFolders(const std::string& folder,
                                   const std::function<bool(const std::string&)>& onFolder) {
        return FindFiles(folder + "*.*", [&](const TFoundFile& entry) {
            if (!entry.IsDirectory() || entry.Name == "." || entry.Name == "..")
                return true;
            return onFolder(entry.Name);
        });
    }

    // The entry at path itself (no wildcards); false when nothing is there.
    virtual bool GetFileInfo(const std::string& path, TFoundFile& info) = 0;

    // Opens a file for sequential reading; other readers are admitted, writers are not.
    virtual TFileId OpenRead(const std::string& path, TErrorCode& error) = 0;
    virtual uint64_t FileSize(TFileId file) = 0;
    // Reads up to length bytes; false with error set when the read fails.
    virtual bool Read(TFileId file, void* buffer, uint32_t length, uint32_t& done,
                      TErrorCode& error) = 0;
    virtual void Close(TFileId file) = 0;

    // Writes content to a temporary file in the same folder and only then replaces
    // the file at path with it, which keeps the old file's attributes, security and
    // owner; on failure the old file is untouched and the temporary file is gone. A
    // target that is no plain file, has more than one hard link, or lies in a folder
    // where no file can be created is written in place.
    virtual TSaveStatus SaveFile(const std::string& path, const std::string& content,
                                 TErrorCode& error) = 0;

    // A line read from a checksum file, made text of the program's code page. Where that
    // is UTF-8 on Windows, a line that is not valid UTF-8 was written in the system's
    // legacy ANSI code page (by an earlier version or another tool) and is converted;
    // elsewhere, and on POSIX where names are bytes, the line stays as it is.
    virtual void DecodeListLine(std::string& /*line*/) {}

    // The absolute path of an existing file or folder with every link resolved, without
    // a trailing delimiter; "" when it cannot be resolved.
    virtual std::string RealPath(const std::string& path) = 0;

    virtual bool GetAttributes(const std::string& path, uint32_t& attributes) = 0;
    virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;
    virtual bool RemoveFile(const std::string& path, TErrorCode& error) = 0;

    // User-locale comparison ignoring letter case: below, equal to or above 0.
    virtual int CompareText(const std::string& a, const std::string& b) = 0;
    virtual TLocalTime LocalNow() = 0;
    // The locale's time separator (":" almost everywhere).
    virtual char TimeSeparator() = 0;
    // The system's message for an error code, without trailing blanks, control
    // characters and ".".
    virtual std::string ErrorText(TErrorCode error) = 0;
};

// Saving writes a temporary file first, named "~tlvn", six characters and ".tmp" in the
// target's folder; no listing ever takes such a name for a file of the tree.
constexpr char kTemporaryPrefix[] = "~tlvn";
constexpr char kTemporarySuffix[] = ".tmp";
constexpr size_t kTemporaryNameLength = 15;
inline bool IsTemporaryName(const std::string& name) {
    return name.size() == kTemporaryNameLength && name.compare(0, 5, kTemporaryPrefix) == 0 &&
           name.compare(11, 4, kTemporarySuffix) == 0;
}

// A system message without its trailing blanks, control characters and ".".
inline std::string TrimSystemMessage(std::string text) {
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '.'))
        text.pop_back();
    return text;
}

// The platform's real file services.
TFileSystem& NativeFileSystem();

} // namespace files
