// BLAKE3 in portable code: the seven rounds of the G function over a 4 x 4 word state,
// columns first and then diagonals, each round taking the message words in its own order.
#include "engine/blake3_paths.h"

#include "engine/block_buffer.h"

namespace {

inline uint32_t Rotr(uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

inline void G(uint32_t* v, int a, int b, int c, int d, uint32_t x, uint32_t y) {
    v[a] += v[b] + x;
    v[d] = Rotr(v[d] ^ v[a], 16);
    v[c] += v[d];
    v[b] = Rotr(v[b] ^ v[c], 12);
    v[a] += v[b] + y;
    v[d] = Rotr(v[d] ^ v[a], 8);
    v[c] += v[d];
    v[b] = Rotr(v[b] ^ v[c], 7);
}

} // namespace

void Blake3Compress(const uint32_t cv[8], const uint8_t block[64], uint32_t blockLength,
                    uint64_t counter, uint32_t flags, uint32_t out[8]) {
    uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = LoadLittleEndian32(block + 4 * i);
    uint32_t v[16];
    for (int i = 0; i < 8; ++i)
        v[i] = cv[i];
    for (int i = 0; i < 4; ++i)
        v[8 + i] = kBlake3Iv[i];
    v[12] = static_cast<uint32_t>(counter);
    v[13] = static_cast<uint32_t>(counter >> 32);
    v[14] = blockLength;
    v[15] = flags;
#pragma GCC unroll 7
    for (int round = 0; round < 7; ++round) {
        const uint8_t* w = kBlake3Schedule.Word[round];
        G(v, 0, 4, 8, 12, m[w[0]], m[w[1]]);
        G(v, 1, 5, 9, 13, m[w[2]], m[w[3]]);
        G(v, 2, 6, 10, 14, m[w[4]], m[w[5]]);
        G(v, 3, 7, 11, 15, m[w[6]], m[w[7]]);
        G(v, 0, 5, 10, 15, m[w[8]], m[w[9]]);
        G(v, 1, 6, 11, 12, m[w[10]], m[w[11]]);
        G(v, 2, 7, 8, 13, m[w[12]], m[w[13]]);
        G(v, 3, 4, 9, 14, m[w[14]], m[w[15]]);
    }
    for (int i = 0; i < 8; ++i)
        out[i] = v[i] ^ v[i + 8];
}

void Blake3PortableChunks(const uint8_t* const* chunks, size_t count, uint64_t counter,
                          uint8_t* cvs) {
    for (size_t lane = 0; lane < count; ++lane, cvs += 32) {
        uint32_t cv[8];
        for (int i = 0; i < 8; ++i)
            cv[i] = kBlake3Iv[i];
        for (size_t block = 0; block < kBlake3BlocksPerChunk; ++block) {
            const uint32_t flags = (block == 0 ? kBlake3ChunkStart : 0) |
                                   (block == kBlake3BlocksPerChunk - 1 ? kBlake3ChunkEnd : 0);
            Blake3Compress(cv, chunks[lane] + 64 * block, 64, counter + lane, flags, cv);
        }
        for (int i = 0; i < 8; ++i)
            StoreLittleEndian32(cvs + 4 * i, cv[i]);
    }
}

void Blake3PortableParents(const uint8_t* const* blocks, size_t count, uint8_t* cvs) {
    for (size_t lane = 0; lane < count; ++lane, cvs += 32) {
        uint32_t cv[8];
        Blake3Compress(kBlake3Iv, blocks[lane], 64, 0, kBlake3Parent, cv);
        for (int i = 0; i < 8; ++i)
            StoreLittleEndian32(cvs + 4 * i, cv[i]);
    }
}
