// CRC-32 of SFV files (reflected polynomial 0xEDB88320). No conditioning inside:
// start from 0xFFFFFFFF and complement the final value.
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t CRC32Update(uint32_t crc, const void* data, size_t length);

// Where the processor offers carry-less multiplication, CRC32Update uses it; otherwise, or
// after CRC32UsePortablePath(true), it uses lookup tables. Both give the same values.
bool CRC32HasFastPath();
void CRC32UsePortablePath(bool portable);
