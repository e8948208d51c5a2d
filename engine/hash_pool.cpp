#include "engine/hash_pool.h"

#include <algorithm>

namespace {

// Files queued before idle workers are woken; blocks read before a waiting run thread is.
constexpr size_t kBatch = 8;
constexpr uint64_t kBlockBatch = 16;
// A file the run thread may read while it waits for another: one block at most.
constexpr uint64_t kSmallFile = 64 * 1024;
// Small files read whole in one batch, at most, and the memory each is given: its size as
// listed and up to a page more, should it have grown a little.
constexpr size_t kReadTogether = 16;
constexpr uint64_t kPage = 4096;
// Folders listed and not yet taken by the walk, at most.
constexpr size_t kListingsAhead = 16;
// Files announced ahead of the next read, at most, and the bytes announced of each: enough
// for the disk to sort and overlap small reads; a large file's own read-ahead does the rest.
constexpr size_t kAnnounceAhead = 64;
constexpr uint64_t kAnnouncedBytes = 256 * 1024;

} // namespace

THashPool::THashPool(files::TFileSystem& fs, int workers)
    : Fs(fs), InFlight(static_cast<size_t>(workers) * 32), Workers(static_cast<size_t>(workers)) {
    // The run thread is one of the workers while files are small: it reads them while it
    // waits. The first large file, which it does not read meanwhile, starts the last worker.
    for (int i = 1; i < workers; ++i)
        Threads.emplace_back([this] { Work(); });
}

THashPool::~THashPool() {
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Stopping = true;
        while (!Jobs.empty())
            DropFront();
        DropAhead();
    }
    WorkQueued.notify_all();
    for (std::thread& thread : Threads)
        thread.join();
}

void THashPool::Submit(const std::string& path, TChecksumKind kind, uint64_t size) {
    const bool small = size <= kSmallFile;
    if (!small && Workers > 1 && Threads.size() < Workers)
        Threads.emplace_back([this] { Work(); });
    std::lock_guard<std::mutex> lock(Mutex);
    std::shared_ptr<TJob> job;
    auto ahead = AheadByPath.find(path);
    if (ahead != AheadByPath.end() && ahead->second->Kind == kind) {
        // Read ahead, being read, or read in turn like any other.
        job = std::move(ahead->second);
        AheadByPath.erase(ahead);
    } else {
        job = std::make_shared<TJob>();
        job->Path = path;
        job->Kind = kind;
        job->Size = size;
        job->Small = small;
    }
    Jobs.push_back(std::move(job));
    // Woken for a batch, not for each file; the run thread reads a file that no worker
    // started itself.
    if (IdleWorkers > 0 && Jobs.size() - Started >= kBatch && Started < InFlight)
        WorkQueued.notify_all();
}

void THashPool::SubmitAhead(const std::string& folder, const std::vector<files::TFoundFile>& files,
                            TChecksumKind kind) {
    std::lock_guard<std::mutex> lock(Mutex);
    DropAhead();
    for (const files::TFoundFile& file : files) {
        if (Ahead.size() == InFlight)
            break;
        if (file.Size > kSmallFile)
            continue;
        auto job = std::make_shared<TJob>();
        job->Path = folder + file.Name;
        job->Kind = kind;
        job->Size = file.Size;
        job->Small = true;
        if (AheadByPath.emplace(job->Path, job).second)
            Ahead.push_back(std::move(job));
    }
    // Once a folder, idle workers are woken for its files too, should it hold few.
    if (IdleWorkers > 0 && !Ahead.empty())
        WorkQueued.notify_all();
}

void THashPool::DropAhead() {
    for (auto& [path, job] : AheadByPath)
        job->Dropped = true;
    AheadByPath.clear();
    // Those taken over stay queued in Jobs.
    Ahead.clear();
}

bool THashPool::HasAhead() {
    while (!Ahead.empty() && (Ahead.front()->Started || Ahead.front()->Dropped))
        Ahead.pop_front();
    return !Ahead.empty();
}

bool THashPool::MayRead() {
    while (Started < Jobs.size() && Jobs[Started]->Started)
        ++Started;
    return Started < Jobs.size();
}

void THashPool::SubmitListing(const std::string& pattern) {
    auto listing = std::make_shared<TListing>();
    listing->Pattern = pattern;
    std::lock_guard<std::mutex> lock(Mutex);
    if (!ListingsQueued.emplace(pattern, listing).second)
        return;
    Listings.push_front(std::move(listing));
    if (IdleWorkers > 0 && MayList())
        WorkQueued.notify_one();
}

bool THashPool::MayList() const {
    return !Listings.empty() && ListingsAhead < kListingsAhead;
}

