// SHA-1, SHA-256, SHA-512, BLAKE3 and XXH3-128: the published examples, fed whole and in odd
// pieces, on every SHA-256 and BLAKE3 path; the SHA-instruction path against the portable one; and,
// in the 32-bit build, the instruction paths of SHA-256, CRC-32 and BLAKE3 on a stack of 4-byte
// alignment.
#include "engine/blake3_spans.h"
#include "engine/cpu.h"
#include "engine/crc32.h"
#include "engine/running_digest.h"
#include "tests/engine/digest_pattern.h"
#include "tests/engine/temp_tree.h"

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

// BLAKE3 as a large file is read: in spans of whole subtrees, the last one partial; from
// mapped when given.
std::string Blake3InSpans(const std::string& input, bool helper, TCpuFeatures features,
                          TMappedFile* mapped = nullptr) {
    const TReadAt read = [&input](uint64_t offset, uint8_t* buffer, uint32_t length, uint32_t& done,
                                  files::TErrorCode&) {
        done = static_cast<uint32_t>(std::min<uint64_t>(length, input.size() - offset));
        std::copy_n(input.data() + offset, done, buffer);
        return true;
    };
    TRunningDigest digest(ckBLAKE3, features);
    TBlake3Spans spans(digest, input.size(), read, read, mapped, helper, features);
    TFileDigest result;
    if (!spans.Read([](uint32_t) { return true; }, result))
        return "not read";
    return digest.Text();
}

#ifndef _WIN32
// The same, with input written to a file that the system's services map.
std::string Blake3InMappedSpans(const std::string& input, bool helper, TCpuFeatures features) {
    TTempTree tree;
    tree.AddFile("input", input);
    files::TFileSystem& fs = files::NativeFileSystem();
    files::TErrorCode error = 0;
    const files::TFileId id = fs.OpenRead(tree.Path("input"), error);
    if (id == files::kNoFile)
        return "not opened";
    std::string text = "not mapped";
    {
        TMappedFile mapping(fs, id, input.size());
        if (mapping.Mapped())
            text = Blake3InSpans(input, helper, features, &mapping);
    }
    fs.Close(id);
    return text;
}
#endif

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

// The BLAKE3 test vectors (input byte i is i mod 251; digests as b3sum prints them), lengths
// on both sides of the 64-byte block and the 1 KiB chunk, up to a tree of 5,121 chunks, fed
// whole and in pieces that end inside and on those limits, on every BLAKE3 path; above one
// span also in spans, with and without a helper thread, read and (from 1 MiB on, where files
// are mapped) mapped.
TEST(SecureHash, Blake3MatchesTheTestVectors) {
    const struct {
        size_t length;
        const char* digest;
    } cases[] = {
        {0, "af1349b9f5f9a1a6a0404dea36dcc9499bcb25c9adc112b7cc9a93cae41f3262"},
        {1, "2d3adedff11b61f14c886e35afa036736dcd87a74d27b5c1510225d0f592e213"},
        {63, "e9bc37a594daad83be9470df7f7b3798297c3d834ce80ba85d6e207627b7db7b"},
        {64, "4eed7141ea4a5cd4b788606bd23f46e212af9cacebacdc7d1f4c6dc7f2511b98"},
        {65, "de1e5fa0be70df6d2be8fffd0e99ceaa8eb6e8c93a63f2d8d1c30ecb6b263dee"},
        {1023, "10108970eeda3eb932baac1428c7a2163b0e924c9a9e25b35bba72b28f70bd11"},
        {1024, "42214739f095a406f3fc83deb889744ac00df831c10daa55189b5d121c855af7"},
        {1025, "d00278ae47eb27b34faecf67b4fe263f82d5412916c1ffd97c8cb7fb814b8444"},
        {2048, "e776b6028c7cd22a4d0ba182a8bf62205d2ef576467e838ed6f2529b85fba24a"},
        {2049, "5f4d72f40d7a5f82b15ca2b2e44b1de3c2ef86c426c95c1af0b6879522563030"},
        {3072, "b98cb0ff3623be03326b373de6b9095218513e64f1ee2edd2525c7ad1e5cffd2"},
        {3073, "7124b49501012f81cc7f11ca069ec9226cecb8a2c850cfe644e327d22d3e1cd3"},
        {4096, "015094013f57a5277b59d8475c0501042c0b642e531b0a1c8f58d2163229e969"},
        {4097, "9b4052b38f1c5fc8b1f9ff7ac7b27cd242487b3d890d15c96a1c25b8aa0fb995"},
        {5121, "628bd2cb2004694adaab7bbd778a25df25c47b9d4155a55f8fbd79f2fe154cff"},
        {7169, "a003fc7a51754a9b3c7fae0367ab3d782dccf28855a03d435f8cfe74605e7817"},
        {8192, "aae792484c8efe4f19e2ca7d371d8c467ffb10748d8a5a1ae579948f718a2a63"},
        {8193, "bab6c09cb8ce8cf459261398d2e7aef35700bf488116ceb94a36d0f5f1b7bc3b"},
        {16384, "f875d6646de28985646f34ee13be9a576fd515f76b5b0a26bb324735041ddde4"},
        {31744, "62b6960e1a44bcc1eb1a611a8d6235b6b4b78f32e7abc4fb4c6cdcce94895c47"},
        {102400, "bc3e3d41a1146b069abffad3c0d44860cf664390afce4d9661f7902e7943e085"},
        {1048577, "2f053cd7472cf0cd2f9adaf45c1180255b91b9a865404a63671a0ee5f792ed33"},
        {5243911, "15812594a10c1f7a88c5be5afdbfb04892935932d80b439b27eb05cfbc1b28c3"},
    };
    std::string input(5243911, '\0');
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = static_cast<char>(i % 251);
    const std::vector<size_t> pieceSets[] = {
        {input.size()}, {1024}, {64, 1023, 1, 1025, 4096}, OddPieceSizes()};
    for (TCpuFeatures features : {TCpuFeatures(0), cfSse41, cfAvx2, cfSse41 | cfAvx2, cfAvx512,
                                  cfSse41 | cfAvx2 | cfAvx512}) {
        if ((features & CpuFeatures()) != features)
            continue;
        for (const auto& c : cases) {
            const std::string message = input.substr(0, c.length);
            for (const std::vector<size_t>& pieces : pieceSets)
                EXPECT_EQ(DigestInPieces(ckBLAKE3, message, pieces, features), c.digest)
                    << c.length << " bytes in pieces of " << pieces[0] << ", features " << features;
            for (bool helper : {false, true}) {
                if (c.length <= TBlake3Spans::kSpanLength)
                    break;
                EXPECT_EQ(Blake3InSpans(message, helper, features), c.digest)
                    << c.length << " bytes in spans, helper " << helper << ", features "
                    << features;
#ifndef _WIN32
                if (c.length >= 1 << 20) {
                    EXPECT_EQ(Blake3InMappedSpans(message, helper, features), c.digest)
                        << c.length << " bytes in mapped spans, helper " << helper
                        << ", features " << features;
                }
#endif
            }
        }
    }
}

