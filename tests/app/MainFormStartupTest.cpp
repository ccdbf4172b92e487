#include "tests/app/AppTestSupport.h"

#include "common/IniFile.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vorbrant;
using namespace vorbrant::testing;

TEST(MainFormStartup, FirstStartWithoutConfigurationUsesTheDefaults)
{
    FormRig rig;
    rig.Stack.Ports.SetAddress(1, 0x378);
    EXPECT_EQ(rig.Start(), std::nullopt);
    TMainForm& f = *rig.Form;
    EXPECT_EQ(f.windowTitle(), "Vorbrant Lite 1.0.0.1");
    EXPECT_EQ(f.VersionSuffix, " 1.0.0.1");
    EXPECT_EQ(f.SelectData->text(), "Scratchpad");
    EXPECT_EQ(ToInt(f.S.State().PortSelection), 1);
    EXPECT_FALSE(f.S.State().LptMode);
    EXPECT_TRUE(f.LPT11->isChecked()) << "port 1 is no adapter port: the menu keeps its marks";
    EXPECT_EQ(f.SelectedPort->text(), "---");
    EXPECT_TRUE(rig.Op.Messages.empty());
    EXPECT_EQ(rig.Image.BufferCapacity, 0x400000u);
    EXPECT_EQ(rig.Image.LoadOffset, 0);
    EXPECT_FALSE(f.isVisible()) << "a headless start shows no window";

    f.KeyConnectClick();
    EXPECT_EQ(rig.Op.Texts(), std::vector<std::string>{"Select port first!"});
    EXPECT_EQ(rig.Op.Messages[0].Kind, MessageKind::Warning);

    f.FormClose();
    IniFile ini(rig.IniPath());
    EXPECT_EQ(ini.ReadString("ENVIRONMENT", "Port", "?"), "1");
    EXPECT_EQ(ini.ReadString("ENVIRONMENT", "FileCount", "?"), "0");
    EXPECT_EQ(ini.ReadString("ENVIRONMENT", "LastDir", "?"), "");
}

TEST(MainFormStartup, StartClearsTheImage)
{
    FormRig rig;
    rig.Image.StoreByte(0x1234, 0x55);
    rig.Image.ImageSize = 7;
    rig.Image.LoadOffset = 0x40;
    rig.Start();
    EXPECT_EQ(rig.Image.ImageData[0x1234], 0xFF);
    EXPECT_EQ(rig.Image.PresentMap[0x1234], 0);
    EXPECT_EQ(rig.Image.PageMap[0x1234 >> 9], 0);
    EXPECT_EQ(rig.Image.StartAddress, 0);
    EXPECT_EQ(rig.Image.EndAddress, 0);
    EXPECT_EQ(rig.Image.ImageSize, 0);
    EXPECT_EQ(rig.Image.LoadOffset, 0);
}

TEST(MainFormStartup, UserDefinedPortRoundTripsThroughTheConfiguration)
{
    FormRig rig;
    rig.WriteIni("[Environment]\r\nport = 104,888\r\n");
    rig.Start();
    TMainForm& f = *rig.Form;
    EXPECT_EQ(ToInt(f.S.State().PortSelection), 104);
    EXPECT_EQ(f.S.State().UserLptAddress, 0x378);
    EXPECT_TRUE(f.S.State().LptMode);
    EXPECT_EQ(f.SelectedPort->text(), "378H");
    EXPECT_TRUE(f.Userdefined1->isChecked());
    EXPECT_FALSE(f.LPT11->isChecked());
    EXPECT_EQ(rig.Stack.Ports.LptBase, 0x378);
    EXPECT_FALSE(f.BaudRate->isEnabled());
    EXPECT_FALSE(f.Label24->isEnabled());
    EXPECT_FALSE(f.FirmwareVersion->isEnabled());
    EXPECT_TRUE(rig.Op.Messages.empty()) << "a user address needs no port table entry";
    f.FormClose();
    EXPECT_EQ(IniFile(rig.IniPath()).ReadString("ENVIRONMENT", "Port", ""), "104,888");
}

