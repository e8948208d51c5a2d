// THashPool: workers that list folders and read and digest files ahead of the run thread.
// The run thread queues the files it will hash, in the order it will hash them, and takes
// each digest in that order; the blocks a worker read are handed over one by one, so the run
// thread counts bytes, raises progress and tests the abort flag exactly as if it read them
// itself. While it waits, the run thread reads small queued files or lists queued folders
// itself. Memory stays bounded: a few files per worker are read ahead, and no file content
// is kept. Destroying the pool drops every queued file; workers stop within one block (or
// one batch of small files read whole).
// The files next in turn are announced to the file services ahead of their read, so a cold
// disk has many reads in flight, not one per worker. Small files next in turn are read in
// batches, whole, where the file services can (TFileSystem::ReadWhole): fewer calls into the
// system per file; a file the batch could not read is read block by block after it.
// Where a folder ends the workers would wait while the run thread finishes it and starts the
// next: the small files of the next folder are queued ahead for them meanwhile, and the run
// takes over what was read of them when it queues them itself.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "engine/file_digest.h"

class THashPool {
public:
    THashPool(files::TFileSystem& fs, int workers);
    ~THashPool();
    THashPool(const THashPool&) = delete;
    THashPool& operator=(const THashPool&) = delete;

    // Queues a file that the run will take later; size is what the listing said.
    void Submit(const std::string& path, TChecksumKind kind, uint64_t size);
    // The digest of a queued file, its blocks passed to onBlock in order; queued files
    // before it were passed over by the run and are dropped. False when the file is not
    // queued: the caller reads it itself. When onBlock stops, every queued file is dropped.
    bool Take(const std::string& path, TChecksumKind kind, const TBlockRead& onBlock,
              TFileDigest& digest);

    // Queues the small files among files (bare names in folder, sizes as listed) to be read
    // when no queued file waits for a worker: the files of the folder the walk takes next.
    // A file queued later with Submit for the same path and kind takes over what was read of
    // it; the files queued ahead before are dropped.
    void SubmitAhead(const std::string& folder, const std::vector<files::TFoundFile>& files,
                     TChecksumKind kind);
    // The entries of a listing queued and listed, copied; false when it is not listed yet.
    bool PeekListing(const std::string& pattern, std::vector<files::TFoundFile>& entries);

    // Queues the listing of a folder search (pattern as for FindFiles) that the walk will
    // take soon; the latest queued are listed first, as a depth-first walk needs them.
    void SubmitListing(const std::string& pattern);
    // The entries of a queued listing and the error that ended it. False when it is not
    // queued or no worker started it: the caller lists it itself.
    bool TakeListing(const std::string& pattern, std::vector<files::TFoundFile>& entries,
                     files::TErrorCode& error);

private:
    struct TListing {
        std::string Pattern;
        bool Started = false;
        bool Finished = false;
        bool Listed = false; // false when the listing threw: the run lists it again
        std::vector<files::TFoundFile> Entries;
        files::TErrorCode Error = 0;
    };

    struct TJob {
        std::string Path;
        TChecksumKind Kind;
        uint64_t Size = 0;  // as the listing said
        bool Small = false; // the run thread may read it while it waits for another
        bool Started = false;
        bool Finished = false;
        bool Dropped = false;
        // Lengths of the blocks read and not yet taken, as runs of equal length.
        std::deque<std::pair<uint32_t, uint64_t>> Blocks;
        uint64_t BlocksRead = 0; // in Blocks
        TFileDigest Digest;
        // What reading it threw (out of memory, say): thrown again on the run thread when
        // the file is taken, so the run fails there as if it had read the file itself.
        std::exception_ptr Failure;
    };

    void Work();
    // True when Jobs[Started] is there to be read: files queued ahead and read before the run
    // queued them are passed over. Mutex is held.
    bool MayRead();
    // True when a file queued ahead waits for a worker. Mutex is held.
    bool HasAhead();
    // Drops the files queued ahead. Mutex is held.
    void DropAhead();
    // Reads and digests a job just taken to be read, and with a small one the small files
    // queued next after it, up to a batch. Mutex is held on entry and on return.
    void Read(std::shared_ptr<TJob> job, std::unique_lock<std::mutex>& lock);
    // The same for the next file queued ahead and those after it. Mutex is held.
    void ReadAhead(std::unique_lock<std::mutex>& lock);
    // Reads and digests the jobs of a batch. Mutex is held on entry and on return.
    void ReadBatch(const std::vector<std::shared_ptr<TJob>>& batch,
                   std::unique_lock<std::mutex>& lock);
    // Reads the files of a batch whole into this thread's memory; false when the file
    // services cannot. Mutex is not held.
    bool ReadWhole(const std::vector<std::shared_ptr<TJob>>& batch,
                   std::vector<files::TWholeRead>& reads);
    // Reads and digests a job block by block, each block handed over as it is read. Mutex is
    // not held.
    TFileDigest ReadBlocks(const std::shared_ptr<TJob>& job);
    // Announces the queued files not yet announced among the next few to be read. Mutex is
    // held on entry and on return.
    void AnnounceAhead(std::unique_lock<std::mutex>& lock);
    // Takes the first queued file off the queue. Mutex is held.
    void PopFront();
    // Drops the first queued file; its worker stops within one block. Mutex is held.
    void DropFront();
    // Lists the next queued folder. Mutex is held on entry and on return.
    void List(std::unique_lock<std::mutex>& lock);
    bool MayList() const;

    files::TFileSystem& Fs;
    const size_t InFlight; // files started and not yet taken, at most
    const size_t Workers;  // threads that read, the run thread's own included
    std::mutex Mutex;
    // Waking a thread costs far more than a small file's digest: each side is woken only
    // when it waits.
    std::condition_variable WorkQueued; // workers wait here for a file to read
    std::condition_variable BlockRead;  // the run thread waits here for the file it takes
    int IdleWorkers = 0;
    const void* Awaited = nullptr;                  // the job the run thread waits for on BlockRead
    std::deque<std::shared_ptr<TJob>> Jobs;         // in the order the run takes them
    // Jobs[0..Started) are being read or done; so may later ones be, taken over from Ahead.
    size_t Started = 0;
    // The small files of the next folder, in the order listed, not yet queued by the run.
    std::deque<std::shared_ptr<TJob>> Ahead;
    std::unordered_map<std::string, std::shared_ptr<TJob>> AheadByPath;
    size_t Announced = 0;                           // Jobs[0..Announced) were announced
    std::deque<std::shared_ptr<TListing>> Listings; // queued, not started, next first
    std::unordered_map<std::string, std::shared_ptr<TListing>> ListingsQueued; // until taken
    size_t ListingsAhead = 0; // started and not yet taken
    bool Stopping = false;
    bool WholeReads = true; // until the file services say they cannot read files whole
    std::vector<std::thread> Threads;
};
