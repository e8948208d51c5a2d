// The engine's file services on Windows. Names arrive in the program's ANSI code page
// (UTF-8 where the manifest's code page is honoured) and go to the wide-character calls,
// which alone reach every name and paths past MAX_PATH. Error codes are GetLastError values.
#include "platform/files.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <windows.h>
#include <winioctl.h>

#include "platform/handle.h"
#include "platform/wide.h"

namespace files {
namespace {

// A path as the wide calls take it: always a full "\\?\" path, made absolute and cleaned up
// as the system cleans up a plain path ("/" to "\", "." and ".." parts, the trailing dots
// and blanks of each part) but without the system's reading of device names, so that
// "aux.txt", "COM1" and "NUL" name files like any other; the "\\?\" form also lifts the
// MAX_PATH limit. A search pattern (the last part, with wildcards) is kept as it is.
std::wstring FilePath(const std::string& path, bool pattern = false) {
    std::wstring wide = ToWide(path);
    if (wide.compare(0, 4, L"\\\\?\\") == 0 || wide.compare(0, 4, L"\\\\.\\") == 0)
        return wide;
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    auto currentFolder = [] {
        const DWORD needed = GetCurrentDirectoryW(0, nullptr);
        std::wstring folder(needed, L'\0');
        folder.resize(needed ? GetCurrentDirectoryW(needed, &folder[0]) : 0);
        return folder;
    };
    if (wide.size() >= 2 && wide[1] == L':' && (wide.size() == 2 || wide[2] != L'\\')) {
        // "X:name": in the current folder of that drive.
        wchar_t drive[MAX_PATH];
        const DWORD length = GetFullPathNameW(wide.substr(0, 2).c_str(), MAX_PATH, drive, nullptr);
        wide = (length > 0 && length < MAX_PATH ? std::wstring(drive, length) : wide.substr(0, 2)) +
               L"\\" + wide.substr(2);
    } else if (wide.compare(0, 1, L"\\") == 0 && wide.compare(0, 2, L"\\\\") != 0) {
        wide = currentFolder().substr(0, 2) + wide;
    } else if (wide.compare(0, 2, L"\\\\") != 0 && !(wide.size() >= 2 && wide[1] == L':')) {
        wide = currentFolder() + L"\\" + wide;
    }
    // The head that ".." never climbs above: "X:\" or "\\server\share\".
    std::wstring head;
    size_t start = 0;
    if (wide.compare(0, 2, L"\\\\") == 0) {
        const size_t server = wide.find(L'\\', 2);
        const size_t share = server == std::wstring::npos ? server : wide.find(L'\\', server + 1);
        start = share == std::wstring::npos ? wide.size() : share + 1;
        head = L"\\\\?\\UNC\\" + wide.substr(2, start - 2);
        if (head.back() != L'\\')
            head += L'\\';
    } else {
        start = std::min<size_t>(3, wide.size());
        head = L"\\\\?\\" + wide.substr(0, 2) + L"\\";
    }
    std::vector<std::wstring> parts;
    const bool folder = !wide.empty() && wide.back() == L'\\';
    while (start < wide.size()) {
        size_t end = wide.find(L'\\', start);
        if (end == std::wstring::npos)
            end = wide.size();
        std::wstring part = wide.substr(start, end - start);
        start = end + 1;
        const bool last = start >= wide.size();
        if (part == L"..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        if (!(last && pattern)) {
            const size_t kept = part.find_last_not_of(L". ");
            part.resize(kept == std::wstring::npos ? 0 : kept + 1);
        }
        if (!part.empty())
            parts.push_back(std::move(part));
    }
    std::wstring full = head;
    for (size_t i = 0; i < parts.size(); ++i)
        full += (i ? L"\\" : L"") + parts[i];
    if (folder && !parts.empty())
        full += L'\\';
    return full;
}

// A name the user gave, read as the system reads it: "NUL" and "CON" are the devices. Only
// a long path gets the "\\?\" form (made absolute by the system first).
constexpr size_t kLongPath = MAX_PATH - 12;
std::wstring NamedPath(const std::string& path) {
    std::wstring wide = ToWide(path);
    if (wide.size() < kLongPath || wide.compare(0, 4, L"\\\\?\\") == 0 ||
        wide.compare(0, 4, L"\\\\.\\") == 0)
        return wide;
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(needed, L'\0');
    const DWORD length = needed ? GetFullPathNameW(wide.c_str(), needed, &full[0], nullptr) : 0;
    if (length == 0 || length >= needed)
        return wide;
    full.resize(length);
    if (full.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

template <typename TFunction> TFunction Kernel32Entry(const char* name) {
    return reinterpret_cast<TFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

// The path of an open handle with every link and junction resolved, as "\\?\X:\..." or
// "\\?\UNC\..." (Vista and later); "" where the system cannot tell.
std::wstring FinalPath(HANDLE handle) {
    using TGetFinalPath = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
    static const auto getFinalPath = Kernel32Entry<TGetFinalPath>("GetFinalPathNameByHandleW");
    if (!getFinalPath)
        return L"";
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = getFinalPath(handle, &buffer[0], static_cast<DWORD>(buffer.size()), 0);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = getFinalPath(handle, &buffer[0], static_cast<DWORD>(buffer.size()), 0);
    }
    buffer.resize(length < buffer.size() ? length : 0);
    return buffer;
}

// True when a path lies in folder (a final path ending with "\"), letters of any case.
bool LiesIn(const std::wstring& path, const std::wstring& folder) {
    if (path.size() < folder.size())
        return false;
    using TCompareOrdinal = int(WINAPI*)(LPCWSTR, int, LPCWSTR, int, BOOL);
    static const auto compare = Kernel32Entry<TCompareOrdinal>("CompareStringOrdinal");
    const int length = static_cast<int>(folder.size());
    return compare ? compare(path.c_str(), length, folder.c_str(), length, TRUE) == CSTR_EQUAL
                   : CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(), length,
                                    folder.c_str(), length) == CSTR_EQUAL;
}

// The ANSI code page the system gives programs without the UTF-8 manifest: the one in
// the registry, or the system locale's when the whole system runs in UTF-8.
UINT LegacyCodePage() {
    UINT codePage = 0;
    TRegKey key;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", 0,
                      KEY_QUERY_VALUE, &opened) == ERROR_SUCCESS) {
        key.Attach(opened);
        char value[16] = {};
        DWORD size = sizeof value - 1;
        if (RegQueryValueExA(key.Get(), "ACP", nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                             &size) == ERROR_SUCCESS)
            codePage = std::strtoul(value, nullptr, 10);
    }
    if (codePage == 0 || codePage == CP_UTF8 || !IsValidCodePage(codePage)) {
        DWORD localeCodePage = 0;
        GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&localeCodePage),
                       sizeof localeCodePage / sizeof(WCHAR));
        codePage = localeCodePage;
    }
    return codePage == 0 || codePage == CP_UTF8 || !IsValidCodePage(codePage) ? 1252 : codePage;
}

