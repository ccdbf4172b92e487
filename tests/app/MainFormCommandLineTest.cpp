#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <gtest/gtest.h>

using namespace vorbrant;
using namespace vorbrant::testing;

TEST(MainFormCommandLine, OptionLettersTickTheirBoxes)
{
    FormRig rig("vorbrant.INI", false);
    EXPECT_EQ(rig.Start({"-b", "-V", "-x"}), std::nullopt);
    TMainForm& f = *rig.Form;
    EXPECT_TRUE(f.DoBlankCheck->isChecked());
    EXPECT_TRUE(f.DoVerify->isChecked());
    EXPECT_TRUE(f.DoErase->isChecked());
    EXPECT_FALSE(f.Batch.RunRequested());
    // The window opens without a box about "-x"; stderr names it.
    EXPECT_TRUE(rig.Op.Messages.empty());
    ASSERT_EQ(rig.Op.Notes.size(), 1u);
    EXPECT_EQ(rig.Op.Notes[0].Text, "unknown option -x (see --help)");
    // Ticks alone start no run: without a window that is nothing to do.
    EXPECT_TRUE(f.Batch.NothingToDo());
    EXPECT_EQ(f.HeadlessExitCode(), 8);

    // Without a window the letter ends the start before anything else.
    FormRig headless;
    EXPECT_EQ(headless.Start({"-b", "-V", "-x"}), 8);
    EXPECT_FALSE(headless.Form->DoBlankCheck->isChecked());
}

TEST(MainFormCommandLine, HelpShowsTheBoxAndStartsInGuiMode)
{
    FormRig rig;
    EXPECT_EQ(rig.Start({"?"}), std::nullopt);
    ASSERT_EQ(rig.Op.Messages.size(), 1u);
    EXPECT_EQ(rig.Op.Messages[0].Kind, MessageKind::Information);
    EXPECT_EQ(rig.Op.Messages[0].Text,
              "Command line options:\r\n\r\n?                            - this help\r\n-f<filename>         - load "
              "filename \r\n-e                           - erase chip\r\n-b                           - blank "
              "check\r\n-p                           - program\r\n-v                           - "
              "verify\r\n-s<LPT1..3>  - port\r\n");
    EXPECT_EQ(rig.Form->HeadlessExitCode(), 0);
}

TEST(MainFormCommandLine, SyntaxErrorStopsTheArgumentsAndEndsAHeadlessRunWithEight)
{
    FormRig rig;
    EXPECT_EQ(rig.Start({"foo", "-p"}), std::nullopt);
    EXPECT_EQ(rig.Op.Texts(), std::vector<std::string>{"Syntax error in command line - starting in GUI mode ! (FOO)"});
    EXPECT_EQ(rig.Op.Messages[0].Kind, MessageKind::Error);
    EXPECT_FALSE(rig.Form->Batch.RunRequested()) << "nothing after the bad argument is examined";
    EXPECT_EQ(rig.Form->HeadlessExitCode(), 8);
}

TEST(MainFormCommandLine, MissingFileStartsInGuiModeWithoutConnecting)
{
    FormRig rig;
    std::string missing = rig.Dir.File("Missing.HEX");
    EXPECT_EQ(rig.Start({"-p", "-f" + missing}), std::nullopt);
    EXPECT_EQ(rig.Op.Texts(),
              std::vector<std::string>{"Nonexisting file in command line - starting in GUI mode ! (" + missing + ")"});
    EXPECT_EQ(rig.Form->Batch.ExitCode(), std::nullopt);
    EXPECT_EQ(rig.Form->HeadlessExitCode(), 8);
}

TEST(MainFormCommandLine, ExistingFileIsRememberedWithItsOwnCase)
{
    FormRig rig;
    std::string file = rig.Dir.File("MixedCase.hex");
    WriteText(file, ":00000001FF\r\n");
    rig.Start({"-F" + file});
    EXPECT_EQ(rig.Form->S.Files().CurrentFilePath, file);
    EXPECT_TRUE(rig.Op.Messages.empty());
    EXPECT_EQ(rig.Form->LoadedFilename->text(), "NONE") << "loaded only by a batch run";

    FormRig folder;
    folder.Start({"-f" + folder.Dir.Path});
    EXPECT_EQ(folder.Op.Messages.size(), 1u) << "a folder is no file";
}

