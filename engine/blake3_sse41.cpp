// BLAKE3 on four chunks at once with SSE4.1: one 128-bit register per state word.
#include "engine/blake3_paths.h"

#if TLVN_BLAKE3_SIMD

#pragma GCC target("sse4.1,ssse3")

#include <immintrin.h>

#include "engine/blake3_lanes.h"
#include "engine/block_buffer.h"
#include "engine/cpu.h"

namespace {

struct TSse41 {
    using TVector = __m128i;
    static constexpr int kLanes = 4;
    static TVector Add(TVector a, TVector b) { return _mm_add_epi32(a, b); }
    static TVector Xor(TVector a, TVector b) { return _mm_xor_si128(a, b); }
    static TVector Splat(uint32_t x) { return _mm_set1_epi32(static_cast<int>(x)); }
    static TVector Load(const uint32_t* words) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(words));
    }
    static TVector Rotr16(TVector x) {
        return _mm_shuffle_epi8(x,
                                _mm_set_epi8(13, 12, 15, 14, 9, 8, 11, 10, 5, 4, 7, 6, 1, 0, 3, 2));
    }
    static TVector Rotr8(TVector x) {
        return _mm_shuffle_epi8(x,
                                _mm_set_epi8(12, 15, 14, 13, 8, 11, 10, 9, 4, 7, 6, 5, 0, 3, 2, 1));
    }
    static TVector Rotr12(TVector x) {
        return _mm_or_si128(_mm_srli_epi32(x, 12), _mm_slli_epi32(x, 20));
    }
    static TVector Rotr7(TVector x) {
        return _mm_or_si128(_mm_srli_epi32(x, 7), _mm_slli_epi32(x, 25));
    }

    // Rows r[0..3] of four words each become columns.
    static void Transpose(TVector r[4]) {
        const TVector t0 = _mm_unpacklo_epi32(r[0], r[1]), t1 = _mm_unpackhi_epi32(r[0], r[1]);
        const TVector t2 = _mm_unpacklo_epi32(r[2], r[3]), t3 = _mm_unpackhi_epi32(r[2], r[3]);
        r[0] = _mm_unpacklo_epi64(t0, t2);
        r[1] = _mm_unpackhi_epi64(t0, t2);
        r[2] = _mm_unpacklo_epi64(t1, t3);
        r[3] = _mm_unpackhi_epi64(t1, t3);
    }
    static void LoadMessage(const uint8_t* const* chunks, size_t offset, TVector m[16]) {
        for (int group = 0; group < 4; ++group) {
            for (int lane = 0; lane < 4; ++lane)
                m[4 * group + lane] = _mm_loadu_si128(
                    reinterpret_cast<const __m128i*>(chunks[lane] + offset + 16 * group));
            Transpose(m + 4 * group);
        }
    }
    static void StoreCvs(TVector cv[8], uint8_t* cvs) {
        Transpose(cv);
        Transpose(cv + 4);
        for (int lane = 0; lane < 4; ++lane) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cvs + 32 * lane), cv[lane]);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cvs + 32 * lane + 16), cv[4 + lane]);
        }
    }
};

// G on the four columns at once: row a, b, c, d of the state, x and y the message words.
inline void RowsG(__m128i& a, __m128i& b, __m128i& c, __m128i& d, __m128i x, __m128i y) {
    a = _mm_add_epi32(_mm_add_epi32(a, b), x);
    d = TSse41::Rotr16(_mm_xor_si128(d, a));
    c = _mm_add_epi32(c, d);
    b = TSse41::Rotr12(_mm_xor_si128(b, c));
    a = _mm_add_epi32(_mm_add_epi32(a, b), y);
    d = TSse41::Rotr8(_mm_xor_si128(d, a));
    c = _mm_add_epi32(c, d);
    b = TSse41::Rotr7(_mm_xor_si128(b, c));
}

// Four message words, in the order the G calls take them.
inline __m128i Words(const uint32_t* m, const uint8_t* w) {
    return _mm_setr_epi32(static_cast<int>(m[w[0]]), static_cast<int>(m[w[2]]),
                          static_cast<int>(m[w[4]]), static_cast<int>(m[w[6]]));
}

} // namespace

TLVN_ALIGNS_ITS_STACK void Blake3Sse41Compress(const uint32_t cv[8], const uint8_t block[64],
                                               uint32_t blockLength, uint64_t counter,
                                               uint32_t flags, uint32_t out[8]) {
    uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = LoadLittleEndian32(block + 4 * i);
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cv));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cv + 4));
    __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kBlake3Iv));
    __m128i d = _mm_setr_epi32(static_cast<int>(counter), static_cast<int>(counter >> 32),
                               static_cast<int>(blockLength), static_cast<int>(flags));
#pragma GCC unroll 7
    for (int round = 0; round < 7; ++round) {
        const uint8_t* w = kBlake3Schedule.Word[round];
        RowsG(a, b, c, d, Words(m, w), Words(m, w + 1));
        // The diagonals into columns: row b turned by one word, c by two, d by three.
        b = _mm_shuffle_epi32(b, _MM_SHUFFLE(0, 3, 2, 1));
        c = _mm_shuffle_epi32(c, _MM_SHUFFLE(1, 0, 3, 2));
        d = _mm_shuffle_epi32(d, _MM_SHUFFLE(2, 1, 0, 3));
        RowsG(a, b, c, d, Words(m, w + 8), Words(m, w + 9));
        b = _mm_shuffle_epi32(b, _MM_SHUFFLE(2, 1, 0, 3));
        c = _mm_shuffle_epi32(c, _MM_SHUFFLE(1, 0, 3, 2));
        d = _mm_shuffle_epi32(d, _MM_SHUFFLE(0, 3, 2, 1));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_xor_si128(a, c));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_xor_si128(b, d));
}

TLVN_ALIGNS_ITS_STACK void Blake3Sse41Chunks(const uint8_t* const chunks[4], uint64_t counter,
                                             uint8_t* cvs) {
    HashLanes<TSse41, false>(chunks, counter, cvs);
}

TLVN_ALIGNS_ITS_STACK void Blake3Sse41Parents(const uint8_t* const blocks[4], uint8_t* cvs) {
    HashLanes<TSse41, true>(blocks, 0, cvs);
}

#endif
