// The platform's real file services, held to one behaviour on POSIX and on Windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "engine/file_digest.h"
#include "platform/files.h"
#include "temp_tree.h"

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/handle.h"
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
    std::vector<int64_t> readTimes; // of the files, all given one date while they were read
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
        if (c.Folder)
            continue;
        // An open file's stamp, taken again after the read, holds the date set meanwhile.
        files::TErrorCode error = 0;
        const files::TFileId file = Fs().OpenRead(tree.Path(c.Name), error);
        ASSERT_NE(file, files::kNoFile);
        const files::TFileStamp opened = Fs().Stamp(file);
        tree.SetTime(c.Name, 2025, 1, 2, 3, 4, 6);
        char buffer[4096];
        uint32_t done = 0;
        while (Fs().Read(file, buffer, sizeof buffer, done, error) && done > 0) {
        }
        const files::TFileStamp read = Fs().Stamp(file);
        Fs().Close(file);
        EXPECT_EQ(opened.Size, c.Size);
        EXPECT_EQ(read.Size, c.Size);
        EXPECT_NE(opened.WriteTime, 0);
        EXPECT_NE(read.WriteTime, opened.WriteTime);
        readTimes.push_back(read.WriteTime);
    }
    ASSERT_EQ(readTimes.size(), 2u);
    EXPECT_EQ(readTimes[0], readTimes[1]);
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

