#include "engine/md5.h"
#include "tests/engine/digest_pattern.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Hex(const uint8_t digest[16]) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < 16; ++i) {
        text += kDigits[digest[i] >> 4];
        text += kDigits[digest[i] & 15];
    }
    return text;
}

// Feeds the input in pieces of the given sizes, cycling through them.
std::string DigestInPieces(const std::vector<uint8_t>& input, const std::vector<size_t>& pieces) {
    TMD5Context context;
    MD5Init(context);
    size_t done = 0;
    for (size_t i = 0; done < input.size(); ++i) {
        const size_t n = std::min(pieces[i % pieces.size()], input.size() - done);
        MD5Update(context, input.data() + done, static_cast<uint32_t>(n));
        done += n;
    }
    uint8_t digest[16];
    MD5Final(context, digest);
    return Hex(digest);
}

std::string DigestWhole(const std::vector<uint8_t>& input) {
    return DigestInPieces(input, {input.size() + 1});
}

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST(MD5, MatchesTheRfc1321TestSuite) {
    const struct {
        const char* input;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890"
         "123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DigestWhole(Bytes(c.input)), c.digest) << '"' << c.input << '"';
        EXPECT_EQ(DigestInPieces(Bytes(c.input), {1}), c.digest) << '"' << c.input << '"';
    }
}

TEST(MD5, DigestsOneMillionLetterA) {
    const std::vector<uint8_t> input(1000000, 'a');
    EXPECT_EQ(DigestWhole(input), "7707d6ae4e027c70eea2a935c2296f21");
    EXPECT_EQ(DigestInPieces(input, OddPieceSizes()), "7707d6ae4e027c70eea2a935c2296f21");
}

// Lengths around the padding limit (56), the block (64) and the read block (64 KiB), each fed
// whole, in cycled odd pieces, and split once at every interesting point.
TEST(MD5, GivesTheSameDigestHoweverTheInputIsCut) {
    const struct {
        size_t length;
        const char* digest;
    } cases[] = {
        {0, "d41d8cd98f00b204e9800998ecf8427e"},     {1, "89e74e640b8c46257a29de0616794d5d"},
        {55, "d39f7454bbe034082797e66c125a31ad"},    {56, "8e9dbcce67719f0304ad52c59ff3d743"},
        {57, "a299b8643026995363f4eb94158bce68"},    {63, "19a31d9b1afbd6867266fd6cf4c8821f"},
        {64, "8d9cfa334d4e690843fa68e59c798b84"},    {65, "72d8b171f7f46898ee558ad1a86fb907"},
        {119, "ae6c390e7155118a1660c98861bc0d69"},   {120, "b4a4ce125f8932c19665e554892473c4"},
        {121, "cb263c380790f2eac9d32c0b19cc04f3"},   {127, "57aaebf11a34753459f9b60e725d4f4a"},
        {128, "8ce39ed43121181a0846c282c5ce287a"},   {129, "5a9404193c887c3ea510ca8550471c2c"},
        {65535, "207e5290d6c3a00a6c3245167c6408d4"}, {65536, "41e5dcf3b53b0383f708e15a959015b8"},
        {65537, "38708aed1ecdbc550d8de92139247363"}, {200003, "c96ef02e6f1fb92cf970edae0b6d2508"},
    };
    const size_t splits[] = {1, 55, 56, 57, 63, 64, 65, 119, 120, 128, 65535, 65536};
    for (const auto& c : cases) {
        const std::vector<uint8_t> input = DigestPattern(c.length);
        EXPECT_EQ(DigestWhole(input), c.digest) << c.length << " bytes whole";
        EXPECT_EQ(DigestInPieces(input, OddPieceSizes()), c.digest) << c.length << " bytes";
        for (size_t split : splits) {
            if (split >= c.length)
                continue;
            EXPECT_EQ(DigestInPieces(input, {split, c.length}), c.digest)
                << c.length << " bytes split at " << split;
        }
    }
}

TEST(MD5, CountsBitsLowWordFirstWithCarryIntoTheHighWord) {
    TMD5Context context;
    MD5Init(context);
    const uint8_t byte = 0;
    const struct {
        uint32_t lowBefore, highBefore, length, lowAfter, highAfter;
    } cases[] = {
        {0, 0, 1, 8, 0},
        {0xFFFFFFF8u, 0, 1, 0, 1},
        {0xFFFFFFF0u, 7, 3, 8, 8},
        {0, 2, 0, 0, 2},
    };
    for (const auto& c : cases) {
        context.BitCount[0] = c.lowBefore;
        context.BitCount[1] = c.highBefore;
        const std::vector<uint8_t> input(c.length, byte);
        MD5Update(context, input.data(), c.length);
        EXPECT_EQ(context.BitCount[0], c.lowAfter) << c.lowBefore << " + " << c.length;
        EXPECT_EQ(context.BitCount[1], c.highAfter) << c.lowBefore << " + " << c.length;
    }
}

TEST(MD5, InitSetsTheRfcStateAndFinalWipesTheContext) {
    TMD5Context context;
    std::memset(&context, 0xA5, sizeof context);
    MD5Init(context);
    EXPECT_EQ(context.State[0], 0x67452301u);
    EXPECT_EQ(context.State[1], 0xEFCDAB89u);
    EXPECT_EQ(context.State[2], 0x98BADCFEu);
    EXPECT_EQ(context.State[3], 0x10325476u);
    EXPECT_EQ(context.BitCount[0] | context.BitCount[1], 0u);
    for (uint8_t b : context.Buffer)
        ASSERT_EQ(b, 0);

    MD5Update(context, "secret", 6);
    uint8_t digest[16];
    MD5Final(context, digest);
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(&context);
    for (size_t i = 0; i < sizeof context; ++i)
        ASSERT_EQ(raw[i], 0) << "byte " << i << " of the context after MD5Final";
}

} // namespace
