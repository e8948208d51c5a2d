// CRC-32 (reflected polynomial 0xEDB88320), one table lookup per byte.
#include "engine/crc32.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i;
        for (int bit = 0; bit < 8; ++bit)
            r = (r >> 1) ^ (0xEDB88320u & (0u - (r & 1)));
        table[i] = r;
    }
    return table;
}

// Computed by the compiler: the program carries the table as constant data.
constexpr std::array<uint32_t, 256> CRC32Table = MakeTable();
static_assert(CRC32Table[1] == 0x77073096u && CRC32Table[255] == 0x2D02EF8Du);

} // namespace

uint32_t CRC32Update(uint32_t crc, const void* data, size_t length) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < length; ++i)
        crc = (crc >> 8) ^ CRC32Table[(crc ^ p[i]) & 0xFF];
    return crc;
}
