#include "common/IniFile.h"
#include "common/Text.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vorbrant;

TEST(IniFile, ReadsWindowsFilesWithAnyCaseAndBlanks)
{
    IniFile ini;
    ini.Parse("[environment]\r\nPORT = 104,888 \r\nlastdir=C:\\x\r\n\r\n[JTAG Devices]\r\nCount=3\r\n");
    EXPECT_EQ(ini.ReadString("ENVIRONMENT", "Port", ""), "104,888");
    EXPECT_EQ(ini.ReadString("Environment", "LastDir", ""), "C:\\x");
    EXPECT_EQ(ini.ReadInteger("jtag devices", "count", 0), 3);
    EXPECT_EQ(ini.ReadInteger("ENVIRONMENT", "Missing", 7), 7);
    EXPECT_EQ(ini.ReadInteger("ENVIRONMENT", "Port", 1), 1) << "not a number reads as the default";
}

TEST(IniFile, KeepsOrderAndReplacesValuesInPlace)
{
    IniFile ini;
    ini.Parse("[A]\nx=1\ny=2\n[B]\nz=3\n");
    ini.WriteString("a", "X", "9");
    ini.WriteString("B", "w", "4");
    EXPECT_EQ(ini.Serialize(), "[A]\nx=9\ny=2\n\n[B]\nz=3\nw=4\n");
    ini.EraseSection("a");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_EQ(ini.ReadSection("b"), (std::vector<std::string>{"z", "w"}));
}

TEST(IniFile, SavesAtomicallyAndReadsBack)
{
    test::TempDir dir;
    auto path = dir.File("t.INI");
    {
        IniFile ini(path);
        EXPECT_FALSE(ini.SectionExists("ENVIRONMENT"));
        ini.WriteInteger("ENVIRONMENT", "FileCount", 2);
        std::string err;
        ASSERT_TRUE(ini.Save(&err)) << err;
    }
    IniFile again(path);
    EXPECT_EQ(again.ReadInteger("ENVIRONMENT", "FileCount", 0), 2);
    // A folder that does not exist cannot take the file: the reason is given.
    IniFile bad(dir.File("no-such-folder/x.INI"));
    std::string err;
    EXPECT_FALSE(bad.Save(&err));
    EXPECT_FALSE(err.empty());
}

TEST(Text, ParseInt32AcceptsDecimalAndHexPrefixes)
{
    EXPECT_EQ(ParseInt32("1234"), 1234);
    EXPECT_EQ(ParseInt32("-5"), -5);
    EXPECT_EQ(ParseInt32("$FF"), 255);
    EXPECT_EQ(ParseInt32("0x10"), 16);
    EXPECT_EQ(ParseInt32("2147483647"), 2147483647);
    EXPECT_EQ(ParseInt32("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseInt32("-$80000000"), INT32_MIN);
    EXPECT_EQ(ParseInt32("-$1"), -1);
    EXPECT_FALSE(ParseInt32("2147483648"));
    EXPECT_FALSE(ParseInt32(""));
    EXPECT_FALSE(ParseInt32("12a"));
    EXPECT_FALSE(ParseInt32("$"));
    EXPECT_EQ(Hex(0x1234, 6), "001234");
    EXPECT_EQ(Hex(0xFFFFFFFF, 6), "FFFFFFFF");
}

TEST(IniFile, AFileThatCannotBeReadKeepsWhatWasLoaded)
{
    test::TempDir dir;
    auto path = dir.Write("v.INI", "[JTAG Devices]\nCount=2\n");
    IniFile ini(path);
    ASSERT_EQ(ini.ReadInteger("JTAG Devices", "Count", 0), 2);
    // A folder where the file was: it exists but cannot be read as a file.
    std::filesystem::remove(path);
    std::filesystem::create_directories(path);
    std::string err;
    EXPECT_FALSE(ini.Load(&err));
    EXPECT_EQ(ini.ReadInteger("JTAG Devices", "Count", 0), 2) << "a save after this must not drop the section";
}
