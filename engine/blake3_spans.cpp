#include "engine/blake3_spans.h"

#include <system_error>

#include "engine/blake3.h"
#include "engine/blake3_paths.h"

namespace {

// A span is a subtree of this many levels.
constexpr unsigned kSpanLevels = 8;
static_assert(TBlake3Spans::kSpanLength == kBlake3ChunkLength << kSpanLevels,
              "a span is one whole subtree");
static_assert(kSpanLevels <= kBlake3MaxSubtreeLevels, "a span is hashed in one call");
// Spans taken and not yet added, at most, before the helper waits for the reading thread:
// 16 MiB, so the helper goes on hashing while the reading thread makes a mapped file's next
// 8 MiB present and lets the last 8 MiB go (at 4 MiB it waited for those calls).
constexpr size_t kSpansAhead = 64;

// A subtree's chaining value, hashed from mapped bytes by HashSubtree.
struct TSubtree {
    uint64_t Counter;
    TCpuFeatures Features;
    uint32_t* Cv;
};
void HashSubtree(void* subtree, const uint8_t* data, size_t) {
    const TSubtree& s = *static_cast<const TSubtree*>(subtree);
    Blake3SubtreeCv(data, kSpanLevels, s.Counter, s.Features, s.Cv);
}

} // namespace

TBlake3Spans::TBlake3Spans(TRunningDigest& digest, uint64_t length, const TReadAt& read,
                           const TReadAt& helperRead, TMappedFile* mapped, bool helper,
                           TCpuFeatures features)
    : Digest(digest), Length(length), Spans((length + kSpanLength - 1) / kSpanLength), ReadAt(read),
      HelperReadAt(helperRead), Mapped(mapped), Features(features),
      Memory(mapped ? nullptr : new uint8_t[(helper ? 2 : 1) * kSpanLength + kReadAlignment - 1]),
      Buffers(AlignedForReads(Memory.get())) {
    if (!helper)
        return;
    try {
        Helper = std::thread([this] { Help(); });
    } catch (const std::system_error&) {
        // No thread to be had: this thread reads every span itself.
    }
}

TBlake3Spans::~TBlake3Spans() {
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Stopping = true;
    }
    Changed.notify_all();
    if (Helper.joinable())
        Helper.join();
}

TBlake3Spans::TSpan* TBlake3Spans::Claim() {
    if (Ending || Claimed + 1 >= Spans)
        return nullptr;
    Taken.emplace_back();
    Taken.back().Index = Claimed++;
    return &Taken.back();
}

void TBlake3Spans::ReadSpan(TSpan& span, uint8_t* buffer, const TReadAt& read) {
    const uint64_t start = span.Index * kSpanLength;
    const size_t length =
        Length - start < kSpanLength ? static_cast<size_t>(Length - start) : kSpanLength;
    if (Mapped) {
        MapSpan(span, start, length);
        return;
    }
    try {
        for (size_t filled = 0; filled < length;) {
            if (Stopping.load(std::memory_order_relaxed))
                return;
            TBlockRun run;
            if (!ReadBlockRun(read, start + filled, buffer + filled,
                              static_cast<uint32_t>(length - filled), run, span.Error)) {
                span.Failed = true;
                return;
            }
            span.Reads.insert(span.Reads.end(), run.Lengths, run.Lengths + run.Count);
            filled += run.Total;
        }
    } catch (...) {
        span.Thrown = std::current_exception();
        return;
    }
    if (span.Index + 1 < Spans)
        Blake3SubtreeCv(buffer, kSpanLevels, span.Index << kSpanLevels, Features, span.Cv);
}

void TBlake3Spans::MapSpan(TSpan& span, uint64_t start, size_t length) {
    // The last span is added to the digest where it is reported.
    if (span.Index + 1 < Spans) {
        TSubtree subtree{span.Index << kSpanLevels, Features, span.Cv};
        if (!Mapped->Use(start, length, HashSubtree, &subtree, span.Error)) {
            span.Failed = true;
            return;
        }
    }
    for (size_t done = 0; done < length; done += kFileBlock)
        span.Reads.push_back(BlockAt(length, done));
}

void TBlake3Spans::Help() {
    uint8_t* const buffer = Buffers + kSpanLength;
    std::unique_lock<std::mutex> lock(Mutex);
    while (!Stopping) {
        TSpan* span = Taken.size() < kSpansAhead ? Claim() : nullptr;
        if (!span) {
            Changed.wait(lock);
            continue;
        }
        lock.unlock();
        ReadSpan(*span, buffer, HelperReadAt);
        lock.lock();
        span->Done = true;
        Ending |= span->Failed || span->Thrown;
        Changed.notify_all();
    }
}

bool TBlake3Spans::Report(const TSpan& span, const TBlockRead& onBlock, TFileDigest& result) {
    for (uint32_t length : span.Reads) {
        result.BytesRead += length;
        if (!onBlock(length))
            return false;
    }
    if (span.Thrown)
        std::rethrow_exception(span.Thrown);
    if (span.Failed) {
        result.Status = TFileDigest::ReadFailed;
        result.Error = span.Error;
        return false;
    }
    return true;
}

bool TBlake3Spans::Read(const TBlockRead& onBlock, TFileDigest& result) {
    uint8_t* const buffer = Buffers;
    TSpan last;
    last.Index = Spans - 1;
    bool lastRead = false;
    std::unique_lock<std::mutex> lock(Mutex);
    for (;;) {
        while (!Taken.empty() && Taken.front().Done) {
            const TSpan span = std::move(Taken.front());
            Taken.pop_front();
            Changed.notify_all();
            lock.unlock();
            if (!Report(span, onBlock, result))
                return false;
            Digest.AddBlake3Subtree(span.Cv, kSpanLevels);
            if (Mapped)
                Mapped->UsedUpTo((span.Index + 1) * kSpanLength);
            lock.lock();
        }
        if (TSpan* span = Claim()) {
            lock.unlock();
            ReadSpan(*span, buffer, ReadAt);
            lock.lock();
            span->Done = true;
            Ending |= span->Failed || span->Thrown;
            continue;
        }
        if (Taken.empty())
            break;
        // Nothing left to take while the helper reads: the last span is read meanwhile.
        if (!lastRead && !Ending) {
            lock.unlock();
            ReadSpan(last, buffer, ReadAt);
            lastRead = true;
            lock.lock();
            continue;
        }
        Changed.wait(lock);
    }
    lock.unlock();
    if (!lastRead)
        ReadSpan(last, buffer, ReadAt);
    const uint64_t start = last.Index * kSpanLength;
    const size_t length = static_cast<size_t>(Length - start);
    if (Mapped && !Mapped->Use(start, length, AddInBlocks, &Digest, last.Error)) {
        last.Reads.clear();
        last.Failed = true;
    }
    if (!Report(last, onBlock, result))
        return false;
    if (!Mapped)
        AddInBlocks(&Digest, buffer, length);
    return true;
}
