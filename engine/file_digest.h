// Reading one file for its digest, apart from the events: the engine's run thread and the
// hashing workers share it, so both read, count and stop exactly alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/items.h"
#include "platform/files.h"

struct TFileDigest {
    // Changed: the size or last-write time after the read differ from those at open.
    enum TStatus { Done, OpenFailed, ReadFailed, Changed, Stopped };
    TStatus Status = Stopped;
    files::TErrorCode Error = 0;
    uint64_t BytesRead = 0; // before the failing read
    std::string Text;       // the checksum text when Done
};

// Files are read in blocks of this size, the last one shorter.
constexpr uint32_t kFileBlock = 65536;

// The length of the block at offset of length bytes read in blocks.
inline uint32_t BlockAt(uint64_t length, uint64_t offset) {
    return length - offset < kFileBlock ? static_cast<uint32_t>(length - offset) : kFileBlock;
}

// Memory that blocks of a file are read into starts on this boundary: the system copies
// cached pages into it several times faster than into memory 16 bytes off it.
constexpr size_t kReadAlignment = 64;
// The first such boundary in memory that has kReadAlignment - 1 bytes to spare.
inline uint8_t* AlignedForReads(uint8_t* memory) {
    return memory + (-reinterpret_cast<uintptr_t>(memory) & (kReadAlignment - 1));
}

// Called after every block read with its length; false stops the reading.
using TBlockRead = std::function<bool(uint32_t length)>;

// Reads up to length bytes of the file from offset on; false with error set when the read
// fails.
using TReadAt = std::function<bool(uint64_t offset, uint8_t* buffer, uint32_t length,
                                   uint32_t& done, files::TErrorCode& error)>;
// Up to this many blocks are read in one call: a call into the system costs more than the
// copy (under Wine most).
constexpr uint32_t kBlocksPerRead = 4;

// What one ReadBlockRun read: the blocks' lengths, as if read one by one.
struct TBlockRun {
    uint32_t Lengths[kBlocksPerRead];
    uint32_t Count = 0;
    uint32_t Total = 0;
};

// Reads the next blocks of the file at offset into target, length bytes of at most
// kBlocksPerRead blocks, in one call; when that read fails or finds the file's end, one block
// only, so a failure is found in its block. False with the error when that block's read fails
// or finds the file's end (it shrank after it was opened).
bool ReadBlockRun(const TReadAt& read, uint64_t offset, uint8_t* target, uint32_t length,
                  TBlockRun& run, files::TErrorCode& error);

// Reads the bytes there at open, in 64 KiB blocks, into the digest of kind; a file that was
// written meanwhile gives no digest. spread: the run may use more than one thread, so a
// large BLAKE3 file is read and hashed on two.
TFileDigest DigestFile(files::TFileSystem& fs, TChecksumKind kind, const std::string& path,
                       const TBlockRead& onBlock, bool spread = false);

// Adds length bytes to the TRunningDigest at digest, a block at a time; a TMappedUse.
void AddInBlocks(void* digest, const uint8_t* data, size_t length);

// True for the kinds whose large files are hashed from a mapping where the services map
// files: those that hash faster there than from reads.
bool HashedFromMapping(TChecksumKind kind);

// The bytes of an open file mapped into memory where the services map files
// (TFileSystem::Map), handed to hash calls through their guard, and let go behind as they are
// used, so a large file never stays in the program's memory; unmapped at the end.
class TMappedFile {
public:
    // Maps length bytes of the file when there are 1 MiB or more.
    TMappedFile(files::TFileSystem& fs, files::TFileId id, uint64_t length);
    ~TMappedFile();
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;

    bool Mapped() const { return Data != nullptr; }
    // use(context, bytes, length) for length bytes from offset on; false with error when
    // they could not be read (see TFileSystem::UseMapped).
    bool Use(uint64_t offset, size_t length, files::TMappedUse use, void* context,
             files::TErrorCode& error) const;
    // The bytes before end are used: they are let go in steps of some MiB. One thread calls.
    void UsedUpTo(uint64_t end);

private:
    // Makes the mapped pages of [offset, offset + length) present, up to the end.
    void Fetch(uint64_t offset, uint64_t length);

    files::TFileSystem& Fs;
    const uint64_t Length;
    const uint8_t* const Data;
    uint64_t Released = 0;
};

// The digest of a file read whole (at most one block), as DigestFile gives it for the same
// bytes: the caller passes their length on as the one block read.
TFileDigest DigestWhole(TChecksumKind kind, const uint8_t* data, uint32_t length);
