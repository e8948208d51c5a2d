// Bare digest speed: MD5 or CRC-32 of files read in 64 KiB blocks, as the engine reads them,
// or of an in-memory buffer. Prints the last digest, the seconds and the MB/s.
//   digest_bench md5|crc32 FILE...       digest each file
//   digest_bench md5|crc32 --memory MIB  digest MIB mebibytes of memory, 64 KiB per call
//   add --portable after the kind to force the table CRC-32 path
#include "engine/crc32.h"
#include "engine/md5.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kBlock = 65536;

struct TDigest {
    bool md5;
    TMD5Context context;
    uint32_t crc = 0xFFFFFFFFu;

    explicit TDigest(bool useMd5) : md5(useMd5) { MD5Init(context); }
    void Add(const uint8_t* data, size_t n) {
        if (md5)
            MD5Update(context, data, static_cast<uint32_t>(n));
        else
            crc = CRC32Update(crc, data, n);
    }
    std::string Text() {
        char text[40];
        if (!md5) {
            std::snprintf(text, sizeof text, "%08X", crc ^ 0xFFFFFFFFu);
            return text;
        }
        uint8_t digest[16];
        MD5Final(context, digest);
        for (int i = 0; i < 16; ++i)
            std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
        return text;
    }
};

int Usage() {
    std::fprintf(stderr, "usage: digest_bench md5|crc32 [--portable] FILE... | --memory MIB\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return Usage();
    const bool md5 = std::strcmp(argv[1], "md5") == 0;
    if (!md5 && std::strcmp(argv[1], "crc32") != 0)
        return Usage();
    int arg = 2;
    if (std::strcmp(argv[arg], "--portable") == 0) {
        CRC32UsePortablePath(true);
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
        TDigest digest(md5);
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
            TDigest digest(md5);
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
