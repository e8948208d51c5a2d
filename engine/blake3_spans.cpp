#include "engine/blake3_spans.h"

#include <system_error>

#include "engine/blake3.h"
#include "engine/blake3_paths.h"
#include "engine/file_digest.h"

namespace {

constexpr unsigned kPieceLevels = 6;
constexpr size_t kPieceLength = kBlake3ChunkLength << kPieceLevels;
constexpr size_t kPiecesPerSpan = TBlake3Spans::kSpanLength / kPieceLength;

} // namespace

TBlake3Spans::TBlake3Spans(TRunningDigest& digest, bool helper, TCpuFeatures features)
    : Digest(digest), Features(features), Memory(new uint8_t[2 * kSpanLength + kReadAlignment - 1]),
      Buffers(AlignedForReads(Memory.get())) {
    if (!helper)
        return;
    try {
        Helper = std::thread([this] { Help(); });
    } catch (const std::system_error&) {
        // No thread to be had: this thread hashes every piece itself.
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

uint8_t* TBlake3Spans::Next() {
    // The other buffer holds the span queued last, if any; this one is reused only when
    // the span queued before it is added.
    if (Pieces.size() > kPiecesPerSpan)
        CompleteOldest();
    return Buffers + Filling * kSpanLength;
}

void TBlake3Spans::Queue() {
    const uint8_t* span = Buffers + Filling * kSpanLength;
    {
        std::lock_guard<std::mutex> lock(Mutex);
        for (size_t i = 0; i < kPiecesPerSpan; ++i) {
            Pieces.push_back(TPiece{span + i * kPieceLength, Chunks, {}});
            Chunks += size_t(1) << kPieceLevels;
        }
    }
    Changed.notify_all();
    Filling ^= 1;
}

void TBlake3Spans::Finish(size_t length) {
    while (!Pieces.empty())
        CompleteOldest();
    const uint8_t* last = Buffers + Filling * kSpanLength;
    for (size_t done = 0; done < length; done += 65536)
        Digest.Add(last + done, length - done < 65536 ? length - done : 65536);
}

bool TBlake3Spans::HashOne(std::unique_lock<std::mutex>& lock) {
    for (TPiece& piece : Pieces) {
        if (piece.Claimed)
            continue;
        piece.Claimed = true;
        lock.unlock();
        Blake3SubtreeCv(piece.Data, kPieceLevels, piece.Counter, Features, piece.Cv);
        lock.lock();
        piece.Done = true;
        return true;
    }
    return false;
}

void TBlake3Spans::Help() {
    std::unique_lock<std::mutex> lock(Mutex);
    while (!Stopping) {
        if (HashOne(lock))
            Changed.notify_all();
        else
            Changed.wait(lock);
    }
}

void TBlake3Spans::CompleteOldest() {
    std::unique_lock<std::mutex> lock(Mutex);
    for (size_t i = 0; i < kPiecesPerSpan; ++i)
        while (!Pieces[i].Done)
            if (!HashOne(lock))
                Changed.wait(lock);
    for (size_t i = 0; i < kPiecesPerSpan; ++i) {
        Digest.AddBlake3Subtree(Pieces.front().Cv, kPieceLevels);
        Pieces.pop_front();
    }
}
