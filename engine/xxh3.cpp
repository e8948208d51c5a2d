// XXH3-128: inputs of up to 240 bytes go through one of five short mixes; longer ones fill
// eight accumulators stripe by stripe (64 bytes each), scrambled after every block of 16
// stripes, and end with the input's last 64 bytes and two merges of the accumulators.
#include "engine/xxh3.h"

#include <cstring>

#include "engine/block_buffer.h"
#include "engine/xxh3_paths.h"

namespace {

constexpr uint32_t kPrime32_1 = 0x9E3779B1u, kPrime32_2 = 0x85EBCA77u, kPrime32_3 = 0xC2B2AE3Du;
constexpr uint64_t kPrime64_1 = 0x9E3779B185EBCA87ull, kPrime64_2 = 0xC2B2AE3D27D4EB4Full,
                   kPrime64_3 = 0x165667B19E3779F9ull, kPrime64_4 = 0x85EBCA77C2B2AE63ull,
                   kPrime64_5 = 0x27D4EB2F165667C5ull;
constexpr uint64_t kPrimeMx1 = 0x165667919E3779F9ull, kPrimeMx2 = 0x9FB21C651E98DF25ull;

// The default secret.
constexpr size_t kSecretSize = 192;
const uint8_t kSecret[kSecretSize] = {
    0xb8, 0xfe, 0x6c, 0x39, 0x23, 0xa4, 0x4b, 0xbe, 0x7c, 0x01, 0x81, 0x2c, 0xf7, 0x21, 0xad, 0x1c,
    0xde, 0xd4, 0x6d, 0xe9, 0x83, 0x90, 0x97, 0xdb, 0x72, 0x40, 0xa4, 0xa4, 0xb7, 0xb3, 0x67, 0x1f,
    0xcb, 0x79, 0xe6, 0x4e, 0xcc, 0xc0, 0xe5, 0x78, 0x82, 0x5a, 0xd0, 0x7d, 0xcc, 0xff, 0x72, 0x21,
    0xb8, 0x08, 0x46, 0x74, 0xf7, 0x43, 0x24, 0x8e, 0xe0, 0x35, 0x90, 0xe6, 0x81, 0x3a, 0x26, 0x4c,
    0x3c, 0x28, 0x52, 0xbb, 0x91, 0xc3, 0x00, 0xcb, 0x88, 0xd0, 0x65, 0x8b, 0x1b, 0x53, 0x2e, 0xa3,
    0x71, 0x64, 0x48, 0x97, 0xa2, 0x0d, 0xf9, 0x4e, 0x38, 0x19, 0xef, 0x46, 0xa9, 0xde, 0xac, 0xd8,
    0xa8, 0xfa, 0x76, 0x3f, 0xe3, 0x9c, 0x34, 0x3f, 0xf9, 0xdc, 0xbb, 0xc7, 0xc7, 0x0b, 0x4f, 0x1d,
    0x8a, 0x51, 0xe0, 0x4b, 0xcd, 0xb4, 0x59, 0x31, 0xc8, 0x9f, 0x7e, 0xc9, 0xd9, 0x78, 0x73, 0x64,
    0xea, 0xc5, 0xac, 0x83, 0x34, 0xd3, 0xeb, 0xc3, 0xc5, 0x81, 0xa0, 0xff, 0xfa, 0x13, 0x63, 0xeb,
    0x17, 0x0d, 0xdd, 0x51, 0xb7, 0xf0, 0xda, 0x49, 0xd3, 0x16, 0x55, 0x26, 0x29, 0xd4, 0x68, 0x9e,
    0x2b, 0x16, 0xbe, 0x58, 0x7d, 0x47, 0xa1, 0xfc, 0x8f, 0xf8, 0xb8, 0xd1, 0x7a, 0xd0, 0x31, 0xce,
    0x45, 0xcb, 0x3a, 0x8f, 0x95, 0x16, 0x04, 0x28, 0xaf, 0xd7, 0xfb, 0xca, 0xbb, 0x4b, 0x40, 0x7e};

constexpr size_t kStripe = 64, kStripesPerBlock = (kSecretSize - kStripe) / 8;
constexpr size_t kShortest = 240; // longer inputs take the stripes

struct T128 {
    uint64_t Low, High;
};

inline uint64_t Load64(const uint8_t* p) {
    return uint64_t(LoadLittleEndian32(p)) | uint64_t(LoadLittleEndian32(p + 4)) << 32;
}

inline uint32_t Swap32(uint32_t x) {
    return (x >> 24) | ((x >> 8) & 0xFF00u) | ((x << 8) & 0xFF0000u) | (x << 24);
}

inline uint64_t Swap64(uint64_t x) {
    return uint64_t(Swap32(static_cast<uint32_t>(x))) << 32 |
           Swap32(static_cast<uint32_t>(x >> 32));
}

T128 Multiply(uint64_t a, uint64_t b) {
#if defined(__SIZEOF_INT128__)
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return {static_cast<uint64_t>(product), static_cast<uint64_t>(product >> 64)};
#else
    const uint64_t aLow = a & 0xFFFFFFFFu, aHigh = a >> 32, bLow = b & 0xFFFFFFFFu, bHigh = b >> 32;
    const uint64_t lowLow = aLow * bLow, highLow = aHigh * bLow, lowHigh = aLow * bHigh;
    const uint64_t cross = (lowLow >> 32) + (highLow & 0xFFFFFFFFu) + lowHigh;
    return {(cross << 32) | (lowLow & 0xFFFFFFFFu),
            aHigh * bHigh + (highLow >> 32) + (cross >> 32)};
#endif
}

uint64_t MultiplyFold(uint64_t a, uint64_t b) {
    const T128 product = Multiply(a, b);
    return product.Low ^ product.High;
}

uint64_t Avalanche64(uint64_t h) {
    h = (h ^ (h >> 33)) * kPrime64_2;
    h = (h ^ (h >> 29)) * kPrime64_3;
    return h ^ (h >> 32);
}

uint64_t Avalanche(uint64_t h) {
    h = (h ^ (h >> 37)) * kPrimeMx1;
    return h ^ (h >> 32);
}

uint64_t Mix16(const uint8_t* in, const uint8_t* secret, uint64_t seed) {
    return MultiplyFold(Load64(in) ^ (Load64(secret) + seed),
                        Load64(in + 8) ^ (Load64(secret + 8) - seed));
}

void Mix32(T128& acc, const uint8_t* a, const uint8_t* b, const uint8_t* secret, uint64_t seed) {
    acc.Low += Mix16(a, secret, seed);
    acc.Low ^= Load64(b) + Load64(b + 8);
    acc.High += Mix16(b, secret + 16, seed);
    acc.High ^= Load64(a) + Load64(a + 8);
}

T128 FinishMix(const T128& acc, uint64_t length) {
    return {Avalanche(acc.Low + acc.High),
            0 - Avalanche(acc.Low * kPrime64_1 + acc.High * kPrime64_4 + length * kPrime64_2)};
}

// The hash of an input of at most 240 bytes.
T128 HashShort(const uint8_t* in, size_t length) {
    const uint8_t* s = kSecret;
    if (length == 0)
        return {Avalanche64(Load64(s + 64) ^ Load64(s + 72)),
                Avalanche64(Load64(s + 80) ^ Load64(s + 88))};
    if (length <= 3) {
        const uint32_t low = uint32_t(in[0]) << 16 | uint32_t(in[length >> 1]) << 24 |
                             in[length - 1] | uint32_t(length) << 8;
        const uint32_t swapped = Swap32(low), high = (swapped << 13) | (swapped >> 19);
        return {
            Avalanche64(low ^ uint64_t(LoadLittleEndian32(s) ^ LoadLittleEndian32(s + 4))),
            Avalanche64(high ^ uint64_t(LoadLittleEndian32(s + 8) ^ LoadLittleEndian32(s + 12)))};
    }
    if (length <= 8) {
        const uint64_t input =
            LoadLittleEndian32(in) | uint64_t(LoadLittleEndian32(in + length - 4)) << 32;
        T128 m = Multiply(input ^ Load64(s + 16) ^ Load64(s + 24), kPrime64_1 + (length << 2));
        m.High += m.Low << 1;
        m.Low ^= m.High >> 3;
        m.Low = (m.Low ^ (m.Low >> 35)) * kPrimeMx2;
        m.Low ^= m.Low >> 28;
        m.High = Avalanche(m.High);
        return m;
    }
    if (length <= 16) {
        const uint64_t low = Load64(in),
                       high = Load64(in + length - 8) ^ Load64(s + 48) ^ Load64(s + 56);
        T128 m =
            Multiply(low ^ Load64(in + length - 8) ^ Load64(s + 32) ^ Load64(s + 40), kPrime64_1);
        m.Low += uint64_t(length - 1) << 54;
        m.High += high + uint64_t(static_cast<uint32_t>(high)) * (kPrime32_2 - 1);
        m.Low ^= Swap64(m.High);
        T128 h = Multiply(m.Low, kPrime64_2);
        h.High += m.High * kPrime64_2;
        return {Avalanche(h.Low), Avalanche(h.High)};
    }
    T128 acc = {length * kPrime64_1, 0};
    if (length <= 128) {
        for (size_t i = (length - 1) / 32 + 1; i-- > 0;)
            Mix32(acc, in + 16 * i, in + length - 16 * (i + 1), s + 32 * i, 0);
        return FinishMix(acc, length);
    }
    for (size_t i = 0; i < 4; ++i)
        Mix32(acc, in + 32 * i, in + 32 * i + 16, s + 32 * i, 0);
    acc = {Avalanche(acc.Low), Avalanche(acc.High)};
    for (size_t i = 4; i < length / 32; ++i)
        Mix32(acc, in + 32 * i, in + 32 * i + 16, s + 3 + 32 * (i - 4), 0);
    Mix32(acc, in + length - 16, in + length - 32, s + 136 - 17 - 16, 0);
    return FinishMix(acc, length);
}

void Accumulate(uint64_t acc[8], const uint8_t* stripe, const uint8_t* secret) {
    for (int i = 0; i < 8; ++i) {
        const uint64_t data = Load64(stripe + 8 * i), keyed = data ^ Load64(secret + 8 * i);
        acc[i ^ 1] += data;
        acc[i] += (keyed & 0xFFFFFFFFu) * (keyed >> 32);
    }
}

void Scramble(uint64_t acc[8]) {
    const uint8_t* secret = kSecret + kSecretSize - kStripe;
    for (int i = 0; i < 8; ++i)
        acc[i] = (acc[i] ^ (acc[i] >> 47) ^ Load64(secret + 8 * i)) * kPrime32_1;
}

// Adds stripes that do not pass the end of the current block, on the fastest path.
void AccumulateStripes(TXXH3Context& context, const uint8_t* data, size_t stripes) {
    const uint8_t* secret = kSecret + 8 * context.StripesInBlock;
#if TLVN_XXH3_AVX2
    if ((context.Features & cfAvx2) != 0) {
        XXH3Avx2Stripes(context.Acc, data, stripes, secret);
        return;
    }
#endif
    for (size_t i = 0; i < stripes; ++i)
        Accumulate(context.Acc, data + kStripe * i, secret + 8 * i);
}

// Takes the whole stripes of data; returns the bytes taken.
size_t TakeStripes(TXXH3Context& context, const uint8_t* data, size_t length) {
    const size_t stripes = length / kStripe;
    for (size_t done = 0; done < stripes;) {
        size_t n = kStripesPerBlock - context.StripesInBlock;
        n = n < stripes - done ? n : stripes - done;
        AccumulateStripes(context, data + kStripe * done, n);
        done += n;
        context.StripesInBlock += static_cast<uint32_t>(n);
        if (context.StripesInBlock == kStripesPerBlock) {
            Scramble(context.Acc);
            context.StripesInBlock = 0;
        }
    }
    if (stripes > 0)
        std::memcpy(context.LastStripe, data + kStripe * (stripes - 1), kStripe);
    return kStripe * stripes;
}

uint64_t MergeAccumulators(const uint64_t acc[8], const uint8_t* secret, uint64_t start) {
    for (int i = 0; i < 4; ++i)
        start += MultiplyFold(acc[2 * i] ^ Load64(secret + 16 * i),
                              acc[2 * i + 1] ^ Load64(secret + 16 * i + 8));
    return Avalanche(start);
}

} // namespace

