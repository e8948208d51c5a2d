// The two CRC-32 paths behind CRC32Update. Both take and return the running value.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#define TLVN_CRC32_CLMUL 1
#else
#define TLVN_CRC32_CLMUL 0
#endif

// Any length; sixteen table lookups per 16 bytes.
uint32_t CRC32Portable(uint32_t crc, const uint8_t* data, size_t length);

// The shortest input that the folding takes: four 128-bit lanes.
constexpr size_t kCRC32ClmulMinimum = 64;

#if TLVN_CRC32_CLMUL
// Folding by carry-less multiplication. length: at least kCRC32ClmulMinimum and a multiple
// of 16. Call only with cfClmul among CpuFeatures().
uint32_t CRC32ClmulBlocks(uint32_t crc, const uint8_t* data, size_t length);
#endif
