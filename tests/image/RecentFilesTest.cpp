#include "image/RecentFiles.h"

#include <gtest/gtest.h>

using namespace vorbrant;

TEST(RecentFiles, KeepsFiveInFirstAddedOrder)
{
    RecentFiles list;
    list.AddRecentFile("");
    EXPECT_TRUE(list.Entries().empty());
    for (int i = 1; i <= 5; ++i)
        list.AddRecentFile("/d/f" + std::to_string(i) + ".hex");
    list.AddRecentFile("/d/f3.hex");   // already listed: no change, no reorder
    list.AddRecentFile("/d/F3.hex");   // case matters: a new entry, the oldest goes
    EXPECT_EQ(list.Entries(),
              (std::vector<std::string>{"/d/f2.hex", "/d/f3.hex", "/d/f4.hex", "/d/f5.hex", "/d/F3.hex"}));
    EXPECT_EQ(list.MenuCaption(4), "&5 F3.hex");
    EXPECT_EQ(list.MenuCaption(0), "&1 f2.hex");
    EXPECT_EQ(list.MenuCaption(5), "");
    list.AddRecentFile("/d/f1.hex");   // the dropped one comes back as the newest
    EXPECT_EQ(list.Entries().front(), "/d/f3.hex");
    EXPECT_EQ(list.Entries().back(), "/d/f1.hex");
    EXPECT_EQ(list.Entries().size(), 5u);
}
