#include "engine/file_digest.h"

#include "engine/running_digest.h"

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

} // namespace

TFileDigest DigestFile(files::TFileSystem& fs, TChecksumKind kind, const std::string& path,
                       const TBlockRead& onBlock) {
    TFileDigest result;
    files::TFileId id = fs.OpenRead(path, result.Error);
    if (id == files::kNoFile) {
        result.Status = TFileDigest::OpenFailed;
        return result;
    }
    TOpenFile file(fs, id);

    // Only the bytes there at open are digested; bytes appended meanwhile are not.
    uint64_t remaining = fs.FileSize(id);
    TRunningDigest digest(kind);
    uint32_t blockLength = kBlockSize;
    uint8_t buffer[kBlockSize];
    while (remaining > 0) {
        if (remaining < blockLength)
            blockLength = static_cast<uint32_t>(remaining);
        uint32_t done = 0;
        if (!fs.Read(id, buffer, blockLength, done, result.Error)) {
            result.Status = TFileDigest::ReadFailed;
            return result;
        }
        // The file shrank after it was opened: no digest of bytes that are not there.
        if (done == 0) {
            result.Status = TFileDigest::ReadFailed;
            result.Error = files::kErrorEndOfFile;
            return result;
        }
        if (done > blockLength)
            done = blockLength;
        digest.Add(buffer, done);
        result.BytesRead += done;
        remaining -= done;
        if (!onBlock(done))
            return result;
    }
    result.Text = digest.Text();
    result.Status = TFileDigest::Done;
    return result;
}
