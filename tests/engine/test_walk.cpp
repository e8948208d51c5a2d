// The folder walk, the listing of a folder, checksum-file name masks and the names of
// checksum files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "engine/engine.h"
#include "engine/mask.h"
#include "engine/names.h"
#include "fake_files.h"
#include "run_recorder.h"
#include "temp_tree.h"

namespace {

constexpr bool kWindows = files::kPathDelimiter == '\\';

TEST(ChecksumFileMask, MatchesWholeNamesIgnoringCase) {
    struct Case {
        const char* name;
        const char* mask;
        bool matches;
    } cases[] = {
        {"md5sum.lst", "md5sum.lst", true},
        {"MD5SUM.LST", "md5sum.lst", true},
        {"md5sum.lst.bak", "md5sum.lst", false},
        {"x.md5sum.lst", "md5sum.lst", false},
        {"a.md5", "*.md5", true},
        {"a.MD5", "*.md5", true},
        {".md5", "*.md5", true},
        {"a.md5.txt", "*.md5", false},
        {"a.txt", "*", true},
        {"", "*", true},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"abbc", "a?c", false},
        {"a.b.c", "*.*.*", true},
        {"abcabd", "*abd", true},
        {"xaxbxc", "*a*b*c", true},
        {"xaxbx", "*a*b*c", false},
        {"b.sfv", "[abc].sfv", true},
        {"B.sfv", "[abc].sfv", true},
        {"d.sfv", "[abc].sfv", false},
        {"m.sfv", "[a-z].sfv", true},
        {"M.sfv", "[a-z].sfv", true},
        {"5.sfv", "[a-z].sfv", false},
        {"5.sfv", "[!a-z].sfv", true},
        {"q.sfv", "[!a-z].sfv", false},
        {"k7", "[a-ck-m][0-9]", true},
        {"d7", "[a-ck-m][0-9]", false},
        {"[ab", "[ab", true}, // invalid mask: taken literally
        {"a", "[ab", false},  // ... so it is no set
        {"[z-a]", "[Z-A]", true},
        {"z", "[z-a]", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesMask(c.name, c.mask), c.matches) << c.name << " ~ " << c.mask;
}

TEST(ChecksumFileMask, InvalidMasksSayWhere) {
    std::string thirtyStars, thirtyOneStars;
    for (int i = 0; i < 30; ++i)
        thirtyStars += "*a";
    thirtyOneStars = thirtyStars + "*";
    struct Case {
        std::string mask;
        std::string message; // empty: valid
    } cases[] = {
        {"*.md5", ""},
        {"[a-c]x", ""},
        {"[!ab]", ""},
        {thirtyStars, ""},
        {"**a**", ""},
        {"[abc", "'[abc' is an invalid mask at (1)"},
        {"x[a-c", "'x[a-c' is an invalid mask at (2)"},
        {"[]", "'[]' is an invalid mask at (2)"},
        {"[!]", "'[!]' is an invalid mask at (3)"},
        {"[a-]", "'[a-]' is an invalid mask at (3)"},
        {"[-a]", "'[-a]' is an invalid mask at (2)"},
        {"[z-a]", "'[z-a]' is an invalid mask at (3)"},
        {thirtyOneStars, "'" + thirtyOneStars + "' is an invalid mask at (61)"},
    };
    for (const Case& c : cases) {
        std::string message;
        EXPECT_EQ(IsValidMask(c.mask, message), c.message.empty()) << c.mask;
        EXPECT_EQ(message, c.message) << c.mask;
    }
}

TEST(ChecksumFileNames, FolderNameAndFolderPart) {
    TCheckSumEngine engine;
    struct Case {
        std::string folder, name;
    } posix[] = {{"/data/photos/", "photos"}, {"/", "root"}, {"photos/", "photos"}},
      windows[] = {{"C:\\data\\photos\\", "photos"},
                   {"C:\\", "C_"},
                   {"\\", "root"},
                   {"\\\\server\\share\\", "share"},
                   {"d:", "d_"}};
    for (const Case& c : kWindows ? std::vector<Case>(std::begin(windows), std::end(windows))
                                  : std::vector<Case>(std::begin(posix), std::end(posix)))
        EXPECT_EQ(engine.FolderNameForChecksumFile(c.folder), c.name) << c.folder;
    // "." and ".." stand for real folders, which give the name.
    const std::filesystem::path current = std::filesystem::current_path();
    const std::string d(1, files::kPathDelimiter);
    EXPECT_EQ(engine.FolderNameForChecksumFile("." + d), current.filename().string());
    EXPECT_EQ(engine.FolderNameForChecksumFile(".." + d),
              current.parent_path().filename().string());

    // A folder part decides where a list lies; a plain name is one file of a folder. On
    // Windows "/" makes no folder part, yet the system splits a name there.
    struct PartCase {
        const char* name;
        bool windowsPart, posixPart, windowsPlain, posixPlain;
    } parts[] = {
        {"md5sum.lst", false, false, true, true},
        {"C:\\lists\\tree.md5", true, false, false, true},
        {"d:tree.md5", true, false, false, true},
        {"lists\\tree.md5", true, false, false, true},
        {"/lists/tree.md5", false, true, false, false},
        {"lists/tree.md5", false, true, false, false},
    };
    for (const PartCase& c : parts) {
        EXPECT_EQ(HasFolderPart(c.name), kWindows ? c.windowsPart : c.posixPart) << c.name;
        EXPECT_EQ(IsPlainFileName(c.name), kWindows ? c.windowsPlain : c.posixPlain) << c.name;
    }
}

// Counts the directory searches and fails those of the folders named.
class TListingFileSystem : public TFakeFileSystem {
public:
    std::vector<std::string> Searches;
    std::set<std::string> FailingFolders;
    files::TErrorCode
    FindFiles(const std::string& pattern,
              const std::function<bool(const files::TFoundFile&)>& onEntry) override {
        Searches.push_back(pattern);
        for (const std::string& folder : FailingFolders)
            if (pattern.compare(0, folder.size(), folder) == 0 &&
                pattern.find(files::kPathDelimiter, folder.size()) == std::string::npos)
                return 5;
        return TFakeFileSystem::FindFiles(pattern, onEntry);
    }
};

class WalkTest : public ::testing::Test {
protected:
    TTempTree Tree;
    TListingFileSystem Fs;
    TCheckSumEngine Engine;
    TRunRecorder Recorder{Engine, Tree.Root()};
    std::vector<std::string> Visited;