// Where the services give a second handle, each handle reads at offsets of its own; a large
// BLAKE3 file read by two threads, each on its handle, digests as when read by one.
TEST(CoreFiles, ReadsAtOffsetsOnOneHandleOrTwoGiveTheFileBytes) {
    TTempTree tree;
    const uint64_t size = (5 << 20) + 12345;
    tree.AddSizedFile("big.bin", size);
    const std::string path = tree.Path("big.bin");
    files::TErrorCode error = 0;
    const files::TFileId file = Fs().OpenRead(path, error);
    ASSERT_NE(file, files::kNoFile);
    const files::TFileId again = Fs().OpenAgain(file);
#ifdef _WIN32
    ASSERT_NE(again, files::kNoFile);
#endif
    const files::TFileId second = again == files::kNoFile ? file : again;
    struct TRead {
        files::TFileId File;
        uint64_t Offset;
        uint32_t Expected; // bytes there
    };
    const TRead reads[] = {{second, 4000000, 100}, {file, 7, 100},    {second, 4000100, 100},
                           {file, size - 10, 10},  {second, size, 0}, {file, 65536, 100}};
    for (const TRead& r : reads) {
        SCOPED_TRACE("offset " + std::to_string(r.Offset));
        char buffer[100];
        uint32_t done = 1;
        ASSERT_TRUE(Fs().ReadOwnAt(r.File, r.Offset, buffer, sizeof buffer, done, error));
        ASSERT_EQ(done, r.Expected);
        for (uint32_t i = 0; i < done; ++i)
            ASSERT_EQ(static_cast<uint8_t>(buffer[i]), ((r.Offset + i) * 7 + 3) % 251);
    }
    if (again != files::kNoFile)
        Fs().Close(again);
    Fs().Close(file);
    const TBlockRead any = [](uint32_t) { return true; };
    const TFileDigest alone = DigestFile(Fs(), ckBLAKE3, path, any, false);
    const TFileDigest spread = DigestFile(Fs(), ckBLAKE3, path, any, true);
    ASSERT_EQ(alone.Status, TFileDigest::Done);
    EXPECT_EQ(spread.Status, TFileDigest::Done);
    EXPECT_EQ(spread.Text, alone.Text);
    EXPECT_EQ(spread.BytesRead, size);
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

// An announced file is read as it is when read: announcing keeps nothing of it, also when
// it vanishes, shrinks or is replaced meanwhile, in a tree and outside one.
// Reads the file at path whole (at most 64 bytes): true with its content when the services
// did.
bool ReadWhole(const std::string& path, std::string& content) {
    uint8_t buffer[64];
    files::TWholeRead read;
    read.Path = &path;
    read.Buffer = buffer;
    read.Capacity = sizeof buffer;
    if (!Fs().ReadWhole(&read, 1) || !read.Done)
        return false;
    content.assign(reinterpret_cast<const char*>(buffer), read.Length);
    return true;
}

TEST(CoreFiles, AnnouncedFilesAreReadAsTheyAreWhenRead) {
    struct Case {
        const char* change;
        const char* content; // nullptr: the file is gone
    } cases[] = {{"stays", "hello world"},
                 {"shrinks", "he"},
                 {"is replaced", "other content"},
                 {"vanishes", nullptr}};
    // Read whole too, in a tree, where the services read files whole.
    const bool wholeReads = Fs().ReadWhole(nullptr, 0);
    for (bool whole : {false, true})
        for (bool inTree : {false, true})
            for (const Case& c : cases) {
                TTempTree tree;
                tree.AddFile("f.txt", "hello world");
                if (inTree)
                    Fs().EnterTree(tree.Root());
                Fs().Announce(tree.Path("f.txt"), 1 << 20);
                const std::string change = c.change;
                if (change == "shrinks") {
                    std::filesystem::resize_file(tree.Path("f.txt"), 2);
                } else if (change == "is replaced") {
                    tree.AddFile("new.txt", c.content);
                    std::filesystem::rename(tree.Path("new.txt"), tree.Path("f.txt"));
                } else if (change == "vanishes") {
                    std::filesystem::remove(tree.Path("f.txt"));
                }
                std::string read;
                const bool readWhole = whole && ReadWhole(tree.Path("f.txt"), read);
                bool opened = readWhole;
                if (!readWhole) {
                    files::TErrorCode error = 0;
                    files::TFileId file = Fs().OpenRead(tree.Path("f.txt"), error);
                    opened = file != files::kNoFile;
                    char buffer[64];
                    uint32_t done = 0;
                    while (opened && Fs().Read(file, buffer, sizeof buffer, done, error) &&
                           done > 0)
                        read.append(buffer, done);
                    if (opened)
                        Fs().Close(file);
                }
                if (inTree)
                    Fs().LeaveTree();
                EXPECT_EQ(opened, c.content != nullptr) << c.change;
                EXPECT_EQ(read, c.content ? c.content : "") << c.change;
                EXPECT_EQ(readWhole, whole && inTree && wholeReads && c.content) << c.change;
            }
}

const std::string kLongName = std::string(247, 'n') + ".md5";

bool HardLink(const std::string& from, const std::string& to) {
#ifdef _WIN32
    return CreateHardLinkA(to.c_str(), from.c_str(), nullptr) != 0;
#else
    return link(from.c_str(), to.c_str()) == 0;
#endif
}

files::TSaveStatus Save(const std::string& path, const std::string& content,
                        files::TSaveReport& report,
                        files::TSaveTarget target = files::TSaveTarget::List) {
    return Fs().SaveFile(path, content, target, report);
}

TEST(CoreFiles, SaveReplacesOnlyAfterACompleteWrite) {
    struct TCase {
        std::string Target;
        files::TSaveStatus Status;
        TNames Left; // names in the root afterwards
    };
    const TCase cases[] = {
        {"new.md5", files::TSaveStatus::Ok, {"new.md5", "old.md5", "sub", "twin.md5"}},
        {"old.md5", files::TSaveStatus::Ok, {"old.md5", "sub", "twin.md5"}},
        {"sub", files::TSaveStatus::CannotCreate, {"old.md5", "sub", "twin.md5"}},
        {"missing/x.md5", files::TSaveStatus::CannotCreate, {"old.md5", "sub", "twin.md5"}},
        // The temporary name is short: every name the system takes can be saved.
        {kLongName, files::TSaveStatus::Ok, {kLongName, "old.md5", "sub", "twin.md5"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Target);
        TTempTree tree;
        tree.AddFile("old.md5", "old");
        tree.AddFile("sub/keep", "keep");
        // A hard link of the list (a snapshot's) keeps the old list: it is replaced like any.
        ASSERT_TRUE(HardLink(tree.Path("old.md5"), tree.Path("twin.md5")));
        files::TSaveReport report;
        EXPECT_EQ(Save(tree.Path(c.Target), "new\r\n", report), c.Status);
        EXPECT_EQ(report.OtherNamesKept, c.Target == "old.md5");
        EXPECT_EQ(tree.Content("twin.md5"), "old");
        if (c.Status == files::TSaveStatus::Ok) {
            EXPECT_EQ(tree.Content(c.Target), "new\r\n");
        } else {
            EXPECT_NE(report.Error, 0u);
        }
        EXPECT_EQ(tree.List(), c.Left);
        EXPECT_EQ(tree.List("sub"), TNames{"keep"});
        if (c.Target != "old.md5") {
            EXPECT_EQ(tree.Content("old.md5"), "old");
        }
    }
}

// A content of several pieces, the last one unreadable when Error is set.
class TPieces : public files::TSaveContent {
public:
    TPieces(std::vector<std::string> pieces, files::TErrorCode error)
        : Pieces(std::move(pieces)), Error(error) {}
    bool Next(const char*& data, size_t& size, files::TErrorCode& error) override {
        if (Given == Pieces.size()) {
            error = Error;
            return false;
        }
        data = Pieces[Given].data();
        size = Pieces[Given++].size();
        return true;
    }

private:
    std::vector<std::string> Pieces;
    files::TErrorCode Error;
    size_t Given = 0;
};

TEST(CoreFiles, SaveFromPiecesWritesThemAllOrReplacesNothing) {
    for (const files::TErrorCode error : {files::TErrorCode(0), files::TErrorCode(5)}) {
        SCOPED_TRACE(error);
        TTempTree tree;
        tree.AddFile("old.log", "old");
        TPieces pieces({"one\r\n", std::string(100000, 'x'), "three\r\n"}, error);
        files::TSaveReport report;
        EXPECT_EQ(
            Fs().SaveFileFrom(tree.Path("old.log"), pieces, files::TSaveTarget::Named, report),
            error == 0 ? files::TSaveStatus::Ok : files::TSaveStatus::WriteFailed);
        EXPECT_EQ(report.Error, error);
        EXPECT_EQ(tree.Content("old.log"),
                  error == 0 ? "one\r\n" + std::string(100000, 'x') + "three\r\n" : "old");
        EXPECT_EQ(tree.List(), TNames{"old.log"});
    }
}

// Names that Windows reads as devices when a path is passed as it is ("aux.txt", "COM1",
// "NUL", in a folder part too) are files like any other: listed, read, replaced, removed.
// What opens as a device is no file to hash.
TEST(CoreFiles, DeviceNamesNameFilesAndDevicesAreNoFiles) {
    TTempTree tree;
    const TNames names = {"COM1", "NUL", "aux.txt", "con.md5", "lpt1.txt", "prn"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string path = tree.Path(name == "prn" ? "aux/prn" : name);
#ifdef _WIN32
        if (name == "prn")
            CreateDirectoryW((L"\\\\?\\" + std::wstring(path.begin(), path.end() - 4)).c_str(),
                             nullptr);
        HANDLE made = CreateFileW((L"\\\\?\\" + std::wstring(path.begin(), path.end())).c_str(),
                                  GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(made, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(made, name.data(), static_cast<DWORD>(name.size()), &written, nullptr);
        CloseHandle(made);
#else
        tree.AddFile(path.substr(tree.Root().size()), name);
#endif
        files::TFoundFile info;
        ASSERT_TRUE(Fs().GetFileInfo(path, info));
        EXPECT_EQ(info.Size, name.size());
        files::TErrorCode error = 0;
        const files::TFileId file = Fs().OpenRead(path, error);
        ASSERT_NE(file, files::kNoFile);
        std::string content(16, '\0');
        uint32_t done = 0;
        EXPECT_TRUE(Fs().Read(file, &content[0], 16, done, error));
        Fs().Close(file);
        EXPECT_EQ(content.substr(0, done), name);
        files::TSaveReport report;
        EXPECT_EQ(Save(path, "new", report), files::TSaveStatus::Ok);
        EXPECT_EQ(Fs().GetFileInfo(path, info) ? info.Size : 0, 3u);
        EXPECT_TRUE(Fs().RemoveFile(path, error));
        EXPECT_FALSE(Fs().GetFileInfo(path, info));
    }
    tree.AddFile("keep", "x");
    EXPECT_EQ(Find(tree.Root() + "*.*"), (TNames{"aux", "keep"}));
    // The null device as a path names it: refused as no file, written when the user names it.
    const std::string device = files::kPathDelimiter == '\\' ? "\\\\.\\NUL" : "/dev/null";
    files::TErrorCode error = 0;
    EXPECT_EQ(Fs().OpenRead(device, error), files::kNoFile);
    EXPECT_EQ(error, files::kErrorNotAFile);
    files::TSaveReport report;
    EXPECT_EQ(Save(device, "log", report, files::TSaveTarget::Named), files::TSaveStatus::Ok);
    EXPECT_EQ(Save(device, "list", report), files::TSaveStatus::CannotCreate);
    EXPECT_EQ(report.Error, files::kErrorNotAFile);
#ifdef _WIN32
    // The tree's own clean-up would open the folder "aux" as the device.
    const std::string aux = tree.Path("aux");
    EXPECT_TRUE(RemoveDirectoryW((L"\\\\?\\" + std::wstring(aux.begin(), aux.end())).c_str()));
#endif
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

// POSIX only: what a listing makes of links and special files.
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

    // A FIFO must not block the reader: it is refused as no file.
    files::TErrorCode error = 0;
    EXPECT_EQ(Fs().OpenRead(tree.Path("fifo"), error), files::kNoFile);
    EXPECT_EQ(error, files::kErrorNotAFile);
#endif
}

#ifndef _WIN32
// Enters the tree for a scope.
class TEnteredTree {
public:
    explicit TEnteredTree(const std::string& root) { Fs().EnterTree(root); }
    ~TEnteredTree() { Fs().LeaveTree(); }
};

bool IsLink(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}
#endif

// What a save finds at the name, and what it may write there: a list is never written
// through a link that another user could have planted, nor into a device or FIFO; a name
// the user gave follows links as the system's protected-links rule does.
TEST(CoreFiles, SaveNeverWritesThroughWhatItFindsAtTheName) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX links and owners";
#else
    enum TAtName { File, Fifo, LinkOut, LinkIn, TheirLinkIn, LinkToTheirs };
    struct TCase {
        const char* What;
        TAtName At;
        files::TSaveTarget Target;
        bool InTree, Sticky;
        files::TSaveStatus Status;
        files::TErrorCode Error; // when not Ok
        bool StaysLink;          // the link at the name is still there
        std::string TargetAfter; // the content of what a link pointed to
    };
    using files::TSaveStatus;
    const auto list = files::TSaveTarget::List, named = files::TSaveTarget::Named;
    const TCase cases[] = {
        {"a plain list keeps its mode", File, list, true, false, TSaveStatus::Ok, 0, false, ""},
        {"a FIFO is no list", Fifo, list, true, false, TSaveStatus::CannotCreate,
         files::kErrorNotAFile, false, ""},
        {"a link out is replaced", LinkOut, list, true, false, TSaveStatus::Ok, 0, false,
         "precious"},
        {"an own link in the tree is followed", LinkIn, list, true, false, TSaveStatus::Ok, 0, true,
         "new"},
        {"a link outside a tree is replaced", LinkIn, list, false, false, TSaveStatus::Ok, 0, false,
         "old"},
        {"another user's link is replaced", TheirLinkIn, list, true, false, TSaveStatus::Ok, 0,
         false, "old"},
        {"a link to another user's file is replaced", LinkToTheirs, list, true, false,
         TSaveStatus::Ok, 0, false, "old"},
        {"a named file follows a link", LinkOut, named, false, false, TSaveStatus::Ok, 0, true,
         "new"},
        {"a named file follows an own link in a sticky folder", LinkOut, named, false, true,
         TSaveStatus::Ok, 0, true, "new"},
        {"a named file refuses another user's link in a sticky folder", TheirLinkIn, named, false,
         true, TSaveStatus::CannotCreate, EACCES, true, "old"},
        {"a named FIFO without a reader fails at once", Fifo, named, false, false,
         TSaveStatus::CannotCreate, ENXIO, false, ""},
    };
    const bool root = geteuid() == 0;
    std::vector<std::string> skipped;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        if (!root && (c.At == TheirLinkIn || c.At == LinkToTheirs)) {
            skipped.push_back(c.What);
            continue;
        }
        TTempTree tree;
        tree.AddFile("outside/target", "precious");
        tree.AddFile("tree/own", "old");
        tree.AddFile("tree/list.md5", "old");
        ASSERT_EQ(chmod(tree.Path("tree/list.md5").c_str(), 0640), 0);
        if (c.Sticky) {
            ASSERT_EQ(chmod(tree.Path("tree").c_str(), 01777), 0);
        }
        const std::string at = tree.Path("tree/list.md5");
        std::string target;
        if (c.At == Fifo || c.At >= LinkOut) {
            ASSERT_EQ(unlink(at.c_str()), 0);
        }
        if (c.At == Fifo) {
            ASSERT_EQ(mkfifo(at.c_str(), 0600), 0);
        } else if (c.At == LinkOut) {
            target = tree.Path("outside/target");
        } else if (c.At != File) {
            target = tree.Path("tree/own");
        }
        if (c.At >= LinkOut) {
            ASSERT_EQ(symlink(target.c_str(), at.c_str()), 0);
        }
        if (c.At == TheirLinkIn) {
            ASSERT_EQ(lchown(at.c_str(), 65534, 65534), 0);
        }
        if (c.At == LinkToTheirs) {
            ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
        }
        std::optional<TEnteredTree> entered;
        if (c.InTree)
            entered.emplace(tree.Path("tree/"));
        files::TSaveReport report;
        EXPECT_EQ(Save(at, "new", report, c.Target), c.Status);
        EXPECT_EQ(report.Error, c.Status == TSaveStatus::Ok ? 0u : c.Error);
        EXPECT_EQ(IsLink(at), c.StaysLink);
        if (!target.empty()) {
            EXPECT_EQ(tree.Content(target.substr(tree.Root().size())), c.TargetAfter);
        }
        if (c.At == File || (c.Status == TSaveStatus::Ok && !c.StaysLink)) {
            EXPECT_EQ(tree.Content("tree/list.md5"), "new");
        }
        struct stat st;
        if (c.At == File && stat(at.c_str(), &st) == 0) {
            EXPECT_EQ(st.st_mode & 07777, 0640u);
        }
    }
    // A writable list in a folder where nothing can be created is written in place.
    TTempTree tree;
    tree.AddFile("closed/list.md5", "old");
    ASSERT_EQ(chmod(tree.Path("closed/list.md5").c_str(), 0666), 0);
    ASSERT_EQ(chmod(tree.Path("closed").c_str(), 0555), 0);
    const std::optional<bool> saved = AsUnprivilegedUser([&] {
        files::TSaveReport report;
        return Save(tree.Path("closed/list.md5"), "new", report) == files::TSaveStatus::Ok;
    });
    if (!saved)
        GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_TRUE(*saved);
    EXPECT_EQ(tree.Content("closed/list.md5"), "new");
    if (!skipped.empty())
        GTEST_SKIP() << "not root: " << skipped.size() << " cases need other owners";
#endif
}

// In a tree, a link is followed only while it stays in the tree; one that leads outside is
// reported as such, never opened, and so is a path that climbs out.
TEST(CoreFiles, InATreeOnlyLinksThatStayInsideAreFollowed) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX links";
#else
    TTempTree tree;
    tree.AddFile("tree/a.txt", "alpha");
    tree.AddFile("tree/sub/b.txt", "bravo");
    tree.AddFile("outside/secret", "secret");
    const std::pair<const char*, std::string> links[] = {
        {"tree/in-rel", "sub/b.txt"},
        {"tree/in-abs", tree.Path("tree/a.txt")},
        {"tree/sub/up", "../a.txt"},
        {"tree/in-dir", "sub"},
        {"tree/chain", "in-rel"},
        {"tree/loop", "loop"},
        {"tree/out-abs", tree.Path("outside/secret")},
        {"tree/out-rel", "../outside/secret"},
        {"tree/out-dir", "../outside"},
    };
    for (const auto& l : links)
        ASSERT_EQ(symlink(l.second.c_str(), tree.Path(l.first).c_str()), 0);
    ASSERT_EQ(mkfifo(tree.Path("tree/fifo").c_str(), 0600), 0);
    struct TCase {
        const char* Path;
        std::string Content;     // what reading gives, when it opens
        files::TErrorCode Error; // else why it does not
    };
    const TCase cases[] = {
        {"in-rel", "bravo", 0},
        {"in-abs", "alpha", 0},
        {"sub/up", "alpha", 0},
        {"in-dir/b.txt", "bravo", 0},
        {"chain", "bravo", 0},
        {"sub/../a.txt", "alpha", 0},
        {"loop", "", ELOOP},
        {"fifo", "", files::kErrorNotAFile},
        {"out-abs", "", files::kErrorLeadsOutside},
        {"out-rel", "", files::kErrorLeadsOutside},
        {"out-dir/secret", "", files::kErrorLeadsOutside},
        {"../outside/secret", "", files::kErrorLeadsOutside},
    };
    TEnteredTree entered(tree.Path("tree/"));
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Path);
        const std::string path = tree.Path("tree/") + c.Path;
        files::TErrorCode error = 0;
        const files::TFileId file = Fs().OpenRead(path, error);
        std::string content(16, '\0');
        uint32_t done = 0;
        if (file != files::kNoFile) {
            EXPECT_TRUE(Fs().Read(file, &content[0], 16, done, error));
            Fs().Close(file);
        }
        EXPECT_EQ(content.substr(0, done), c.Content);
        EXPECT_EQ(file == files::kNoFile ? error : 0u, c.Error);
        // A whole read never reads past a link or a FIFO, nor more than a plain read.
        std::string whole;
        if (ReadWhole(path, whole)) {
            EXPECT_EQ(c.Error, 0u);
            EXPECT_EQ(whole, c.Content);
        }
        files::TFoundFile info;
        EXPECT_EQ(Fs().GetFileInfo(path, info), c.Error == 0 || c.Error == files::kErrorNotAFile ||
                                                    c.Error == files::kErrorLeadsOutside);
        EXPECT_EQ(info.LeadsOutside, c.Error == files::kErrorLeadsOutside);
        if (c.Error == 0) {
            EXPECT_EQ(info.Size, c.Content.size());
        }
    }
    // The listing names the links that lead outside, with nothing of their targets.
    TNames outside;
    Fs().FindFiles(tree.Path("tree/*"), [&](const files::TFoundFile& found) {
        if (found.LeadsOutside && found.Size == 0 && found.Attributes == 0)
            outside.push_back(found.Name);
        return true;
    });
    std::sort(outside.begin(), outside.end());
    EXPECT_EQ(outside, (TNames{"out-abs", "out-rel"}));