// XXH3-128 of the same input as xxhsum -H2 prints it: every short form (0, 1-3, 4-8, 9-16,
// 17-128, 129-240 bytes), then stripes (64 bytes) and blocks (1 KiB) of the long form, on
// the portable and the AVX2 path.
TEST(SecureHash, Xxh128MatchesXxhsum) {
    const struct {
        size_t length;
        const char* digest;
    } cases[] = {
        {0, "99aa06d3014798d86001c324468d497f"},      {1, "a6cd5e9392000f6ac44bdff4074eecdb"},
        {3, "e3b55f57945a17cf5f4299fc161c9cbb"},      {4, "eb70bf5fc779e9e6a6111d53e80a3db5"},
        {8, "e1e4432a62217fe4cfd50c61c8bb98c1"},      {9, "16c769d83e4aebce907931979dca3746"},
        {16, "72950631827607e2842812cc870dcae2"},     {17, "685bc458b37d057fc06e233df7729217"},
        {128, "14792fc3af88dc6c05321a0b64d67b41"},    {129, "dd5e74ac6b45f54ebc30b63382b09a3b"},
        {240, "65b5be86da5540e7c92b68e16f83bbb6"},    {241, "1da1cb61bcb8a2a102e8cd95421c6d02"},
        {255, "65652759c081c563074191baf9c49567"},    {256, "96c36c85d00e5bc544f5d90dacde463a"},
        {1024, "d0ac1f7b93bf57b9e5d78bafa45b2aa5"},   {1025, "2882ebca04ec915ce95c42288f28186e"},
        {16383, "b4a782a229e31bc850c466a61f5aec47"},  {16385, "7f1012a369696b6dfea38d9173737a4b"},
        {102400, "ecd387d36185351b1428e17f1cac2837"},
    };
    std::string input(102400, '\0');
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = static_cast<char>(i % 251);
    const std::vector<size_t> pieceSets[] = {
        {input.size()}, {1}, {63, 65, 241, 1024}, OddPieceSizes()};
    for (TCpuFeatures features : {TCpuFeatures(0), cfAvx2}) {
        if ((features & CpuFeatures()) != features)
            continue;
        for (const auto& c : cases)
            for (const std::vector<size_t>& pieces : pieceSets)
                EXPECT_EQ(DigestInPieces(ckXXH128, input.substr(0, c.length), pieces, features),
                          c.digest)
                    << c.length << " bytes in pieces of " << pieces[0] << ", features " << features;
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
    } cases[] = {{ckSHA256, (CpuFeatures() & cfSha) != 0},
                 {ckCRC32, (CpuFeatures() & cfClmul) != 0},
                 {ckBLAKE3, (CpuFeatures() & (cfSse41 | cfAvx2)) != 0}};
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
