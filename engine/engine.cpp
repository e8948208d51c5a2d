// TCheckSumEngine: construction, settings and the abort flag.
#include "engine/engine.h"

#include <new>

#include "engine/assertion.h"
#include "engine/hash_pool.h"
#include "platform/blanks.h"
#include "platform/files.h"

TCheckSumEngine::TCheckSumEngine()
    : Listings(files::NativeFileSystem()), Fs(&files::NativeFileSystem()) {}

TCheckSumEngine::~TCheckSumEngine() = default;

void TCheckSumEngine::SetFolderPath(const std::string& path) {
    FolderPath = TrimBlanks(path);
    if (!FolderPath.empty() && FolderPath.back() != files::kPathDelimiter)
        FolderPath += files::kPathDelimiter;
}

void TCheckSumEngine::SetFileMask(const std::string& mask) {
    FileMask = TrimBlanks(mask);
    if (FileMask.empty())
        FileMask = "*.*";
}

void TCheckSumEngine::SetChecksumKind(TChecksumKind kind) {
    ChecksumKind = kind;
    KindName = ChecksumKindName(kind);
}

// Asking for an abort that is already set asks nothing; clearing never asks.
void TCheckSumEngine::SetAborted(bool aborted) {
    if (aborted && !Aborted && !Required(OnConfirmAbort, "OnConfirmAbort")())
        return;
    Aborted = aborted;
}

THashPool& TCheckSumEngine::RunPool() {
    if (!Pool) {
        Pool = std::make_unique<THashPool>(*Fs, Workers);
        Listings.UsePool(Pool.get());
    }
    return *Pool;
}

void TCheckSumEngine::Prefetch(const std::string& path, TChecksumKind kind, uint64_t size) {
    if (Workers > 1)
        RunPool().Submit(path, kind, size);
}

void TCheckSumEngine::PrefetchListing(const std::string& pattern) {
    if (Workers > 1 && !Listings.Holds(pattern))
        RunPool().SubmitListing(pattern);
}

void TCheckSumEngine::SetFileSystem(files::TFileSystem* fs) {
    Fs = fs ? fs : &files::NativeFileSystem();
    Listings.UseFileSystem(*Fs);
}

std::string DescribeFailure(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown failure";
    }
}
