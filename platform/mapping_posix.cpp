#include "platform/mapping_posix.h"

#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <sys/mman.h>
#include <unistd.h>

namespace files {
namespace {

// The mapped bytes this thread hands to a use right now, where a fault in them returns to,
// and why it did.
struct TGuard {
    const uint8_t* Begin;
    const uint8_t* End;
    volatile TErrorCode* Error;
    sigjmp_buf Recovery;
};
// One pointer per thread and no more: a larger thread-local block moves every thread's read
// block (see DigestFile), and MD5 read by two workers is 10% slower with it 64 bytes on.
thread_local TGuard* activeGuard = nullptr;
struct sigaction previousBusAction;

void OnBusError(int, siginfo_t* info, void*) {
    TGuard* guard = activeGuard;
    const uint8_t* address = static_cast<const uint8_t*>(info->si_addr);
    if (guard != nullptr && address >= guard->Begin && address < guard->End) {
        *guard->Error = info->si_code == BUS_ADRERR ? kErrorEndOfFile : EIO;
        activeGuard = nullptr;
        siglongjmp(guard->Recovery, 1);
    }
    // Not a page of a guarded use: the signal does what it did before this handler was there
    // (the faulting instruction runs again; a signal sent by kill is sent again).
    sigaction(SIGBUS, &previousBusAction, nullptr);
    if (info->si_code <= 0)
        raise(SIGBUS);
}

void InstallHandler() {
    static const bool installed = [] {
        struct sigaction action = {};
        action.sa_sigaction = OnBusError;
        sigemptyset(&action.sa_mask);
        // SIGBUS stays unblocked in the handler, so the jump out of it needs no saved mask.
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        return sigaction(SIGBUS, &action, &previousBusAction) == 0;
    }();
    (void)installed;
}

} // namespace

const uint8_t* MapFile(int fd, uint64_t length) {
    if (length > SIZE_MAX)
        return nullptr;
    void* mapping = mmap(nullptr, static_cast<size_t>(length), PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapping == MAP_FAILED)
        return nullptr;
    madvise(mapping, static_cast<size_t>(length), MADV_SEQUENTIAL);
    InstallHandler();
    return static_cast<const uint8_t*>(mapping);
}

bool UseMappedGuarded(const uint8_t* data, size_t length, TMappedUse use, void* context,
                      TErrorCode& error) {
    volatile TErrorCode fault = 0;
    TGuard guard;
    guard.Begin = data;
    guard.End = data + length;
    guard.Error = &fault;
    if (sigsetjmp(guard.Recovery, 0) != 0) {
        error = fault;
        return false;
    }
    activeGuard = &guard;
    use(context, data, length);
    activeGuard = nullptr;
    return true;
}

void FetchMappedPages(const uint8_t* data, size_t length) {
#ifdef MADV_POPULATE_READ
    // Pages that would fault with SIGBUS (a file cut shorter) end the call with EFAULT; a
    // kernel without the advice (before Linux 5.14) refuses it: the pages then fault in.
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = reinterpret_cast<uintptr_t>(data) & ~(page - 1);
    madvise(reinterpret_cast<void*>(begin), reinterpret_cast<uintptr_t>(data) + length - begin,
            MADV_POPULATE_READ);
#else
    (void)data;
    (void)length; // the pages fault in as they are used
#endif
}

void ReleaseMappedPages(const uint8_t* data, size_t length) {
    // Whole pages only: the first and last may hold bytes still in use.
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + length) & ~(page - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
}

void UnmapFile(const uint8_t* mapping, uint64_t length) {
    munmap(const_cast<uint8_t*>(mapping), static_cast<size_t>(length));
}

} // namespace files