void THashPool::List(std::unique_lock<std::mutex>& lock) {
    std::shared_ptr<TListing> listing = std::move(Listings.front());
    Listings.pop_front();
    listing->Started = true;
    ++ListingsAhead;
    lock.unlock();
    std::vector<files::TFoundFile> entries;
    files::TErrorCode error = 0;
    bool listed = false;
    try {
        error = Fs.FindFiles(listing->Pattern, [&](const files::TFoundFile& entry) {
            entries.push_back(entry);
            return true;
        });
        listed = true;
    } catch (...) {
        // Out of memory, say: the run thread lists the folder again and reports it.
    }
    lock.lock();
    listing->Entries = std::move(entries);
    listing->Error = error;
    listing->Listed = listed;
    listing->Finished = true;
    if (Awaited == listing.get())
        BlockRead.notify_one();
}

bool THashPool::TakeListing(const std::string& pattern, std::vector<files::TFoundFile>& entries,
                            files::TErrorCode& error) {
    std::unique_lock<std::mutex> lock(Mutex);
    auto queued = ListingsQueued.find(pattern);
    if (queued == ListingsQueued.end())
        return false;
    std::shared_ptr<TListing> listing = std::move(queued->second);
    ListingsQueued.erase(queued);
    if (!listing->Started) {
        Listings.erase(std::find(Listings.begin(), Listings.end(), listing));
        return false;
    }
    --ListingsAhead;
    if (IdleWorkers > 0 && MayList())
        WorkQueued.notify_one();
    // Rather than sleep while a worker lists the awaited folder, list the next one.
    while (!listing->Finished) {
        if (MayList()) {
            List(lock);
            continue;
        }
        Awaited = listing.get();
        BlockRead.wait(lock, [&] { return listing->Finished; });
        Awaited = nullptr;
    }
    entries = std::move(listing->Entries);
    error = listing->Error;
    return listing->Listed;
}

bool THashPool::PeekListing(const std::string& pattern, std::vector<files::TFoundFile>& entries) {
    std::lock_guard<std::mutex> lock(Mutex);
    auto queued = ListingsQueued.find(pattern);
    if (queued == ListingsQueued.end() || !queued->second->Finished || !queued->second->Listed)
        return false;
    entries = queued->second->Entries;
    return true;
}

void THashPool::PopFront() {
    if (Started > 0)
        --Started;
    if (Announced > 0)
        --Announced;
    Jobs.pop_front();
}

void THashPool::DropFront() {
    Jobs.front()->Dropped = true;
    PopFront();
}

void THashPool::AnnounceAhead(std::unique_lock<std::mutex>& lock) {
    const size_t first = std::max(Announced, Started);
    const size_t end = std::min(Jobs.size(), Started + kAnnounceAhead);
    if (first >= end)
        return;
    std::vector<std::shared_ptr<TJob>> next(Jobs.begin() + first, Jobs.begin() + end);
    Announced = end;
    lock.unlock();
    for (const std::shared_ptr<TJob>& job : next)
        Fs.Announce(job->Path, std::min(job->Size, kAnnouncedBytes));
    lock.lock();
}

bool THashPool::Take(const std::string& path, TChecksumKind kind, const TBlockRead& onBlock,
                     TFileDigest& digest) {
    std::unique_lock<std::mutex> lock(Mutex);
    size_t index = 0;
    while (index < Jobs.size() && (Jobs[index]->Path != path || Jobs[index]->Kind != kind))
        ++index;
    if (index == Jobs.size())
        return false;
    while (index-- > 0)
        DropFront();
    std::shared_ptr<TJob> job = Jobs.front();
    const bool started = job->Started;
    PopFront();
    // Idle workers wait until half the files in flight are taken, and then read a batch.
    if (IdleWorkers > 0 && Started < Jobs.size() && Started <= InFlight / 2)
        WorkQueued.notify_all();
    if (!started) {
        if (!WholeReads || !job->Small || !MayRead() || !Jobs[Started]->Small) {
            AnnounceAhead(lock);
            lock.unlock();
            digest = DigestFile(Fs, kind, path, onBlock, Workers > 1);
            return true;
        }
        Read(job, lock);
    }
    for (;;) {
        if (!job->Finished && job->Blocks.empty()) {
            // Rather than sleep while a worker reads the awaited file, read a small
            // queued file meanwhile: its one block delays the awaited file's little.
            if (MayRead() && Jobs[Started]->Small) {
                Read(Jobs[Started++], lock);
                continue;
            }
            Awaited = job.get();
            BlockRead.wait(lock, [&] { return job->Finished || !job->Blocks.empty(); });
            Awaited = nullptr;
        }
        if (job->Blocks.empty()) {
            if (job->Failure)
                std::rethrow_exception(job->Failure);
            digest = std::move(job->Digest);
            return true;
        }
        const uint32_t length = job->Blocks.front().first;
        --job->BlocksRead;
        if (--job->Blocks.front().second == 0)
            job->Blocks.pop_front();
        lock.unlock();
        const bool goOn = onBlock(length);
        lock.lock();
        if (!goOn) {
            job->Dropped = true;
            while (!Jobs.empty())
                DropFront();
            DropAhead();
            digest = TFileDigest();
            return true;
        }
    }
}

