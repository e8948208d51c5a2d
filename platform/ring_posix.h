// One io_uring per thread, through which the POSIX file services open, read and close a
// batch of small files: one call into the system runs a step for the whole batch. Built
// only where liburing is (TLVN_HAVE_URING).
#pragma once

#include <cstddef>
#include <cstdint>

namespace files {

enum class TRingOp {
    OpenAt, // Name in the folder Fd, with the flags given
    Read,   // Length bytes from the start of the file Fd into Buffer
    Close   // Fd
};

// One file's part of a step; Result is what the system call would return, or -errno.
struct TRingStep {
    int Fd = -1;
    const char* Name = nullptr;
    uint8_t* Buffer = nullptr;
    uint32_t Length = 0;
    int Result = 0;
};

// Runs op for every step at once on this thread's ring, made on first use, and waits for
// every result. False when a step did not run (its Result is -ECANCELED): where io_uring is
// missing or refused, or TLVN_NO_URING is set, no step ever runs, on any thread.
bool RunOnRing(TRingOp op, int flags, TRingStep* steps, size_t count);

} // namespace files
