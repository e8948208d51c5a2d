// XXH3's stripes with AVX2: the eight accumulators in two 256-bit registers; each 64-bit
// word's keyed halves are multiplied four at a time, and its data goes to the accumulator
// beside it by a swap inside each 128-bit lane.
#include "engine/xxh3_paths.h"

#if TLVN_XXH3_AVX2

#pragma GCC target("avx2")

#include <immintrin.h>

#include "engine/cpu.h"

TLVN_ALIGNS_ITS_STACK void XXH3Avx2Stripes(uint64_t acc[8], const uint8_t* data, size_t stripes,
                                           const uint8_t* secret) {
    __m256i sums[2];
    for (int h = 0; h < 2; ++h)
        sums[h] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(acc + 4 * h));
    for (; stripes > 0; --stripes, data += 64, secret += 8)
        for (int h = 0; h < 2; ++h) {
            const __m256i words =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + 32 * h));
            const __m256i keyed = _mm256_xor_si256(
                words, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(secret + 32 * h)));
            const __m256i product = _mm256_mul_epu32(keyed, _mm256_srli_epi64(keyed, 32));
            const __m256i swapped = _mm256_shuffle_epi32(words, 0x4E);
            sums[h] = _mm256_add_epi64(sums[h], _mm256_add_epi64(product, swapped));
        }
    for (int h = 0; h < 2; ++h)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(acc + 4 * h), sums[h]);
}

#endif
