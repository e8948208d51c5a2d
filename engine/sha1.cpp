// SHA-1 (FIPS 180-4), portable: eighty rounds over a sixteen-word rolling schedule.
#include "engine/sha1.h"

namespace {

inline uint32_t Rotl(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

void Compress(uint32_t state[5], const uint8_t* data, size_t blocks) {
    for (; blocks > 0; --blocks, data += 64) {
        uint32_t w[16];
        for (int i = 0; i < 16; ++i)
            w[i] = LoadBigEndian32(data + 4 * i);
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
        for (int t = 0; t < 80; ++t) {
            if (t >= 16)
                w[t & 15] =
                    Rotl(w[(t + 13) & 15] ^ w[(t + 8) & 15] ^ w[(t + 2) & 15] ^ w[t & 15], 1);
            uint32_t f, k;
            if (t < 20) {
                f = (b & c) | (~b & d);
                k = 0x5a827999u;
            } else if (t < 40) {
                f = b ^ c ^ d;
                k = 0x6ed9eba1u;
            } else if (t < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8f1bbcdcu;
            } else {
                f = b ^ c ^ d;
                k = 0xca62c1d6u;
            }
            const uint32_t next = Rotl(a, 5) + f + e + k + w[t & 15];
            e = d;
            d = c;
            c = Rotl(b, 30);
            b = a;
            a = next;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
    }
}

} // namespace

void SHA1Init(TSHA1Context& context) {
    static const uint32_t kInitial[5] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u,
                                         0xc3d2e1f0u};
    std::memcpy(context.State, kInitial, sizeof kInitial);
    context.Buffer.Length = 0;
}

void SHA1Update(TSHA1Context& context, const void* data, size_t length) {
    context.Buffer.Add(
        data, length, [&](const uint8_t* p, size_t blocks) { Compress(context.State, p, blocks); });
}

void SHA1Final(TSHA1Context& context, uint8_t digest[20]) {
    context.Buffer.Finish(
        8, [&](const uint8_t* p, size_t blocks) { Compress(context.State, p, blocks); });
    for (int i = 0; i < 5; ++i)
        StoreBigEndian32(digest + 4 * i, context.State[i]);
}
