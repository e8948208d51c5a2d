// SHA-256 compression with the x86 SHA extensions: each SHA256RNDS2 does two rounds on the
// state held as ABEF and CDGH; SHA256MSG1 and SHA256MSG2 extend the message schedule four
// words at a time, so four 128-bit registers carry the sixteen words of the rolling window.
#include "engine/sha256_paths.h"

#if TLVN_SHA256_SHANI

#include <immintrin.h>

#include "engine/cpu.h"

#define TLVN_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))

TLVN_SHA_TARGET TLVN_ALIGNS_ITS_STACK void SHA256ShaBlocks(uint32_t state[8], const uint8_t* data,
                                                           size_t blocks) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bll, 0x0405060700010203ll);
    const __m128i* k = reinterpret_cast<const __m128i*>(kSHA256RoundConstants);

    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
    const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);

    for (; blocks > 0; --blocks, data += 64) {
        const __m128i abefSaved = abef, cdghSaved = cdgh;
        __m128i w[4];
        for (int i = 0; i < 4; ++i)
            w[i] = _mm_shuffle_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), byteSwap);
#pragma GCC unroll 16
        for (int i = 0; i < 16; ++i) {
            const __m128i current = w[i & 3];
            __m128i message = _mm_add_epi32(current, _mm_load_si128(k + i));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
            // Words 4(i+1)..4(i+1)+3 get their last two terms once words 4i.. are known.
            if (i >= 3 && i < 15) {
                __m128i& next = w[(i + 1) & 3];
                next = _mm_add_epi32(next, _mm_alignr_epi8(current, w[(i + 3) & 3], 4));
                next = _mm_sha256msg2_epu32(next, current);
            }
            message = _mm_shuffle_epi32(message, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
            // Words 4(i+3).. get their first term.
            if (i >= 1 && i < 13)
                w[(i + 3) & 3] = _mm_sha256msg1_epu32(w[(i + 3) & 3], current);
        }
        abef = _mm_add_epi32(abef, abefSaved);
        cdgh = _mm_add_epi32(cdgh, cdghSaved);
    }

    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    dcba = _mm_blend_epi16(feba, dchg, 0xF0);
    hgfe = _mm_alignr_epi8(dchg, feba, 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), dcba);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), hgfe);
}

#endif