#endif
}

// Another user swaps a folder of the tree for a link to a folder only root may read, and
// back, while the services read, list and save there: nothing of that folder is ever read,
// listed or written.
TEST(CoreFiles, NoSwappedFolderRedirectsAReadAListingOrASave) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX links";
#else
    TTempTree tree;
    tree.AddFile("secret/f", "secret");
    tree.AddFile("secret/only-here", "secret");
    ASSERT_EQ(chmod(tree.Path("secret").c_str(), 0700), 0);
    tree.AddFile("tree/u/sub/f", "mine");
    ASSERT_EQ(chmod(tree.Path("tree/u").c_str(), 0777), 0);
    ASSERT_EQ(chmod(tree.Path("tree/u/sub").c_str(), 0777), 0);
    ASSERT_EQ(chmod(tree.Path("tree/u/sub/f").c_str(), 0666), 0);
    const std::string sub = tree.Path("tree/u/sub"), swap = tree.Path("tree/u/swap");
    const pid_t swapper = StartAsUnprivilegedUser([&] {
        if (symlink(tree.Path("secret").c_str(), swap.c_str()) != 0)
            return false;
        for (int i = 0; i < 200000; ++i)
            renameat2(AT_FDCWD, sub.c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE);
        return true;
    });
    // At least 300 runs, and on until one read and one save went through: the swapper may
    // be kept off the processor, its folder swapped, for longer than many runs take.
    int read = 0, saved = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int run = 0; run < 300 || ((read == 0 || saved == 0) &&
                                    std::chrono::steady_clock::now() < deadline);
         ++run) {
        TEnteredTree entered(tree.Path("tree/"));
        files::TErrorCode error = 0;
        const files::TFileId file = Fs().OpenRead(sub + "/f", error);
        if (file != files::kNoFile) {
            char buffer[16];
            uint32_t done = 0;
            Fs().Read(file, buffer, sizeof buffer, done, error);
            Fs().Close(file);
            EXPECT_EQ(std::string(buffer, done), "mine");
            ++read;
        }
        Fs().FindFiles(sub + "/*", [&](const files::TFoundFile& found) {
            EXPECT_NE(found.Name, "only-here");
            return true;
        });
        files::TSaveReport report;
        saved += Save(sub + "/list.md5", "new", report) == files::TSaveStatus::Ok;
    }
    kill(swapper, SIGKILL);
    ResultOfChild(swapper);
    EXPECT_EQ(tree.List("secret"), (TNames{"f", "only-here"}));
    EXPECT_EQ(tree.Content("secret/f"), "secret");
    EXPECT_GT(read, 0);
    EXPECT_GT(saved, 0);
