// One large file's BLAKE3 read in spans of whole subtrees, each span hashed by the thread
// that read it while it is still in that core's cache. With a helper thread, both threads
// take the next span in turn and read it at its offset, so the copy from the system's cache
// runs on two cores as the hashing does (on a handle of each thread's own where the services
// give one). The reading thread adds the spans' chaining values to the digest in the file's
// order and raises every block's progress in that order, so the digest, the progress and the
// failures are those of one thread reading the file from its start. Memory: a span per thread, none for a mapped file.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/file_digest.h"
#include "engine/running_digest.h"

class TBlake3Spans {
public:
    // A span: 256 KiB, a subtree of 256 chunks; it stays in the second-level cache between
    // its read and its hash.
    static constexpr size_t kSpanLength = 256 << 10;

    // digest: a BLAKE3 digest with no input yet, fed with the length bytes (more than one
    // span) that read gives, or hashed where mapped gives them when not nullptr. The helper
    // thread reads with helperRead (which may be read) and uses mapped too.
    TBlake3Spans(TRunningDigest& digest, uint64_t length, const TReadAt& read,
                 const TReadAt& helperRead, TMappedFile* mapped, bool helper,
                 TCpuFeatures features = CpuFeatures());
    // Stops the helper within the block it reads; spans not added are dropped.
    ~TBlake3Spans();
    TBlake3Spans(const TBlake3Spans&) = delete;
    TBlake3Spans& operator=(const TBlake3Spans&) = delete;

    // Reads every span into the digest, calling onBlock after each read in the file's order
    // and counting its bytes in result.BytesRead. True when all is added; false with
    // result.Status ReadFailed (and result.Error) at the first failing read, or Stopped when
    // onBlock returned false. A read's exception, on either thread, leaves here.
    bool Read(const TBlockRead& onBlock, TFileDigest& result);

private:
    // What one span's reads gave: the length of every read in turn, then a failure if any.
    struct TSpan {
        uint64_t Index = 0;
        std::vector<uint32_t> Reads;
        bool Failed = false;
        files::TErrorCode Error = 0;
        std::exception_ptr Thrown;
        uint32_t Cv[8];
        bool Done = false;
    };

    void Help();
    // Reads span.Index into buffer with read, its failure or exception kept in span; a span
    // that is not the last is also hashed.
    void ReadSpan(TSpan& span, uint8_t* buffer, const TReadAt& read);
    // ReadSpan for a mapped file: the span's blocks as reads give them, and its hash from
    // the mapping.
    void MapSpan(TSpan& span, uint64_t start, size_t length);
    // Takes the next span to read, the last one excepted. Mutex is held.
    TSpan* Claim();
    // Raises the progress of the span's reads; false when the reading ends there.
    bool Report(const TSpan& span, const TBlockRead& onBlock, TFileDigest& result);

    TRunningDigest& Digest;
    const uint64_t Length;
    const uint64_t Spans; // the last one holds the input's end
    const TReadAt& ReadAt;
    const TReadAt& HelperReadAt;
    TMappedFile* const Mapped;
    const TCpuFeatures Features;
    std::unique_ptr<uint8_t[]> Memory;
    uint8_t* const Buffers; // a span for each thread in Memory
    std::mutex Mutex;
    std::condition_variable Changed;
    uint64_t Claimed = 0;              // spans taken so far
    std::deque<TSpan> Taken;           // the taken spans not added yet, in the file's order
    bool Ending = false;               // a read failed: no more spans are taken
    std::atomic<bool> Stopping{false}; // the reading is over: the helper leaves
    std::thread Helper;                // none when the system would not start one
};
