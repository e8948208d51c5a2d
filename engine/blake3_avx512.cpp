// BLAKE3 on sixteen chunks at once with AVX-512: one 512-bit register per state word.
#include "engine/blake3_paths.h"

#if TLVN_BLAKE3_SIMD

#pragma GCC target("avx512f")
// GCC 12 warns of the placeholder operand its own AVX-512 intrinsics leave undefined.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include <immintrin.h>

#include "engine/blake3_lanes.h"
#include "engine/cpu.h"

namespace {

constexpr size_t kPrefetchAhead = 128;

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

    // Rows r[0..15] of sixteen words each become columns: 4 x 4 transposes of words inside
    // each 128-bit quarter, then a 4 x 4 transpose of the quarters.
    static void Transpose(TVector r[16]) {
        TVector u[16];
        for (int h = 0; h < 16; h += 4) {
            const TVector t0 = _mm512_unpacklo_epi32(r[h], r[h + 1]);
            const TVector t1 = _mm512_unpackhi_epi32(r[h], r[h + 1]);
            const TVector t2 = _mm512_unpacklo_epi32(r[h + 2], r[h + 3]);
            const TVector t3 = _mm512_unpackhi_epi32(r[h + 2], r[h + 3]);
            u[h] = _mm512_unpacklo_epi64(t0, t2);
            u[h + 1] = _mm512_unpackhi_epi64(t0, t2);
            u[h + 2] = _mm512_unpacklo_epi64(t1, t3);
            u[h + 3] = _mm512_unpackhi_epi64(t1, t3);
        }
        // Quarter q of u[4k + j] holds word 4q + j of rows 4k..4k+3.
        for (int j = 0; j < 4; ++j) {
            const TVector x0 = _mm512_shuffle_i32x4(u[j], u[4 + j], 0x44);
            const TVector x1 = _mm512_shuffle_i32x4(u[j], u[4 + j], 0xee);
            const TVector y0 = _mm512_shuffle_i32x4(u[8 + j], u[12 + j], 0x44);
            const TVector y1 = _mm512_shuffle_i32x4(u[8 + j], u[12 + j], 0xee);
            r[j] = _mm512_shuffle_i32x4(x0, y0, 0x88);
            r[4 + j] = _mm512_shuffle_i32x4(x0, y0, 0xdd);
            r[8 + j] = _mm512_shuffle_i32x4(x1, y1, 0x88);
            r[12 + j] = _mm512_shuffle_i32x4(x1, y1, 0xdd);
        }
    }
    // Each lane also asks for its bytes a few blocks on: hashed straight from the system's
    // cache of a mapped file, sixteen streams outrun what the processor fetches by itself.
    static void LoadMessage(const uint8_t* const* chunks, size_t offset, TVector m[16]) {
        for (int lane = 0; lane < 16; ++lane) {
            _mm_prefetch(reinterpret_cast<const char*>(chunks[lane] + offset + kPrefetchAhead),
                         _MM_HINT_T0);
            m[lane] = _mm512_loadu_si512(chunks[lane] + offset);
        }
        Transpose(m);
    }
    static void StoreCvs(TVector cv[8], uint8_t* cvs) {
        TVector rows[16];
        for (int i = 0; i < 16; ++i)
            rows[i] = i < 8 ? cv[i] : _mm512_setzero_si512();
        Transpose(rows);
        for (int lane = 0; lane < 16; ++lane)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(cvs + 32 * lane),
                                _mm512_castsi512_si256(rows[lane]));
    }
};

} // namespace

TLVN_ALIGNS_ITS_STACK void Blake3Avx512Chunks(const uint8_t* const chunks[16], uint64_t counter,
                                              uint8_t* cvs) {
    HashLanes<TAvx512, false>(chunks, counter, cvs);
}

TLVN_ALIGNS_ITS_STACK void Blake3Avx512Parents(const uint8_t* const blocks[16], uint8_t* cvs) {
    HashLanes<TAvx512, true>(blocks, 0, cvs);
}

#endif
