// List items: sorting, binary search and checksum comparison.
#include <gtest/gtest.h>

#include "engine/items.h"
#include "platform/files.h"

namespace {

// Each name is held as its folder's part and its bare name.
TFileList Items(const std::vector<std::string>& names) {
    TFileList list;
    for (size_t i = 0; i < names.size(); ++i) {
        const size_t bare = names[i].rfind('/') + 1;
        list.Add(names[i].substr(0, bare), names[i].substr(bare), i);
    }
    return list;
}

TEST(CoreItems, SortIgnoresLetterCaseAndKeepsTheOrderOfEqualNames) {
    files::TFileSystem& fs = files::NativeFileSystem();
    // A folder's files and its sub-folder's fall between each other.
    TFileList list = Items(
        {"b.txt", "A.txt", "B.TXT", "a.txt", "c", "C", "e/z", "E/C/p", "e/b", "e/c/P", "e/c/q"});
    SortFileList(fs, list);
    std::vector<std::string> names;
    std::string buffer;
    for (const TFileListItem& item : list)
        names.push_back(list.FileName(item, buffer));
    EXPECT_EQ(names, (std::vector<std::string>{"A.txt", "a.txt", "b.txt", "B.TXT", "c", "C", "e/b",
                                               "E/C/p", "e/c/P", "e/c/q", "e/z"}));
}

TEST(CoreItems, SearchFindsTheNameOrWhereItWouldGo) {
    files::TFileSystem& fs = files::NativeFileSystem();
    struct TCase {
        std::vector<std::string> Sorted;
        std::string Name;
        bool Found;
        size_t Index;
    };
    const TCase cases[] = {
        {{}, "a", false, 0},
        {{"b"}, "a", false, 0},
        {{"b"}, "B", true, 0},
        {{"b"}, "c", false, 1},
        {{"a", "c", "e", "g"}, "a", true, 0},
        {{"a", "c", "e", "g"}, "E", true, 2},
        {{"a", "c", "e", "g"}, "g", true, 3},
        {{"a", "c", "e", "g"}, "d", false, 2},
        {{"a", "c", "e", "g"}, "h", false, 4},
        {{"a", "b", "c", "d", "e"}, "C", true, 2},
        {{"a", "b", "c", "d", "e"}, "0", false, 0},
        {{"a", "a", "a"}, "a", true, 1}, // the search stops at its first hit
        {{"a", "b/c", "b/d", "c"}, "B/D", true, 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Sorted) + " " + c.Name);
        size_t index = 99;
        EXPECT_EQ(FindFileListItem(fs, Items(c.Sorted), c.Name, index), c.Found);
        EXPECT_EQ(index, c.Index);
    }
}

TEST(CoreItems, ChecksumsCompareWithOnlyAsciiLettersFolded) {
    struct TCase {
        std::string A, B;
        bool Same;
    };
    const TCase cases[] = {
        {"ABCDEF01", "abcdef01", true},
        {"d41d8cd98f00b204e9800998ecf8427e", "D41D8CD98F00B204E9800998ECF8427E", true},
        {"ABCDEF01", "ABCDEF0", false},
        {"", "", true},
        {"ABCDEF01", "ABCDEF02", false},
        {"\xe4", "\xc4", false}, // no case mapping beyond a to z
        {"[", "{", false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(SameChecksum(c.A, c.B), c.Same) << c.A << " / " << c.B;
        EXPECT_EQ(SameChecksum(c.B, c.A), c.Same) << c.B << " / " << c.A;
    }
}

} // namespace
