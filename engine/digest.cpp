// The digest of one file, read in 64 KiB blocks, with progress, abort and failure events.
#include "engine/engine.h"

#include "engine/crc32.h"
#include "engine/md5.h"
#include "platform/files.h"

namespace {

constexpr uint32_t kBlockSize = 65536;

// Closes the file on every way out, also when an event handler throws.
class TOpenFile {
public:
    TOpenFile(files::TFileSystem& fs, files::TFileId id) : Fs(fs), Id(id) {}
    ~TOpenFile() { Fs.Close(Id); }
    TOpenFile(const TOpenFile&) = delete;
    TOpenFile& operator=(const TOpenFile&) = delete;

private:
    files::TFileSystem& Fs;
    files::TFileId Id;
};

std::string HexText(const uint8_t* bytes, size_t count, const char* digits) {
    std::string text(count * 2, '0');
    for (size_t i = 0; i < count; ++i) {
        text[2 * i] = digits[bytes[i] >> 4];
        text[2 * i + 1] = digits[bytes[i] & 15];
    }
    return text;
}

} // namespace

bool TCheckSumEngine::CalcFileChecksum(TChecksumKind kind, const std::string& path,
                                       std::string& text) {
    if (kind != ckMD5 && kind != ckCRC32)
        EngineAssertionFailure("CalcFileChecksum needs the kind MD5 or CRC32");
    if (OnProcessing)
        OnProcessing(path);
    files::TErrorCode error = 0;
    files::TFileId id = Fs->OpenRead(path, error);
    if (id == files::kNoFile) {
        Required(OnFileOpenError, "OnFileOpenError")(path, error);
        return false;
    }
    TOpenFile file(*Fs, id);

    // Only the bytes there at open are digested; bytes appended meanwhile are not.
    uint64_t remaining = Fs->FileSize(id);
    TMD5Context md5;
    MD5Init(md5);
    uint32_t crc = 0xFFFFFFFF;
    uint32_t blockLength = kBlockSize;
    uint64_t bytesRead = 0;
    uint8_t buffer[kBlockSize];
    while (remaining > 0) {
        if (remaining < blockLength)
            blockLength = static_cast<uint32_t>(remaining);
        uint32_t done = 0;
        if (!Fs->Read(id, buffer, blockLength, done, error)) {
            Required(OnFileReadError, "OnFileReadError")(path, error, bytesRead);
            return false;
        }
        // The file shrank after it was opened: no digest of bytes that are not there.
        if (done == 0) {
            Required(OnFileReadError, "OnFileReadError")(path, files::kErrorEndOfFile, bytesRead);
            return false;
        }
        if (done > blockLength)
            done = blockLength;
        if (kind == ckMD5)
            MD5Update(md5, buffer, done);
        else
            crc = CRC32Update(crc, buffer, done);
        bytesRead += done;
        BytesProcessed += done;
        remaining -= done;
        if (OnProgress)
            OnProgress(BytesProcessed);
        if (Aborted)
            return false;
    }

    if (kind == ckMD5) {
        uint8_t digest[16];
        MD5Final(md5, digest);
        text = HexText(digest, sizeof digest, "0123456789abcdef");
    } else {
        crc ^= 0xFFFFFFFF;
        const uint8_t bytes[4] = {static_cast<uint8_t>(crc >> 24), static_cast<uint8_t>(crc >> 16),
                                  static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)};
        text = HexText(bytes, sizeof bytes, "0123456789ABCDEF");
    }
    ++FilesProcessed;
    return true;
}
