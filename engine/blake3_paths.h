// The BLAKE3 compression function and the paths that hash many whole chunks at once.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#define TLVN_BLAKE3_SIMD 1
#else
#define TLVN_BLAKE3_SIMD 0
#endif

// The initial chaining value (the SHA-256 one) and the domain flags of a compression.
inline constexpr uint32_t kBlake3Iv[8] = {0x6a09e667u, 0xbb67ae85u, 0x3c6ef372u, 0xa54ff53au,
                                          0x510e527fu, 0x9b05688cu, 0x1f83d9abu, 0x5be0cd19u};
constexpr uint32_t kBlake3ChunkStart = 1, kBlake3ChunkEnd = 2, kBlake3Parent = 4, kBlake3Root = 8;
constexpr size_t kBlake3ChunkLength = 1024;
constexpr size_t kBlake3BlocksPerChunk = kBlake3ChunkLength / 64;

// The order in which one round's message words reach the next round.
inline constexpr uint8_t kBlake3Permutation[16] = {2, 6,  3,  10, 7, 0,  4,  13,
                                                   1, 11, 12, 5,  9, 14, 15, 8};

// The message word that position i of round r takes: the permutation applied r times.
struct TBlake3Schedule {
    uint8_t Word[7][16];
    constexpr TBlake3Schedule() : Word() {
        for (int i = 0; i < 16; ++i)
            Word[0][i] = static_cast<uint8_t>(i);
        for (int r = 1; r < 7; ++r)
            for (int i = 0; i < 16; ++i)
                Word[r][i] = Word[r - 1][kBlake3Permutation[i]];
    }
};
inline constexpr TBlake3Schedule kBlake3Schedule;

// One compression of a 64-byte block under cv; out receives the first 8 output words.
void Blake3Compress(const uint32_t cv[8], const uint8_t block[64], uint32_t blockLength,
                    uint64_t counter, uint32_t flags, uint32_t out[8]);

// The chunk paths: each hashes whole chunks (chunks[i] numbered counter + i), none of them
// the root, and writes their chaining values one after another (32 bytes each) into cvs.
// The parent paths do the same for parents that are not the root, blocks[i] pointing to
// the two chaining values of one; their output may overwrite their input.
// The portable paths take any count, the SSE4.1 paths four, the AVX2 paths eight, the
// AVX-512 paths sixteen.
void Blake3PortableChunks(const uint8_t* const* chunks, size_t count, uint64_t counter,
                          uint8_t* cvs);
void Blake3PortableParents(const uint8_t* const* blocks, size_t count, uint8_t* cvs);
#if TLVN_BLAKE3_SIMD
// Call only with cfSse41, cfAvx2 or cfAvx512 among CpuFeatures(), as the path's name says.
void Blake3Sse41Chunks(const uint8_t* const chunks[4], uint64_t counter, uint8_t* cvs);
void Blake3Sse41Parents(const uint8_t* const blocks[4], uint8_t* cvs);
// Blake3Compress with the state's four rows in four registers.
void Blake3Sse41Compress(const uint32_t cv[8], const uint8_t block[64], uint32_t blockLength,
                         uint64_t counter, uint32_t flags, uint32_t out[8]);
void Blake3Avx2Chunks(const uint8_t* const chunks[8], uint64_t counter, uint8_t* cvs);
void Blake3Avx2Parents(const uint8_t* const blocks[8], uint8_t* cvs);
void Blake3Avx512Chunks(const uint8_t* const chunks[16], uint64_t counter, uint8_t* cvs);
void Blake3Avx512Parents(const uint8_t* const blocks[16], uint8_t* cvs);
#endif
