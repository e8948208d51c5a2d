// Files read through a memory mapping, with the recovery from the SIGBUS that a page of a
// file cut shorter meanwhile (or a failing disk) raises: the TFileSystem mapping calls on POSIX.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/files.h"

namespace files {

const uint8_t* MapFile(int fd, uint64_t length);
bool UseMappedGuarded(const uint8_t* data, size_t length, TMappedUse use, void* context,
                      TErrorCode& error);
void FetchMappedPages(const uint8_t* data, size_t length);
void ReleaseMappedPages(const uint8_t* data, size_t length);
void UnmapFile(const uint8_t* mapping, uint64_t length);

} // namespace files
