#include "session/ConfigPath.h"
#include "session/PortSetting.h"

#include <gtest/gtest.h>

using namespace vorbrant;

TEST(PortSetting, ReadsTheThreeFormsOfTheKey)
{
    PortSetting user = ReadPortSetting("104,888");
    EXPECT_EQ(ToInt(user.PortSelection), 104);
    EXPECT_EQ(user.UserLptAddress, 0x378);
    EXPECT_TRUE(user.HadAddress);

    PortSetting lpt2 = ReadPortSetting("102");
    EXPECT_EQ(ToInt(lpt2.PortSelection), 102);
    EXPECT_FALSE(lpt2.HadAddress);

    EXPECT_EQ(ToInt(ReadPortSetting("").PortSelection), 1) << "missing key reads as 1";
    EXPECT_EQ(ToInt(ReadPortSetting(" 103 ").PortSelection), 103);
    EXPECT_EQ(ToInt(ReadPortSetting("300").PortSelection), 300 & 0xFF) << "kept in 8 bits";
}

TEST(PortSetting, MalformedValuesFallBackToTheDefault)
{
    for (const char* text : {"104,zz", "104,", "1,888", "abc", "104,70000", "104,-5", "zz,888", ","}) {
        PortSetting s = ReadPortSetting(text);
        EXPECT_EQ(ToInt(s.PortSelection), 1) << text;
        EXPECT_EQ(s.UserLptAddress, 0) << text;
        EXPECT_FALSE(s.HadAddress) << text;
    }
}

TEST(PortSetting, RoundTripsThroughItsText)
{
    EXPECT_EQ(FormatPortSetting(PortChoice::UserDefined, 0x378), "104,888");
    EXPECT_EQ(FormatPortSetting(PortChoice::Lpt2, 0x378), "102");
    EXPECT_EQ(FormatPortSetting(PortChoice::None, 0), "0");
    for (uint16_t address : {0, 0x278, 0x3BC, 0xFFFF}) {
        PortSetting s = ReadPortSetting(FormatPortSetting(PortChoice::UserDefined, address));
        EXPECT_EQ(ToInt(s.PortSelection), 104);
        EXPECT_EQ(s.UserLptAddress, address);
    }
}

TEST(ConfigPath, ReplacesTheExtensionOfTheProgramName)
{
    EXPECT_EQ(IniPathBesideExecutable("/opt/v/vorbrant"), "/opt/v/vorbrant.INI");
    EXPECT_EQ(IniPathBesideExecutable("/opt/v/vorbrant.exe"), "/opt/v/vorbrant.INI");
    EXPECT_EQ(IniPathBesideExecutable("/opt/v.d/vorbrant"), "/opt/v.d/vorbrant.INI") << "a dot in a folder is no extension";
    EXPECT_EQ(IniPathBesideExecutable("/opt/v/.hidden"), "/opt/v/.hidden.INI");
}

TEST(ConfigPath, FallsBackToTheUserConfigFolderWhenTheProgramFolderIsNotWritable)
{
    EXPECT_EQ(UserConfigIniPath("/xdg", "/home/u"), "/xdg/vorbrant/vorbrant.INI");
    EXPECT_EQ(UserConfigIniPath("", "/home/u"), "/home/u/.config/vorbrant/vorbrant.INI");
    EXPECT_EQ(UserConfigIniPath("relative", "/home/u"), "/home/u/.config/vorbrant/vorbrant.INI");
    EXPECT_EQ(UserConfigIniPath(nullptr, "/home/u"), "/home/u/.config/vorbrant/vorbrant.INI");

    EXPECT_EQ(ChooseConfigPath("/given.INI", "/tmp/vorbrant", "/xdg", "/home/u"), "/given.INI");
    EXPECT_EQ(ChooseConfigPath("", "/tmp/vorbrant", "/xdg", "/home/u"), "/tmp/vorbrant.INI");
    EXPECT_EQ(ChooseConfigPath("", "/no-such-folder-here/vorbrant", "/xdg", "/home/u"), "/xdg/vorbrant/vorbrant.INI");
    // Installed below a prefix, writable or not (root): never beside itself.
    for (const char* installed : {"/usr/bin/vorbrant", "/usr/local/bin/vorbrant-cli", "/tmp/bin/vorbrant"})
        EXPECT_EQ(ChooseConfigPath("", installed, "", "/root"), "/root/.config/vorbrant/vorbrant.INI") << installed;
}
