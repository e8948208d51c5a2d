#include "engine/file_digest.h"

#include <memory>

#include "engine/blake3_spans.h"
#include "engine/running_digest.h"

namespace {

constexpr uint32_t kBlockSize = 65536;
// A BLAKE3 file from this size on is hashed on two threads when the run may use them.
constexpr uint64_t kSpreadFile = 4 << 20;

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
                       const TBlockRead& onBlock, bool spread) {
    TFileDigest result;
    files::TFileId id = fs.OpenRead(path, result.Error);
    if (id == files::kNoFile) {
        result.Status = TFileDigest::OpenFailed;
        return result;
    }
    TOpenFile file(fs, id);

    // Only the bytes there at open are digested, and only when nothing wrote to the file
    // meanwhile: bytes of two versions never make a digest.
    const files::TFileStamp opened = fs.Stamp(id);
    uint64_t remaining = opened.Size;
    TRunningDigest digest(kind);
    // A BLAKE3 file of more than one span is read in spans, each hashed as whole subtrees
    // (on a helper thread too when spread), others block by block.
    std::unique_ptr<TBlake3Spans> spans;
    if (kind == ckBLAKE3 && remaining > TBlake3Spans::kSpanLength)
        spans = std::make_unique<TBlake3Spans>(digest, spread && remaining >= kSpreadFile);
    uint8_t* span = spans ? spans->Next() : nullptr;
    size_t spanFilled = 0;
    uint8_t memory[kBlockSize + kReadAlignment - 1];
    uint8_t* const buffer = AlignedForReads(memory);
    while (remaining > 0) {
        uint8_t* target = spans ? span + spanFilled : buffer;
        uint32_t blockLength = kBlockSize;
        if (spans && blockLength > TBlake3Spans::kSpanLength - spanFilled)
            blockLength = static_cast<uint32_t>(TBlake3Spans::kSpanLength - spanFilled);
        if (remaining < blockLength)
            blockLength = static_cast<uint32_t>(remaining);
        uint32_t done = 0;
        if (!fs.Read(id, target, blockLength, done, result.Error)) {
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
        if (!spans) {
            digest.Add(buffer, done);
        } else if ((spanFilled += done) == TBlake3Spans::kSpanLength && remaining > done) {
            spans->Queue();
            span = spans->Next();
            spanFilled = 0;
        }
        result.BytesRead += done;
        remaining -= done;
        if (!onBlock(done))
            return result;
    }
    if (spans)
        spans->Finish(spanFilled);
    if (fs.Stamp(id) != opened) {
        result.Status = TFileDigest::Changed;
        return result;
    }
    result.Text = digest.Text();
    result.Status = TFileDigest::Done;
    return result;
}

TFileDigest DigestWhole(TChecksumKind kind, const uint8_t* data, uint32_t length) {
    TRunningDigest digest(kind);
    if (length > 0)
        digest.Add(data, length);
    TFileDigest result;
    result.BytesRead = length;
    result.Text = digest.Text();
    result.Status = TFileDigest::Done;
    return result;
}
