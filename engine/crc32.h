// CRC-32 of SFV files (reflected polynomial 0xEDB88320). No conditioning inside:
// start from 0xFFFFFFFF and complement the final value.
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t CRC32Update(uint32_t crc, const void* data, size_t length);
