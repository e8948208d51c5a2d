// CRC-32 of SFV files (reflected polynomial 0xEDB88320). No conditioning inside:
// start from 0xFFFFFFFF and complement the final value.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/cpu.h"

// With cfClmul among features, inputs of 64 bytes and more go through carry-less
// multiplication; everything else through lookup tables. Both give the same values.
uint32_t CRC32Update(uint32_t crc, const void* data, size_t length,
                     TCpuFeatures features = CpuFeatures());
