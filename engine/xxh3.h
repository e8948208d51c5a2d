// XXH3 with the 128-bit output and the default secret (no seed), as xxhsum -H2 prints it: a
// fast non-cryptographic hash. Init, update, final; no input or output.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/cpu.h"

struct TXXH3Context {
    uint64_t Acc[8];
    // Inputs of up to 240 bytes wait here whole, since they hash apart; later the bytes after
    // the last stripe taken, which follow LastStripe.
    uint8_t Buffer[256];
    uint8_t LastStripe[64];
    uint32_t BufferLength;
    uint32_t StripesInBlock;
    uint64_t Length;
    TCpuFeatures Features; // the processor features the hash may use
};

// With cfAvx2 among features, the stripes go through AVX2; both paths give the same hash.
void XXH3Init(TXXH3Context& context, TCpuFeatures features = CpuFeatures());
void XXH3Update(TXXH3Context& context, const void* data, size_t length);
// Writes the 16 bytes of the hash, high half first (the order of its hexadecimal text).
void XXH3Final(TXXH3Context& context, uint8_t digest[16]);
