// BLAKE3 on eight chunks at once with AVX2: one 256-bit register per state word.
#include "engine/blake3_paths.h"

#if TLVN_BLAKE3_SIMD

#pragma GCC target("avx2")

#include <immintrin.h>

#include "engine/blake3_lanes.h"
#include "engine/cpu.h"

namespace {

struct TAvx2 {
    using TVector = __m256i;
    static constexpr int kLanes = 8;
    static TVector Add(TVector a, TVector b) { return _mm256_add_epi32(a, b); }
    static TVector Xor(TVector a, TVector b) { return _mm256_xor_si256(a, b); }
    static TVector Splat(uint32_t x) { return _mm256_set1_epi32(static_cast<int>(x)); }
    static TVector Load(const uint32_t* words) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words));
    }
    static TVector Rotr16(TVector x) {
        return _mm256_shuffle_epi8(x, _mm256_set_epi8(13, 12, 15, 14, 9, 8, 11, 10, 5, 4, 7, 6, 1,
                                                      0, 3, 2, 13, 12, 15, 14, 9, 8, 11, 10, 5, 4,
                                                      7, 6, 1, 0, 3, 2));
    }
    static TVector Rotr8(TVector x) {
        return _mm256_shuffle_epi8(x, _mm256_set_epi8(12, 15, 14, 13, 8, 11, 10, 9, 4, 7, 6, 5, 0,
                                                      3, 2, 1, 12, 15, 14, 13, 8, 11, 10, 9, 4, 7,
                                                      6, 5, 0, 3, 2, 1));
    }
    static TVector Rotr12(TVector x) {
        return _mm256_or_si256(_mm256_srli_epi32(x, 12), _mm256_slli_epi32(x, 20));
    }
    static TVector Rotr7(TVector x) {
        return _mm256_or_si256(_mm256_srli_epi32(x, 7), _mm256_slli_epi32(x, 25));
    }

    // Rows r[0..7] of eight words each become columns: 4 x 4 transposes inside each
    // 128-bit half, then the halves exchanged.
    static void Transpose(TVector r[8]) {
        TVector u[8];
        for (int h = 0; h < 8; h += 4) {
            const TVector t0 = _mm256_unpacklo_epi32(r[h], r[h + 1]);
            const TVector t1 = _mm256_unpackhi_epi32(r[h], r[h + 1]);
            const TVector t2 = _mm256_unpacklo_epi32(r[h + 2], r[h + 3]);
            const TVector t3 = _mm256_unpackhi_epi32(r[h + 2], r[h + 3]);
            u[h] = _mm256_unpacklo_epi64(t0, t2);
            u[h + 1] = _mm256_unpackhi_epi64(t0, t2);
            u[h + 2] = _mm256_unpacklo_epi64(t1, t3);
            u[h + 3] = _mm256_unpackhi_epi64(t1, t3);
        }
        for (int k = 0; k < 4; ++k) {
            r[k] = _mm256_permute2x128_si256(u[k], u[k + 4], 0x20);
            r[k + 4] = _mm256_permute2x128_si256(u[k], u[k + 4], 0x31);
        }
    }
    static void LoadMessage(const uint8_t* const* chunks, size_t offset, TVector m[16]) {
        for (int group = 0; group < 2; ++group) {
            for (int lane = 0; lane < 8; ++lane)
                m[8 * group + lane] = _mm256_loadu_si256(
                    reinterpret_cast<const __m256i*>(chunks[lane] + offset + 32 * group));
            Transpose(m + 8 * group);
        }
    }
    static void StoreCvs(TVector cv[8], uint8_t* cvs) {
        Transpose(cv);
        for (int lane = 0; lane < 8; ++lane)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(cvs + 32 * lane), cv[lane]);
    }
};

} // namespace

TLVN_ALIGNS_ITS_STACK void Blake3Avx2Chunks(const uint8_t* const chunks[8], uint64_t counter,
                                            uint8_t* cvs) {
    HashLanes<TAvx2, false>(chunks, counter, cvs);
}

TLVN_ALIGNS_ITS_STACK void Blake3Avx2Parents(const uint8_t* const blocks[8], uint8_t* cvs) {
    HashLanes<TAvx2, true>(blocks, 0, cvs);
}

#endif
