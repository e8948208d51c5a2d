// BLAKE3 on several chunks, or parents, at once, one per vector lane: word i of the state
// and of the message is one vector holding word i of every lane, so the seven rounds run as
// on one input. Included only by the SIMD path files, after they set the instruction target;
// V gives the vector type and its operations:
//   TVector, kLanes, Add, Xor, Splat, Rotr16, Rotr12, Rotr8, Rotr7,
//   LoadMessage(chunks, offset, m[16]): word i of the 64 bytes at chunks[lane] + offset;
//   StoreCvs(v[8], cvs): the chaining value of each lane, 32 bytes each.
#pragma once

#include "engine/blake3_paths.h"

namespace {

template <class V>
inline __attribute__((always_inline)) void LanesG(typename V::TVector* v, int a, int b, int c,
                                                  int d, typename V::TVector x,
                                                  typename V::TVector y) {
    v[a] = V::Add(V::Add(v[a], v[b]), x);
    v[d] = V::Rotr16(V::Xor(v[d], v[a]));
    v[c] = V::Add(v[c], v[d]);
    v[b] = V::Rotr12(V::Xor(v[b], v[c]));
    v[a] = V::Add(V::Add(v[a], v[b]), y);
    v[d] = V::Rotr8(V::Xor(v[d], v[a]));
    v[c] = V::Add(v[c], v[d]);
    v[b] = V::Rotr7(V::Xor(v[b], v[c]));
}

// Hashes a whole chunk (numbered counter + lane), or with Parents the 64-byte parent block
// of two chaining values, at inputs[lane]; writes the chaining values one after another.
// Every input is loaded before the first value is written, so a parent's output may
// overwrite the inputs.
template <class V, bool Parents>
inline __attribute__((always_inline)) void HashLanes(const uint8_t* const* inputs, uint64_t counter,
                                                     uint8_t* cvs) {
    using TVector = typename V::TVector;
    constexpr size_t kBlocks = Parents ? 1 : kBlake3BlocksPerChunk;
    uint32_t low[V::kLanes], high[V::kLanes];
    for (int lane = 0; lane < V::kLanes; ++lane) {
        low[lane] = Parents ? 0 : static_cast<uint32_t>(counter + lane);
        high[lane] = Parents ? 0 : static_cast<uint32_t>((counter + lane) >> 32);
    }
    const TVector counterLow = V::Load(low), counterHigh = V::Load(high);
    TVector cv[8];
    for (int i = 0; i < 8; ++i)
        cv[i] = V::Splat(kBlake3Iv[i]);
    for (size_t block = 0; block < kBlocks; ++block) {
        TVector m[16];
        V::LoadMessage(inputs, 64 * block, m);
        const uint32_t flags = Parents ? kBlake3Parent
                                       : (block == 0 ? kBlake3ChunkStart : 0) |
                                             (block == kBlocks - 1 ? kBlake3ChunkEnd : 0);
        TVector v[16];
        for (int i = 0; i < 8; ++i)
            v[i] = cv[i];
        for (int i = 0; i < 4; ++i)
            v[8 + i] = V::Splat(kBlake3Iv[i]);
        v[12] = counterLow;
        v[13] = counterHigh;
        v[14] = V::Splat(64);
        v[15] = V::Splat(flags);
#pragma GCC unroll 7
        for (int r = 0; r < 7; ++r) {
            const uint8_t* w = kBlake3Schedule.Word[r];
            LanesG<V>(v, 0, 4, 8, 12, m[w[0]], m[w[1]]);
            LanesG<V>(v, 1, 5, 9, 13, m[w[2]], m[w[3]]);
            LanesG<V>(v, 2, 6, 10, 14, m[w[4]], m[w[5]]);
            LanesG<V>(v, 3, 7, 11, 15, m[w[6]], m[w[7]]);
            LanesG<V>(v, 0, 5, 10, 15, m[w[8]], m[w[9]]);
            LanesG<V>(v, 1, 6, 11, 12, m[w[10]], m[w[11]]);
            LanesG<V>(v, 2, 7, 8, 13, m[w[12]], m[w[13]]);
            LanesG<V>(v, 3, 4, 9, 14, m[w[14]], m[w[15]]);
        }
        for (int i = 0; i < 8; ++i)
            cv[i] = V::Xor(v[i], v[i + 8]);
    }
    V::StoreCvs(cv, cvs);
}

} // namespace