    void SetUp() override {
        Engine.SetFileSystem(&Fs);
        Engine.SetFolderPath(Tree.Root());
        Engine.SetFileMask("*.*");
        Engine.ChecksumFileName = "*.md5";
        Engine.IncludeSubfolders = true;
        Tree.AddFile("a.txt", "a");
        Tree.AddFile("one/b.txt", "b");
        Tree.AddFile("one/two/c.txt", "c");
        Tree.AddFolder("one/two/three");
        Tree.AddFile("four/d.txt", "d");
        Tree.AddFolder(".hidden/inner");
#ifdef _WIN32
        SetFileAttributesA(Tree.Path(".hidden").c_str(),
                           FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
#endif
    }

    // Walks with a handler that records each relative folder.
    void Walk() {
        Recorder.AfterEvent = [this](const std::string& event) {
            if (event.compare(0, 11, "Processing ") == 0)
                Visited.push_back(event.substr(11));
        };
        Engine.WalkFolders("", &TCheckSumEngine::CollectFolder);
        Engine.Files.clear();
    }
};

TEST_F(WalkTest, VisitsEveryFolderOnceBeforeItsSubfolders) {
    Walk();
    std::vector<std::string> expected = {
        "*.*",      "one/*.*",     "one/two/*.*",      "one/two/three/*.*",
        "four/*.*", ".hidden/*.*", ".hidden/inner/*.*"};
    EXPECT_EQ(std::multiset<std::string>(Visited.begin(), Visited.end()),
              std::multiset<std::string>(expected.begin(), expected.end()));
    // Depth-first pre-order: every folder comes after its parent, and everything
    // between the two lies inside the parent.
    EXPECT_EQ(Visited.front(), "*.*");
    for (size_t i = 1; i < Visited.size(); ++i) {
        std::string folder = Visited[i].substr(0, Visited[i].size() - 3);
        std::string parent = folder.substr(0, folder.find_last_of('/', folder.size() - 2) + 1);
        auto at = std::find(Visited.begin(), Visited.end(), parent + "*.*");
        ASSERT_LT(at - Visited.begin(), static_cast<long>(i)) << folder;
        for (auto between = at + 1; between != Visited.begin() + i; ++between)
            EXPECT_EQ(between->compare(0, parent.size(), parent), 0)
                << *between << " in " << folder;
    }
    EXPECT_EQ(Recorder.Findings(), std::vector<std::string>{});
}

TEST_F(WalkTest, WithoutSubfoldersOnlyTheRootIsSearched) {
    Engine.IncludeSubfolders = false;
    Walk();
    EXPECT_EQ(Visited, std::vector<std::string>{"*.*"});
    EXPECT_EQ(Fs.Searches, std::vector<std::string>{Tree.Root() + "*.*"}); // the file listing
}

TEST_F(WalkTest, AbortStopsEveryLevel) {
    Recorder.AfterEvent = [this](const std::string& event) {
        if (event == "Processing one/two/*.*")
            Engine.SetAborted(true);
        if (event.compare(0, 11, "Processing ") == 0)
            Visited.push_back(event.substr(11));
    };
    Engine.WalkFolders("", &TCheckSumEngine::CollectFolder);
    Engine.Files.clear();
    EXPECT_TRUE(Engine.Aborted);
    EXPECT_EQ(Visited.back(), "one/two/*.*");
    EXPECT_EQ(std::count(Visited.begin(), Visited.end(), "one/two/three/*.*"), 0);
    EXPECT_EQ(Recorder.Findings(), std::vector<std::string>{"ConfirmAbort yes"});
}

TEST_F(WalkTest, ListingErrorsAreReportedAndTheWalkGoesOn) {
    Fs.FailingFolders = {Tree.Path("one/")};
    Walk();
    std::vector<std::string> findings = Recorder.Findings();
    EXPECT_EQ(findings,
              (std::vector<std::string>{"FileListError one/ 5", "FolderListError one/ 5"}));
    EXPECT_NE(std::find(Visited.begin(), Visited.end(), "four/*.*"), Visited.end());
}

TEST_F(WalkTest, ListingsFilterExcludeAndCount) {
    Tree.AddFile("one/md5sum.lst", "x");
    Tree.AddFile("one/md5sum.lst.bak", "xy");
    Tree.AddFile("one/list.md5", "xyz");
    Tree.AddFile("one/B.TEXT", "1234");
    Tree.AddFile("one/~tlvnA1b2C3.tmp", "a save in progress, or one a killed run left");
    struct Case {
        const char* mask;
        const char* checksumName;
        bool exclude;
        std::vector<std::string> names;
        uint64_t size;
    } cases[] = {
        {"*.*", "md5sum.lst", true, {"B.TEXT", "b.txt", "list.md5", "md5sum.lst.bak"}, 10},
        {"*.*", "*.md5", true, {"B.TEXT", "b.txt", "md5sum.lst", "md5sum.lst.bak"}, 8},
        {"*.*",
         "*.md5",
         false,
         {"B.TEXT", "b.txt", "list.md5", "md5sum.lst", "md5sum.lst.bak"},
         11},
        {"*.txt", "*.md5", true, {"b.txt"}, 1},
        {"*.TXT", "*.md5", true, {"b.txt"}, 1},
        {"*.txt;*.md5", "x", true, {}, 0},
        {"*.*",
         "C:\\tree.md5",
         true,
         {"B.TEXT", "b.txt", "list.md5", "md5sum.lst", "md5sum.lst.bak"},
         11},
    };
    for (const Case& c : cases) {
        Engine.ChecksumFileName = c.checksumName;
        int32_t count = 0;
        uint64_t size = 0;
        TFileList list;
        Engine.ListFolder("one" + std::string(1, files::kPathDelimiter), c.mask, false, c.exclude,
                          count, size, &list);
        std::vector<std::string> names;
        for (const TFileListItem& item : list)
            names.push_back(item.Name);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.names) << c.mask << " / " << c.checksumName;
        EXPECT_EQ(count, static_cast<int32_t>(c.names.size())) << c.mask;
        EXPECT_EQ(size, c.size) << c.mask;
    }
    EXPECT_EQ(Recorder.Findings(), std::vector<std::string>{});
}

} // namespace
