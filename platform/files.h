// The engine's only way to the file system. One implementation per platform
// (files_win32.cpp, files_posix.cpp); tests may install their own through
// TCheckSumEngine::SetFileSystem to stage failures that a real disk cannot.
#pragma once

#include <cerrno>
#include <cstddef>
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

// The program's own codes, in the range Windows leaves to applications (bit 29), so they
// never clash with a system's code; ErrorText gives their texts.
constexpr TErrorCode kErrorNotAFile = 0x20000001;     // opened as a device, FIFO or the like
constexpr TErrorCode kErrorLeadsOutside = 0x20000002; // a link whose target lies outside the tree
inline const char* ProgramErrorText(TErrorCode error) {
    switch (error) {
    case kErrorNotAFile:
        return "Not a regular file";
    case kErrorLeadsOutside:
        return "The link leads outside the folder tree";
    default:
        return nullptr;
    }
}

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
    // A link whose target lies outside the tree (see TFileSystem::EnterTree): nothing of the
    // target is looked at, so Attributes, Size and Age are 0.
    bool LeadsOutside = false;
    bool IsDirectory() const { return (Attributes & kAttrDirectory) != 0; }
};

// What tells a file's content changed: its size and last-write time (nanoseconds since
// 1970 on POSIX, FILETIME units on Windows; 0 where the services cannot tell).
struct TFileStamp {
    uint64_t Size = 0;
    int64_t WriteTime = 0;
    bool operator==(const TFileStamp& other) const {
        return Size == other.Size && WriteTime == other.WriteTime;
    }
    bool operator!=(const TFileStamp& other) const { return !(*this == other); }
};

// Local date and time.
struct TLocalTime {
    int Year, Month, Day, Hour, Minute, Second, Milliseconds;
    int DayOfWeek; // 0 = Sunday
};

// How a whole-file write ended.
enum class TSaveStatus {
    Ok,
    CannotCreate, // the temporary file could not be created, or nothing may be written there
    WriteFailed,  // writing stopped short; nothing was replaced
    CannotReplace // the new content could not take the old file's place
};

// A small file to be read whole at once (TFileSystem::ReadWhole).
struct TWholeRead {
    const std::string* Path = nullptr; // as OpenRead takes it
    uint8_t* Buffer = nullptr;         // room for Capacity bytes
    uint32_t Capacity = 0;
    // Set when the file opened as OpenRead opens it, was a regular file of at most Capacity
    // bytes and was not written while it was read; Length bytes were read then.
    bool Done = false;
    uint32_t Length = 0;
};

// What a save writes, handed over piece by piece, so that a long log need not be held
// whole.
class TSaveContent {
public:
    virtual ~TSaveContent() = default;
    // The next piece, valid until the next call; false at the end, or with error set when
    // the content could not be read (the save then fails and replaces nothing).
    virtual bool Next(const char*& data, size_t& size, TErrorCode& error) = 0;
};

// A content of one piece.
class TSaveText : public TSaveContent {
public:
    explicit TSaveText(const std::string& text) : Text(text) {}
    bool Next(const char*& data, size_t& size, TErrorCode&) override {
        if (Given)
            return false;
        Given = true;
        data = Text.data();
        size = Text.size();
        return true;
    }

private:
    const std::string& Text;
    bool Given = false;
};

// Gathers the pieces into whole, for a save that must write everything at once; false with
// error set when the content could not be read.
inline bool GatherContent(TSaveContent& content, std::string& whole, TErrorCode& error) {
    const char* data = nullptr;
    size_t size = 0;
    error = 0;
    while (content.Next(data, size, error))
        whole.append(data, size);
    return error == 0;
}

// What is saved: a checksum list the run placed, or a file the user named (the log).
enum class TSaveTarget { List, Named };

// What a save reports besides its status.
struct TSaveReport {
    TErrorCode Error = 0;        // why it failed
    bool OtherNamesKept = false; // the file had other hard links: they keep the old content
};

