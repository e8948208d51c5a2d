// BLAKE3 hash with the default 256-bit output: init, update, final. No input or output.
// Input is split into 1 KiB chunks whose chaining values are merged in a binary tree;
// whole chunks are hashed several at a time on the processor's vector instructions, and a
// caller may hash whole subtrees apart (on other threads) and add their chaining values.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/cpu.h"

struct TBlake3Context {
    // The chunk being filled; hashed once more bytes follow it, so never the last one.
    uint8_t Chunk[1024];
    uint32_t ChunkLength;
    uint64_t ChunkCounter; // chunks finished before this one
    // Chaining values of the finished subtrees, largest first; one per set bit of the
    // chunk count, so 54 cover any 64-bit length.
    uint32_t Stack[54][8];
    uint32_t StackSize;
    TCpuFeatures Features; // the processor features the hash may use
};

void Blake3Init(TBlake3Context& context, TCpuFeatures features = CpuFeatures());
void Blake3Update(TBlake3Context& context, const void* data, size_t length);
// Writes the 32 bytes of the hash.
void Blake3Final(TBlake3Context& context, uint8_t digest[32]);

// The chaining value of a subtree that is not the root: 2^levels whole chunks at data
// (levels at most kBlake3MaxSubtreeLevels), numbered from counter on, a multiple of
// 2^levels.
constexpr unsigned kBlake3MaxSubtreeLevels = 8;
void Blake3SubtreeCv(const uint8_t* data, unsigned levels, uint64_t counter, TCpuFeatures features,
                     uint32_t cv[8]);
// Adds such a subtree, the next 2^levels chunks, to a context that holds no partial chunk
// and a multiple of 2^levels chunks; more input must follow it.
void Blake3AddSubtree(TBlake3Context& context, const uint32_t cv[8], unsigned levels);