TEST(MainFormCommandLine, BadPortNameIsRefused)
{
    FormRig rig;
    rig.Stack.Ports.SetAddress(1, 0x378);
    rig.Start({"-slpt9"});
    EXPECT_EQ(rig.Op.Texts(),
              std::vector<std::string>{"Invalid port name in command line - starting in GUI mode ! (LPT9)"});
    EXPECT_FALSE(rig.Form->S.State().LptWarningShown);
    EXPECT_EQ(rig.Form->Batch.ExitCode(), std::nullopt);
    EXPECT_EQ(rig.Form->HeadlessExitCode(), 8);

    // With the flag cleared, the next port menu click shows the one-time warning.
    rig.Op.Messages.clear();
    rig.Form->LPT11Click();
    rig.Form->LPT11Click();
    EXPECT_EQ(rig.Op.Texts(), std::vector<std::string>{"LPT and USB adapters support SiLabs devices only!"});
    EXPECT_EQ(rig.Form->SelectedPort->text(), "LPT1");
}

TEST(MainFormCommandLine, UnavailablePortWarnsThenRefuses)
{
    FormRig rig;
    rig.Stack.Ports.SetAddress(1, 0x378);
    rig.Start({"-p", "-sLPT2"});
    EXPECT_EQ(rig.Op.Texts(), (std::vector<std::string>{"LPT2 not available!",
                                                        "Invalid port name in command line - starting in GUI mode ! (LPT2)"}));
    EXPECT_EQ(ToInt(rig.Form->S.State().PortSelection), 0);
    EXPECT_EQ(rig.Form->Batch.ExitCode(), std::nullopt) << "no batch run after a port error";
}

TEST(MainFormCommandLine, BatchRunWithoutAdapterPortEndsWithExitCodeOne)
{
    FormRig rig;
    std::optional<int> code = rig.Start({"-p"});
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 1);
    EXPECT_EQ(rig.Op.Texts(), std::vector<std::string>{"Select port first!"});
    EXPECT_FALSE(rig.Form->isVisible());
}

TEST(MainFormCommandLine, BatchRunLoadsTheFileBeforeCheckingTheConnection)
{
    FormRig rig;
    rig.Stack.Ports.SetAddress(1, 0x378);
    std::string file = rig.Dir.File("fw.hex");
    WriteText(file, ":0400100001020304E2\r\n:00000001FF\r\n");
    std::optional<int> code = rig.Start({"-f" + file, "-slpt1"});
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 1) << "nothing answers on the port: not connected";
    EXPECT_EQ(rig.Form->S.Files().FileFormat, LoadFormat::Hex) << "detected from the first character";
    EXPECT_EQ(rig.Image.ImageData[0x10], 0x01);
    EXPECT_EQ(rig.Image.ImageSize, 4);
    EXPECT_EQ(rig.Form->LoadedFilename->text(), "fw.hex");
    EXPECT_EQ(rig.Form->LStartAddress->text(), "000010H");
}

TEST(MainFormCommandLine, DirectAddressModeOnlyAsFirstArgument)
{
    FormRig rig;
    rig.WriteIni("[ENVIRONMENT]\nPort=102\n");
    rig.Start({"-dd"});
    TMainForm& f = *rig.Form;
    EXPECT_TRUE(f.S.State().DirectAddressMode);
    EXPECT_EQ(f.LPT11->text(), "0x378");
    EXPECT_EQ(f.LPT21->text(), "0x278");
    EXPECT_EQ(f.LPT31->text(), "0x3BC");
    EXPECT_TRUE(f.LPT21->isVisible()) << "fixed addresses need no table entry";
    EXPECT_EQ(f.SelectedPort->text(), "278H");
    EXPECT_EQ(rig.Stack.Ports.LptBase, 0x278);
    EXPECT_TRUE(f.S.State().LptMode);
    EXPECT_TRUE(rig.Op.Messages.empty());

    FormRig later;
    later.WriteIni("[ENVIRONMENT]\nPort=102\n");
    later.Start({"-e", "-dd"});
    EXPECT_FALSE(later.Form->S.State().DirectAddressMode);
    EXPECT_EQ(later.Form->LPT21->text(), "LPT2");
    EXPECT_EQ(later.Op.Texts(), std::vector<std::string>{"LPT2 not available!"});
}
