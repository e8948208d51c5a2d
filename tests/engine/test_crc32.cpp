#include "engine/crc32.h"
#include "engine/crc32_paths.h"
#include "tests/engine/digest_pattern.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>

namespace {

// Runs the check with the features of the table path and, where the processor has one,
// of the fast path. The fast path takes inputs of kCRC32ClmulMinimum bytes and more: every
// check run here feeds such inputs.
void OnEveryPath(const std::function<void(TCpuFeatures features)>& check) {
    SCOPED_TRACE("table path");
    check(0);
    if ((CpuFeatures() & cfClmul) != 0) {
        SCOPED_TRACE("fast path");
        check(cfClmul);
    }
}

// One bit at a time, straight from the polynomial: shares nothing with the code under test.
uint32_t BitwiseCrc(uint32_t crc, const uint8_t* p, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        crc ^= p[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return crc;
}

std::vector<uint8_t> RandomBytes(size_t length, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(length);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(random());
    return bytes;
}

// Standard CRC-32: conditioned with 0xFFFFFFFF before and after, as callers do.
uint32_t CrcInPieces(const std::vector<uint8_t>& input, const std::vector<size_t>& pieces,
                     TCpuFeatures features = CpuFeatures()) {
    uint32_t crc = 0xFFFFFFFFu;
    size_t done = 0;
    for (size_t i = 0; done < input.size(); ++i) {
        const size_t n = std::min(pieces[i % pieces.size()], input.size() - done);
        crc = CRC32Update(crc, input.data() + done, n, features);
        done += n;
    }
    return crc ^ 0xFFFFFFFFu;
}

uint32_t CrcWhole(const std::vector<uint8_t>& input, TCpuFeatures features = CpuFeatures()) {
    return CrcInPieces(input, {input.size() + 1}, features);
}

std::vector<uint8_t> Bytes(const char* s) {
    return {s, s + std::strlen(s)};
}

// The published inputs are shorter than the fast path takes: the tables on every processor.
TEST(CRC32, MatchesPublishedValues) {
    const struct {
        const char* input;
        uint32_t crc;
    } cases[] = {
        {"", 0x00000000u},
        {"a", 0xE8B7BE43u},
        {"abc", 0x352441C2u},
        {"123456789", 0xCBF43926u},
        {"message digest", 0x20159D7Fu},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CrcWhole(Bytes(c.input)), c.crc) << '"' << c.input << '"';
        EXPECT_EQ(CrcInPieces(Bytes(c.input), {1}), c.crc) << '"' << c.input << '"';
    }
}

TEST(CRC32, DigestsOneMillionLetterA) {
    OnEveryPath([](TCpuFeatures features) {
        const std::vector<uint8_t> input(1000000, 'a');
        EXPECT_EQ(CrcWhole(input, features), 0xDC25BFBCu);
        EXPECT_EQ(CrcInPieces(input, OddPieceSizes(), features), 0xDC25BFBCu);
    });
}

// Single bytes from a zero running value give the table entries themselves.
TEST(CRC32, ReproducesTheByteTable) {
    const struct {
        uint8_t byte;
        uint32_t entry;
    } cases[] = {
        {0, 0}, {1, 0x77073096u}, {2, 0xEE0E612Cu}, {128, 0xEDB88320u}, {255, 0x2D02EF8Du}};
    for (const auto& c : cases)
        EXPECT_EQ(CRC32Update(0, &c.byte, 1), c.entry) << int(c.byte);
}

TEST(CRC32, LeavesConditioningToTheCaller) {
    EXPECT_EQ(CRC32Update(0xFFFFFFFFu, "", 0), 0xFFFFFFFFu);
    EXPECT_EQ(CRC32Update(0x12345678u, "", 0), 0x12345678u);
    EXPECT_EQ(CRC32Update(0xFFFFFFFFu, "123456789", 9), 0xCBF43926u ^ 0xFFFFFFFFu);
    // Long enough for the fast path, which folds the running value into its first lane.
    const std::vector<uint8_t> input = DigestPattern(200);
    OnEveryPath([&](TCpuFeatures features) {
        EXPECT_EQ(CRC32Update(0xFFFFFFFFu, input.data(), 64, features), 0x7989B995u ^ 0xFFFFFFFFu);
        for (uint32_t start : {0u, 0x12345678u, 0xFFFFFFFFu})
            EXPECT_EQ(CRC32Update(start, input.data(), input.size(), features),
                      BitwiseCrc(start, input.data(), input.size()))
                << std::hex << start;
    });
}

TEST(CRC32, GivesTheSameValueHoweverTheInputIsCut) {
    OnEveryPath([](TCpuFeatures features) {
        const struct {
            size_t length;
            uint32_t crc;
        } cases[] = {
            {0, 0x00000000u},     {1, 0x4C667A2Eu},      {55, 0x2792DC5Au},    {56, 0x25472A0Cu},
            {57, 0x052A7A49u},    {63, 0x5A6B41E4u},     {64, 0x7989B995u},    {65, 0x12C10A99u},
            {119, 0xA7E51EC3u},   {120, 0xF2CA8F20u},    {121, 0x1F272391u},   {127, 0xB5728DE3u},
            {128, 0xB9DCCCF4u},   {129, 0x00B6B6BCu},    {65535, 0x8B38187Au}, {65536, 0xA638050Fu},
            {65537, 0x211DA6C0u}, {200003, 0x77A423E1u},
        };
        const size_t splits[] = {1, 55, 56, 57, 63, 64, 65, 119, 120, 128, 65535, 65536};
        for (const auto& c : cases) {
            const std::vector<uint8_t> input = DigestPattern(c.length);
            EXPECT_EQ(CrcWhole(input, features), c.crc) << c.length << " bytes whole";
            EXPECT_EQ(CrcInPieces(input, OddPieceSizes(), features), c.crc) << c.length << " bytes";
            for (size_t split : splits) {
                if (split >= c.length)
                    continue;
                EXPECT_EQ(CrcInPieces(input, {split, c.length}, features), c.crc)
                    << c.length << " bytes split at " << split;
            }
        }
    });
}

// Every length up to 2 KiB at every alignment within a cache line, from random running
// values: the table path against a bit-at-a-time reference, the fast path against both.
TEST(CRC32, PathsAgreeOnEveryLengthAndAlignment) {
    const size_t kMaxLength = 2048, kAlignments = 64;
    const std::vector<uint8_t> data = RandomBytes(kMaxLength + kAlignments, 20261207);
    std::mt19937 random(7);
    for (size_t offset = 0; offset < kAlignments; ++offset) {
        for (size_t length = 0; length <= kMaxLength; ++length) {
            const uint8_t* p = data.data() + offset;
            const uint32_t start = static_cast<uint32_t>(random());
            const uint32_t table = CRC32Update(start, p, length, 0);
            const uint32_t fast = CRC32Update(start, p, length);
            ASSERT_EQ(fast, table) << length << " bytes at offset " << offset;
            if (offset < 4 && length <= 600) {
                ASSERT_EQ(table, BitwiseCrc(start, p, length))
                    << length << " bytes at offset " << offset;
            }
        }
    }
}

// Large inputs exercise the folding loop for many rounds and the tables for many groups.
TEST(CRC32, PathsAgreeOnLargeInputs) {
    const std::vector<uint8_t> data = RandomBytes(1 << 20, 99);
    const size_t lengths[] = {65536, 65536 + 15, 65536 + 64 + 17, (1 << 20) - 1, 1 << 20};
    for (size_t length : lengths) {
        const uint32_t expected = BitwiseCrc(0xFFFFFFFFu, data.data(), length);
        OnEveryPath([&](TCpuFeatures features) {
            EXPECT_EQ(CRC32Update(0xFFFFFFFFu, data.data(), length, features), expected);
        });
    }
}

} // namespace
