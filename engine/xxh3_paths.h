// The XXH3 stripe paths behind XXH3Update: each adds whole 64-byte stripes to the eight
// accumulators, stripe i keyed by the secret from byte 8 i on.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#define TLVN_XXH3_AVX2 1
// Call only with cfAvx2 among CpuFeatures().
void XXH3Avx2Stripes(uint64_t acc[8], const uint8_t* data, size_t stripes, const uint8_t* secret);
#else
#define TLVN_XXH3_AVX2 0
#endif