// What TFileSystem::UseMapped hands mapped bytes to.
using TMappedUse = void (*)(void* context, const uint8_t* data, size_t length);

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

    // Confines every call on a path that begins with root (a folder path ending with the
    // delimiter, as the run names its tree) to that tree until LeaveTree: such a path is
    // walked from the root's handle component by component, a link met on the way is
    // followed only while its target stays in the tree, and one that leads outside is
    // reported (kErrorLeadsOutside, TFoundFile::LeadsOutside), never opened. The handles of
    // the folders in use are held until LeaveTree. Paths outside the tree behave as without
    // a tree. Called while no other thread uses the services; the run's start also dates
    // the stale temporary files that saves remove (see SaveFile).
    virtual void EnterTree(const std::string& /*root*/) {}
    virtual void LeaveTree() {}

    // Opens a regular file for sequential reading; other readers are admitted, writers are
    // not. Anything else that opens (a device, a FIFO) is refused with kErrorNotAFile.
    virtual TFileId OpenRead(const std::string& path, TErrorCode& error) = 0;
    virtual uint64_t FileSize(TFileId file) = 0;
    // The size and last-write time of an open file now.
    virtual TFileStamp Stamp(TFileId file) { return {FileSize(file), 0}; }
    // Reads up to length bytes; false with error set when the read fails.
    virtual bool Read(TFileId file, void* buffer, uint32_t length, uint32_t& done,
                      TErrorCode& error) = 0;
    // Reads up to length bytes from offset on, done 0 at the end, as Read does there. Where
    // ReadsAtAnyOffset, any offset, from several threads at once on one file (Read's position
    // is then unknown: a file is read with one of the two); the default reads on with Read,
    // so it serves a caller that asks one thread at a time for the offsets in order, from
    // where the reads so far ended.
    virtual bool ReadAt(TFileId file, uint64_t /*offset*/, void* buffer, uint32_t length,
                        uint32_t& done, TErrorCode& error) {
        return Read(file, buffer, length, done, error);
    }
    virtual bool ReadsAtAnyOffset() { return false; }
    // Another handle on an open file, with a position of its own, so that two threads read
    // one file each on its own handle with ReadOwnAt and share no lock; kNoFile where the
    // services have none (ReadAt then serves both). Closed with Close.
    virtual TFileId OpenAgain(TFileId /*file*/) { return kNoFile; }
    // ReadAt on a handle that no other thread reads meanwhile.
    virtual bool ReadOwnAt(TFileId file, uint64_t offset, void* buffer, uint32_t length,
                           uint32_t& done, TErrorCode& error) {
        return ReadAt(file, offset, buffer, length, done, error);
    }
    // Maps the first length bytes (more than 0) of an open file read-only into memory, so they
    // are hashed where the system caches them, with no copy; nullptr where the services map no
    // files or the system refuses (the file is read then). The stamp at open is stale from
    // then on, as after a read.
    virtual const uint8_t* Map(TFileId /*file*/, uint64_t /*length*/) { return nullptr; }
    // Hands length bytes of a mapping to use(context, data, length). A page that cannot be
    // read (the file was cut shorter meanwhile, the disk failed) ends use at once, without
    // return, as a failed read: false with error (kErrorEndOfFile for a shorter file). So use
    // and what it calls hold nothing that needs cleaning up: no objects with destructors, no
    // locks, no memory of their own.
    virtual bool UseMapped(const uint8_t* data, size_t length, TMappedUse use, void* context,
                           TErrorCode& /*error*/) {
        use(context, data, length);
        return true;
    }
    // The mapped length bytes from data on are used next: their pages are made present at
    // once, which costs less than a fault per page. Only a hint, nothing is reported.
    virtual void FetchMapped(const uint8_t* /*data*/, size_t /*length*/) {}
    // The mapped pages of length bytes from data on are not used again: they leave the
    // program's memory (they may stay in the system's cache).
    virtual void ReleaseMapped(const uint8_t* /*data*/, size_t /*length*/) {}
    // Ends a mapping Map gave, of the same length.
    virtual void Unmap(const uint8_t* /*mapping*/, uint64_t /*length*/) {}
    virtual void Close(TFileId file) = 0;
    // Reads each of the files whole as OpenRead, Read, Stamp and Close would, with fewer
    // calls into the system for them all. A file not Done is read the usual way, which tells
    // why it could not be read so. False when these services cannot read files whole at all
    // (count 0 asks only that).
    virtual bool ReadWhole(TWholeRead* /*reads*/, size_t /*count*/) { return false; }
    // Tells the system that the first length bytes of the file at path will be read soon, so
    // the disk fetches them meanwhile. Only a hint: nothing is reported, nothing stays open,
    // and a file that is gone or changed when it is read is read as if never announced.
    virtual void Announce(const std::string& /*path*/, uint64_t /*length*/) {}

    // Writes content to a temporary file in the same folder and only then replaces the
    // file at path with it, which keeps the old file's attributes, security and owner; on
    // failure the old file is untouched and the temporary file is gone. A file of several
    // hard links is replaced too (report.OtherNamesKept). Only where no file can be created
    // in the folder is an existing file written in place: the whole content in one write,
    // then cut to length and flushed. The first save in a folder after EnterTree removes the
    // temporary files that killed runs left there (this program's name pattern, regular,
    // owned by the running user, older than the run's start, held by no running save).
    // A List is never written through a link: a link at its name is replaced, unless the
    // link lies in the tree, leads to a file in the tree, and both belong to the running
    // user; a device, FIFO or folder at its name is refused. A Named file follows links as
    // the system's protected-links rule does (not a link of another user in a sticky folder
    // that all may write) and may be a device or FIFO, written in place.
    virtual TSaveStatus SaveFile(const std::string& path, const std::string& content,
                                 TSaveTarget target, TSaveReport& report) = 0;
    // SaveFile with content that comes in pieces. Services that cannot write pieces take
    // the whole content first.
    virtual TSaveStatus SaveFileFrom(const std::string& path, TSaveContent& content,
                                     TSaveTarget target, TSaveReport& report) {
        std::string whole;
        if (!GatherContent(content, whole, report.Error))
            return TSaveStatus::WriteFailed;
        return SaveFile(path, whole, target, report);
    }

    // A line read from a checksum file, made text of the program's code page. Where that
    // is UTF-8 on Windows, a line that is not valid UTF-8 was written in the system's
    // legacy ANSI code page (by an earlier version or another tool) and is converted;
    // elsewhere, and on POSIX where names are bytes, the line stays as it is.
    virtual void DecodeListLine(std::string& /*line*/) {}

    // True when folder lies on a disk that seeks (a spinning disk), where one reader at a time
    // is fastest; false on a solid-state disk and where the system cannot tell.
    virtual bool OnRotationalDisk(const std::string& /*folder*/) { return false; }

    // The absolute path of an existing file or folder with every link resolved, without
    // a trailing delimiter; "" when it cannot be resolved.
    virtual std::string RealPath(const std::string& path) = 0;

    // A link is neither looked through nor changed: false for a link.
    virtual bool GetAttributes(const std::string& path, uint32_t& attributes) = 0;
    virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;
    // Removes the entry at path; a link is removed, not its target.
    virtual bool RemoveFile(const std::string& path, TErrorCode& error) = 0;

    // User-locale comparison ignoring letter case: below, equal to or above 0.
    virtual int CompareText(const std::string& a, const std::string& b) = 0;
    virtual TLocalTime LocalNow() = 0;
    // The locale's time separator (":" almost everywhere).
    virtual char TimeSeparator() = 0;
    // The system's message for an error code (the program's own text for its own codes),
    // without trailing blanks, control characters and ".".
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
