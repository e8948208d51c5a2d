// SHA-256: picks the fastest compression path the processor offers, once, and does the
// buffering and padding around it.
#include "engine/sha256.h"

#include "engine/cpu.h"
#include "engine/sha256_paths.h"

namespace {

bool forcedPortable = false;

void Compress(uint32_t state[8], const uint8_t* data, size_t blocks) {
#if TLVN_SHA256_SHANI
    if (!forcedPortable && SHA256HasFastPath()) {
        SHA256ShaBlocks(state, data, blocks);
        return;
    }
#endif
    SHA256PortableBlocks(state, data, blocks);
}

} // namespace

bool SHA256HasFastPath() {
#if TLVN_SHA256_SHANI
    static const bool hasSha = CpuHasSha();
    return hasSha;
#else
    return false;
#endif
}

void SHA256UsePortablePath(bool portable) {
    forcedPortable = portable;
}

void SHA256Init(TSHA256Context& context) {
    static const uint32_t kInitial[8] = {0x6a09e667u, 0xbb67ae85u, 0x3c6ef372u, 0xa54ff53au,
                                         0x510e527fu, 0x9b05688cu, 0x1f83d9abu, 0x5be0cd19u};
    std::memcpy(context.State, kInitial, sizeof kInitial);
    context.Buffer.Length = 0;
}

void SHA256Update(TSHA256Context& context, const void* data, size_t length) {
    context.Buffer.Add(
        data, length, [&](const uint8_t* p, size_t blocks) { Compress(context.State, p, blocks); });
}

void SHA256Final(TSHA256Context& context, uint8_t digest[32]) {
    context.Buffer.Finish(
        8, [&](const uint8_t* p, size_t blocks) { Compress(context.State, p, blocks); });
    for (int i = 0; i < 8; ++i)
        StoreBigEndian32(digest + 4 * i, context.State[i]);
}
