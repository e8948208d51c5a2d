// Reading one file for its digest, apart from the events: the engine's run thread and the
// hashing workers share it, so both read, count and stop exactly alike.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/items.h"
#include "platform/files.h"

struct TFileDigest {
    enum TStatus { Done, OpenFailed, ReadFailed, Stopped };
    TStatus Status = Stopped;
    files::TErrorCode Error = 0;
    uint64_t BytesRead = 0; // before the failing read
    std::string Text;       // the checksum text when Done
};

// Called after every block read with its length; false stops the reading.
using TBlockRead = std::function<bool(uint32_t length)>;

// Reads the bytes there at open, in 64 KiB blocks, into the digest of kind.
TFileDigest DigestFile(files::TFileSystem& fs, TChecksumKind kind, const std::string& path,
                       const TBlockRead& onBlock);