void THashPool::Work() {
    std::unique_lock<std::mutex> lock(Mutex);
    for (;;) {
        ++IdleWorkers;
        // Files queued ahead are read only when no file the run queued waits.
        WorkQueued.wait(lock, [&] {
            return Stopping || MayList() || (MayRead() ? Started < InFlight : HasAhead());
        });
        --IdleWorkers;
        if (Stopping)
            return;
        if (MayList())
            List(lock);
        else if (MayRead())
            Read(Jobs[Started++], lock);
        else
            ReadAhead(lock);
    }
}

void THashPool::Read(std::shared_ptr<TJob> job, std::unique_lock<std::mutex>& lock) {
    std::vector<std::shared_ptr<TJob>> batch{std::move(job)};
    if (WholeReads && batch[0]->Small)
        while (batch.size() < kReadTogether && MayRead() && Started < InFlight &&
               Jobs[Started]->Small)
            batch.push_back(Jobs[Started++]);
    ReadBatch(batch, lock);
}

void THashPool::ReadAhead(std::unique_lock<std::mutex>& lock) {
    std::vector<std::shared_ptr<TJob>> batch;
    while (batch.size() < (WholeReads ? kReadTogether : 1) && HasAhead()) {
        batch.push_back(std::move(Ahead.front()));
        Ahead.pop_front();
    }
    ReadBatch(batch, lock);
}

void THashPool::ReadBatch(const std::vector<std::shared_ptr<TJob>>& batch,
                          std::unique_lock<std::mutex>& lock) {
    for (const std::shared_ptr<TJob>& started : batch)
        started->Started = true;
    AnnounceAhead(lock);
    lock.unlock();
    std::vector<files::TWholeRead> whole;
    bool offered = true;
    if (batch.size() > 1) {
        try {
            offered = ReadWhole(batch, whole);
        } catch (...) {
            // Out of memory, say: each file is read block by block, which reports it.
            whole.clear();
        }
    }
    lock.lock();
    if (!offered)
        WholeReads = false;
    for (size_t i = 0; i < batch.size(); ++i) {
        const std::shared_ptr<TJob>& next = batch[i];
        const bool read = i < whole.size() && whole[i].Done;
        TFileDigest digest;
        std::exception_ptr failure;
        if (!next->Dropped) {
            lock.unlock();
            try {
                digest = read ? DigestWhole(next->Kind, whole[i].Buffer, whole[i].Length)
                              : ReadBlocks(next);
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
        }
        if (read && !failure && whole[i].Length > 0) {
            next->Blocks.emplace_back(whole[i].Length, 1);
            ++next->BlocksRead;
        }
        next->Digest = std::move(digest);
        next->Failure = failure;
        next->Finished = true;
        if (Awaited == next.get())
            BlockRead.notify_one();
    }
}

bool THashPool::ReadWhole(const std::vector<std::shared_ptr<TJob>>& batch,
                          std::vector<files::TWholeRead>& reads) {
    thread_local std::vector<uint8_t> memory;
    reads.resize(batch.size());
    size_t total = 0;
    for (size_t i = 0; i < batch.size(); ++i) {
        reads[i].Path = &batch[i]->Path;
        reads[i].Capacity =
            static_cast<uint32_t>(std::min(kSmallFile, (batch[i]->Size / kPage + 1) * kPage));
        total += reads[i].Capacity;
    }
    if (memory.size() < total + kReadAlignment - 1)
        memory.resize(total + kReadAlignment - 1);
    uint8_t* next = AlignedForReads(memory.data());
    for (files::TWholeRead& read : reads) {
        read.Buffer = next;
        next += read.Capacity;
    }
    return Fs.ReadWhole(reads.data(), reads.size());
}

TFileDigest THashPool::ReadBlocks(const std::shared_ptr<TJob>& job) {
    const TBlockRead onBlock = [&](uint32_t length) {
        std::lock_guard<std::mutex> blockLock(Mutex);
        if (job->Dropped)
            return false;
        if (!job->Blocks.empty() && job->Blocks.back().first == length)
            ++job->Blocks.back().second;
        else
            job->Blocks.emplace_back(length, 1);
        ++job->BlocksRead;
        if (Awaited == job.get() && job->BlocksRead >= kBlockBatch)
            BlockRead.notify_one();
        return true;
    };
    return DigestFile(Fs, job->Kind, job->Path, onBlock, Workers > 1);
}