bool IsUtf8(const std::string& text) {
    return text.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                               static_cast<int>(text.size()), nullptr, 0) > 0;
}

// Local last-write time as a DOS date (high word) and time (low word); 0 when the time
// lies outside what a DOS date can hold.
uint32_t DosAge(const FILETIME& written) {
    FILETIME local;
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&written, &local) || !FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    return (static_cast<uint32_t>(date) << 16) | time;
}

void FillInfo(const WIN32_FIND_DATAW& data, TFoundFile& info) {
    info.Name = FromWide(data.cFileName);
    info.Attributes = data.dwFileAttributes;
    info.Size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.Age = DosAge(data.ftLastWriteTime);
}

// "No more files" and "file not found" end a listing normally.
TErrorCode ListingEnd(DWORD error) {
    return (error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND) ? 0 : error;
}

HANDLE AsHandle(TFileId file) {
    return reinterpret_cast<HANDLE>(file);
}

bool WriteAll(HANDLE file, const std::string& content) {
    constexpr size_t kChunk = 1 << 20;
    for (size_t done = 0; done < content.size();) {
        DWORD length = static_cast<DWORD>(std::min(kChunk, content.size() - done));
        DWORD written = 0;
        if (!WriteFile(file, content.data() + done, length, &written, nullptr))
            return false;
        if (written == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        done += written;
    }
    return true;
}

// A symbolic link or a junction, as a search or a handle reports it; other reparse points
// (cloud placeholders, deduplicated files) are files like any other.
bool IsLink(DWORD attributes, DWORD tag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(tag);
}

// True for a link at path with these attributes; only a search reports the reparse tag.
bool IsLinkAt(const std::wstring& path, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return false;
    WIN32_FIND_DATAW data;
    TFindHandle find(FindFirstFileW(path.c_str(), &data));
    return find && IsLink(attributes, data.dwReserved0);
}

// An entry opened to be looked at, not read: a link itself when reparse is set.
HANDLE OpenToLookAt(const std::wstring& path, DWORD flags = 0) {
    return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

void FillInfo(const std::string& name, const BY_HANDLE_FILE_INFORMATION& data, TFoundFile& info) {
    info.Name = name;
    info.Attributes = data.dwFileAttributes;
    info.Size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.Age = DosAge(data.ftLastWriteTime);
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// A device or pipe the user named.
TSaveStatus WriteToDevice(const std::wstring& path, const std::string& content,
                          TSaveReport& report) {
    TFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        report.Error = GetLastError();
        return TSaveStatus::CannotCreate;
    }
    if (!WriteAll(file.Get(), content) || !CloseHandle(file.Detach())) {
        report.Error = GetLastError();
        return TSaveStatus::WriteFailed;
    }
    return TSaveStatus::Ok;
}

// Where no new file can be created: the whole content over the old one, then cut to its
// length and flushed; a kill meanwhile never leaves an empty list.
TSaveStatus WriteInPlace(const std::wstring& path, const std::string& content,
                         TSaveReport& report) {
    TFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        report.Error = GetLastError();
        return TSaveStatus::CannotCreate;
    }
    if (!WriteAll(file.Get(), content) || !SetEndOfFile(file.Get()) ||
        !FlushFileBuffers(file.Get()) || !CloseHandle(file.Detach())) {
        report.Error = GetLastError();
        return TSaveStatus::WriteFailed;
    }
    return TSaveStatus::Ok;
}

// True when the file's owner is the running user, or the owner the user's new files get
// (the Administrators group in an elevated run).
bool OwnedByRunningUser(const std::wstring& path) {
    DWORD needed = 0;
    GetFileSecurityW(path.c_str(), OWNER_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::vector<BYTE> descriptor(needed);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    HANDLE opened = nullptr;
    if (needed == 0 ||
        !GetFileSecurityW(path.c_str(), OWNER_SECURITY_INFORMATION, descriptor.data(), needed,
                          &needed) ||
        !GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted) || !owner ||
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened))
        return false;
    TFileHandle token(opened);
    for (TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
        GetTokenInformation(token.Get(), kind, nullptr, 0, &needed);
        std::vector<BYTE> buffer(needed);
        if (needed == 0 || !GetTokenInformation(token.Get(), kind, buffer.data(), needed, &needed))
            continue;
        const PSID sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                                           : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner;
        if (EqualSid(sid, owner))
            return true;
    }
    return false;
}

