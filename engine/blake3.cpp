// BLAKE3: the chunk being filled, the stack of finished subtrees and the merging of their
// chaining values into parents, up to the root.
#include "engine/blake3.h"

#include <cstring>

#include "engine/blake3_paths.h"
#include "engine/block_buffer.h"

namespace {

// Whole chunks hashed in one call of the chunk paths.
constexpr size_t kChunksPerBatch = 16;

// The chaining values of count whole chunks, on the widest paths the features allow.
void ChunkCvs(const uint8_t* const* chunks, size_t count, uint64_t counter, TCpuFeatures features,
              uint8_t* cvs) {
    size_t done = 0;
#if TLVN_BLAKE3_SIMD
    const bool avx512 = (features & cfAvx512) != 0, avx2 = (features & cfAvx2) != 0,
               sse41 = (features & cfSse41) != 0;
    for (;;) {
        // Fewer chunks than lanes left: the last one fills the lanes past them, their values
        // dropped, where that is still faster than hashing the few on a narrower path.
        const size_t left = count - done;
        const size_t lanes = avx512 && (left >= 9 || (!avx2 && left >= 5))  ? 16
                             : avx2 && (left >= 5 || (!sse41 && left >= 3)) ? 8
                             : sse41 && left >= 2                           ? 4
                                                                            : 0;
        if (lanes == 0)
            break;
        const size_t n = left < lanes ? left : lanes;
        const uint8_t* group[16];
        for (size_t i = 0; i < lanes; ++i)
            group[i] = chunks[done + (i < n ? i : n - 1)];
        uint8_t out[16 * 32];
        if (lanes == 16)
            Blake3Avx512Chunks(group, counter + done, out);
        else if (lanes == 8)
            Blake3Avx2Chunks(group, counter + done, out);
        else
            Blake3Sse41Chunks(group, counter + done, out);
        std::memcpy(cvs + 32 * done, out, 32 * n);
        done += n;
    }
#else
    (void)features;
#endif
    Blake3PortableChunks(chunks + done, count - done, counter + done, cvs + 32 * done);
}

// The chaining values of count parents whose blocks lie one after another at blocks;
// they replace the first half of those blocks.
void ParentCvs(uint8_t* blocks, size_t count, TCpuFeatures features) {
    for (size_t done = 0; done < count;) {
        size_t n = count - done < 16 ? count - done : 16;
        const uint8_t* inputs[16];
        for (size_t i = 0; i < n; ++i)
            inputs[i] = blocks + 64 * (done + i);
        uint8_t* out = blocks + 32 * done;
#if TLVN_BLAKE3_SIMD
        if (n == 16 && (features & cfAvx512) != 0) {
            Blake3Avx512Parents(inputs, out);
        } else if (n >= 8 && (features & cfAvx2) != 0) {
            n = 8;
            Blake3Avx2Parents(inputs, out);
        } else if (n >= 4 && (features & cfSse41) != 0) {
            n = 4;
            Blake3Sse41Parents(inputs, out);
        } else
#endif
        {
            Blake3PortableParents(inputs, n, out);
        }
        done += n;
    }
}

// One compression on the widest one-block path the features allow.
void Compress(TCpuFeatures features, const uint32_t cv[8], const uint8_t block[64],
              uint32_t blockLength, uint64_t counter, uint32_t flags, uint32_t out[8]) {
#if TLVN_BLAKE3_SIMD
    if ((features & cfSse41) != 0)
        return Blake3Sse41Compress(cv, block, blockLength, counter, flags, out);
#else
    (void)features;
#endif
    Blake3Compress(cv, block, blockLength, counter, flags, out);
}

void ParentCv(const uint32_t left[8], const uint32_t right[8], uint32_t flags,
              TCpuFeatures features, uint32_t out[8]) {
    uint8_t block[64];
    for (int i = 0; i < 8; ++i) {
        StoreLittleEndian32(block + 4 * i, left[i]);
        StoreLittleEndian32(block + 32 + 4 * i, right[i]);
    }
    Compress(features, kBlake3Iv, block, 64, 0, kBlake3Parent | flags, out);
}

// Pushes the chaining value of a subtree that is not the input's last; the trailing zero
// bits of count, the subtrees of its size added so far, tell how many subtrees it
// completes: they merge at once into parents, which then cannot be the root either.
void PushCv(uint32_t (*stack)[8], uint32_t& size, uint64_t count, const uint32_t cv[8],
            TCpuFeatures features) {
    uint32_t merged[8];
    std::memcpy(merged, cv, sizeof merged);
    for (; (count & 1) == 0; count >>= 1)
        ParentCv(stack[--size], merged, 0, features, merged);
    std::memcpy(stack[size++], merged, sizeof merged);
}

void LoadCv(const uint8_t* bytes, uint32_t cv[8]) {
    for (int i = 0; i < 8; ++i)
        cv[i] = LoadLittleEndian32(bytes + 4 * i);
}

// Hashes whole chunks that more input follows and adds them to the context.
void AddChunks(TBlake3Context& context, const uint8_t* const* chunks, size_t count) {
    uint8_t cvs[kChunksPerBatch * 32];
    ChunkCvs(chunks, count, context.ChunkCounter, context.Features, cvs);
    for (size_t i = 0; i < count; ++i) {
        uint32_t cv[8];
        LoadCv(cvs + 32 * i, cv);
        PushCv(context.Stack, context.StackSize, ++context.ChunkCounter, cv, context.Features);
    }
}

} // namespace

