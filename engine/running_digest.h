// One running digest of any checksum kind, fed in pieces, as the file digest and the
// benchmark use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/blake3.h"
#include "engine/cpu.h"
#include "engine/items.h"
#include "engine/md5.h"
#include "engine/sha1.h"
#include "engine/sha256.h"
#include "engine/sha512.h"
#include "engine/xxh3.h"

class TRunningDigest {
public:
    // kind: one of ckMD5, ckCRC32, ckSHA1, ckSHA256, ckSHA512, ckBLAKE3, ckXXH128;
    // features: the
    // processor features its CRC-32, SHA-256, BLAKE3 and XXH3 may use (0: the portable paths).
    explicit TRunningDigest(TChecksumKind kind, TCpuFeatures features = CpuFeatures());
    // length: at most 65,536 bytes per call.
    void Add(const void* data, size_t length);
    // BLAKE3 only, with no partial chunk added: adds the chaining value of the next 2^levels
    // chunks, hashed apart (Blake3SubtreeCv); more input must follow.
    void AddBlake3Subtree(const uint32_t cv[8], unsigned levels);
    // The checksum text as lists hold it: CRC-32 in upper case, the others in lower case.
    std::string Text();

private:
    TChecksumKind Kind;
    TCpuFeatures Features;
    uint32_t Crc = 0xFFFFFFFFu;
    union {
        TMD5Context Md5;
        TSHA1Context Sha1;
        TSHA256Context Sha256;
        TSHA512Context Sha512;
        TBlake3Context Blake3;
        TXXH3Context Xxh3;
    };
};
