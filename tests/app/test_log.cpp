// The processing log: every event's line, the prefixes, the totals and the saved log.
#include <gtest/gtest.h>

#include <cerrno>

#include "app/log.h"
#include "tests/engine/fake_files.h"
#include "tests/engine/temp_tree.h"

namespace {

TEST(LogLines, EveryEngineEventGivesItsTextAndKind) {
    const std::string p = "C:\\Data\\a.txt";
    const std::string f = "C:\\Data\\Sub\\*.*";
    struct TCase {
        const char* Event;
        TLogLine Line;
        const char* Text;
        int Kind;
    } cases[] = {
        {"OnFileOpenError", FileOpenErrorLine(p, 32, "The file is in use"),
         "Cannot open file \"C:\\Data\\a.txt\", Error 32: \"The file is in use\"", lkError},
        {"OnChecksumFileSkipped", ChecksumFileSkippedLine(p),
         "The file \"C:\\Data\\a.txt\" already exist. Skipped...", lkHint},
        {"OnInvalidLine", InvalidLineLine(p, 7),
         "The file \"C:\\Data\\a.txt\" has invalid format (line 7). Skipped...", lkWarn},
        {"OnFileMissing", FileMissingLine(p), "The file \"C:\\Data\\a.txt\" is missing", lkFail},
        {"OnFileUpdated", FileUpdatedLine(p), "The file \"C:\\Data\\a.txt\" has been updated",
         lkWarn},
        {"OnChecksumMismatch", ChecksumMismatchLine(p),
         "The file \"C:\\Data\\a.txt\" has different checksum value", lkFail},
        {"OnFileNotListed", FileNotListedLine(p),
         "The file \"C:\\Data\\a.txt\" not listed in checksum file", lkWarn},
        {"OnFileMoved", FileMovedLine(p, "C:\\Data\\Sub\\b.txt"),
         "The file \"C:\\Data\\a.txt\" has been moved or renamed to \"C:\\Data\\Sub\\b.txt\"",
         lkWarn},
        {"OnMovesNotPaired", MovesNotPairedLine(p),
         "Several missing or not listed files of \"C:\\Data\\a.txt\" share a checksum value. Not "
         "paired as moved...",
         lkHint},
        {"OnOldChecksumFileDeleted", OldChecksumFileDeletedLine(f),
         "The folder \"C:\\Data\\Sub\\*.*\" is empty. Old checksum file deleted...", lkHint},
        {"OnEmptyFolderSkipped", EmptyFolderSkippedLine(f),
         "The folder \"C:\\Data\\Sub\\*.*\" is empty. Skipped...", lkHint},
        {"OnNoChecksumFile", NoChecksumFileLine("C:\\Data\\Sub\\"),
         "The folder \"C:\\Data\\Sub\\\" has no checksum file", lkWarn},
        {"OnFileReadError", FileReadErrorLine(p, 23, 131072, "Data error"),
         "Cannot read file \"C:\\Data\\a.txt\" at 131072, Error 23: \"Data error\"", lkError},
        {"OnFileReadError beyond 4 GiB", FileReadErrorLine(p, 5, 6000000000ULL, ""),
         "Cannot read file \"C:\\Data\\a.txt\" at 6000000000, Error 5: \"\"", lkError},
        {"OnFileListError", FolderListErrorLine("C:\\Data\\", 5, "Access is denied"),
         "Cannot read content of folder \"C:\\Data\\\", Error 5: \"Access is denied\"", lkError},
        {"OnLoadError", LoadErrorLine(p, "Cannot open file"),
         "Error loading file \"C:\\Data\\a.txt\": Cannot open file", lkError},
        {"OnSaveError", SaveErrorLine(p, "Disk full"),
         "Error writing file \"C:\\Data\\a.txt\": Disk full", lkError},
        {"OnChecksumOk", ChecksumOkLine(p, "CRC32", "0A1B2C3D"),
         "CRC32(C:\\Data\\a.txt) = 0A1B2C3D - Ok", lkInfo},
        {"OnOldListNotTrusted", OldListNotTrustedLine(p, 2),
         "The old checksum file \"C:\\Data\\a.txt\" is newer than this run (is the clock wrong?). "
         "All its files are hashed...",
         lkHint},
        {"OnOldListNotTrusted, unknown reason", OldListNotTrustedLine(p, 9),
         "The old checksum file \"C:\\Data\\a.txt\" cannot be read. All its files are hashed...",
         lkHint},
        {"OnEntriesDropped", EntriesDroppedLine(p, 3),
         "The checksum file \"C:\\Data\\a.txt\" no longer lists 3 files that were not found",
         lkHint},
        {"OnEntryDropped", EntryDroppedLine(p),
         "The file \"C:\\Data\\a.txt\" was not found. Its entry dropped...", lkInfo},
        {"path holding a percent sign", FileMissingLine("100%s.txt"),
         "The file \"100%s.txt\" is missing", lkFail},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(c.Line.Text, c.Text) << c.Event;
        EXPECT_EQ(c.Line.Kind, c.Kind) << c.Event;
    }
}

TEST(LogLines, PrefixShownForEachKindOnly) {
    const struct {
        int Kind;
        const char* Shown;
    } cases[] = {{lkPlain, "x"},
                 {lkInfo, "INFO: x"},
                 {lkHint, "HINT: x"},
                 {lkWarn, "WARN: x"},
                 {lkFail, "FAIL: x"},
                 {lkError, "ERROR: x"},
                 {lkStart, "START: x"},
                 {lkStop, "STOP: x"},
                 {lkStat, "STAT: x"},
                 {9, "x"},
                 {-1, "x"}};
    for (const auto& c : cases)
        EXPECT_EQ(PrefixedText({"x", c.Kind}), c.Shown) << c.Kind;
}

TEST(LogTotals, CountOnlyHintsWarningsFailuresAndErrors) {
    TLogTotals totals;
    for (int kind : {0, 1, 2, 2, 3, 4, 4, 4, 5, 6, 7, 8, 9, -1})
        totals.Count(kind);
    EXPECT_EQ(totals.Hints, 2);
    EXPECT_EQ(totals.Warnings, 1);
    EXPECT_EQ(totals.Failures, 3);
    EXPECT_EQ(totals.Errors, 1);
}

TEST(SavedLog, TextsWithoutPrefixEachEndedByCrLf) {
    EXPECT_EQ(SavedLogContent({}), "");
    EXPECT_EQ(SavedLogContent({"a", "", "The file \"x\" is missing"}),
              "a\r\n\r\nThe file \"x\" is missing\r\n");

    TTempTree tree;
    tree.AddFile("log.txt", "old content that is longer than the new one");
    std::string message;
    ASSERT_TRUE(
        SaveLogFile(files::NativeFileSystem(), tree.Path("log.txt"), {"one", "two"}, message))
        << message;
    EXPECT_EQ(tree.Content("log.txt"), "one\r\ntwo\r\n");
}

TEST(SavedLog, AFailedSaveIsReportedAndLeavesNoEarlierLog) {
#ifdef _WIN32
    constexpr files::TErrorCode kDiskFull = 112; // ERROR_DISK_FULL
#else
    constexpr files::TErrorCode kDiskFull = ENOSPC;
#endif
    const struct {
        const char* Name;
        bool StageDiskFull; // else the save fails for real
        bool Stays;         // what was there before is there after
    } cases[] = {
        {"no-such-folder/log.txt", false, false},
        {"log.txt", true, false}, // an earlier log: removed
        {"folder", true, true},   // a folder of that name is no log
    };
    for (const auto& c : cases) {
        TTempTree tree;
        tree.AddFile("log.txt", "STAT: Total hints: 0, warnings: 0, failures: 0, errors: 0\r\n");
        tree.AddFile("folder/keep.txt", "");
        TFakeFileSystem fs;
        const std::string path = tree.Path(c.Name);
        if (c.StageDiskFull)
            fs.SaveFailures[path] = {files::TSaveStatus::WriteFailed, kDiskFull};
        std::string message;
        EXPECT_FALSE(SaveLogFile(fs, path, {"one"}, message)) << c.Name;
        const std::string head = "Cannot create file " + path + ": ";
        EXPECT_EQ(message.rfind(head, 0), 0u) << message;
        EXPECT_GT(message.size(), head.size()) << "system reason missing";
        EXPECT_EQ(tree.Exists(c.Name), c.Stays) << c.Name;
    }
}

} // namespace