TEST(MainFormStartup, ConfigurationValuesAndOtherKeysSurviveAStartAndClose)
{
    FormRig rig;
    const std::string text = "[ENVIRONMENT]\r\nLastDir=/home/op/firmware\r\nPort=104,888\r\nFileCount=2\r\n"
                             "File1=/home/op/firmware/a.hex\r\nFile2=/home/op/firmware/b.s19\r\n"
                             "JTAG Chain File=/home/op/chain.jcf\r\n\r\n[JTAG Devices]\r\nCount=1\r\n";
    rig.WriteIni(text);
    rig.Start();
    rig.Form->FormClose();
    IniFile before;
    before.Parse(text);
    IniFile after(rig.IniPath());
    for (const char* key : {"LastDir", "Port", "FileCount", "File1", "File2", "JTAG Chain File"})
        EXPECT_EQ(after.ReadString("ENVIRONMENT", key, "<missing>"), before.ReadString("ENVIRONMENT", key, "?"))
            << key;
    EXPECT_EQ(after.ReadString("JTAG Devices", "Count", ""), "1");
}

TEST(MainFormStartup, MalformedPortValueFallsBackToTheDefault)
{
    FormRig rig;
    rig.WriteIni("[ENVIRONMENT]\nPort=104,zz\n");
    rig.Start();
    EXPECT_EQ(ToInt(rig.Form->S.State().PortSelection), 1);
    EXPECT_FALSE(rig.Form->S.State().LptMode);
    EXPECT_TRUE(rig.Op.Messages.empty());
}

TEST(MainFormStartup, MissingPortOfTheConfigurationIsHiddenAndWarnedAbout)
{
    FormRig rig;
    rig.Stack.Ports.SetAddress(1, 0x378);
    rig.Stack.Ports.SetAddress(3, 0x3BC);
    rig.WriteIni("[ENVIRONMENT]\nPort=102\n");
    rig.Start();
    TMainForm& f = *rig.Form;
    EXPECT_TRUE(f.LPT11->isVisible());
    EXPECT_FALSE(f.LPT21->isVisible());
    EXPECT_FALSE(f.LPT21->isEnabled());
    EXPECT_TRUE(f.LPT31->isVisible());
    EXPECT_EQ(rig.Op.Texts(), std::vector<std::string>{"LPT2 not available!"});
    EXPECT_EQ(rig.Op.Messages[0].Kind, MessageKind::Warning);
    EXPECT_EQ(ToInt(f.S.State().PortSelection), 0);
    EXPECT_FALSE(f.S.State().LptMode) << "no port: Connect must not drive anything";
    EXPECT_FALSE(f.LPT11->isChecked() || f.LPT21->isChecked() || f.LPT31->isChecked());
}

TEST(MainFormStartup, AvailablePortIsSelectedFromTheTable)
{
    FormRig rig;
    rig.Stack.Ports.SetAddress(1, 0x378);
    rig.Stack.Ports.SetAddress(2, 0x278);
    rig.WriteIni("[ENVIRONMENT]\nPort=102\n");
    rig.Start();
    TMainForm& f = *rig.Form;
    EXPECT_EQ(f.SelectedPort->text(), "LPT2");
    EXPECT_TRUE(f.LPT21->isChecked());
    EXPECT_FALSE(f.LPT11->isChecked());
    EXPECT_EQ(rig.Stack.Ports.LptBase, 0x278);
    EXPECT_TRUE(f.S.State().LptMode);
    EXPECT_EQ(f.SelectedPort->toolTip(), "") << "the port hint is off for a table port";
}

TEST(MainFormStartup, RecentFilesComeBackInTheFileMenu)
{
    FormRig rig;
    rig.WriteIni("[ENVIRONMENT]\nFileCount=3\nFile1=/d/one.hex\nFile2=\nFile3=/d/R&D.s19\n");
    rig.Start();
    TMainForm& f = *rig.Form;
    EXPECT_TRUE(f.N2->isVisible());
    EXPECT_TRUE(f.N3->isVisible());
    EXPECT_EQ(f.N3->text(), "&1 one.hex");
    EXPECT_TRUE(f.N4->isVisible());
    EXPECT_EQ(f.N4->text(), "&2 R&&D.s19") << "an ampersand in a name is shown, not a mnemonic";
    EXPECT_FALSE(f.N5->isVisible());
    f.FormClose();
    IniFile ini(rig.IniPath());
    EXPECT_EQ(ini.ReadInteger("ENVIRONMENT", "FileCount", 0), 2);
    EXPECT_EQ(ini.ReadString("ENVIRONMENT", "File2", ""), "/d/R&D.s19");
}

