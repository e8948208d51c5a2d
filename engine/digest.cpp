// CalcFileChecksum: the digest of one file, with progress, abort and failure events.
#include "engine/engine.h"

#include "engine/assertion.h"
#include "engine/file_digest.h"
#include "engine/hash_pool.h"
#include "platform/files.h"

bool TCheckSumEngine::CalcFileChecksum(TChecksumKind kind, const std::string& path,
                                       std::string& text) {
    if (!IsEntryClass(static_cast<TLineClass>(kind)))
        EngineAssertionFailure("CalcFileChecksum needs a checksum kind");
    if (OnProcessing)
        OnProcessing(path);
    const TBlockRead onBlock = [this](uint32_t length) {
        BytesProcessed += length;
        if (OnProgress)
            OnProgress(BytesProcessed);
        return !Aborted;
    };
    // A worker may have read the file already; its blocks are counted here, in order.
    TFileDigest digest;
    if (!Pool || !Pool->Take(path, kind, onBlock, digest))
        digest = DigestFile(*Fs, kind, path, onBlock, Workers > 1);
    switch (digest.Status) {
    case TFileDigest::OpenFailed:
        Required(OnFileOpenError, "OnFileOpenError")(path, digest.Error);
        return false;
    case TFileDigest::ReadFailed:
        Required(OnFileReadError, "OnFileReadError")(path, digest.Error, digest.BytesRead);
        return false;
    case TFileDigest::Changed:
        Required(OnFileChanged, "OnFileChanged")(path);
        return false;
    case TFileDigest::Stopped:
        return false;
    case TFileDigest::Done:
        break;
    }
    text = digest.Text;
    ++FilesProcessed;
    return true;
}
