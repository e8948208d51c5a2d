// CRC-32 by carry-less multiplication: four 128-bit lanes fold 64 bytes per step, then fold
// into one lane, reduce 128 to 64 bits and finish with a Barrett reduction. Constants are
// x^n mod P for the reflected polynomial, bit-reflected and shifted left by one.
#include "engine/crc32_paths.h"

#if TLVN_CRC32_CLMUL

#include <immintrin.h>

#define TLVN_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))

namespace {

TLVN_CLMUL_TARGET inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
    const __m128i lo = _mm_clmulepi64_si128(x, k, 0x00);
    const __m128i hi = _mm_clmulepi64_si128(x, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(lo, hi), next);
}

TLVN_CLMUL_TARGET inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

} // namespace

TLVN_CLMUL_TARGET uint32_t CRC32ClmulBlocks(uint32_t crc, const uint8_t* p, size_t length) {
    const __m128i k1k2 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4); // x^(512-32), x^(512+32)
    const __m128i k3k4 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0); // x^(128-32), x^(128+32)
    const __m128i k5 = _mm_set_epi64x(0, 0x163cd6124);             // x^64
    const __m128i poly = _mm_set_epi64x(0x1f7011641, 0x1db710641); // mu, P
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);

    __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load(p + 16), x3 = Load(p + 32), x4 = Load(p + 48);
    p += 64;
    length -= 64;

    for (; length >= 64; p += 64, length -= 64) {
        x1 = Fold(x1, k1k2, Load(p));
        x2 = Fold(x2, k1k2, Load(p + 16));
        x3 = Fold(x3, k1k2, Load(p + 32));
        x4 = Fold(x4, k1k2, Load(p + 48));
    }

    x1 = Fold(x1, k3k4, x2);
    x1 = Fold(x1, k3k4, x3);
    x1 = Fold(x1, k3k4, x4);
    for (; length >= 16; p += 16, length -= 16)
        x1 = Fold(x1, k3k4, Load(p));

    // 128 bits to 64: fold the low half onto the high half.
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k3k4, 0x10));
    // 64 bits to 32 more: fold the low word on with x^64.
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 4),
                       _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00));
    // Barrett reduction to the 32-bit remainder.
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), poly, 0x00);
    return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, t), 1));
}

#endif
