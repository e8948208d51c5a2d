// Test input for the digest tests: a byte pattern whose period (251) is not a power of two,
// so a block or piece boundary handled wrongly cannot be hidden by a repeating block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline std::vector<uint8_t> DigestPattern(size_t length) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<uint8_t>((i * 31 + 7) % 251);
    return bytes;
}

// Piece sizes that straddle the 64-byte block, the 56-byte padding limit and the 64 KiB read
// block in every combination when cycled over an input.
inline const std::vector<size_t>& OddPieceSizes() {
    static const std::vector<size_t> sizes = {1,  3,  7,   13,   55,    56,    57,   63,
                                              64, 65, 127, 4097, 65535, 65536, 65537};
    return sizes;
}
