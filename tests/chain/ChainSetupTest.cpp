// JCF files and the "JTAG Chain Setup" model: the list and its three
// columns, Add/Change/Delete/Delete all, the recorded JCF file, OK/Cancel.
#include "chain/ChainTexts.h"
#include "chain/JcfFile.h"
#include "chain/JtagChainSetup.h"
#include "common/ScriptedOperator.h"
#include "tests/support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>

namespace vorbrant {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Row = std::array<std::string, 3>;
using test::TempDir;

struct SetupRig {
    SetupRig()
    {
        Devices.Entries = {{"CPU_A", 4, 0, 1}, {"CPU_B", 8, 512, 0xF0000001u}, {"NOIR", 0, 0, 0}};
    }
    JtagChainSetup Setup()
    {
        return JtagChainSetup(ChainSetupContext{Chain, Devices, Config, [this] { ++Saves; },
                                                [this] { return Check; }});
    }
    // What the dialog does with an action's notes: each in its box.
    ChainNotes Say(const ChainNotes& notes)
    {
        for (const ChainNote& note : notes)
            if (ChainCheckMessage message = ChainNoteMessage(note); !message.Text.empty())
                Op.ShowMessage(message.Kind, message.Text);
        return notes;
    }
    // The dialog's Delete and Delete all: asked first.
    void Delete(JtagChainSetup& setup)
    {
        if (setup.CanDelete() && Op.AskYesNo(DeleteChainEntryQuestion, false))
            setup.Delete();
    }
    void DeleteAll(JtagChainSetup& setup)
    {
        if (Op.AskYesNo(DeleteChainQuestion, false))
            setup.DeleteAll();
    }
    std::string Jcf(const std::string& name, const std::string& text)
    {
        return Dir.Write(name, text);
    }

