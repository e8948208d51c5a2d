// The engine's file services on Windows. Names arrive in the program's ANSI code page
// (UTF-8 where the manifest's code page is honoured) and go to the wide-character calls,
// which alone reach every name and paths past MAX_PATH. Error codes are GetLastError values.
#include "platform/files.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include <windows.h>

#include "platform/handle.h"
#include "platform/wide.h"

namespace files {
namespace {

// A path as the wide calls take it. From this length on (the limit of a folder's path)
// the path is made absolute and gets the "\\?\" prefix, which lifts the MAX_PATH limit
// and skips the system's own clean-up of the path, so GetFullPathNameW does that first.
constexpr size_t kLongPath = MAX_PATH - 12;

std::wstring WidePath(const std::string& path) {
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

HANDLE OpenForReading(const std::string& path) {
    return CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
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

// True for a file on disk with a single name: a device or a file of several hard links
// is written in place, so the other names keep seeing it.
bool PlainFileOfOneLink(const std::wstring& path) {
    TFileHandle file(CreateFileW(path.c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    return file && GetFileType(file.Get()) == FILE_TYPE_DISK &&
           GetFileInformationByHandle(file.Get(), &info) && info.nNumberOfLinks <= 1;
}

TSaveStatus WriteInPlace(const std::wstring& path, const std::string& content, TErrorCode& error) {
    TFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = GetLastError();
        return TSaveStatus::CannotCreate;
    }
    const bool disk = GetFileType(file.Get()) == FILE_TYPE_DISK;
    if (!WriteAll(file.Get(), content) || (disk && !SetEndOfFile(file.Get())) ||
        !CloseHandle(file.Detach())) {
        error = GetLastError();
        return TSaveStatus::WriteFailed;
    }
    return TSaveStatus::Ok;
}

class TWin32FileSystem : public TFileSystem {
public:
    TErrorCode FindFiles(const std::string& pattern,
                         const std::function<bool(const TFoundFile&)>& onEntry) override {
        WIN32_FIND_DATAW data;
        TFindHandle find(FindFirstFileW(WidePath(pattern).c_str(), &data));
        if (!find)
            return ListingEnd(GetLastError());
        do {
            TFoundFile info;
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
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data))
            return false;
        const size_t end = path.find_last_of("\\/:");
        info.Name = end == std::string::npos ? path : path.substr(end + 1);
        info.Attributes = data.dwFileAttributes;
        info.Size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        info.Age = DosAge(data.ftLastWriteTime);
        return true;
    }

    TFileId OpenRead(const std::string& path, TErrorCode& error) override {
        HANDLE file = OpenForReading(path);
        if (file == INVALID_HANDLE_VALUE) {
            error = GetLastError();
            return kNoFile;
        }
        return reinterpret_cast<TFileId>(file);
    }

    uint64_t FileSize(TFileId file) override {
        DWORD high = 0;
        DWORD low = GetFileSize(AsHandle(file), &high);
        if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
            return 0;
        return (static_cast<uint64_t>(high) << 32) | low;
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

    void Close(TFileId file) override { CloseHandle(AsHandle(file)); }

    TSaveStatus SaveFile(const std::string& path, const std::string& content,
                         TErrorCode& error) override {
        const std::wstring target = WidePath(path);
        const DWORD attributes = GetFileAttributesW(target.c_str());
        const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
        if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            error = ERROR_ACCESS_DENIED;
            return TSaveStatus::CannotCreate;
        }
        if (exists && !PlainFileOfOneLink(target))
            return WriteInPlace(target, content, error);
        const size_t slash = path.find_last_of("\\/");
        const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
        TFileHandle file;
        std::string temp;
        DWORD created = NO_ERROR;
        for (DWORD attempt = 0; attempt < 100; ++attempt) {
            char unique[8];
            const DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 12);
            wsprintfA(unique, "%06lX", (seed + attempt * 7919) & 0xFFFFFF);
            temp = folder + kTemporaryPrefix + unique + kTemporarySuffix;
            file.Attach(CreateFileW(WidePath(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
            created = file ? NO_ERROR : GetLastError();
            if (created != ERROR_FILE_EXISTS)
                break;
        }
        if (!file) {
            if (exists && created == ERROR_ACCESS_DENIED)
                return WriteInPlace(target, content, error);
            error = created;
            return TSaveStatus::CannotCreate;
        }
        // The data must be on disk before the name points to it, or a crash could
        // leave an empty list where the old one was.
        bool written = WriteAll(file.Get(), content) && FlushFileBuffers(file.Get());
        if (written)
            written = CloseHandle(file.Detach()) != 0;
        const std::wstring wideTemp = WidePath(temp);
        if (!written) {
            error = GetLastError();
            file.Close();
            DeleteFileW(wideTemp.c_str());
            return TSaveStatus::WriteFailed;
        }
        // ReplaceFileW keeps the old file's attributes, security descriptor and streams.
        const bool replaced =
            exists ? ReplaceFileW(target.c_str(), wideTemp.c_str(), nullptr,
                                  REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                   : MoveFileExW(wideTemp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
        if (!replaced) {
            error = GetLastError();
            DeleteFileW(wideTemp.c_str());
            return TSaveStatus::CannotReplace;
        }
        return TSaveStatus::Ok;
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
    std::string RealPath(const std::string& path) override {
        using TGetFinalPath = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
        static const auto getFinalPath = reinterpret_cast<TGetFinalPath>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleW")));
        const std::wstring wide = WidePath(path.empty() ? "." : path);
        TFileHandle file(CreateFileW(wide.c_str(), 0,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!file)
            return "";
        std::wstring buffer(32768, L'\0');
        const DWORD size = static_cast<DWORD>(buffer.size());
        DWORD length = getFinalPath ? getFinalPath(file.Get(), &buffer[0], size, 0)
                                    : GetFullPathNameW(wide.c_str(), size, &buffer[0], nullptr);
        if (length == 0 || length >= size)
            return "";
        std::string result = FromWide(buffer.substr(0, length));
        if (result.compare(0, 8, "\\\\?\\UNC\\") == 0)
            result = "\\" + result.substr(7);
        else if (result.compare(0, 4, "\\\\?\\") == 0)
            result.erase(0, 4);
        if (result.size() > 3 && result.back() == '\\')
            result.pop_back();
        return result;
    }

    bool GetAttributes(const std::string& path, uint32_t& attributes) override {
        DWORD value = GetFileAttributesW(WidePath(path).c_str());
        if (value == INVALID_FILE_ATTRIBUTES)
            return false;
        attributes = value;
        return true;
    }

    bool SetAttributes(const std::string& path, uint32_t attributes) override {
        return SetFileAttributesW(WidePath(path).c_str(),
                                  attributes ? attributes : FILE_ATTRIBUTE_NORMAL) != 0;
    }

    bool RemoveFile(const std::string& path, TErrorCode& error) override {
        if (DeleteFileW(WidePath(path).c_str()))
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
        char text[256] = {};
        DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                      text, sizeof text, nullptr);
        return TrimSystemMessage(std::string(text, length));
    }
};

} // namespace

TFileSystem& NativeFileSystem() {
    static TWin32FileSystem fs;
    return fs;
}

} // namespace files