#endif
}

// A save removes what killed runs left in its folder, and nothing else: not a running
// save's temporary file (held locked, or open), not another user's, not one younger than
// the run, not a link.
TEST(CoreFiles, SaveRemovesOnlyStaleTemporaryFilesOfItsOwn) {
    TTempTree tree;
    tree.AddFile("list.md5", "old");
    for (const char* name : {"~tlvnSTALE1.tmp", "~tlvnYOUNG1.tmp", "~tlvnLOCKED.tmp",
                             "~tlvnTHEIRS.tmp", "~tlvnSTALE1.tmpx", "~tlvnSTALE.tmp"}) {
        tree.AddFile(name, "left");
        tree.SetTime(name, 2020, 1, 2, 3, 4, 6);
    }
    tree.SetTime("~tlvnYOUNG1.tmp", 2099, 1, 2, 3, 4, 6);
    TNames left = {"list.md5", "~tlvnLOCKED.tmp", "~tlvnSTALE.tmp", "~tlvnSTALE1.tmpx",
                   "~tlvnYOUNG1.tmp"};
#ifdef _WIN32
    HANDLE locked = CreateFileA(tree.Path("~tlvnLOCKED.tmp").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
#else
    const bool others = geteuid() == 0;
    if (others) {
        ASSERT_EQ(chown(tree.Path("~tlvnTHEIRS.tmp").c_str(), 65534, 65534), 0);
        left.push_back("~tlvnTHEIRS.tmp");
    }
    ASSERT_EQ(symlink(tree.Path("list.md5").c_str(), tree.Path("~tlvnLINKED.tmp").c_str()), 0);
    left.push_back("~tlvnLINKED.tmp");
    TFd locked(open(tree.Path("~tlvnLOCKED.tmp").c_str(), O_RDONLY));
    ASSERT_EQ(flock(locked.Get(), LOCK_EX), 0);
#endif
    files::TSaveReport report;
    Fs().EnterTree(tree.Root());
    EXPECT_EQ(Save(tree.Path("list.md5"), "new", report), files::TSaveStatus::Ok);
    Fs().LeaveTree();
#ifdef _WIN32
    CloseHandle(locked);
#endif
    std::sort(left.begin(), left.end());
    EXPECT_EQ(tree.List(), left);
#ifndef _WIN32
    if (!others)
        GTEST_SKIP() << "not root: no file of another user";
#endif
}

// Where no file can be created the list is written in place; a kill at any point of that
// leaves the old list or the new one, or the new one cut short over the rest of the old:
// never an empty or shortened list.
TEST(CoreFiles, AKillDuringAnInPlaceSaveNeverEmptiesTheList) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX signals";
#else
    TTempTree tree;
    const std::string old(4400000, 'o'), fresh(3000000, 'n');
    tree.AddFile("closed/list.md5", old);
    ASSERT_EQ(chmod(tree.Path("closed/list.md5").c_str(), 0666), 0);
    ASSERT_EQ(chmod(tree.Path("closed").c_str(), 0555), 0);
    std::mt19937 random(20261208);
    int cut = 0;
    for (int run = 0; run < 20; ++run) {
        const pid_t saver = StartAsUnprivilegedUser([&] {
            for (int i = 0; i < 50; ++i) {
                files::TSaveReport report;
                Save(tree.Path("closed/list.md5"), i % 2 ? old : fresh, report);
            }
            return true;
        });
        usleep(std::uniform_int_distribution<useconds_t>(0, 20000)(random));
        kill(saver, SIGKILL);
        ResultOfChild(saver);
        // a written over b and cut after some bytes: a's first bytes, then the rest of b.
        const auto cutShort = [](const std::string& c, const std::string& a, const std::string& b) {
            const size_t k = c.find_first_not_of(a[0]);
            if (k == std::string::npos)
                return c.size() >= b.size() && c.size() <= a.size();
            return c.size() == b.size() && c.find_first_not_of(b[0], k) == std::string::npos;
        };
        const std::string content = tree.Content("closed/list.md5");
        cut += content != old && content != fresh;
        EXPECT_TRUE(cutShort(content, old, fresh) || cutShort(content, fresh, old))
            << content.size();
    }
    RecordProperty("cut", cut);
#endif
}

} // namespace
