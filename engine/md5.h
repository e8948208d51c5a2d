// MD5 message digest (RFC 1321): init, update, final. No input or output.
#pragma once

#include <cstdint>

struct TMD5Context {
    uint32_t BitCount[2]; // low word first
    uint32_t State[4];    // A, B, C, D
    uint8_t Buffer[64];   // tail not yet transformed
};

void MD5Init(TMD5Context& context);
// length: at most 65,536 bytes per call.
void MD5Update(TMD5Context& context, const void* data, uint32_t length);
// Writes the 16 digest bytes and wipes the context.
void MD5Final(TMD5Context& context, uint8_t digest[16]);
