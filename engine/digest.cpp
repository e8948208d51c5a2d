// The digest of one file, read in 64 KiB blocks, with progress, abort and failure events.
#include "engine/engine.h"

#include "engine/running_digest.h"
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

} // namespace

bool TCheckSumEngine::CalcFileChecksum(TChecksumKind kind, const std::string& path,
                                       std::string& text) {
    if (!IsEntryClass(static_cast<TLineClass>(kind)))
        EngineAssertionFailure("CalcFileChecksum needs a checksum kind");
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
    TRunningDigest digest(kind);
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
        digest.Add(buffer, done);
        bytesRead += done;
        BytesProcessed += done;
        remaining -= done;
        if (OnProgress)
            OnProgress(BytesProcessed);
        if (Aborted)
            return false;
    }

    text = digest.Text();
    ++FilesProcessed;
    return true;
}
