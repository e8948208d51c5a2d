// SHA-256 message digest (FIPS 180-4): init, update, final. No input or output.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/block_buffer.h"
#include "engine/cpu.h"

struct TSHA256Context {
    uint32_t State[8];
    TBlockBuffer<64> Buffer;
    TCpuFeatures Features; // the processor features the digest may use
};

// With cfSha among features, the blocks go through the SHA instructions; otherwise through
// portable code. Both give the same digests.
void SHA256Init(TSHA256Context& context, TCpuFeatures features = CpuFeatures());
void SHA256Update(TSHA256Context& context, const void* data, size_t length);
// Writes the 32 digest bytes.
void SHA256Final(TSHA256Context& context, uint8_t digest[32]);
