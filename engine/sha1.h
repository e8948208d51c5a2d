// SHA-1 message digest (FIPS 180-4): init, update, final. No input or output. Used to
// verify lists that other tools wrote.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/block_buffer.h"

struct TSHA1Context {
    uint32_t State[5];
    TBlockBuffer<64> Buffer;
};

void SHA1Init(TSHA1Context& context);
void SHA1Update(TSHA1Context& context, const void* data, size_t length);
// Writes the 20 digest bytes.
void SHA1Final(TSHA1Context& context, uint8_t digest[20]);
