// The file digest: blocks of 64 KiB, progress and counters, abort, and the failures of
// opening and reading, staged through the file-system double where a disk cannot.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/file_digest.h"
#include "fake_files.h"
#include "run_recorder.h"
#include "temp_tree.h"

#ifdef _WIN32
#include "platform/handle.h"
#endif

namespace {

struct TDigestRun {
    TTempTree Tree;
    TFakeFileSystem Fs;
    TCheckSumEngine Engine;
    TRunRecorder Recorder{Engine, Tree.Root()};
    std::vector<uint64_t> Progress;

    TDigestRun() {
        Engine.SetFileSystem(&Fs);
        Engine.OnProgress = [this](uint64_t bytes) { Progress.push_back(bytes); };
        Recorder.RecordProcessing = false;
    }
};

// Reference digests from Python's hashlib and zlib over the bytes TTempTree::AddSizedFile
// writes.
struct TSizeCase {
    uint64_t Size;
    const char* Md5;
    const char* Crc;
    const char* Sha256;
    std::vector<uint32_t> Reads;  // asked of the file services, up to four blocks each
    std::vector<uint32_t> Blocks; // one progress each
};

TEST(CoreDigest, FilesAroundTheBlockSizeAreReadInRunsOfBlocksWithOneProgressPerBlock) {
    const TSizeCase cases[] = {
        {0,
         "d41d8cd98f00b204e9800998ecf8427e",
         "00000000",
         "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
         {},
         {}},
        {1,
         "8666683506aacd900bbd5a74ac4edf68",
         "4B0BBE37",
         "084fed08b978af4d7d196a7446a86b58009e636b611db16211b65a9aadff29c5",
         {1},
         {1}},
        {65535,
         "0842e5b8048d717092b8b86212e5bfe5",
         "98DF3D40",
         "e8f3d8d5ca3bbbc3435337aabd9d299b9ed4ebf56d13ae167503259ea24c1c1e",
         {65535},
         {65535}},
        {65536,
         "107fb79b1f489d6dc1aa22523e4c659a",
         "E5420B40",
         "93d1a595bb5828c088e99c53df8dca5511567b7724bc2325cf3e54d725fa069b",
         {65536},
         {65536}},
        {65537,
         "aee9cb2207b1e3a628184d48fb50882b",
         "81543EB6",
         "1f97534600bc110bc61e3d51829deadef8a1ec24e00bb2becc3f9f75b9527e79",
         {65537},
         {65536, 1}},
        {200000,
         "40f3587844b8c6bce33ce9248a561ebb",
         "195DBBA6",
         "d2979f63fc353288130be1837d34f088e378e76c5baa67b8a6077c950db3c286",
         {200000},
         {65536, 65536, 65536, 3392}},
    };
    for (const TSizeCase& c : cases) {
        for (TChecksumKind kind : {ckMD5, ckCRC32, ckSHA256}) {
            SCOPED_TRACE(std::to_string(c.Size) + " bytes, kind " + ChecksumKindName(kind));
            TDigestRun run;
            run.Tree.AddSizedFile("f.bin", c.Size);
            run.Engine.BytesProcessed = 10; // counters grow from where they stand
            run.Engine.FilesProcessed = 2;
            std::string text;
            ASSERT_TRUE(run.Engine.CalcFileChecksum(kind, run.Tree.Path("f.bin"), text));
            EXPECT_EQ(text, kind == ckMD5 ? c.Md5 : kind == ckCRC32 ? c.Crc : c.Sha256);
            EXPECT_EQ(run.Fs.ReadLengths, c.Reads);
            std::vector<uint64_t> progress;
            uint64_t total = 10;
            for (uint32_t length : c.Blocks)
                progress.push_back(total += length);
            EXPECT_EQ(run.Progress, progress);
            EXPECT_EQ(run.Engine.BytesProcessed, 10 + c.Size);
            EXPECT_EQ(run.Engine.FilesProcessed, 3);
            EXPECT_EQ(run.Fs.OpenFiles, 0);
            EXPECT_TRUE(run.Recorder.Events.empty());
        }
    }
}

TEST(CoreDigest, ProcessingNamesTheFileBeforeItIsOpened) {
    TDigestRun run;
    run.Recorder.RecordProcessing = true;
    std::string text;
    run.Engine.CalcFileChecksum(ckCRC32, run.Tree.Path("gone.txt"), text);
    EXPECT_EQ(run.Recorder.Events,
              (std::vector<std::string>{"Processing gone.txt", "FileOpenError gone.txt 2"}));
}

struct TFailureCase {
    const char* Name;
    std::function<void(TFakeFileSystem&, const std::string& path)> Stage;
    std::string Event;
    uint64_t BytesCounted;
    // Four blocks are read in one call; after a failed or short read, one block.
    size_t Reads;
    bool Mapped = false; // only for the kinds hashed from a mapping
};

TEST(CoreDigest, FailuresReportTheErrorKeepTheBytesReadAndGiveNoDigest) {
    // Large enough to be hashed from a mapping where the services map files.
    constexpr uint64_t kSize = (1 << 20) + 3392;
    const std::string endOfFile = std::to_string(files::kErrorEndOfFile);
    const TFailureCase cases[] = {
        {"missing file",
         [](TFakeFileSystem& fs, const std::string& path) {
             files::TErrorCode ignored;
             fs.RemoveFile(path, ignored);
         },
         "FileOpenError f.bin 2", 0, 0},
        {"open refused",
         [](TFakeFileSystem& fs, const std::string& path) { fs.OpenErrors[path] = 5; },
         "FileOpenError f.bin 5", 0, 0},
        {"read fails in the second block",
         [](TFakeFileSystem& fs, const std::string& path) {
             fs.ReadFailures[path] = {65536, 23};
         },
         "FileReadError f.bin 23 65536", 65536, 4},
        {"read fails at once",
         [](TFakeFileSystem& fs, const std::string& path) {
             fs.ReadFailures[path] = {0, 1117};
         },
         "FileReadError f.bin 1117 0", 0, 2},
        {"file shrank inside a block",
         [](TFakeFileSystem& fs, const std::string& path) { fs.ShrinkTo[path] = 100000; },
         "FileReadError f.bin " + endOfFile + " 100000", 100000, 3},
        {"file shrank to nothing",
         [](TFakeFileSystem& fs, const std::string& path) { fs.ShrinkTo[path] = 0; },
         "FileReadError f.bin " + endOfFile + " 0", 0, 2},
#ifndef _WIN32
        // A page of a mapped file past its new end faults: the fault is that file's read
        // failure, in the block (or BLAKE3 span) it was in, and the run goes on.
        {"file cut shorter while hashed from its mapping",
         [](TFakeFileSystem& fs, const std::string& path) {
             fs.CutWhileMapped[path] = {300000, 300000};
         },
         "FileReadError f.bin " + endOfFile + " 262144", 262144, 0, true},
        {"file grown while hashed from its mapping",
         [](TFakeFileSystem& fs, const std::string& path) {
             fs.CutWhileMapped[path] = {300000, kSize + 1};
         },
         "FileChanged f.bin", kSize, 0, true},
#endif
    };
    for (const TFailureCase& c : cases) {
        for (TChecksumKind kind : {ckMD5, ckCRC32, ckSHA256, ckBLAKE3, ckXXH128}) {
            if (c.Mapped && !HashedFromMapping(kind))
                continue;
            SCOPED_TRACE(std::string(c.Name) + ", kind " + ChecksumKindName(kind));
            TDigestRun run;
            run.Tree.AddSizedFile("f.bin", kSize);
            c.Stage(run.Fs, run.Tree.Path("f.bin"));
            std::string text = "untouched";
            EXPECT_FALSE(run.Engine.CalcFileChecksum(kind, run.Tree.Path("f.bin"), text));
            EXPECT_EQ(text, "untouched");
            EXPECT_EQ(run.Recorder.Events, std::vector<std::string>{c.Event});
            EXPECT_EQ(run.Engine.BytesProcessed, c.BytesCounted);
            EXPECT_EQ(run.Engine.FilesProcessed, 0);
            EXPECT_EQ(run.Fs.ReadLengths.size(), c.Reads);
            EXPECT_EQ(run.Fs.OpenFiles, 0);
        }
    }
}

TEST(CoreDigest, AbortTakesEffectAfterTheBlockInWhichItWasSet) {
    struct TCase {
        uint64_t AbortAt; // BytesProcessed at which the progress handler aborts
        size_t Reads;    // of four blocks at most
    };
    for (const TCase& c : {TCase{65536, 1}, TCase{262144, 1}, TCase{262145, 2}}) {
        SCOPED_TRACE("abort at " + std::to_string(c.AbortAt));
        TDigestRun run;
        run.Tree.AddSizedFile("f.bin", 262145);
        run.Engine.OnProgress = [&run, &c](uint64_t bytes) {
            if (bytes == c.AbortAt)
                run.Engine.SetAborted(true);
        };
        std::string text = "untouched";
        EXPECT_FALSE(run.Engine.CalcFileChecksum(ckMD5, run.Tree.Path("f.bin"), text));
        EXPECT_EQ(text, "untouched");
        EXPECT_EQ(run.Fs.ReadLengths.size(), c.Reads);
        EXPECT_EQ(run.Engine.BytesProcessed, c.AbortAt);
        EXPECT_EQ(run.Engine.FilesProcessed, 0);
        EXPECT_EQ(run.Recorder.Events, std::vector<std::string>{"ConfirmAbort yes"});
        EXPECT_EQ(run.Fs.OpenFiles, 0);
    }
}

TEST(CoreDigest, DeclinedAbortLetsTheDigestFinish) {
    TDigestRun run;
    run.Tree.AddSizedFile("f.bin", 65537);
    run.Recorder.ConfirmAbort = false;
    run.Engine.OnProgress = [&run](uint64_t) { run.Engine.SetAborted(true); };
    std::string text;
    EXPECT_TRUE(run.Engine.CalcFileChecksum(ckMD5, run.Tree.Path("f.bin"), text));
    EXPECT_EQ(text, "aee9cb2207b1e3a628184d48fb50882b");
    EXPECT_EQ(run.Recorder.Events,
              (std::vector<std::string>{"ConfirmAbort no", "ConfirmAbort no"}));
}

// 2^32 + 5 zero bytes: a size or a counter cut to 32 bits reads 5 bytes or wraps. The
// file lives in the double (a sparse file on disk takes too long to read back); the
// real services' 64-bit sizes are held by the file-service tests.
TEST(CoreDigest, FilesPast4GiBAreReadToTheirEndWithoutWrappingCounters) {
    const uint64_t size = (uint64_t(1) << 32) + 5;
    TDigestRun run;
    const std::string path = run.Tree.Path("big.bin");
    run.Fs.ZeroFiles[path] = size;
    run.Engine.BytesProcessed = 7;
    std::string text;
    ASSERT_TRUE(run.Engine.CalcFileChecksum(ckCRC32, path, text));
    EXPECT_EQ(text, "B1C2A1A3");
    EXPECT_EQ(run.Engine.BytesProcessed, size + 7);
    EXPECT_EQ(run.Engine.FilesProcessed, 1);
    EXPECT_EQ(run.Fs.ReadLengths.size(), 16385u);
    EXPECT_EQ(run.Fs.ReadLengths.back(), 5u);
    ASSERT_EQ(run.Progress.size(), 65537u);
    EXPECT_EQ(run.Progress[65535], (uint64_t(1) << 32) + 7);
    EXPECT_EQ(run.Progress.back(), size + 7);
}

TEST(CoreDigest, ReadFailurePast4GiBReportsTheFull64BitOffset) {
    const uint64_t size = (uint64_t(1) << 32) + 65536 * 3;
    TDigestRun run;
    const std::string path = run.Tree.Path("virtual.bin");
    run.Fs.ZeroFiles[path] = size;
    run.Fs.ReadFailures[path] = {(uint64_t(1) << 32) + 65536, 5};
    std::string text;
    EXPECT_FALSE(run.Engine.CalcFileChecksum(ckCRC32, path, text));
    EXPECT_EQ(run.Recorder.Events,
              std::vector<std::string>{"FileReadError virtual.bin 5 4295032832"});
    EXPECT_EQ(run.Engine.BytesProcessed, (uint64_t(1) << 32) + 65536);
}

TEST(CoreDigest, FileHeldOpenForWritingIsASharingViolation) {
#ifdef _WIN32
    TDigestRun run;
    run.Tree.AddFile("held.txt", "content");
    TFileHandle writer(CreateFileA(run.Tree.Path("held.txt").c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer.Valid());
    std::string text;
    EXPECT_FALSE(run.Engine.CalcFileChecksum(ckMD5, run.Tree.Path("held.txt"), text));
    EXPECT_EQ(run.Recorder.Events, std::vector<std::string>{"FileOpenError held.txt 32"});
    writer.Close();
    EXPECT_TRUE(run.Engine.CalcFileChecksum(ckMD5, run.Tree.Path("held.txt"), text));
#else
    GTEST_SKIP() << "POSIX has no share modes";
#endif
}

TEST(CoreDigest, KindOtherThanMd5OrCrcIsAProgrammingError) {
    TCheckSumEngine engine;
    std::string text;
    EXPECT_DEATH(engine.CalcFileChecksum(ckNone, "x", text), "Assertion failure \\(engine\\)");
}

} // namespace
