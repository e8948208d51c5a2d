// SHA-512 message digest (FIPS 180-4): init, update, final. No input or output. Used to
// verify lists that other tools wrote.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/block_buffer.h"

struct TSHA512Context {
    uint64_t State[8];
    TBlockBuffer<128> Buffer;
};

void SHA512Init(TSHA512Context& context);
void SHA512Update(TSHA512Context& context, const void* data, size_t length);
// Writes the 64 digest bytes.
void SHA512Final(TSHA512Context& context, uint8_t digest[64]);
