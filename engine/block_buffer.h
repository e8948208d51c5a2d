// The message buffering and padding that SHA-1, SHA-256 and SHA-512 share: whole blocks go
// straight to the compression function, the rest waits in the buffer until more comes; and
// the byte-order loads and stores the digests use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

inline uint32_t LoadBigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

inline uint64_t LoadBigEndian64(const uint8_t* p) {
    return uint64_t(LoadBigEndian32(p)) << 32 | LoadBigEndian32(p + 4);
}

inline void StoreBigEndian32(uint8_t* p, uint32_t value) {
    for (int i = 3; i >= 0; --i, value >>= 8)
        p[i] = static_cast<uint8_t>(value);
}

inline void StoreBigEndian64(uint8_t* p, uint64_t value) {
    StoreBigEndian32(p, static_cast<uint32_t>(value >> 32));
    StoreBigEndian32(p + 4, static_cast<uint32_t>(value));
}

inline uint32_t LoadLittleEndian32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void StoreLittleEndian32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i, value >>= 8)
        p[i] = static_cast<uint8_t>(value);
}

// Block: bytes per block. The compression function takes (data, whole block count).
template <size_t Block> struct TBlockBuffer {
    uint8_t Data[Block];
    uint64_t Length; // message bytes fed so far; the Init functions clear it

    template <typename Compress> void Add(const void* data, size_t length, Compress compress) {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        size_t used = static_cast<size_t>(Length % Block);
        Length += length;
        if (used > 0) {
            const size_t take = length < Block - used ? length : Block - used;
            std::memcpy(Data + used, p, take);
            p += take;
            length -= take;
            used += take;
            if (used < Block)
                return;
            compress(Data, 1);
        }
        if (length >= Block) {
            compress(p, length / Block);
            p += length - length % Block;
            length %= Block;
        }
        std::memcpy(Data, p, length);
    }

    // Appends 0x80, zeros and the message's bit count as a big-endian number of
    // lengthBytes bytes (8 or 16), then compresses the last block or two.
    template <typename Compress> void Finish(size_t lengthBytes, Compress compress) {
        size_t used = static_cast<size_t>(Length % Block);
        Data[used++] = 0x80;
        if (used > Block - lengthBytes) {
            std::memset(Data + used, 0, Block - used);
            compress(Data, 1);
            used = 0;
        }
        std::memset(Data + used, 0, Block - used);
        StoreBigEndian64(Data + Block - 8, Length << 3);
        if (lengthBytes > 8)
            StoreBigEndian64(Data + Block - 16, Length >> 61);
        compress(Data, 1);
    }
};
