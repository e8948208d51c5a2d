// SHA-256 message digest (FIPS 180-4): init, update, final. No input or output.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/block_buffer.h"

struct TSHA256Context {
    uint32_t State[8];
    TBlockBuffer<64> Buffer;
};

void SHA256Init(TSHA256Context& context);
void SHA256Update(TSHA256Context& context, const void* data, size_t length);
// Writes the 32 digest bytes.
void SHA256Final(TSHA256Context& context, uint8_t digest[32]);

// Where the processor has the SHA extensions, SHA256Update uses them; otherwise, or after
// SHA256UsePortablePath(true), it uses portable code. Both give the same digests.
bool SHA256HasFastPath();
void SHA256UsePortablePath(bool portable);