    TempDir Dir;
    JtagChainList Chain;
    JtagDeviceTable Devices;
    IniFile Config;
    ScriptedOperator Op;
    ChainCheckResult Check;
    int Saves = 0;
};

TEST(JcfFile, EntriesAndTheirFiles)
{
    SetupRig rig;
    // Device_2 is missing: Device_3 is never read.
    std::string path = rig.Jcf("gap.jcf", "[JTAG Chain]\r\nVersion=1.0\r\nDevice_1=X(4,0,0)\r\nDevice_3=Y(4,0,0) y.hex\r\n");
    JtagChainSetup setup = rig.Setup();
    rig.Say(setup.LoadJcf(path));
    ASSERT_EQ(rig.Chain.ChainDeviceCount(), 1u);
    EXPECT_EQ(rig.Chain.Devices[0].ProgFileName, "");
    EXPECT_THAT(setup.Rows, ElementsAre(Row{"1", "X", "<none>"}));
    EXPECT_EQ(setup.Caption, "JTAG Chain Setup - gap.jcf");
    EXPECT_EQ(setup.RecordedJcf(), path);

    // Saved with the blank after ")", and read again the same.
    std::string saved = rig.Dir.File("saved.jcf");
    rig.Say(setup.SaveJcf(saved));
    EXPECT_NE(TempDir::Read(saved).find("Device_1=X(4,0,0) \n"), std::string::npos) << TempDir::Read(saved);
    JtagChainList again;
    EXPECT_EQ(LoadJcfFile(saved, again).Status, JcfLoadStatus::Loaded);
    ASSERT_EQ(again.ChainDeviceCount(), 1u);
    EXPECT_EQ(again.Devices[0].DeviceName, "X");
    EXPECT_EQ(again.Devices[0].ProgFileName, "");

    // Blanks and commas stay in the path; only the first 255 characters
    // after ")" count, trimmed.
    const std::string spaced = "/work/my files/a, b.hex";
    const std::string longName = "/" + std::string(300, 'p');
    path = rig.Jcf("paths.jcf", "[JTAG Chain]\nVersion=1.0\nDevice_1=X(4,0,4026531841)   " + spaced +
                                    "  \nDevice_2=Y(4,0,0)   " + longName + "\n");
    rig.Say(setup.LoadJcf(path));
    ASSERT_EQ(rig.Chain.ChainDeviceCount(), 2u);
    EXPECT_EQ(rig.Chain.Devices[0].ProgFileName, spaced);
    EXPECT_EQ(rig.Chain.Devices[0].IDCode, 0xF0000001u);
    EXPECT_EQ(rig.Chain.Devices[1].ProgFileName, longName.substr(0, 255));
    EXPECT_THAT(setup.Rows[0], (Row{"1", "X", "a, b.hex"}));
    rig.Say(setup.SaveJcf(saved));
    EXPECT_NE(TempDir::Read(saved).find("Device_1=X(4,0,4026531841) " + spaced + "\n"), std::string::npos);
    LoadJcfFile(saved, again);
    EXPECT_EQ(again.Devices[0].IDCode, 0xF0000001u);
    // A name of the full 255 characters survives its own save.
    EXPECT_EQ(again.Devices[1].ProgFileName, longName.substr(0, 255));
}

TEST(JcfFile, SavingReplacesTheWholeFile)
{
    SetupRig rig;
    std::string path = rig.Jcf("old.jcf", "[JTAG Chain]\nVersion=1.0\nDevice_1=A(1,0,0)\nDevice_2=B(1,0,0)\n"
                                          "Device_3=C(1,0,0)\n[Other]\nKey=1\n");
    rig.Chain.Devices = {{"CPU_A", 4, 0, 1, ""}};
    std::string error;
    ASSERT_TRUE(SaveJcfFile(path, rig.Chain, error)) << error;
    EXPECT_EQ(TempDir::Read(path), "[JTAG Chain]\nVersion=1.0\nDevice_1=CPU_A(4,0,1) \n");
}

TEST(JcfFile, FilesThatAreNotChains)
{
    SetupRig rig;
    JtagChainSetup setup = rig.Setup();
    rig.Chain.Devices = {{"KEEP", 4, 0, 1, ""}};
    rig.Say(setup.LoadJcf(rig.Dir.File("nosuch.jcf")));
    EXPECT_EQ(rig.Chain.ChainDeviceCount(), 1u);
    EXPECT_THAT(rig.Op.Texts(), ElementsAre("There's no file " + rig.Dir.File("nosuch.jcf") + "!"));

    rig.Say(setup.LoadJcf(rig.Jcf("noversion.jcf", "[JTAG Chain]\nDevice_1=A(1,0,0)\n")));
    EXPECT_EQ(rig.Chain.ChainDeviceCount(), 0u);
    EXPECT_THAT(setup.Rows, IsEmpty());
    EXPECT_EQ(rig.Op.Texts().back(), "Invalid JCF file!");
    EXPECT_EQ(setup.RecordedJcf(), "");

    // A malformed number keeps the entries before it, and the list shows
    // exactly them.
    rig.Say(setup.LoadJcf(rig.Jcf("bad.jcf", "[JTAG Chain]\nVersion=1\nDevice_1=A(1,0,0)\nDevice_2=B(x,0,0)\nDevice_3=C(1,0,0)\n")));
    EXPECT_EQ(rig.Op.Texts().back(), "'x' is not a valid integer value");
    ASSERT_EQ(rig.Chain.ChainDeviceCount(), 1u);
    EXPECT_THAT(setup.Rows, ElementsAre(Row{"1", "A", "<none>"}));

    // More than ten positions: the first ten, and a word about the rest.
    std::string twelve = "[JTAG Chain]\nVersion=1.0\n";
    for (int n = 1; n <= 12; ++n)
        twelve += "Device_" + std::to_string(n) + "=D" + std::to_string(n) + "(2,0,0)\n";
    rig.Say(setup.LoadJcf(rig.Jcf("twelve.jcf", twelve)));
    EXPECT_EQ(rig.Chain.ChainDeviceCount(), 10u);
    EXPECT_EQ(rig.Op.Texts().back(), ChainEntriesIgnoredText(2, 10));
    EXPECT_EQ(setup.Report, "JTAG chain consists of 10 devices with total IR length of 20.");
}

TEST(ChainSetup, EditingTheList)
{
    SetupRig rig;
    JtagChainSetup setup = rig.Setup();
    rig.Say(setup.Open());
    EXPECT_THAT(setup.SelectorNames, ElementsAre("CPU_A", "CPU_B", "NOIR"));
    EXPECT_FALSE(setup.ChangeEnabled);
    EXPECT_EQ(setup.Caption, "JTAG Chain Setup");

    // A device of IR length 0 adds nothing to the report.
    setup.SelectorText = "NOIR";
    rig.Say(setup.Add());
    EXPECT_EQ(setup.Report, "");
    setup.SelectorText = "CPU_B";
    setup.FileText = "/tmp/b.hex";
    rig.Say(setup.Add());
    EXPECT_THAT(setup.Rows, ElementsAre(Row{"1", "NOIR", "<none>"}, Row{"2", "CPU_B", "/tmp/b.hex"}));
    EXPECT_EQ(rig.Chain.Devices[1].IDCode, 0xF0000001u);
    EXPECT_EQ(rig.Chain.Devices[1].BSLength, 512);
    EXPECT_EQ(setup.Report, "JTAG chain consists of 2 devices with total IR length of 8.");
    EXPECT_TRUE(setup.ChangeEnabled);

    // A name the device list does not know stores nothing.
    setup.SelectorText = "TYPED";
    rig.Say(setup.Add());
    setup.SelectRow(0);
    setup.SelectorText = "TYPED";
    rig.Say(setup.Change());
    EXPECT_EQ(rig.Chain.ChainDeviceCount(), 2u);
    EXPECT_EQ(rig.Chain.Devices[0].DeviceName, "NOIR");
    EXPECT_THAT(rig.Op.Texts(), ElementsAre("Unknown JTAG device TYPED!", "Unknown JTAG device TYPED!"));

    // Change keeps the position; the row shows the file as typed.
    setup.SelectRow(0);
    EXPECT_EQ(setup.SelectorText, "NOIR");
    setup.SelectorText = "CPU_A";
    setup.FileText = "a.hex";
    rig.Say(setup.Change());
    EXPECT_THAT(setup.Rows[0], (Row{"1", "CPU_A", "a.hex"}));
    EXPECT_EQ(setup.Report, "JTAG chain consists of 2 devices with total IR length of 12.");

    // Up to ten positions.
    for (int n = 0; n < 9; ++n)
        rig.Say(setup.Add());
    EXPECT_EQ(rig.Chain.ChainDeviceCount(), 10u);
    EXPECT_EQ(rig.Op.Texts().back(), "Maximum number (10) of devices reached!");

    // Delete renumbers; Delete all empties; both ask first.
    rig.Op.Answers = {true, false, true};
    setup.SelectRow(0);
    rig.Delete(setup);
    EXPECT_EQ(rig.Chain.ChainDeviceCount(), 9u);
    EXPECT_EQ(setup.Rows[0][0], "1");
    EXPECT_EQ(setup.Rows[0][1], "CPU_B");
    rig.DeleteAll(setup);
    EXPECT_EQ(rig.Chain.ChainDeviceCount(), 9u);
    rig.DeleteAll(setup);
    EXPECT_EQ(rig.Chain.ChainDeviceCount(), 0u);
    EXPECT_FALSE(setup.ChangeEnabled);
    EXPECT_THAT(rig.Op.Questions, ElementsAre(DeleteChainEntryQuestion, DeleteChainQuestion, DeleteChainQuestion));
}

TEST(ChainSetup, DeletingTheOnlyEntryAndOkOnAnEmptyChain)
{
    SetupRig rig;
    JtagChainSetup setup = rig.Setup();
    rig.Say(setup.Open());
    setup.SelectorText = "CPU_A";
    rig.Say(setup.Add());
    setup.SelectRow(0);
    rig.Op.Answers = {true};
    rig.Delete(setup);
    EXPECT_THAT(setup.Rows, IsEmpty());
    EXPECT_FALSE(setup.ChangeEnabled);
    EXPECT_TRUE(JtagChainSetup::Refused(rig.Say(setup.Ok())));
    EXPECT_EQ(rig.Op.Texts().back(), "JTAG chain is empty!");
}

TEST(ChainSetup, TheRecordedJcfFileFollowsOkAndCancel)
{
    SetupRig rig;
    std::string path = rig.Jcf("board.jcf", "[JTAG Chain]\nVersion=1.0\nDevice_1=CPU_A(4,0,1) /x/a.hex\n");
    JtagChainSetup setup = rig.Setup();
    rig.Say(setup.LoadJcf(path));
    EXPECT_EQ(rig.Saves, 1);
    EXPECT_EQ(rig.Config.ReadString(RecordedJcfSection, RecordedJcfKey, ""), path);

    // Cancel reloads the recorded file: the added entry is gone.
    setup.SelectorText = "CPU_B";
    rig.Say(setup.Add());
    rig.Say(setup.Cancel());
    EXPECT_EQ(rig.Chain.ChainDeviceCount(), 1u);

    // Opening reloads it too; OK writes the chain into it.
    rig.Say(setup.Open());
    EXPECT_EQ(setup.SelectedRow, 0);
    EXPECT_EQ(setup.SelectorText, "CPU_A");
    EXPECT_EQ(setup.FileText, "/x/a.hex");
    setup.SelectorText = "CPU_B";
    setup.FileText = "";
    rig.Say(setup.Add());
    ASSERT_FALSE(JtagChainSetup::Refused(rig.Say(setup.Ok())));
    EXPECT_EQ(setup.ChosenPosition(), 1);
    EXPECT_EQ(TempDir::Read(path), "[JTAG Chain]\nVersion=1.0\nDevice_1=CPU_A(4,0,1) /x/a.hex\n"
                                   "Device_2=CPU_B(8,512,4026531841) \n");

    // A recorded file that went away: the message at every opening.
    std::remove(path.c_str());
    rig.Say(setup.Open());
    EXPECT_EQ(rig.Op.Texts().back(), "There's no file " + path + "!");
    EXPECT_EQ(rig.Chain.ChainDeviceCount(), 2u);
}

// The list always has a current row while it has rows, and OK takes it:
// kept, clamped after Delete, the first after Load JCF and after the first
// Add; Delete shows the entry that took the deleted one's place.
TEST(ChainSetup, TheCurrentRowIsAlwaysARowOfTheList)
{
    SetupRig rig;
    JtagChainSetup setup = rig.Setup();
    rig.Say(setup.Open());
    EXPECT_EQ(setup.SelectedRow, -1);
    for (const char* name : {"CPU_A", "CPU_B", "NOIR"}) {
        setup.SelectorText = name;
        setup.FileText = std::string("/fw/") + name + ".hex";
        rig.Say(setup.Add());
        EXPECT_EQ(setup.SelectedRow, 0) << name;
    }
    setup.SelectRow(1);
    setup.SelectorText = "NOIR";
    rig.Say(setup.Add());
    EXPECT_EQ(setup.SelectedRow, 1) << "Add keeps the current row";

    rig.Op.Answers = {true, true, true};
    setup.SelectRow(3);
    rig.Delete(setup);
    EXPECT_EQ(setup.SelectedRow, 2) << "the last row deleted: the new last one";
    EXPECT_EQ(setup.SelectorText, "NOIR");
    EXPECT_EQ(setup.FileText, "/fw/NOIR.hex");
    setup.SelectRow(0);
    rig.Delete(setup);
    EXPECT_EQ(setup.SelectedRow, 0);
    EXPECT_EQ(setup.SelectorText, "CPU_B") << "the entry that moved up is shown";
    ASSERT_FALSE(JtagChainSetup::Refused(rig.Say(setup.Ok())));
    EXPECT_EQ(setup.ChosenPosition(), 1);
    setup.SelectRow(1);
    EXPECT_EQ(setup.ChosenPosition(), 2);

    std::string path = rig.Jcf("two.jcf", "[JTAG Chain]\nVersion=1.0\nDevice_1=CPU_A(4,0,1) a.hex\n"
                                          "Device_2=CPU_B(8,0,0) b.hex\n");
    rig.Say(setup.LoadJcf(path));
    EXPECT_EQ(setup.SelectedRow, 0);
    EXPECT_EQ(setup.FileText, "a.hex");
    rig.DeleteAll(setup);
    EXPECT_EQ(setup.SelectedRow, -1);
}

// Rows made by Add and Change show the file as typed, also after the dialog
// is opened again without a recorded JCF file; a chain changed behind the
// dialog, or loaded from a file, shows file names.
TEST(ChainSetup, TypedFilesStayAsTypedAcrossOpenings)
{
    SetupRig rig;
    JtagChainSetup setup = rig.Setup();
    rig.Say(setup.Open());
    setup.SelectorText = "CPU_A";
    setup.FileText = "/work/fw/first.hex";
    rig.Say(setup.Add());
    rig.Say(setup.Open());
    EXPECT_THAT(setup.Rows, ElementsAre(Row{"1", "CPU_A", "/work/fw/first.hex"}));
    rig.Chain.Devices[0].ProgFileName = "/work/fw/other.hex";
    rig.Say(setup.Open());
    EXPECT_THAT(setup.Rows, ElementsAre(Row{"1", "CPU_A", "other.hex"}));
}

// With no device in the device list, Add and Change say what to do.
TEST(ChainSetup, AnEmptyDeviceListSaysHowToAddADevice)
{
    SetupRig rig;
    rig.Devices.Entries.clear();
    JtagChainSetup setup = rig.Setup();
    rig.Say(setup.Open());
    rig.Say(setup.Add());
    EXPECT_EQ(rig.Chain.ChainDeviceCount(), 0u);
    EXPECT_THAT(rig.Op.Texts(), ElementsAre(EmptyDeviceListText));
}

TEST(ChainSetup, TheHardwareCheckSaysWhatItFound)
{
    SetupRig rig;
    JtagChainSetup setup = rig.Setup();
    rig.Check = {ChainCheckKind::NoHardware, 0, 0};
    rig.Say(setup.VerifyHardware());
    rig.Check = {ChainCheckKind::Mismatch, 3, 0x0123A0F1};
    rig.Say(setup.VerifyHardware());
    rig.Check = {ChainCheckKind::Verified, 0, 0};
    rig.Say(setup.VerifyHardware());
    ASSERT_EQ(rig.Op.Messages.size(), 3u);
    EXPECT_EQ(rig.Op.Messages[0].Kind, MessageKind::Warning);
    EXPECT_EQ(rig.Op.Messages[0].Text, "Hardware not connected!");
    EXPECT_EQ(rig.Op.Messages[1].Kind, MessageKind::Error);
    EXPECT_EQ(rig.Op.Messages[1].Text, "Device #3 ID(0123A0F1) does not match JCF file!");
    EXPECT_EQ(rig.Op.Messages[2].Kind, MessageKind::Information);
    EXPECT_EQ(rig.Op.Messages[2].Text, "JTAG Chain verified by hardware check.");
}

} // namespace
} // namespace vorbrant
