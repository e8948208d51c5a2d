// BLAKE3 on sixteen chunks at once with AVX-512: one 512-bit register per state word, the
// rotations in one instruction each.
#include "engine/blake3_paths.h"

#if TLVN_BLAKE3_AVX512

#pragma GCC target("avx512f")
// GCC 12 takes the undefined start values inside its AVX-512 intrinsics for uninitialized.
#pragma GCC diagnostic ignored "-Wuninitialized"

#include <immintrin.h>

#include "engine/blake3_lanes.h"

namespace {

struct TAvx512 {
    using TVector = __m512i;
    static constexpr int kLanes = 16;
    static TVector Add(TVector a, TVector b) { return _mm512_add_epi32(a, b); }
    static TVector Xor(TVector a, TVector b) { return _mm512_xor_si512(a, b); }
    static TVector Splat(uint32_t x) { return _mm512_set1_epi32(static_cast<int>(x)); }
    static TVector Load(const uint32_t* words) { return _mm512_loadu_si512(words); }
    static TVector Rotr16(TVector x) { return _mm512_ror_epi32(x, 16); }
    static TVector Rotr12(TVector x) { return _mm512_ror_epi32(x, 12); }
    static TVector Rotr8(TVector x) { return _mm512_ror_epi32(x, 8); }
    static TVector Rotr7(TVector x) { return _mm512_ror_epi32(x, 7); }

    // Rows r[0..15] of sixteen words each become columns: 4 x 4 transposes inside each
    // 128-bit quarter, then the quarters of every fourth vector exchanged.
    static void Transpose(TVector r[16]) {
        TVector u[16];
        for (int g = 0; g < 16; g += 4) {
            const TVector t0 = _mm512_unpacklo_epi32(r[g], r[g + 1]);
            const TVector t1 = _mm512_unpackhi_epi32(r[g], r[g + 1]);
            const TVector t2 = _mm512_unpacklo_epi32(r[g + 2], r[g + 3]);
            const TVector t3 = _mm512_unpackhi_epi32(r[g + 2], r[g + 3]);
            u[g] = _mm512_unpacklo_epi64(t0, t2);
            u[g + 1] = _mm512_unpackhi_epi64(t0, t2);
            u[g + 2] = _mm512_unpacklo_epi64(t1, t3);
            u[g + 3] = _mm512_unpackhi_epi64(t1, t3);
        }
        // Quarter j of u[4g + k] holds word 4j + k of rows 4g..4g+3.
        for (int k = 0; k < 4; ++k) {
            const TVector s0 = _mm512_shuffle_i32x4(u[k], u[4 + k], 0x44);
            const TVector s1 = _mm512_shuffle_i32x4(u[k], u[4 + k], 0xEE);
            const TVector s2 = _mm512_shuffle_i32x4(u[8 + k], u[12 + k], 0x44);
            const TVector s3 = _mm512_shuffle_i32x4(u[8 + k], u[12 + k], 0xEE);
            r[k] = _mm512_shuffle_i32x4(s0, s2, 0x88);
            r[4 + k] = _mm512_shuffle_i32x4(s0, s2, 0xDD);
            r[8 + k] = _mm512_shuffle_i32x4(s1, s3, 0x88);
            r[12 + k] = _mm512_shuffle_i32x4(s1, s3, 0xDD);
        }
    }
    static void LoadMessage(const uint8_t* const* chunks, size_t offset, TVector m[16]) {
        for (int lane = 0; lane < 16; ++lane)
            m[lane] = _mm512_loadu_si512(chunks[lane] + offset);
        Transpose(m);
    }
    // The eight words of each lane: the low halves of a transpose padded with zero rows.
    static void StoreCvs(TVector cv[8], uint8_t* cvs) {
        TVector r[16];
        for (int i = 0; i < 8; ++i) {
            r[i] = cv[i];
            r[8 + i] = _mm512_setzero_si512();
        }
        Transpose(r);
        for (int lane = 0; lane < 16; ++lane)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(cvs + 32 * lane),
                                _mm512_castsi512_si256(r[lane]));
    }
};

} // namespace

void Blake3Avx512Chunks(const uint8_t* const chunks[16], uint64_t counter, uint8_t* cvs) {
    HashLanes<TAvx512, false>(chunks, counter, cvs);
}

void Blake3Avx512Parents(const uint8_t* const blocks[16], uint8_t* cvs) {
    HashLanes<TAvx512, true>(blocks, 0, cvs);
}

#endif
