// TUniqueHandle: one owner for one operating-system handle. The traits name the handle
// type, its invalid value and how it is closed, so file handles (invalid value
// INVALID_HANDLE_VALUE) and registry keys (invalid value null) share one wrapper.
#pragma once

#include <utility>

template <typename Traits> class TUniqueHandle {
public:
    using THandle = typename Traits::THandle;

    TUniqueHandle() noexcept : Handle(Traits::Invalid()) {}
    explicit TUniqueHandle(THandle handle) noexcept : Handle(handle) {}
    ~TUniqueHandle() { Close(); }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;
    TUniqueHandle(TUniqueHandle&& other) noexcept : Handle(other.Detach()) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
        if (this != &other)
            Attach(other.Detach());
        return *this;
    }

    THandle Get() const noexcept { return Handle; }
    bool Valid() const noexcept { return Handle != Traits::Invalid(); }
    explicit operator bool() const noexcept { return Valid(); }

    // Closes the handle held (if any) and takes ownership of another.
    void Attach(THandle handle) noexcept {
        Close();
        Handle = handle;
    }
    // Gives up ownership without closing.
    THandle Detach() noexcept { return std::exchange(Handle, Traits::Invalid()); }
    void Close() noexcept {
        if (Valid())
            Traits::Close(std::exchange(Handle, Traits::Invalid()));
    }

private:
    THandle Handle;
};

#ifdef _WIN32
#include <windows.h>

struct TFileHandleTraits {
    using THandle = HANDLE;
    static THandle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(THandle h) noexcept { CloseHandle(h); }
};
struct TFindHandleTraits {
    using THandle = HANDLE;
    static THandle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(THandle h) noexcept { FindClose(h); }
};
struct TRegKeyTraits {
    using THandle = HKEY;
    static THandle Invalid() noexcept { return nullptr; }
    static void Close(THandle h) noexcept { RegCloseKey(h); }
};
struct TGdiObjectTraits {
    using THandle = HGDIOBJ;
    static THandle Invalid() noexcept { return nullptr; }
    static void Close(THandle h) noexcept { DeleteObject(h); }
};

using TFileHandle = TUniqueHandle<TFileHandleTraits>;
using TFindHandle = TUniqueHandle<TFindHandleTraits>;
using TRegKey = TUniqueHandle<TRegKeyTraits>;
using TGdiObject = TUniqueHandle<TGdiObjectTraits>;
#else
#include <dirent.h>
#include <unistd.h>

struct TFdTraits {
    using THandle = int;
    static THandle Invalid() noexcept { return -1; }
    static void Close(THandle fd) noexcept { ::close(fd); }
};
struct TDirTraits {
    using THandle = DIR*;
    static THandle Invalid() noexcept { return nullptr; }
    static void Close(THandle dir) noexcept { ::closedir(dir); }
};

using TFd = TUniqueHandle<TFdTraits>;
using TDirHandle = TUniqueHandle<TDirTraits>;
#endif
