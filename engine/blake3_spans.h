// One large file's BLAKE3 read in spans of whole subtrees, each hashed on the widest paths
// at once. With a helper thread, the helper hashes the spans read before while the reading
// thread reads the next one, and the reading thread joins in when it waits for a span
// buffer. The chaining values are added to the digest in the file's order, so the digest
// is the one of a single thread. Memory: two spans.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/running_digest.h"

class TBlake3Spans {
public:
    // A span: 256 KiB, a subtree of 256 chunks, hashed as four pieces of 64 chunks; two
    // spans stay in the second-level cache between their read and their hash.
    static constexpr size_t kSpanLength = 256 << 10;

    // digest: a BLAKE3 digest with no input yet, fed by this object until Finish.
    TBlake3Spans(TRunningDigest& digest, bool helper, TCpuFeatures features = CpuFeatures());
    // Stops the helper; spans not finished are dropped.
    ~TBlake3Spans();
    TBlake3Spans(const TBlake3Spans&) = delete;
    TBlake3Spans& operator=(const TBlake3Spans&) = delete;

    // The buffer to read the next span into, free once the span read into it before is
    // hashed.
    uint8_t* Next();
    // The buffer Next gave is full and more input follows: its span is queued.
    void Queue();
    // Adds every queued span to the digest, then the length bytes read into Next's buffer
    // after them: the last, partial or whole, span of the input.
    void Finish(size_t length);

private:
    struct TPiece {
        const uint8_t* Data;
        uint64_t Counter; // its first chunk's number
        uint32_t Cv[8];
        bool Claimed = false;
        bool Done = false;
    };

    void Help();
    // Hashes the first unclaimed piece. Mutex is held on entry and on return.
    bool HashOne(std::unique_lock<std::mutex>& lock);
    // Waits for the oldest queued span, hashing pieces meanwhile, and adds it to the digest.
    void CompleteOldest();

    TRunningDigest& Digest;
    const TCpuFeatures Features;
    std::unique_ptr<uint8_t[]> Memory;
    uint8_t* const Buffers; // two spans in Memory
    int Filling = 0;        // the buffer Next gave
    uint64_t Chunks = 0;    // chunks queued so far
    std::mutex Mutex;
    std::condition_variable Changed;
    std::deque<TPiece> Pieces; // the queued spans' pieces, oldest first
    bool Stopping = false;
    std::thread Helper; // none when the system would not start one
};
