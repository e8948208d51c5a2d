// Bare digest speed: a digest of files read in 64 KiB blocks, as the engine reads them, or
// of an in-memory buffer. Prints the last digest, the seconds and the MB/s.
//   digest_bench KIND FILE...       digest each file
//   digest_bench KIND --memory MIB  digest MIB mebibytes of memory, 64 KiB per call
//   KIND: md5, crc32, sha1, sha256, sha512, blake3 or xxh128; add --portable after it to force the
//   portable CRC-32, SHA-256 and BLAKE3 paths
#include "engine/cpu.h"
#include "engine/running_digest.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kBlock = 65536;

int Usage() {
    std::fprintf(
        stderr,
        "usage: digest_bench md5|crc32|sha1|sha256|sha512|blake3|xxh128 [--portable] FILE... | "
        "--memory MIB\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return Usage();
    const struct {
        const char* name;
        TChecksumKind kind;
    } kinds[] = {{"md5", ckMD5},       {"crc32", ckCRC32},   {"sha1", ckSHA1},
                 {"sha256", ckSHA256}, {"sha512", ckSHA512}, {"blake3", ckBLAKE3},
                 {"xxh128", ckXXH128}};
    TChecksumKind kind = ckNone;
    for (const auto& k : kinds)
        if (std::strcmp(argv[1], k.name) == 0)
            kind = k.kind;
    if (kind == ckNone)
        return Usage();
    int arg = 2;
    TCpuFeatures features = CpuFeatures();
    if (std::strcmp(argv[arg], "--portable") == 0) {
        features = 0;
        ++arg;
    }
    if (arg >= argc)
        return Usage();

    std::string text;
    uint64_t total = 0;
    const auto start = std::chrono::steady_clock::now();
    if (std::strcmp(argv[arg], "--memory") == 0) {
        if (arg + 1 >= argc)
            return Usage();
        const uint64_t bytes = std::strtoull(argv[arg + 1], nullptr, 10) << 20;
        std::vector<uint8_t> memory(16 << 20);
        for (size_t i = 0; i < memory.size(); ++i)
            memory[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
        TRunningDigest digest(kind, features);
        for (; total < bytes; total += kBlock)
            digest.Add(memory.data() + total % memory.size(), kBlock);
        text = digest.Text();
    } else {
        static uint8_t buffer[kBlock];
        for (; arg < argc; ++arg) {
            std::FILE* file = std::fopen(argv[arg], "rb");
            if (!file) {
                std::perror(argv[arg]);
                return 1;
            }
            std::setvbuf(file, nullptr, _IONBF, 0);
            TRunningDigest digest(kind, features);
            size_t n;
            while ((n = std::fread(buffer, 1, kBlock, file)) > 0) {
                digest.Add(buffer, n);
                total += n;
            }
            std::fclose(file);
            text = digest.Text();
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s %.3f s %.1f MB/s\n", text.c_str(), seconds,
                total / 1e6 / (seconds > 0 ? seconds : 1e-9));
    return 0;
}
