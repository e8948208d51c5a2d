#include "engine/hash_pool.h"

namespace {

// Files queued before idle workers are woken; blocks read before a waiting run thread is.
constexpr size_t kBatch = 8;
constexpr uint64_t kBlockBatch = 16;

} // namespace

THashPool::THashPool(files::TFileSystem& fs, int workers)
    : Fs(fs), InFlight(static_cast<size_t>(workers) * 32) {
    for (int i = 0; i < workers; ++i)
        Threads.emplace_back([this] { Work(); });
}

THashPool::~THashPool() {
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Stopping = true;
        while (!Jobs.empty())
            DropFront();
    }
    WorkQueued.notify_all();
    for (std::thread& thread : Threads)
        thread.join();
}

void THashPool::Submit(const std::string& path, TChecksumKind kind) {
    auto job = std::make_shared<TJob>();
    job->Path = path;
    job->Kind = kind;
    std::lock_guard<std::mutex> lock(Mutex);
    Jobs.push_back(std::move(job));
    // Woken for a batch, not for each file; the run thread reads a file that no worker
    // started itself.
    if (IdleWorkers > 0 && Jobs.size() - Started >= kBatch && Started < InFlight)
        WorkQueued.notify_all();
}

void THashPool::DropFront() {
    Jobs.front()->Dropped = true;
    if (Jobs.front()->Started)
        --Started;
    Jobs.pop_front();
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
    Jobs.pop_front();
    if (started)
        --Started;
    // Idle workers wait until half the files in flight are taken, and then read a batch.
    if (IdleWorkers > 0 && Started < Jobs.size() && Started <= InFlight / 2)
        WorkQueued.notify_all();
    if (!started) {
        lock.unlock();
        digest = DigestFile(Fs, kind, path, onBlock);
        return true;
    }
    for (;;) {
        if (!job->Finished && job->Blocks.empty()) {
            Awaited = job.get();
            BlockRead.wait(lock, [&] { return job->Finished || !job->Blocks.empty(); });
            Awaited = nullptr;
        }
        if (job->Blocks.empty()) {
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
            digest = TFileDigest();
            return true;
        }
    }
}

void THashPool::Work() {
    std::unique_lock<std::mutex> lock(Mutex);
    for (;;) {
        ++IdleWorkers;
        WorkQueued.wait(lock,
                        [&] { return Stopping || (Started < Jobs.size() && Started < InFlight); });
        --IdleWorkers;
        if (Stopping)
            return;
        std::shared_ptr<TJob> job = Jobs[Started++];
        job->Started = true;
        lock.unlock();
        TFileDigest digest = DigestFile(Fs, job->Kind, job->Path, [&](uint32_t length) {
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
        });
        lock.lock();
        job->Digest = std::move(digest);
        job->Finished = true;
        if (Awaited == job.get())
            BlockRead.notify_one();
    }
}
