#include "framework/recentfilelist.h"

#include <gtest/gtest.h>

namespace {
TEST(RecentFileList, KeepsFourMostRecentFirstWithoutDuplicates) {
    CRecentFileList list(4, "Recent File List", "File%1", 30);
    for (const char* p : {"/a/1", "/a/2", "/a/3", "/a/4", "/a/5", "/a/3"})
        list.Add(p);
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list[0], "/a/3");
    EXPECT_EQ(list[1], "/a/5");
    EXPECT_EQ(list[3], "/a/2");
    EXPECT_EQ(list.GetMenuText(0), "&1 /a/3");
}

TEST(RecentFileList, AbbreviatesLongPathsKeepingTheFileName) {
    struct {
        const char* path;
        const char* shown;
    } cases[] = {
        {"/short/name.txt", "/short/name.txt"},
        {"/home/user/projects/zorvek/notes.txt", "/.../projects/zorvek/notes.txt"},
        {"/home/user/a_very_long_file_name_indeed.txt", "a_very_long_file_name_indeed.txt"},
        {"/home/user/projects/some-deep-folder/x", "/.../some-deep-folder/x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CRecentFileList::AbbreviateName(c.path, 30), c.shown) << c.path;
}

TEST(RecentFileList, AmpersandsInNamesAreNotMnemonics) {
    CRecentFileList list(4, "R", "File%1", 30);
    list.Add("/x/a&b");
    EXPECT_EQ(list.GetMenuText(0), "&1 /x/a&&b");
}
} // namespace
