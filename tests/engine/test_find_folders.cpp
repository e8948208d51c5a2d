// The platform's sub-folder search and the size of open files: the shortcuts the file
// services take for speed must answer exactly what the full search and fstat would.
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

TNames Folders(const std::string& folder, files::TErrorCode& error) {
    TNames names;
    error = Fs().FindFolders(folder, [&](const std::string& name) {
        names.push_back(name);
        return true;
    });
    std::sort(names.begin(), names.end());
    return names;
}

// The folders the full search of every entry reports.
TNames FoldersOfFullSearch(const std::string& folder) {
    TNames names;
    Fs().FindFiles(folder + "*.*", [&](const files::TFoundFile& found) {
        if (found.IsDirectory() && found.Name != "." && found.Name != "..")
            names.push_back(found.Name);
        return true;
    });
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FindFolders, ReportsTheFoldersOfTheFullSearchOnly) {
    TTempTree tree;
    tree.AddFile("a.txt", "a");
    tree.AddFile("sub/b.txt", "b");
    tree.AddFolder("empty");
    tree.AddFolder(".hidden");
    tree.AddFolder("sub/deeper");
    TNames expected = {".hidden", "empty", "sub"};
#ifndef _WIN32
    // Links are never walked into, whatever they point to; FIFOs are no folders.
    ASSERT_EQ(::symlink(tree.Path("sub").c_str(), tree.Path("to-folder").c_str()), 0);
    ASSERT_EQ(::symlink(tree.Path("a.txt").c_str(), tree.Path("to-file").c_str()), 0);
    ASSERT_EQ(::symlink(tree.Path("nowhere").c_str(), tree.Path("broken").c_str()), 0);
    ASSERT_EQ(::mkfifo(tree.Path("pipe").c_str(), 0600), 0);
#endif
    files::TErrorCode error = 99;
    EXPECT_EQ(Folders(tree.Root(), error), expected);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(FoldersOfFullSearch(tree.Root()), expected);
    EXPECT_EQ(Folders(tree.Path("sub") + files::kPathDelimiter, error), TNames{"deeper"});
    EXPECT_EQ(Folders(tree.Path("empty") + files::kPathDelimiter, error), TNames{});
    EXPECT_EQ(error, 0u);
}

TEST(FindFolders, MissingFolderEndsWithAnErrorAndStopWhenAsked) {
    TTempTree tree;
    files::TErrorCode error = 0;
    EXPECT_TRUE(Folders(tree.Path("missing") + files::kPathDelimiter, error).empty());
    EXPECT_NE(error, 0u);

    for (const char* name : {"x", "y", "z"})
        tree.AddFolder(name);
    int calls = 0;
    EXPECT_EQ(Fs().FindFolders(tree.Root(),
                               [&](const std::string&) {
                                   ++calls;
                                   return false;
                               }),
              0u);
    EXPECT_EQ(calls, 1);
}

// Each open file keeps its own size, in any order of opening and closing, also after a
// failed open and after a whole-file read.
TEST(OpenFileSize, EachOpenFileReportsItsOwnSizeAtOpen) {
    TTempTree tree;
    tree.AddSizedFile("small", 10);
    tree.AddSizedFile("large", 70000);
    files::TErrorCode error = 0;
    files::TFileId small = Fs().OpenRead(tree.Path("small"), error);
    ASSERT_NE(small, files::kNoFile);
    files::TFileId large = Fs().OpenRead(tree.Path("large"), error);
    ASSERT_NE(large, files::kNoFile);
    EXPECT_EQ(Fs().FileSize(small), 10u);
    EXPECT_EQ(Fs().FileSize(large), 70000u);
    EXPECT_EQ(Fs().OpenRead(tree.Path("missing"), error), files::kNoFile);
    Fs().Close(Fs().OpenRead(tree.Path("small"), error));
    EXPECT_EQ(Fs().FileSize(large), 70000u);
    Fs().Close(large);
    EXPECT_EQ(Fs().FileSize(small), 10u);
    files::TFileId again = Fs().OpenRead(tree.Path("large"), error);
    ASSERT_NE(again, files::kNoFile);
    EXPECT_EQ(Fs().FileSize(again), 70000u);
    EXPECT_EQ(Fs().FileSize(small), 10u);
    Fs().Close(again);
    Fs().Close(small);
}

} // namespace