// Removes what killed runs left in folder: a file of the temporary name pattern, the
// running user's, last written before the run started. A running save holds its file
// open and unshared, so deleting it fails.
void RemoveStaleTemporaries(const std::wstring& folder, const FILETIME& start) {
    WIN32_FIND_DATAW data;
    TFindHandle find(FindFirstFileW((folder + L"~tlvn*.tmp").c_str(), &data));
    if (!find)
        return;
    do {
        const std::wstring path = folder + data.cFileName;
        if (IsTemporaryName(FromWide(data.cFileName)) &&
            (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
                0 &&
            CompareFileTime(&data.ftLastWriteTime, &start) < 0 && OwnedByRunningUser(path))
            DeleteFileW(path.c_str());
    } while (FindNextFileW(find.Get(), &data));
}

class TWin32FileSystem : public TFileSystem {
public:
    void EnterTree(const std::string& root) override {
        LeaveTree();
        // Held for the run, unshared for deletion: the root is not renamed meanwhile.
        TreeHandle.Attach(CreateFileW(FilePath(root).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        TreeFinal = TreeHandle ? FinalPath(TreeHandle.Get()) : L"";
        if (!TreeFinal.empty() && TreeFinal.back() != L'\\')
            TreeFinal += L'\\';
        TreeRoot = root;
        GetSystemTimeAsFileTime(&RunStart);
        Started = true;
        Cleaned.clear();
    }

    void LeaveTree() override {
        TreeHandle.Close();
        TreeFinal.clear();
        TreeRoot.clear();
    }

    TErrorCode FindFiles(const std::string& pattern,
                         const std::function<bool(const TFoundFile&)>& onEntry) override {
        const std::wstring search = FilePath(pattern, true);
        const std::wstring folder = FolderOf(search);
        const bool inTree = InTree(pattern);
        // A folder of the tree reached through a link or junction that leads outside (one put
        // there meanwhile) is not listed; the one listed is held until the listing ends.
        TFileHandle listed;
        TErrorCode error = 0;
        if (!HoldFolder(pattern, listed, error))
            return error;
        WIN32_FIND_DATAW data;
        TFindHandle find(FindFirstFileW(search.c_str(), &data));
        if (!find)
            return ListingEnd(GetLastError());
        do {
            TFoundFile info;
            if (IsLink(data.dwFileAttributes, data.dwReserved0)) {
                // A link to a folder is never walked into; one to a file is followed, in a
                // tree only while it stays in it.
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    continue;
                if (inTree) {
                    TFileHandle target(OpenToLookAt(folder + data.cFileName));
                    BY_HANDLE_FILE_INFORMATION targetInfo;
                    if (!target || !GetFileInformationByHandle(target.Get(), &targetInfo) ||
                        (targetInfo.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                        continue;
                    info.Name = FromWide(data.cFileName);
                    if (HandleInTree(target.Get()))
                        FillInfo(info.Name, targetInfo, info);
                    else
                        info.LeadsOutside = true;
                    if (!onEntry(info))
                        return 0;
                    continue;
                }
            }
            FillInfo(data, info);
            if (!onEntry(info))
                return 0;
        } while (FindNextFileW(find.Get(), &data));
        return ListingEnd(GetLastError());
    }

    // Names read from checksum files may hold "*" or "?": never let them act as a search.
    // An attribute query, not a directory search: under Wine a search costs ten times more.
    bool GetFileInfo(const std::string& path, TFoundFile& info) override {
        if (path.find_first_of("*?") != std::string::npos)
            return false;
        const std::wstring wide = FilePath(path);
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data))
            return false;
        const size_t end = path.find_last_of("\\/:");
        info = TFoundFile();
        info.Name = end == std::string::npos ? path : path.substr(end + 1);
        if (InTree(path) && IsLinkAt(wide, data.dwFileAttributes)) {
            TFileHandle target(OpenToLookAt(wide));
            BY_HANDLE_FILE_INFORMATION targetInfo;
            if (!target || !GetFileInformationByHandle(target.Get(), &targetInfo))
                return false;
            if (!HandleInTree(target.Get()))
                info.LeadsOutside = true;
            else
                FillInfo(info.Name, targetInfo, info);
            return true;
        }
        info.Attributes = data.dwFileAttributes;
        info.Size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        info.Age = DosAge(data.ftLastWriteTime);
        return true;
    }

    TFileId OpenRead(const std::string& path, TErrorCode& error) override {
        TFileHandle file(CreateFileW(FilePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file) {
            error = GetLastError();
            return kNoFile;
        }
        if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
            error = kErrorNotAFile;
            return kNoFile;
        }
        if (InTree(path) && !HandleInTree(file.Get())) {
            error = kErrorLeadsOutside;
            return kNoFile;
        }
        return reinterpret_cast<TFileId>(file.Detach());
    }

    uint64_t FileSize(TFileId file) override { return Stamp(file).Size; }

    // Two queries that ask no more than the size and the date: GetFileInformationByHandle
    // also asks for the volume's serial number, which under Wine is a round trip to the
    // mount manager's process, about half a millisecond; this runs twice for every file read.
    TFileStamp Stamp(TFileId file) override {
        LARGE_INTEGER size;
        FILETIME written;
        if (!GetFileSizeEx(AsHandle(file), &size) ||
            !GetFileTime(AsHandle(file), nullptr, nullptr, &written))
            return {};
        return {static_cast<uint64_t>(size.QuadPart),
                static_cast<int64_t>((static_cast<uint64_t>(written.dwHighDateTime) << 32) |
                                     written.dwLowDateTime)};
    }

    bool Read(TFileId file, void* buffer, uint32_t length, uint32_t& done,
              TErrorCode& error) override {
        DWORD count = 0;
        if (!ReadFile(AsHandle(file), buffer, length, &count, nullptr)) {
            error = GetLastError();
            done = 0;
            return false;
        }
        done = count;
        return true;
    }

    // The handle's position is set and a plain read made, the two under one lock, as threads
    // share the handle: a read given its offset in an OVERLAPPED asks for a completion to be
    // queued, under Wine one more round trip to its server for every read.
    bool ReadAt(TFileId file, uint64_t offset, void* buffer, uint32_t length, uint32_t& done,
                TErrorCode& error) override {
        std::lock_guard<std::mutex> lock(ReadAtMutex);
        return ReadOwnAt(file, offset, buffer, length, done, error);
    }

    bool ReadOwnAt(TFileId file, uint64_t offset, void* buffer, uint32_t length, uint32_t& done,
                   TErrorCode& error) override {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(AsHandle(file), at, nullptr, FILE_BEGIN)) {
            error = GetLastError();
            done = 0;
            return false;
        }
        return Read(file, buffer, length, done, error);
    }

    // The same file, reopened from its handle, not its name (Vista and later): nothing
    // renamed or swapped meanwhile can put another file there.
    TFileId OpenAgain(TFileId file) override {
        using TReOpenFile = HANDLE(WINAPI*)(HANDLE, DWORD, DWORD, DWORD);
        static const auto reOpenFile = Kernel32Entry<TReOpenFile>("ReOpenFile");
        if (!reOpenFile)
            return kNoFile;
        const HANDLE again =
            reOpenFile(AsHandle(file), GENERIC_READ, FILE_SHARE_READ, FILE_FLAG_SEQUENTIAL_SCAN);
        return again == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<TFileId>(again);
    }

    bool ReadsAtAnyOffset() override { return true; }

    void Close(TFileId file) override { CloseHandle(AsHandle(file)); }

    TSaveStatus SaveFile(const std::string& path, const std::string& content, TSaveTarget target,
                         TSaveReport& report) override {
        const bool named = target == TSaveTarget::Named;
        // The folder that takes the file is held for the save, unshared for deletion, so it is
        // not renamed or replaced meanwhile; in the tree it must lie in the tree.
        TFileHandle folder;
        if (!named && !HoldFolder(path, folder, report.Error))
            return TSaveStatus::CannotCreate;
        return Save(named ? NamedPath(path) : FilePath(path), content, named, report, false);
    }

    void DecodeListLine(std::string& line) override {
        static const bool utf8 = GetACP() == CP_UTF8;
        if (!utf8 || IsUtf8(line))
            return;
        static const UINT legacy = LegacyCodePage();
        line = FromWide(ToWide(line, legacy), CP_UTF8);
    }

    // Links and junctions are resolved by GetFinalPathNameByHandleW (Vista and later); on
    // older systems the full path is the best answer.
    // The seek penalty of the volume that holds folder, as its storage driver reports it.
    bool OnRotationalDisk(const std::string& folder) override {
        wchar_t volume[MAX_PATH];
        if (!GetVolumePathNameW(FilePath(folder).c_str(), volume, MAX_PATH))
            return false;
        std::wstring device = volume;
        if (device.size() > 4 && device.compare(0, 4, L"\\\\?\\") == 0)
            device.erase(0, 4);
        while (!device.empty() && device.back() == L'\\')
            device.pop_back();
        // Opened with no access: enough to ask the driver, and allowed to every user.
        TFileHandle handle(CreateFileW((L"\\\\.\\" + device).c_str(), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       0, nullptr));
        if (!handle)
            return false;
        STORAGE_PROPERTY_QUERY query = {};
        query.PropertyId = StorageDeviceSeekPenaltyProperty;
        query.QueryType = PropertyStandardQuery;
        DEVICE_SEEK_PENALTY_DESCRIPTOR penalty = {};
        DWORD returned = 0;
        return DeviceIoControl(handle.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query,
                               &penalty, sizeof penalty, &returned, nullptr) &&
               returned >= sizeof penalty && penalty.IncursSeekPenalty;
    }

    std::string RealPath(const std::string& path) override {
        const std::wstring wide = FilePath(path.empty() ? "." : path);
        TFileHandle file(OpenToLookAt(wide));
        if (!file)
            return "";
        std::wstring final = FinalPath(file.Get());
        if (final.empty())
            final = wide;
        std::string result = FromWide(final);
        if (result.compare(0, 8, "\\\\?\\UNC\\") == 0)
            result = "\\" + result.substr(7);
        else if (result.compare(0, 4, "\\\\?\\") == 0)
            result.erase(0, 4);
        if (result.size() > 3 && result.back() == '\\')
            result.pop_back();
        return result;
    }

    bool GetAttributes(const std::string& path, uint32_t& attributes) override {
        const std::wstring wide = FilePath(path);
        DWORD value = GetFileAttributesW(wide.c_str());
        if (value == INVALID_FILE_ATTRIBUTES || IsLinkAt(wide, value))
            return false;
        attributes = value;
        return true;
    }

    bool SetAttributes(const std::string& path, uint32_t attributes) override {
        TFileHandle folder;
        TErrorCode error = 0;
        if (!HoldFolder(path, folder, error))
            return false;
        const std::wstring wide = FilePath(path);
        const DWORD value = GetFileAttributesW(wide.c_str());
        return value != INVALID_FILE_ATTRIBUTES && !IsLinkAt(wide, value) &&
               SetFileAttributesW(wide.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    }

    bool RemoveFile(const std::string& path, TErrorCode& error) override {
        TFileHandle folder;
        if (!HoldFolder(path, folder, error))
            return false;
        if (DeleteFileW(FilePath(path).c_str()))
            return true;
        error = GetLastError();
        return false;
    }

    // CompareStringA would read the names in the user locale's code page, which is not
    // the program's one under the UTF-8 code page.
    int CompareText(const std::string& a, const std::string& b) override {
        const std::wstring wideA = ToWide(a), wideB = ToWide(b);
        int result = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wideA.data(),
                                    static_cast<int>(wideA.size()), wideB.data(),
                                    static_cast<int>(wideB.size()));
        return result == 0 ? lstrcmpiW(wideA.c_str(), wideB.c_str()) : result - CSTR_EQUAL;
    }

    TLocalTime LocalNow() override {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return {now.wYear,   now.wMonth,  now.wDay,          now.wHour,
                now.wMinute, now.wSecond, now.wMilliseconds, now.wDayOfWeek};
    }

    char TimeSeparator() override {
        char separator[8] = {};
        if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, separator, sizeof separator) > 1)
            return separator[0];
        return ':';
    }

    std::string ErrorText(TErrorCode error) override {
        if (const char* own = ProgramErrorText(error))
            return own;
        char text[256] = {};
        DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                      text, sizeof text, nullptr);
        return TrimSystemMessage(std::string(text, length));
    }