void XXH3Init(TXXH3Context& context, TCpuFeatures features) {
    const uint64_t initial[8] = {kPrime32_3, kPrime64_1, kPrime64_2, kPrime64_3,
                                 kPrime64_4, kPrime32_2, kPrime64_5, kPrime32_1};
    std::memcpy(context.Acc, initial, sizeof initial);
    context.BufferLength = 0;
    context.StripesInBlock = 0;
    context.Length = 0;
    context.Features = features;
}

// A stripe is taken once a byte after it is known, so the last one always waits for the end.
void XXH3Update(TXXH3Context& context, const void* data, size_t length) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    context.Length += length;
    while (length > 0) {
        size_t take = sizeof context.Buffer - context.BufferLength;
        take = take < length ? take : length;
        std::memcpy(context.Buffer + context.BufferLength, p, take);
        context.BufferLength += static_cast<uint32_t>(take);
        p += take;
        length -= take;
        if (context.Length <= kShortest)
            return;
        const size_t known = context.BufferLength - (length > 0 ? 0 : 1);
        const size_t taken = TakeStripes(context, context.Buffer, known);
        context.BufferLength -= static_cast<uint32_t>(taken);
        std::memmove(context.Buffer, context.Buffer + taken, context.BufferLength);
        if (context.BufferLength == 0 && length > kStripe) {
            const size_t direct = TakeStripes(context, p, length - 1);
            p += direct;
            length -= direct;
        }
    }
}

void XXH3Final(TXXH3Context& context, uint8_t digest[16]) {
    T128 h;
    const uint64_t length = context.Length;
    if (length <= kShortest) {
        h = HashShort(context.Buffer, static_cast<size_t>(length));
    } else {
        // The input's last 64 bytes: the buffer, after the end of the last stripe taken.
        uint8_t last[kStripe];
        const size_t buffered = context.BufferLength;
        const size_t before = buffered < kStripe ? kStripe - buffered : 0;
        std::memcpy(last, context.LastStripe + kStripe - before, before);
        std::memcpy(last + before, context.Buffer + buffered - (kStripe - before),
                    kStripe - before);
        uint64_t acc[8];
        std::memcpy(acc, context.Acc, sizeof acc);
        Accumulate(acc, last, kSecret + kSecretSize - kStripe - 7);
        h.Low = MergeAccumulators(acc, kSecret + 11, length * kPrime64_1);
        h.High =
            MergeAccumulators(acc, kSecret + kSecretSize - kStripe - 11, ~(length * kPrime64_2));
    }
    StoreBigEndian64(digest, h.High);
    StoreBigEndian64(digest + 8, h.Low);
}