TEST(MainFormStartup, ASixthRecentFileDropsTheOldest)
{
    FormRig rig;
    rig.Start();
    TMainForm& f = *rig.Form;
    for (const char* p : {"/a/1.hex", "/a/2.hex", "/a/3.hex", "/a/4.hex", "/a/5.hex", "/a/2.hex", "/a/6.hex"})
        f.S.AddRecentFile(p);
    QStringList texts;
    for (QAction* item : {f.N3, f.N4, f.N5, f.N6, f.N7})
        texts << item->text();
    EXPECT_EQ(texts, (QStringList{"&1 2.hex", "&2 3.hex", "&3 4.hex", "&4 5.hex", "&5 6.hex"}));
}

TEST(MainFormStartup, AHugeFileCountDoesNotHoldUpTheStart)
{
    FormRig rig;
    rig.WriteIni("[ENVIRONMENT]\nFileCount=2000000000\nFile1=/x/a.hex\n");
    rig.Start();
    EXPECT_EQ(rig.Form->S.Recent().Entries().size(), 1u);
}

TEST(MainFormClose, WritesOnceAndReleasesOnlyAConnectedTarget)
{
    // Releasing a target drives the port; a session that is not connected
    // leaves it alone.
    FormRig rig;
    rig.Start();
    rig.Form->FormClose();
    EXPECT_EQ(rig.Io.Writes, 0);

    SimWindow connected("F340", true);
    EXPECT_TRUE(connected.Form->Timer1->isActive());
    const uint64_t before = connected.Sim->AccessCount();
    connected.Form->FormClose();
    const uint64_t released = connected.Sim->AccessCount();
    EXPECT_GT(released, before);
    connected.Form->FormClose();
    EXPECT_EQ(connected.Sim->AccessCount(), released) << "the second close does nothing";
    EXPECT_FALSE(connected.Form->Timer1->isActive());
}

TEST(MainFormClose, ExitClosesTheWindowAndSavesTheConfiguration)
{
    FormRig rig;
    rig.WriteIni("[ENVIRONMENT]\nPort=104,632\nFileCount=1\nFile1=/data/fw.hex\n");
    rig.Start();
    rig.Form->show();
    rig.Form->S.OpenFile("/data/new/fw.hex", LoadFormat::Hex);
    rig.Form->Exit1->trigger();
    EXPECT_FALSE(rig.Form->isVisible());
    IniFile ini(rig.IniPath());
    EXPECT_EQ(ini.ReadString("ENVIRONMENT", "LastDir", ""), "/data/new");
    EXPECT_EQ(ini.ReadString("ENVIRONMENT", "Port", ""), "104,632");
    EXPECT_EQ(ini.ReadString("ENVIRONMENT", "File1", ""), "/data/fw.hex");
}

TEST(MainFormClose, AConfigurationInANewFolderIsCreated)
{
    FormRig rig("sub/dir/vorbrant.INI");
    rig.Start();
    rig.Form->FormClose();
    EXPECT_TRUE(std::filesystem::exists(rig.IniPath()));
    EXPECT_TRUE(rig.Op.Messages.empty());
}

TEST(MainFormClose, AnUnwritableConfigurationIsReported)
{
    FormRig rig("missing-folder-file/x.INI");
    rig.Start();
    // A file where the folder should be: the folder cannot be made.
    WriteText(rig.Dir.File("missing-folder-file"), "not a folder");
    rig.Form->FormClose();
    ASSERT_EQ(rig.Op.Messages.size(), 1u);
    EXPECT_EQ(rig.Op.Messages[0].Kind, MessageKind::Error);
    EXPECT_NE(rig.Op.Messages[0].Text.find(rig.IniPath()), std::string::npos);
}