private:
    bool InTree(const std::string& path) const {
        return !TreeFinal.empty() && path.compare(0, TreeRoot.size(), TreeRoot) == 0;
    }

    // True when an open handle lies in the tree, or the system cannot tell.
    bool HandleInTree(HANDLE handle) const {
        const std::wstring final = FinalPath(handle);
        return final.empty() || LiesIn(final + L"\\", TreeFinal);
    }

    // Opens the folder of path (in the tree only) and keeps it from being renamed or
    // replaced while folder lives; false with error when that folder, links resolved, lies
    // outside the tree.
    bool HoldFolder(const std::string& path, TFileHandle& folder, TErrorCode& error) {
        if (!InTree(path))
            return true;
        folder.Attach(CreateFileW(FolderOf(FilePath(path)).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (folder && !HandleInTree(folder.Get())) {
            error = kErrorLeadsOutside;
            return false;
        }
        return true;
    }

    // followed: path is where a link at the named path led; a link found there again is
    // replaced.
    TSaveStatus Save(const std::wstring& path, const std::string& content, bool named,
                     TSaveReport& report, bool followed) {
        TFileHandle existing(OpenToLookAt(path, FILE_FLAG_OPEN_REPARSE_POINT));
        BY_HANDLE_FILE_INFORMATION info = {};
        bool exists = false, link = false;
        if (existing) {
            if (GetFileType(existing.Get()) != FILE_TYPE_DISK) {
                existing.Close();
                if (named)
                    return WriteToDevice(path, content, report);
                report.Error = kErrorNotAFile;
                return TSaveStatus::CannotCreate;
            }
            exists = GetFileInformationByHandle(existing.Get(), &info) != 0;
        } else if ((info.dwFileAttributes = GetFileAttributesW(path.c_str())) !=
                   INVALID_FILE_ATTRIBUTES) {
            exists = true; // there, though it cannot be opened to be looked at
            info.nNumberOfLinks = 1;
        }
        link = exists && IsLinkAt(path, info.dwFileAttributes);
        if (exists && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !link) {
            report.Error = ERROR_ACCESS_DENIED;
            return TSaveStatus::CannotCreate;
        }
        existing.Close();
        if (link && named && !followed) {
            TFileHandle target(OpenToLookAt(path));
            const std::wstring final = target ? FinalPath(target.Get()) : L"";
            if (!final.empty())
                return Save(final, content, named, report, true);
        }
        return Replace(path, content, exists && !link, exists && !link && info.nNumberOfLinks > 1,
                       report);
    }

    // A new file at path through a temporary file in its folder: ReplaceFileW over an old
    // regular file (keeps its attributes, security descriptor and streams), else a rename,
    // which replaces a link itself.
    TSaveStatus Replace(const std::wstring& path, const std::string& content, bool exists,
                        bool hardLinked, TSaveReport& report) {
        const std::wstring folder = FolderOf(path);
        if (Started && Cleaned.insert(folder).second)
            RemoveStaleTemporaries(folder, RunStart);
        TFileHandle file;
        std::wstring temp;
        DWORD created = NO_ERROR;
        for (DWORD attempt = 0; attempt < 100; ++attempt) {
            char unique[8];
            const DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 12);
            wsprintfA(unique, "%06lX", (seed + attempt * 7919) & 0xFFFFFF);
            temp = folder + ToWide(std::string(kTemporaryPrefix) + unique + kTemporarySuffix);
            file.Attach(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
            created = file ? NO_ERROR : GetLastError();
            if (created != ERROR_FILE_EXISTS)
                break;
        }
        if (!file) {
            if (exists && created == ERROR_ACCESS_DENIED)
                return WriteInPlace(path, content, report);
            report.Error = created;
            return TSaveStatus::CannotCreate;
        }
        // The data must be on disk before the name points to it, or a crash could
        // leave an empty list where the old one was.
        bool written = WriteAll(file.Get(), content) && FlushFileBuffers(file.Get());
        if (written)
            written = CloseHandle(file.Detach()) != 0;
        if (!written) {
            report.Error = GetLastError();
            file.Close();
            DeleteFileW(temp.c_str());
            return TSaveStatus::WriteFailed;
        }
        const bool replaced =
            exists ? ReplaceFileW(path.c_str(), temp.c_str(), nullptr,
                                  REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                   : MoveFileExW(temp.c_str(), path.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        if (!replaced) {
            report.Error = GetLastError();
            DeleteFileW(temp.c_str());
            return TSaveStatus::CannotReplace;
        }
        report.OtherNamesKept = hardLinked;
        return TSaveStatus::Ok;
    }

    std::string TreeRoot;   // as the run names it
    std::wstring TreeFinal; // its final path, ending with "\"
    TFileHandle TreeHandle;
    bool Started = false;
    FILETIME RunStart = {};
    std::set<std::wstring> Cleaned; // folders cleaned of stale temporary files
    std::mutex ReadAtMutex;         // a position set and read from there, as one
};

} // namespace

TFileSystem& NativeFileSystem() {
    static TWin32FileSystem fs;
    return fs;
}

} // namespace files
