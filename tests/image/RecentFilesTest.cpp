#include "image/RecentFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

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

// One file is one entry, however its path was spelt: "." and ".." go before
// the path is stored and compared, through the file system where a
// symbolic link makes ".." lead elsewhere.
TEST(RecentFiles, PathsAreNormalisedBeforeTheyAreStoredAndCompared)
{
    test::TempDir dir;
    const std::string blink = dir.Write("board/blink.hex", ":00000001FF\n");
    dir.Write("elsewhere/sub/x.hex", ":00000001FF\n");
    std::filesystem::create_directory_symlink(dir.File("elsewhere/sub"), dir.File("board/link"));

    RecentFiles list;
    list.AddRecentFile(dir.File("board/chain/../blink.hex"));
    list.AddRecentFile(dir.File("board/./blink.hex"));
    list.AddRecentFile(blink);
    list.AddRecentFile("/not/there/../f.hex");    // missing files are normalised too
    list.AddRecentFile("rel/../g.hex");
    // board/link/../x.hex is elsewhere/x.hex on disk, not board/x.hex.
    dir.Write("elsewhere/x.hex", ":00000001FF\n");
    list.AddRecentFile(dir.File("board/link/../x.hex"));
    list.AddRecentFile(dir.File("board/link/x.hex"));
    const std::string real = std::filesystem::canonical(dir.File("elsewhere/x.hex")).string();
    EXPECT_EQ(list.Entries(),
              (std::vector<std::string>{blink, "/not/f.hex", "g.hex", real, dir.File("board/link/x.hex")}));
}
