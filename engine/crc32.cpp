// CRC-32 (reflected polynomial 0xEDB88320): whole 16-byte groups of an input of 64 bytes and
// more go through the fastest path the features allow; the tail goes through the tables.
#include "engine/crc32.h"

#include "engine/crc32_paths.h"

uint32_t CRC32Update(uint32_t crc, const void* data, size_t length, TCpuFeatures features) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
#if TLVN_CRC32_CLMUL
    if (length >= kCRC32ClmulMinimum && (features & cfClmul) != 0) {
        const size_t bulk = length & ~size_t(15);
        crc = CRC32ClmulBlocks(crc, p, bulk);
        p += bulk;
        length -= bulk;
    }
#else
    (void)features;
#endif
    return CRC32Portable(crc, p, length);
}
