// TCheckSumEngine: construction, settings, the abort flag, the frame of every entry and the
// hashing pool.
#include "engine/engine.h"

#include <new>

#include "engine/assertion.h"
#include "engine/hash_pool.h"
#include "engine/names.h"
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

void TCheckSumEngine::RunEntry(const std::function<void()>& body, bool count) {
    BytesProcessed = 0;
    FilesProcessed = 0;
    FilesKept = 0;
    RunStartAge = 0;
    RealRoot.clear();
    FoldersInside.clear();
    LastFolderInside.clear();
    RunListRelative.clear();
    if (HasFolderPart(ChecksumFileName)) {
        const size_t end = ChecksumFileName.find_last_of(kComponentEnds);
        const std::string folder = Fs->RealPath(ChecksumFileName.substr(0, end + 1));
        std::string relative;
        if (!folder.empty() && RealFolderInTree(folder + files::kPathDelimiter, relative))
            RunListRelative = relative + ChecksumFileName.substr(end + 1);
    }
    FailureText.clear();
    Finding = {};
    Counting = count;
    LinksReported.clear();
    if (count)
        CountedFiles.clear();
    Listings.Begin(count);
    // Every path of the tree is walked from the root's handle until the entry ends; the pool
    // is gone before the tree is left.
    try {
        Fs->EnterTree(FolderPath);
        body();
    } catch (...) {
        FailureText = DescribeFailure(std::current_exception());
    }
    Listings.UsePool(nullptr);
    Pool.reset();
    Fs->LeaveTree();
    const bool forget = !count || Aborted;
    Listings.End(forget);
    if (forget)
        CountedFiles.clear();
    Lines.clear();
    Files.clear();
    ChecksumFiles.clear();
    Unreached.clear();
    OldDigests.Clear();
    MissingEntries.clear();
    LinksReported.clear();
}

THashPool& TCheckSumEngine::RunPool() {
    if (!Pool) {
        Pool = std::make_unique<THashPool>(*Fs, Workers);
        Listings.UsePool(Pool.get());
    }
    return *Pool;
}

// With one worker the pool has no threads: the run thread reads every file itself, and the
// pool only announces the files next in turn, so a cold disk still has reads in flight.
void TCheckSumEngine::Prefetch(const std::string& path, TChecksumKind kind, uint64_t size) {
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
