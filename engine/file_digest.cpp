#include "engine/file_digest.h"

#include <algorithm>

#include "engine/blake3_spans.h"
#include "engine/running_digest.h"

namespace {

// A BLAKE3 file from this size on is hashed on two threads when the run may use them.
constexpr uint64_t kSpreadFile = 4 << 20;

// A file from this size on is mapped: below it, a read costs less than the mapping.
constexpr uint64_t kMapFile = 1 << 20;
// Mapped pages are let go in steps of this many bytes, and made present as many ahead.
constexpr uint64_t kReleaseStep = 8 << 20;

// Closes the file, if any, on every way out, also when an event handler throws.
class TOpenFile {
public:
    TOpenFile(files::TFileSystem& fs, files::TFileId id) : Fs(fs), Id(id) {}
    ~TOpenFile() {
        if (Id != files::kNoFile)
            Fs.Close(Id);
    }
    TOpenFile(const TOpenFile&) = delete;
    TOpenFile& operator=(const TOpenFile&) = delete;

private:
    files::TFileSystem& Fs;
    files::TFileId Id;
};

// Reads a large BLAKE3 file's spans from file: on a handle of the thread's own (own), or
// on one that both threads share.
TReadAt SpanReader(files::TFileSystem& fs, files::TFileId file, bool own) {
    return [&fs, file, own](uint64_t offset, uint8_t* buffer, uint32_t length, uint32_t& done,
                            files::TErrorCode& error) {
        return own ? fs.ReadOwnAt(file, offset, buffer, length, done, error)
                   : fs.ReadAt(file, offset, buffer, length, done, error);
    };
}

// One block of at most length bytes at offset: false with the error when the read fails or
// finds the file's end (it shrank after it was opened).
bool ReadBlock(const TReadAt& read, uint64_t offset, uint8_t* target, uint32_t length,
               uint32_t& done, files::TErrorCode& error) {
    if (!read(offset, target, length, done, error))
        return false;
    // The file shrank after it was opened: no digest of bytes that are not there.
    if (done == 0) {
        error = files::kErrorEndOfFile;
        return false;
    }
    if (done > length)
        done = length;
    return true;
}

} // namespace

bool HashedFromMapping(TChecksumKind kind) {
    // Measured: these hash faster from a mapping; SHA-256 is slower there, waiting for memory
    // that a read had copied into the cache.
    return kind == ckBLAKE3 || kind == ckXXH128 || kind == ckMD5;
}

void AddInBlocks(void* digest, const uint8_t* data, size_t length) {
    for (size_t done = 0; done < length; done += kFileBlock)
        static_cast<TRunningDigest*>(digest)->Add(data + done, BlockAt(length, done));
}

TMappedFile::TMappedFile(files::TFileSystem& fs, files::TFileId id, uint64_t length)
    : Fs(fs), Length(length), Data(length >= kMapFile ? fs.Map(id, length) : nullptr) {
    if (Data)
        Fetch(0, 2 * kReleaseStep);
}

void TMappedFile::Fetch(uint64_t offset, uint64_t length) {
    if (offset < Length)
        Fs.FetchMapped(Data + static_cast<size_t>(offset),
                       static_cast<size_t>(std::min(length, Length - offset)));
}

TMappedFile::~TMappedFile() {
    if (Data)
        Fs.Unmap(Data, Length);
}

bool TMappedFile::Use(uint64_t offset, size_t length, files::TMappedUse use, void* context,
                      files::TErrorCode& error) const {
    return Fs.UseMapped(Data + static_cast<size_t>(offset), length, use, context, error);
}

void TMappedFile::UsedUpTo(uint64_t end) {
    if (end - Released < kReleaseStep)
        return;
    const uint64_t upTo = end - end % kReleaseStep;
    Fs.ReleaseMapped(Data + static_cast<size_t>(Released), static_cast<size_t>(upTo - Released));
    // Pages are fetched two steps ahead of those let go.
    Fetch(Released + 2 * kReleaseStep, upTo - Released);
    Released = upTo;
}

bool ReadBlockRun(const TReadAt& read, uint64_t offset, uint8_t* target, uint32_t length,
                  TBlockRun& run, files::TErrorCode& error) {
    uint32_t done = 0;
    if (length <= kFileBlock || !ReadBlock(read, offset, target, length, done, error)) {
        if (!ReadBlock(read, offset, target, BlockAt(length, 0), done, error))
            return false;
    }
    run.Count = 0;
    run.Total = done;
    for (uint32_t at = 0; at < done; at += kFileBlock)
        run.Lengths[run.Count++] = BlockAt(done, at);
    return true;
}

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
    TRunningDigest digest(kind);
    TMappedFile mapped(fs, id, HashedFromMapping(kind) ? opened.Size : 0);
    if (kind == ckBLAKE3 && opened.Size > TBlake3Spans::kSpanLength) {
        // A large BLAKE3 file is read in spans, each hashed as a whole subtree, on a
        // helper thread too when the run may spread and the services read at any offset;
        // on a handle of the helper's own where the services give one.
        const bool helper = spread && opened.Size >= kSpreadFile && fs.ReadsAtAnyOffset();
        const files::TFileId again = helper && !mapped.Mapped() ? fs.OpenAgain(id) : files::kNoFile;
        TOpenFile secondFile(fs, again);
        const bool own = again != files::kNoFile;
        const TReadAt read = SpanReader(fs, id, own);
        const TReadAt helperRead = SpanReader(fs, own ? again : id, own);
        TBlake3Spans spans(digest, opened.Size, read, helperRead,
                           mapped.Mapped() ? &mapped : nullptr, helper);
        if (!spans.Read(onBlock, result))
            return result;
    } else if (mapped.Mapped()) {
        // The same blocks, hashed where they are mapped.
        while (result.BytesRead < opened.Size) {
            const uint32_t length = BlockAt(opened.Size, result.BytesRead);
            if (!mapped.Use(result.BytesRead, length, AddInBlocks, &digest, result.Error)) {
                result.Status = TFileDigest::ReadFailed;
                return result;
            }
            result.BytesRead += length;
            mapped.UsedUpTo(result.BytesRead);
            if (!onBlock(length))
                return result;
        }
    } else {
        // Each thread reads into a block of its own that stays in place from file to file:
        // blocks on the workers' stacks, at the same offsets in each, digest 10% slower
        // when two workers run at once.
        alignas(kReadAlignment) static thread_local uint8_t buffer[kBlocksPerRead * kFileBlock];
        // The blocks come in order, each from where the last ended: a plain read serves, and
        // costs less than one at an offset, which on Windows sets the handle's position
        // under a lock that every thread shares.
        const TReadAt next = [&fs, id](uint64_t, uint8_t* target, uint32_t length,
                                       uint32_t& done, files::TErrorCode& error) {
            return fs.Read(id, target, length, done, error);
        };
        while (result.BytesRead < opened.Size) {
            const uint32_t length = static_cast<uint32_t>(
                std::min<uint64_t>(sizeof buffer, opened.Size - result.BytesRead));
            TBlockRun run;
            if (!ReadBlockRun(next, result.BytesRead, buffer, length, run, result.Error)) {
                result.Status = TFileDigest::ReadFailed;
                return result;
            }
            const uint8_t* block = buffer;
            for (uint32_t i = 0; i < run.Count; block += run.Lengths[i++]) {
                digest.Add(block, run.Lengths[i]);
                result.BytesRead += run.Lengths[i];
                if (!onBlock(run.Lengths[i]))
                    return result;
            }
        }
    }
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
