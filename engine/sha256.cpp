// SHA-256: the fastest compression path the context's features allow, and the buffering and
// padding around it.
#include "engine/sha256.h"

#include "engine/sha256_paths.h"

namespace {

void Compress(TSHA256Context& context, const uint8_t* data, size_t blocks) {
#if TLVN_SHA256_SHANI
    if ((context.Features & cfSha) != 0) {
        SHA256ShaBlocks(context.State, data, blocks);
        return;
    }
#endif
    SHA256PortableBlocks(context.State, data, blocks);
}

} // namespace

void SHA256Init(TSHA256Context& context, TCpuFeatures features) {
    static const uint32_t kInitial[8] = {0x6a09e667u, 0xbb67ae85u, 0x3c6ef372u, 0xa54ff53au,
                                         0x510e527fu, 0x9b05688cu, 0x1f83d9abu, 0x5be0cd19u};
    std::memcpy(context.State, kInitial, sizeof kInitial);
    context.Buffer.Length = 0;
    context.Features = features;
}

void SHA256Update(TSHA256Context& context, const void* data, size_t length) {
    context.Buffer.Add(data, length,
                       [&](const uint8_t* p, size_t blocks) { Compress(context, p, blocks); });
}

void SHA256Final(TSHA256Context& context, uint8_t digest[32]) {
    context.Buffer.Finish(8,
                          [&](const uint8_t* p, size_t blocks) { Compress(context, p, blocks); });
    for (int i = 0; i < 8; ++i)
        StoreBigEndian32(digest + 4 * i, context.State[i]);
}
