// SHA-1, SHA-256 and SHA-512: the published examples, fed whole and in odd pieces, on
// every SHA-256 path; the SHA-instruction path against the portable one; and, in the
// 32-bit build, the instruction paths of SHA-256 and CRC-32 on a stack of 4-byte alignment.
#include "engine/cpu.h"
#include "engine/crc32.h"
#include "engine/running_digest.h"
#include "tests/engine/digest_pattern.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

std::string DigestInPieces(TChecksumKind kind, const std::string& input,
                           const std::vector<size_t>& pieces,
                           TCpuFeatures features = CpuFeatures()) {
    TRunningDigest digest(kind, features);
    size_t done = 0;
    for (size_t i = 0; done < input.size(); ++i) {
        const size_t n = std::min(pieces[i % pieces.size()], input.size() - done);
        digest.Add(input.data() + done, n);
        done += n;
    }
    return digest.Text();
}

const std::string k448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string k896 =
    "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopq"
    "klmnopqrlmnopqrsmnopqrstnopqrstu";
const std::string kMillionA(1000000, 'a');

TEST(SecureHash, MatchesThePublishedExamples) {
    const struct {
        const char* source;
        TChecksumKind kind;
        const std::string& input;
        const char* digest;
    } cases[] = {
        {"FIPS 180-4 example, one block", ckSHA1, "abc",
         "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"FIPS 180-4 example, two blocks", ckSHA1, k448,
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {"NIST SHA-1 long message, one million a", ckSHA1, kMillionA,
         "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {"NIST empty message", ckSHA1, "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"FIPS 180-4 example, one block", ckSHA256, "abc",
         "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"FIPS 180-4 example, two blocks", ckSHA256, k448,
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"NIST SHA-256 long message, one million a", ckSHA256, kMillionA,
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {"NIST empty message", ckSHA256, "",
         "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"FIPS 180-4 example, one block", ckSHA512, "abc",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
         "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
        {"FIPS 180-4 example, two blocks", ckSHA512, k896,
         "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018"
         "501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909"},
        {"NIST SHA-512 long message, one million a", ckSHA512, kMillionA,
         "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973eb"
         "de0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b"},
        {"NIST empty message", ckSHA512, "",
         "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
         "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e"},
    };
    for (TCpuFeatures features : {TCpuFeatures(0), cfSha}) {
        if ((features & CpuFeatures()) != features)
            continue;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.source) + ", " + ChecksumKindName(c.kind) +
                         (features == 0 ? ", portable" : ", SHA instructions"));
            EXPECT_EQ(DigestInPieces(c.kind, c.input, {c.input.size() + 1}, features), c.digest);
            EXPECT_EQ(DigestInPieces(c.kind, c.input, OddPieceSizes(), features), c.digest);
        }
    }
}

// Random lengths around and across the block and padding limits, at every alignment, fed
// in random pieces: the SHA instructions give what the portable code gives.
TEST(SecureHash, InstructionPathAgreesWithThePortablePath) {
    if ((CpuFeatures() & cfSha) == 0)
        GTEST_SKIP() << "this processor has no SHA extensions";
    const std::vector<uint8_t> pattern = DigestPattern(70000);
    const std::string data(pattern.begin(), pattern.end());
    std::mt19937 random(20261207);
    for (int round = 0; round < 3000; ++round) {
        const size_t length = round < 300 ? round : random() % (round < 2900 ? 1000 : 65600);
        const size_t offset = random() % 64;
        const std::vector<size_t> pieces = {1 + random() % 130, 1 + random() % 70000};
        const std::string input = data.substr(offset, length);
        const std::string portable = DigestInPieces(ckSHA256, input, pieces, 0);
        ASSERT_EQ(DigestInPieces(ckSHA256, input, pieces, cfSha), portable)
            << length << " bytes at offset " << offset;
    }
}

#if defined(__i386__)
// Calls run(job) with the stack pointer offset bytes below the 16-byte alignment the
// compiler keeps. 32-bit Windows keeps only 4, and the system calls the window procedure,
// under which a run hashes, with the stack as it finds it.
extern "C" void CallWithStackOffset(void (*run)(void*), void* job,
                                    unsigned offset) asm("tlvn_call_with_stack_offset");
asm(".text\n"
    "tlvn_call_with_stack_offset:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  andl $-16, %esp\n"
    "  subl $12, %esp\n"
    "  subl 16(%ebp), %esp\n"
    "  pushl 12(%ebp)\n"
    "  call *8(%ebp)\n"
    "  movl %ebp, %esp\n"
    "  popl %ebp\n"
    "  ret\n");

struct TDigestJob {
    TChecksumKind Kind;
    const std::string& Input;
    std::string Digest;
};

void DigestJob(void* job) {
    auto& j = *static_cast<TDigestJob*>(job);
    j.Digest = DigestInPieces(j.Kind, j.Input, {65536});
}

// The instruction paths on a stack 4, 8 and 12 bytes off the 16-byte alignment give the
// digests of an aligned one (an SSE operand on the stack that needs the alignment faults).
TEST(SecureHash, InstructionPathsRunOnAStackOfFourByteAlignment) {
    const std::vector<uint8_t> pattern = DigestPattern(70000);
    const std::string input(pattern.begin(), pattern.end());
    const struct {
        TChecksumKind Kind;
        bool HasPath;
    } cases[] = {{ckSHA256, (CpuFeatures() & cfSha) != 0}, {ckCRC32, (CpuFeatures() & cfClmul) != 0}};
    for (const auto& c : cases) {
        if (!c.HasPath)
            continue;
        const std::string aligned = DigestInPieces(c.Kind, input, {65536});
        for (unsigned offset : {0u, 4u, 8u, 12u}) {
            TDigestJob job{c.Kind, input, ""};
            CallWithStackOffset(DigestJob, &job, offset);
            EXPECT_EQ(job.Digest, aligned) << ChecksumKindName(c.Kind) << ", " << offset;
        }
    }
}
#endif

} // namespace
