// MD5 (RFC 1321). The transform spells out all 64 steps so that every constant and shift is
// an immediate and every rotation a single instruction; the 16 message words are loaded once
// per block.
#include "engine/md5.h"

#include <cstring>

namespace {

inline uint32_t RotateLeft(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

inline uint32_t LoadLE32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    return v;
}

inline void StoreLE32(uint8_t* p, uint32_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    std::memcpy(p, &v, 4);
}

// The round functions, bit for bit the RFC's, arranged so that the part not depending on the
// newest word x is computed while x is still being made: F with one fewer operation, G as a
// sum of its two disjoint halves, H with y ^ z first.
#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_G(x, y, z) (((y) & ~(z)) + ((x) & (z)))
#define MD5_H(x, y, z) ((x) ^ ((y) ^ (z)))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))

#define MD5_STEP(f, a, b, c, d, w, k, s)                                                           \
    a += f(b, c, d) + (w) + (k);                                                                   \
    a = RotateLeft(a, s) + b;

void Transform(uint32_t state[4], const uint8_t* block) {
    const uint32_t x0 = LoadLE32(block + 0), x1 = LoadLE32(block + 4), x2 = LoadLE32(block + 8),
                   x3 = LoadLE32(block + 12), x4 = LoadLE32(block + 16), x5 = LoadLE32(block + 20),
                   x6 = LoadLE32(block + 24), x7 = LoadLE32(block + 28), x8 = LoadLE32(block + 32),
                   x9 = LoadLE32(block + 36), x10 = LoadLE32(block + 40),
                   x11 = LoadLE32(block + 44), x12 = LoadLE32(block + 48),
                   x13 = LoadLE32(block + 52), x14 = LoadLE32(block + 56),
                   x15 = LoadLE32(block + 60);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    MD5_STEP(MD5_F, a, b, c, d, x0, 0xd76aa478, 7)
    MD5_STEP(MD5_F, d, a, b, c, x1, 0xe8c7b756, 12)
    MD5_STEP(MD5_F, c, d, a, b, x2, 0x242070db, 17)
    MD5_STEP(MD5_F, b, c, d, a, x3, 0xc1bdceee, 22)
    MD5_STEP(MD5_F, a, b, c, d, x4, 0xf57c0faf, 7)
    MD5_STEP(MD5_F, d, a, b, c, x5, 0x4787c62a, 12)
    MD5_STEP(MD5_F, c, d, a, b, x6, 0xa8304613, 17)
    MD5_STEP(MD5_F, b, c, d, a, x7, 0xfd469501, 22)
    MD5_STEP(MD5_F, a, b, c, d, x8, 0x698098d8, 7)
    MD5_STEP(MD5_F, d, a, b, c, x9, 0x8b44f7af, 12)
    MD5_STEP(MD5_F, c, d, a, b, x10, 0xffff5bb1, 17)
    MD5_STEP(MD5_F, b, c, d, a, x11, 0x895cd7be, 22)
    MD5_STEP(MD5_F, a, b, c, d, x12, 0x6b901122, 7)
    MD5_STEP(MD5_F, d, a, b, c, x13, 0xfd987193, 12)
    MD5_STEP(MD5_F, c, d, a, b, x14, 0xa679438e, 17)
    MD5_STEP(MD5_F, b, c, d, a, x15, 0x49b40821, 22)

    MD5_STEP(MD5_G, a, b, c, d, x1, 0xf61e2562, 5)
    MD5_STEP(MD5_G, d, a, b, c, x6, 0xc040b340, 9)
    MD5_STEP(MD5_G, c, d, a, b, x11, 0x265e5a51, 14)
    MD5_STEP(MD5_G, b, c, d, a, x0, 0xe9b6c7aa, 20)
    MD5_STEP(MD5_G, a, b, c, d, x5, 0xd62f105d, 5)
    MD5_STEP(MD5_G, d, a, b, c, x10, 0x02441453, 9)
    MD5_STEP(MD5_G, c, d, a, b, x15, 0xd8a1e681, 14)
    MD5_STEP(MD5_G, b, c, d, a, x4, 0xe7d3fbc8, 20)
    MD5_STEP(MD5_G, a, b, c, d, x9, 0x21e1cde6, 5)
    MD5_STEP(MD5_G, d, a, b, c, x14, 0xc33707d6, 9)
    MD5_STEP(MD5_G, c, d, a, b, x3, 0xf4d50d87, 14)
    MD5_STEP(MD5_G, b, c, d, a, x8, 0x455a14ed, 20)
    MD5_STEP(MD5_G, a, b, c, d, x13, 0xa9e3e905, 5)
    MD5_STEP(MD5_G, d, a, b, c, x2, 0xfcefa3f8, 9)
    MD5_STEP(MD5_G, c, d, a, b, x7, 0x676f02d9, 14)
    MD5_STEP(MD5_G, b, c, d, a, x12, 0x8d2a4c8a, 20)

    MD5_STEP(MD5_H, a, b, c, d, x5, 0xfffa3942, 4)
    MD5_STEP(MD5_H, d, a, b, c, x8, 0x8771f681, 11)
    MD5_STEP(MD5_H, c, d, a, b, x11, 0x6d9d6122, 16)
    MD5_STEP(MD5_H, b, c, d, a, x14, 0xfde5380c, 23)
    MD5_STEP(MD5_H, a, b, c, d, x1, 0xa4beea44, 4)
    MD5_STEP(MD5_H, d, a, b, c, x4, 0x4bdecfa9, 11)
    MD5_STEP(MD5_H, c, d, a, b, x7, 0xf6bb4b60, 16)
    MD5_STEP(MD5_H, b, c, d, a, x10, 0xbebfbc70, 23)
    MD5_STEP(MD5_H, a, b, c, d, x13, 0x289b7ec6, 4)
    MD5_STEP(MD5_H, d, a, b, c, x0, 0xeaa127fa, 11)
    MD5_STEP(MD5_H, c, d, a, b, x3, 0xd4ef3085, 16)
    MD5_STEP(MD5_H, b, c, d, a, x6, 0x04881d05, 23)
    MD5_STEP(MD5_H, a, b, c, d, x9, 0xd9d4d039, 4)
    MD5_STEP(MD5_H, d, a, b, c, x12, 0xe6db99e5, 11)
    MD5_STEP(MD5_H, c, d, a, b, x15, 0x1fa27cf8, 16)
    MD5_STEP(MD5_H, b, c, d, a, x2, 0xc4ac5665, 23)

    MD5_STEP(MD5_I, a, b, c, d, x0, 0xf4292244, 6)
    MD5_STEP(MD5_I, d, a, b, c, x7, 0x432aff97, 10)
    MD5_STEP(MD5_I, c, d, a, b, x14, 0xab9423a7, 15)
    MD5_STEP(MD5_I, b, c, d, a, x5, 0xfc93a039, 21)
    MD5_STEP(MD5_I, a, b, c, d, x12, 0x655b59c3, 6)
    MD5_STEP(MD5_I, d, a, b, c, x3, 0x8f0ccc92, 10)
    MD5_STEP(MD5_I, c, d, a, b, x10, 0xffeff47d, 15)
    MD5_STEP(MD5_I, b, c, d, a, x1, 0x85845dd1, 21)
    MD5_STEP(MD5_I, a, b, c, d, x8, 0x6fa87e4f, 6)
    MD5_STEP(MD5_I, d, a, b, c, x15, 0xfe2ce6e0, 10)
    MD5_STEP(MD5_I, c, d, a, b, x6, 0xa3014314, 15)
    MD5_STEP(MD5_I, b, c, d, a, x13, 0x4e0811a1, 21)
    MD5_STEP(MD5_I, a, b, c, d, x4, 0xf7537e82, 6)
    MD5_STEP(MD5_I, d, a, b, c, x11, 0xbd3af235, 10)
    MD5_STEP(MD5_I, c, d, a, b, x2, 0x2ad7d2bb, 15)
    MD5_STEP(MD5_I, b, c, d, a, x9, 0xeb86d391, 21)

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

#undef MD5_STEP
#undef MD5_F
#undef MD5_G
#undef MD5_H
#undef MD5_I

} // namespace

void MD5Init(TMD5Context& context) {
    std::memset(&context, 0, sizeof context);
    context.State[0] = 0x67452301;
    context.State[1] = 0xEFCDAB89;
    context.State[2] = 0x98BADCFE;
    context.State[3] = 0x10325476;
}

void MD5Update(TMD5Context& context, const void* data, uint32_t length) {
    const uint8_t* input = static_cast<const uint8_t*>(data);
    uint32_t index = (context.BitCount[0] >> 3) & 63;

    const uint32_t addedBits = length << 3;
    context.BitCount[0] += addedBits;
    if (context.BitCount[0] < addedBits)
        ++context.BitCount[1];
    context.BitCount[1] += length >> 29;

    const uint32_t room = 64 - index;
    uint32_t done = 0;
    if (length >= room) {
        if (index != 0) {
            std::memcpy(context.Buffer + index, input, room);
            Transform(context.State, context.Buffer);
            done = room;
            index = 0;
        }
        for (; length - done >= 64; done += 64)
            Transform(context.State, input + done);
    }
    if (done < length)
        std::memcpy(context.Buffer + index, input + done, length - done);
}

void MD5Final(TMD5Context& context, uint8_t digest[16]) {
    static const uint8_t kPadding[64] = {0x80};
    uint8_t bits[8];
    StoreLE32(bits, context.BitCount[0]);
    StoreLE32(bits + 4, context.BitCount[1]);

    const uint32_t index = (context.BitCount[0] >> 3) & 63;
    MD5Update(context, kPadding, index < 56 ? 56 - index : 120 - index);
    MD5Update(context, bits, 8);

    for (int i = 0; i < 4; ++i)
        StoreLE32(digest + 4 * i, context.State[i]);
    std::memset(&context, 0, sizeof context);
}
