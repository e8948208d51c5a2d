// The platform's real file services, held to one behaviour on POSIX and on Windows.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/files.h"
#include "temp_tree.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using TNames = std::vector<std::string>;

files::TFileSystem& Fs() {
    return files::NativeFileSystem();
}

TNames Find(const std::string& pattern, files::TErrorCode* result = nullptr) {
    TNames names;
    files::TErrorCode error = Fs().FindFiles(pattern, [&](const files::TFoundFile& found) {
        if (found.Name != "." && found.Name != "..")
            names.push_back(found.Name);
        return true;
    });
    if (result)
        *result = error;
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CoreFiles, SearchPatternsMatchWholeNamesIgnoringCase) {
    TTempTree tree;
    for (const char* name : {"a.txt", "B.TXT", "readme", "x.md5", "ab.tx", "a.txt.md5"})
        tree.AddFile(name, "x");
    tree.AddFolder("sub");
    struct TCase {
        std::string Pattern;
        TNames Names;
    };
    const TCase cases[] = {
        {"*.*", {"B.TXT", "a.txt", "a.txt.md5", "ab.tx", "readme", "sub", "x.md5"}},
        {"*", {"B.TXT", "a.txt", "a.txt.md5", "ab.tx", "readme", "sub", "x.md5"}},
        {"*.txt", {"B.TXT", "a.txt"}},
        {"?.TXT", {"B.TXT", "a.txt"}},
        {"a*", {"a.txt", "a.txt.md5", "ab.tx"}},
        {"*.md5", {"a.txt.md5", "x.md5"}},
        {"README", {"readme"}},
        {"a*t*5", {"a.txt.md5"}},
        {"nothing*", {}},
        {"sub", {"sub"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Pattern);
        files::TErrorCode error = 99;
        EXPECT_EQ(Find(tree.Root() + c.Pattern, &error), c.Names);
        EXPECT_EQ(error, 0u);
    }
}

TEST(CoreFiles, SearchInAMissingFolderEndsWithAnError) {
    TTempTree tree;
    files::TErrorCode error = 0;
    EXPECT_TRUE(Find(tree.Path("missing/*.*"), &error).empty());
    EXPECT_NE(error, 0u);
    EXPECT_FALSE(Fs().ErrorText(error).empty());
}

TEST(CoreFiles, SearchStopsWhenTheCallerSaysSo) {
    TTempTree tree;
    for (const char* name : {"a", "b", "c"})
        tree.AddFile(name, "x");
    int calls = 0;
    EXPECT_EQ(Fs().FindFiles(tree.Root() + "?",
                             [&](const files::TFoundFile&) {
                                 ++calls;
                                 return false;
                             }),
              0u);
    EXPECT_EQ(calls, 1);
}

// Ages are local times cut to two seconds, packed as DOS date and time.
TEST(CoreFiles, EntriesCarrySizeFolderFlagAndAge) {
    TTempTree tree;
    tree.AddSizedFile("f.bin", 70000);
    tree.AddFile("empty", "");
    tree.AddFolder("sub");
    tree.SetTime("f.bin", 2024, 5, 6, 7, 8, 11);
    tree.SetTime("empty", 1999, 12, 31, 23, 59, 58);
    struct TCase {
        std::string Name;
        uint64_t Size;
        bool Folder;
        uint32_t Age; // 0: not checked
    };
    const uint32_t age2024 = ((44u << 9 | 5u << 5 | 6u) << 16) | (7u << 11 | 8u << 5 | 5u);
    const uint32_t age1999 = ((19u << 9 | 12u << 5 | 31u) << 16) | (23u << 11 | 59u << 5 | 29u);
    for (const TCase& c : {TCase{"f.bin", 70000, false, age2024}, TCase{"empty", 0, false, age1999},
                           TCase{"sub", 0, true, 0}}) {
        SCOPED_TRACE(c.Name);
        files::TFoundFile listed, info;
        Fs().FindFiles(tree.Path(c.Name), [&](const files::TFoundFile& found) {
            listed = found;
            return true;
        });
        ASSERT_TRUE(Fs().GetFileInfo(tree.Path(c.Name), info));
        for (const files::TFoundFile& found : {listed, info}) {
            EXPECT_EQ(found.Name, c.Name);
            EXPECT_EQ(found.IsDirectory(), c.Folder);
            if (!c.Folder) {
                EXPECT_EQ(found.Size, c.Size);
            }
            if (c.Age) {
                EXPECT_EQ(found.Age, c.Age);
            }
        }
    }
    files::TFoundFile none;
    EXPECT_FALSE(Fs().GetFileInfo(tree.Path("absent"), none));
    EXPECT_FALSE(Fs().GetFileInfo(tree.Path("f.*"), none)); // no wildcard search here
}

TEST(CoreFiles, SizesPast4GiBAreReportedWhole) {
    TTempTree tree;
    const uint64_t size = (uint64_t(1) << 32) + 65537;
    tree.AddSparseFile("big.bin", size);
    files::TFoundFile info;
    ASSERT_TRUE(Fs().GetFileInfo(tree.Path("big.bin"), info));
    EXPECT_EQ(info.Size, size);
    TNames listed;
    Fs().FindFiles(tree.Path("*.bin"), [&](const files::TFoundFile& found) {
        EXPECT_EQ(found.Size, size);
        listed.push_back(found.Name);
        return true;
    });
    EXPECT_EQ(listed, TNames{"big.bin"});
    files::TErrorCode error = 0;
    files::TFileId file = Fs().OpenRead(tree.Path("big.bin"), error);
    ASSERT_NE(file, files::kNoFile);
    EXPECT_EQ(Fs().FileSize(file), size);
    Fs().Close(file);
}

TEST(CoreFiles, ReadsDeliverTheFileAndThenNothing) {
    TTempTree tree;
    tree.AddFile("f.txt", "hello");
    files::TErrorCode error = 0;
    files::TFileId file = Fs().OpenRead(tree.Path("f.txt"), error);
    ASSERT_NE(file, files::kNoFile);
    char buffer[16];
    uint32_t done = 0;
    ASSERT_TRUE(Fs().Read(file, buffer, sizeof buffer, done, error));
    EXPECT_EQ(std::string(buffer, done), "hello");
    ASSERT_TRUE(Fs().Read(file, buffer, sizeof buffer, done, error));
    EXPECT_EQ(done, 0u);
    Fs().Close(file);
}

TEST(CoreFiles, FoldersAndMissingFilesCannotBeOpenedForReading) {
    TTempTree tree;
    tree.AddFolder("sub");
    for (const char* name : {"sub", "missing"}) {
        files::TErrorCode error = 0;
        EXPECT_EQ(Fs().OpenRead(tree.Path(name), error), files::kNoFile) << name;
        EXPECT_NE(error, 0u) << name;
    }
}

const std::string kLongName = std::string(247, 'n') + ".md5";

TEST(CoreFiles, SaveReplacesOnlyAfterACompleteWrite) {
    struct TCase {
        std::string Target;
        files::TSaveStatus Status;
        TNames Left; // names in the root afterwards
    };
    const TCase cases[] = {
        {"new.md5", files::TSaveStatus::Ok, {"new.md5", "old.md5", "sub"}},
        {"old.md5", files::TSaveStatus::Ok, {"old.md5", "sub"}},
        {"sub", files::TSaveStatus::CannotCreate, {"old.md5", "sub"}},
        {"missing/x.md5", files::TSaveStatus::CannotCreate, {"old.md5", "sub"}},
        // The temporary name is short: every name the system takes can be saved.
        {kLongName, files::TSaveStatus::Ok, {kLongName, "old.md5", "sub"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Target);
        TTempTree tree;
        tree.AddFile("old.md5", "old");
        tree.AddFile("sub/keep", "keep");
        files::TErrorCode error = 0;
        EXPECT_EQ(Fs().SaveFile(tree.Path(c.Target), "new\r\n", error), c.Status);
        if (c.Status == files::TSaveStatus::Ok) {
            EXPECT_EQ(tree.Content(c.Target), "new\r\n");
        } else {
            EXPECT_NE(error, 0u);
        }
        EXPECT_EQ(tree.List(), c.Left);
        EXPECT_EQ(tree.List("sub"), TNames{"keep"});
        if (c.Target != "old.md5") {
            EXPECT_EQ(tree.Content("old.md5"), "old");
        }
    }
}

TEST(CoreFiles, ReadOnlyCanBeSetAndCleared) {
    TTempTree tree;
    tree.AddFile("f", "x");
    uint32_t attributes = 0;
    for (bool readOnly : {true, false, true}) {
        ASSERT_TRUE(Fs().SetAttributes(tree.Path("f"), readOnly ? files::kAttrReadOnly : 0));
        ASSERT_TRUE(Fs().GetAttributes(tree.Path("f"), attributes));
        EXPECT_EQ((attributes & files::kAttrReadOnly) != 0, readOnly);
    }
    EXPECT_FALSE(Fs().GetAttributes(tree.Path("absent"), attributes));
}

TEST(CoreFiles, RemoveDeletesOnceAndThenReportsTheError) {
    TTempTree tree;
    tree.AddFile("f", "x");
    files::TErrorCode error = 0;
    EXPECT_TRUE(Fs().RemoveFile(tree.Path("f"), error));
    EXPECT_FALSE(Fs().RemoveFile(tree.Path("f"), error));
    EXPECT_EQ(error, 2u); // ENOENT and ERROR_FILE_NOT_FOUND alike
    EXPECT_FALSE(tree.Exists("f"));
}

TEST(CoreFiles, ComparisonIgnoresLetterCase) {
    struct TCase {
        std::string A, B;
        int Sign;
    };
    const TCase cases[] = {{"abc", "ABC", 0},     {"a", "b", -1}, {"B", "a", 1},
                           {"file", "FILE1", -1}, {"", "", 0},    {"Z.txt", "a.txt", 1}};
    for (const TCase& c : cases) {
        int result = Fs().CompareText(c.A, c.B);
        EXPECT_EQ((result > 0) - (result < 0), c.Sign) << c.A << " / " << c.B;
    }
}

TEST(CoreFiles, SystemMessagesAreTrimmed) {
    for (files::TErrorCode code : {2u, 5u, files::kErrorEndOfFile}) {
        std::string text = Fs().ErrorText(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_GT(static_cast<unsigned char>(text.back()), 32) << code;
        EXPECT_NE(text.back(), '.') << code;
    }
    EXPECT_EQ(files::TrimSystemMessage("Access is denied.\r\n"), "Access is denied");
    EXPECT_EQ(files::TrimSystemMessage(" .. \t"), "");
}

// A folder that can be read but not entered: its names are there, their status is not.
TEST(CoreFiles, AFolderThatCannotBeEnteredEndsItsListingWithAnError) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX permissions";
#else
    TTempTree tree;
    tree.AddFile("closed/f.txt", "x");
    ASSERT_EQ(chmod(tree.Path("closed").c_str(), 0644), 0);
    const std::optional<bool> failed = AsUnprivilegedUser([&] {
        return Fs().FindFiles(tree.Path("closed/*.*"),
                              [](const files::TFoundFile&) { return true; }) == EACCES;
    });
    if (!failed)
        GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_TRUE(*failed);
#endif
}

// POSIX only: what is not a plain file of one name is written in place, and a replaced
// file keeps its mode.
TEST(CoreFiles, SaveKeepsWhatTheUserHad) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX files";
#else
    TTempTree tree;
    tree.AddFile("list.md5", "old");
    ASSERT_EQ(chmod(tree.Path("list.md5").c_str(), 0640), 0);
    tree.AddFile("linked.md5", "old");
    ASSERT_EQ(link(tree.Path("linked.md5").c_str(), tree.Path("other-name").c_str()), 0);
    ASSERT_EQ(mkfifo(tree.Path("fifo").c_str(), 0600), 0);
    files::TErrorCode error = 0;
    EXPECT_EQ(Fs().SaveFile(tree.Path("list.md5"), "new", error), files::TSaveStatus::Ok);
    struct stat st;
    ASSERT_EQ(stat(tree.Path("list.md5").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Fs().SaveFile(tree.Path("linked.md5"), "new", error), files::TSaveStatus::Ok);
    EXPECT_EQ(tree.Content("other-name"), "new");
    // A FIFO nobody reads fails at once instead of hanging.
    EXPECT_EQ(Fs().SaveFile(tree.Path("fifo"), "new", error), files::TSaveStatus::CannotCreate);
    EXPECT_EQ(error, static_cast<files::TErrorCode>(ENXIO));
    EXPECT_EQ(tree.List(), (TNames{"fifo", "linked.md5", "list.md5", "other-name"}));

    // A writable list in a folder where nothing can be created is written in place.
    tree.AddFile("closed/list.md5", "old");
    ASSERT_EQ(chmod(tree.Path("closed/list.md5").c_str(), 0666), 0);
    ASSERT_EQ(chmod(tree.Path("closed").c_str(), 0555), 0);
    const std::optional<bool> saved = AsUnprivilegedUser([&] {
        files::TErrorCode code = 0;
        return Fs().SaveFile(tree.Path("closed/list.md5"), "new", code) == files::TSaveStatus::Ok;
    });
    if (!saved)
        GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_TRUE(*saved);
    EXPECT_EQ(tree.Content("closed/list.md5"), "new");
#endif
}

// POSIX only: what a listing makes of links and special files, and saving through a link.
TEST(CoreFiles, LinksToFilesCountFoldersLinksAndSpecialFilesDoNot) {
#ifdef _WIN32
    GTEST_SKIP() << "no symbolic links or FIFOs staged on Windows";
#else
    TTempTree tree;
    tree.AddFile("file", "x");
    tree.AddFolder("folder");
    ASSERT_EQ(symlink(tree.Path("file").c_str(), tree.Path("to-file").c_str()), 0);
    ASSERT_EQ(symlink(tree.Path("folder").c_str(), tree.Path("to-folder").c_str()), 0);
    ASSERT_EQ(symlink(tree.Path("nowhere").c_str(), tree.Path("broken").c_str()), 0);
    ASSERT_EQ(mkfifo(tree.Path("fifo").c_str(), 0600), 0);
    EXPECT_EQ(Find(tree.Root() + "*.*"), (TNames{"file", "folder", "to-file"}));

    // A FIFO must not block the reader: it is refused like a folder.
    files::TErrorCode error = 0;
    EXPECT_EQ(Fs().OpenRead(tree.Path("fifo"), error), files::kNoFile);
    EXPECT_NE(error, 0u);

    // Saving through the link replaces the file it points to and keeps the link.
    EXPECT_EQ(Fs().SaveFile(tree.Path("to-file"), "new", error), files::TSaveStatus::Ok);
    EXPECT_EQ(tree.Content("file"), "new");
    struct stat st;
    ASSERT_EQ(lstat(tree.Path("to-file").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
#endif
}

} // namespace
