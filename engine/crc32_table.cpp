// CRC-32 by table lookup, sixteen bytes at a time ("slicing by 16"). Table k maps a byte to
// the remainder of that byte followed by k zero bytes, so sixteen independent lookups
// replace sixteen dependent ones.
#include "engine/crc32_paths.h"

#include <array>

namespace {

using TTables = std::array<std::array<uint32_t, 256>, 16>;

constexpr TTables MakeTables() {
    TTables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i;
        for (int bit = 0; bit < 8; ++bit)
            r = (r >> 1) ^ (0xEDB88320u & (0u - (r & 1)));
        t[0][i] = r;
    }
    for (size_t k = 1; k < t.size(); ++k)
        for (size_t i = 0; i < 256; ++i)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

// Computed by the compiler: the program carries the tables as constant data.
constexpr TTables CRC32Tables = MakeTables();
constexpr const std::array<uint32_t, 256>& CRC32Table = CRC32Tables[0];
static_assert(CRC32Table[1] == 0x77073096u && CRC32Table[255] == 0x2D02EF8Du);

} // namespace

uint32_t CRC32Portable(uint32_t crc, const uint8_t* p, size_t length) {
    const auto& t = CRC32Tables;
    for (; length >= 16; p += 16, length -= 16) {
        const uint32_t c = crc ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                  uint32_t(p[3]) << 24);
        crc = t[15][c & 0xFF] ^ t[14][(c >> 8) & 0xFF] ^ t[13][(c >> 16) & 0xFF] ^ t[12][c >> 24] ^
              t[11][p[4]] ^ t[10][p[5]] ^ t[9][p[6]] ^ t[8][p[7]] ^ t[7][p[8]] ^ t[6][p[9]] ^
              t[5][p[10]] ^ t[4][p[11]] ^ t[3][p[12]] ^ t[2][p[13]] ^ t[1][p[14]] ^ t[0][p[15]];
    }
    for (; length > 0; ++p, --length)
        crc = (crc >> 8) ^ CRC32Table[(crc ^ *p) & 0xFF];
    return crc;
}
