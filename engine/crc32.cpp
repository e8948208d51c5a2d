// CRC-32 (reflected polynomial 0xEDB88320): picks the fastest path the processor offers,
// once, and runs whole 16-byte groups through it; the tail goes through the tables.
#include "engine/crc32.h"

#include "engine/cpu.h"
#include "engine/crc32_paths.h"

namespace {

bool forcedPortable = false;

} // namespace

bool CRC32HasFastPath() {
#if TLVN_CRC32_CLMUL
    static const bool hasClmul = CpuHasClmul();
    return hasClmul;
#else
    return false;
#endif
}

void CRC32UsePortablePath(bool portable) {
    forcedPortable = portable;
}

uint32_t CRC32Update(uint32_t crc, const void* data, size_t length) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
#if TLVN_CRC32_CLMUL
    if (length >= 64 && !forcedPortable && CRC32HasFastPath()) {
        const size_t bulk = length & ~size_t(15);
        crc = CRC32ClmulBlocks(crc, p, bulk);
        p += bulk;
        length -= bulk;
    }
#endif
    return CRC32Portable(crc, p, length);
}
