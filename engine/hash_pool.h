// THashPool: workers that read and digest files ahead of the run thread. The run thread
// queues the files it will hash, in the order it will hash them, and takes each digest in
// that order; the blocks a worker read are handed over one by one, so the run thread
// counts bytes, raises progress and tests the abort flag exactly as if it read them itself.
// Memory stays bounded: a few files per worker are read ahead, and no file content is kept.
// Destroying the pool drops every queued file; workers stop within one block.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/file_digest.h"

class THashPool {
public:
    THashPool(files::TFileSystem& fs, int workers);
    ~THashPool();
    THashPool(const THashPool&) = delete;
    THashPool& operator=(const THashPool&) = delete;

    // Queues a file that the run will take later.
    void Submit(const std::string& path, TChecksumKind kind);
    // The digest of a queued file, its blocks passed to onBlock in order; queued files
    // before it were passed over by the run and are dropped. False when the file is not
    // queued: the caller reads it itself. When onBlock stops, every queued file is dropped.
    bool Take(const std::string& path, TChecksumKind kind, const TBlockRead& onBlock,
              TFileDigest& digest);

private:
    struct TJob {
        std::string Path;
        TChecksumKind Kind;
        bool Started = false;
        bool Finished = false;
        bool Dropped = false;
        // Lengths of the blocks read and not yet taken, as runs of equal length.
        std::deque<std::pair<uint32_t, uint64_t>> Blocks;
        uint64_t BlocksRead = 0; // in Blocks
        TFileDigest Digest;
    };

    void Work();
    // Drops the first queued file; its worker stops within one block. Mutex is held.
    void DropFront();

    files::TFileSystem& Fs;
    const size_t InFlight; // files started and not yet taken, at most
    std::mutex Mutex;
    // Waking a thread costs far more than a small file's digest: each side is woken only
    // when it waits.
    std::condition_variable WorkQueued; // workers wait here for a file to read
    std::condition_variable BlockRead;  // the run thread waits here for the file it takes
    int IdleWorkers = 0;
    const void* Awaited = nullptr;          // the job the run thread waits for on BlockRead
    std::deque<std::shared_ptr<TJob>> Jobs; // in the order the run takes them
    size_t Started = 0;                     // Jobs[0..Started) are being read or done
    bool Stopping = false;
    std::vector<std::thread> Threads;
};