void Blake3Init(TBlake3Context& context, TCpuFeatures features) {
    context.ChunkLength = 0;
    context.ChunkCounter = 0;
    context.StackSize = 0;
    context.Features = features;
}

void Blake3Update(TBlake3Context& context, const void* data, size_t length) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (length > 0) {
        // A full buffered chunk that more bytes follow, and whole chunks that more bytes
        // follow, go through the chunk paths together.
        const uint8_t* chunks[kChunksPerBatch];
        size_t count = 0;
        if (context.ChunkLength == kBlake3ChunkLength) {
            chunks[count++] = context.Chunk;
            context.ChunkLength = 0;
        }
        if (context.ChunkLength == 0)
            for (; count < kChunksPerBatch && length > kBlake3ChunkLength;
                 p += kBlake3ChunkLength, length -= kBlake3ChunkLength)
                chunks[count++] = p;
        if (count > 0) {
            AddChunks(context, chunks, count);
            continue;
        }
        size_t take = kBlake3ChunkLength - context.ChunkLength;
        if (take > length)
            take = length;
        std::memcpy(context.Chunk + context.ChunkLength, p, take);
        context.ChunkLength += static_cast<uint32_t>(take);
        p += take;
        length -= take;
    }
}

void Blake3Final(TBlake3Context& context, uint8_t digest[32]) {
    // The last chunk, never empty but for empty input: its blocks, the last one padded.
    const uint32_t blocks = context.ChunkLength == 0 ? 1 : (context.ChunkLength + 63) / 64;
    const uint32_t lastLength = context.ChunkLength - 64 * (blocks - 1);
    std::memset(context.Chunk + context.ChunkLength, 0, 64 - lastLength);
    uint32_t cv[8];
    std::memcpy(cv, kBlake3Iv, sizeof cv);
    for (uint32_t block = 0; block < blocks; ++block) {
        uint32_t flags = block == 0 ? kBlake3ChunkStart : 0;
        if (block == blocks - 1)
            flags |= kBlake3ChunkEnd | (context.StackSize == 0 ? kBlake3Root : 0);
        Compress(context.Features, cv, context.Chunk + 64 * block,
                 block == blocks - 1 ? lastLength : 64, context.ChunkCounter, flags, cv);
    }
    for (uint32_t i = context.StackSize; i-- > 0;)
        ParentCv(context.Stack[i], cv, i == 0 ? kBlake3Root : 0, context.Features, cv);
    for (int i = 0; i < 8; ++i)
        StoreLittleEndian32(digest + 4 * i, cv[i]);
}

void Blake3SubtreeCv(const uint8_t* data, unsigned levels, uint64_t counter, TCpuFeatures features,
                     uint32_t cv[8]) {
    // The chunks' chaining values, then each level's parents in place of the level below.
    uint8_t cvs[(size_t(1) << kBlake3MaxSubtreeLevels) * 32];
    const size_t chunks = size_t(1) << levels;
    for (size_t done = 0; done < chunks; done += kChunksPerBatch) {
        const uint8_t* batch[kChunksPerBatch];
        const size_t count = chunks - done < kChunksPerBatch ? chunks - done : kChunksPerBatch;
        for (size_t i = 0; i < count; ++i)
            batch[i] = data + (done + i) * kBlake3ChunkLength;
        ChunkCvs(batch, count, counter + done, features, cvs + 32 * done);
    }
    for (size_t parents = chunks / 2; parents > 0; parents /= 2)
        ParentCvs(cvs, parents, features);
    LoadCv(cvs, cv);
}

void Blake3AddSubtree(TBlake3Context& context, const uint32_t cv[8], unsigned levels) {
    context.ChunkCounter += uint64_t(1) << levels;
    PushCv(context.Stack, context.StackSize, context.ChunkCounter >> levels, cv, context.Features);
}
