// The program itself, started headless: start-up and close keep the
// configuration, and command-line errors end with exit code 8.
#include "tests/session/ProgramRun.h"
#include "tests/support/TempDir.h"

#include "common/IniFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>

using namespace vorbrant;
using namespace vorbrant::testing;
using vorbrant::test::TempDir;

namespace {

class HeadlessRun : public ProgramTest {};

} // namespace

TEST_F(HeadlessRun, StartAndCloseLeaveTheConfigurationAsItWas)
{
    std::string ini = dir.File("F.INI");
    const std::string text = "[ENVIRONMENT]\r\nLastDir=/home/op/fw\r\nPort=104,888\r\nFileCount=2\r\n"
                             "File1=/home/op/fw/a.hex\r\nFile2=/home/op/fw/b.hex\r\n";
    WriteFile(ini, text);
    // Nothing to do without a window is an error, but the start and close
    // still run.
    ProgramRun r = RunProgram("--headless --io=ppdev --ini=" + ini);
    EXPECT_EQ(r.ExitCode, 8) << r.Output;
    EXPECT_NE(r.Output.find("Error: nothing to do without a window: give -p, -s or --steps"), std::string::npos)
        << r.Output;
    IniFile before, after(ini);
    before.Parse(text);
    for (const char* key : {"LastDir", "Port", "FileCount", "File1", "File2"})
        EXPECT_EQ(after.ReadString("ENVIRONMENT", key, "<missing>"), before.ReadString("ENVIRONMENT", key, "?"))
            << key;
}

TEST_F(HeadlessRun, MissingConfigurationIsCreatedWithDefaults)
{
    std::string ini = dir.File("new.INI");
    ProgramRun r = RunProgram("--headless --ini=" + ini + " -e -v");
    EXPECT_EQ(r.ExitCode, 8) << "ticks alone start no run: " << r.Output;
    IniFile created(ini);
    EXPECT_EQ(created.ReadString("ENVIRONMENT", "Port", ""), "1");
    EXPECT_EQ(created.ReadString("ENVIRONMENT", "FileCount", ""), "0");
    EXPECT_TRUE(created.ValueExists("ENVIRONMENT", "LastDir"));
}

TEST_F(HeadlessRun, CommandLineErrorsPrintTheMessageAndEndWithEight)
{
    std::string ini = dir.File("F.INI");
    ProgramRun r = RunProgram("--headless --ini=" + ini + " foo");
    EXPECT_EQ(r.ExitCode, 8);
    EXPECT_NE(r.Output.find("Error: Syntax error in command line - starting in GUI mode ! (FOO)"), std::string::npos)
        << r.Output;

    ProgramRun port = RunProgram("--headless --ini=" + ini + " -sLPT7");
    EXPECT_EQ(port.ExitCode, 8);
    EXPECT_NE(port.Output.find("Error: Invalid port name in command line - starting in GUI mode ! (LPT7)"),
              std::string::npos)
        << port.Output;

    ProgramRun unknown = RunProgram("--headless --frobnicate");
    EXPECT_EQ(unknown.ExitCode, 8);
}

TEST_F(HeadlessRun, HelpAndVersionNeedNoWindow)
{
    ProgramRun help = RunProgram("--headless --ini=" + dir.File("F.INI") + " \"?\"");
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.Output.find("Information: Command line options:"), std::string::npos) << help.Output;

    ProgramRun version = RunProgram("--version");
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Output, "Vorbrant Lite 1.0.0.1\n");

    ProgramRun usage = RunProgram("--help");
    EXPECT_EQ(usage.ExitCode, 0);
    EXPECT_NE(usage.Output.find("--sim=PART"), std::string::npos);
}

TEST_F(HeadlessRun, TheWindowProgramWithoutADisplayRunsLikeTheCommandLineProgram)
{
    if (!ProgramBuilt("vorbrant"))
        GTEST_SKIP() << "built without the window program";
    // No --headless: an offscreen platform alone must not start an
    // invisible event loop.
    ProgramRun r = RunProgram("--ini=" + dir.File("F.INI") + " foo", "vorbrant");
    EXPECT_EQ(r.ExitCode, 8) << r.Output;
    EXPECT_TRUE(std::filesystem::exists(dir.File("F.INI")));

    // The same console lines and exit code from both programs; only the
    // wall-clock seconds of the closing line may differ.
    auto withoutSeconds = [](std::string text) {
        size_t at = text.find(" s, ");
        size_t from = text.rfind(", ", at);
        if (at != std::string::npos && from != std::string::npos)
            text.erase(from, at - from + 2);
        return text;
    };
    const std::string run = "--headless --ini=" + dir.File("F.INI") + " --sim=F340,stuck-bit=0x100 -e -p -v -f" +
                            VORBRANT_SOURCE_DIR + "/examples/blink.hex -sLPT1";
    ProgramRun window = RunProgram(run, "vorbrant");
    ProgramRun cli = RunProgram(run, "vorbrant-cli");
    EXPECT_EQ(window.ExitCode, 5) << window.Output;
    EXPECT_EQ(cli.ExitCode, 5) << cli.Output;
    EXPECT_EQ(withoutSeconds(window.Output), withoutSeconds(cli.Output));
}

TEST_F(HeadlessRun, BatchRunWithoutAPortEndsNotConnected)
{
    ProgramRun r = RunProgram("--headless --ini=" + dir.File("F.INI") + " -p");
    EXPECT_EQ(r.ExitCode, 1) << r.Output;
    EXPECT_NE(r.Output.find("Warning: Select port first!"), std::string::npos) << r.Output;
}

TEST_F(HeadlessRun, ASimulatorThatCannotStartWritesNoFlashFileBack)
{
    // Device 1 would load fine (and get its lock bytes patched in); device
    // 2's file is larger than its part, so nothing starts and nothing may
    // be written.
    const std::string small(100, '\x11');
    WriteFile(dir.File("f1.bin"), small);
    WriteFile(dir.File("f2.bin"), std::string(300000, '\x22'));
    WriteFile(dir.File("chain.ini"), "[Device1]\nPart=F020\nFlash=f1.bin\nLock=0000\n[Device2]\nPart=F020\nFlash=f2.bin\n");
    ProgramRun r = RunProgram("--ini=" + dir.File("F.INI") + " --sim=@" + dir.File("chain.ini") + " -sLPT1");
    EXPECT_EQ(r.ExitCode, 8) << r.Output;
    EXPECT_EQ(TempDir::Read(dir.File("f1.bin")), small);
}

TEST_F(HeadlessRun, StartAndCloseChangeOnlyTheKeysTheProgramSets)
{
    // Written by hand and by other tools: comments, blank lines, a section
    // of another program, a repeated key, and no FileCount yet.
    const std::string text = "; programmer settings\r\n"
                             "[ENVIRONMENT]\r\n"
                             "LastDir = /home/op/fw\r\n"
                             "Port=104,888\r\n"
                             "Port=2\r\n"
                             "# recent files follow\r\n"
                             "\r\n"
                             "[Other Tool]\r\n"
                             "Colour=Blue\r\n"
                             "no key here\r\n";
    const std::string ini = dir.Write("F.INI", text);
    // Nothing to do without a window (8), but the configuration is closed.
    ProgramRun r = RunProgram("--headless --io=ppdev --ini=" + ini);
    EXPECT_EQ(r.ExitCode, 8) << r.Output;
    std::string expected = text;
    expected.replace(expected.find("Port=2\r\n"), 8, "Port=2\r\nFileCount=0\r\n");
    EXPECT_EQ(TempDir::Read(ini), expected);
}

TEST_F(HeadlessRun, ABinaryConfigurationIsNotRewritten)
{
    std::string binary = "[ENVIRONMENT]\nPort=888\n";
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>(i * 37 % 256);
    const std::string ini = dir.Write("random.INI", binary);
    ProgramRun r = RunProgram("--headless --io=ppdev --ini=" + ini);
    EXPECT_EQ(r.ExitCode, 8) << r.Output;
    const std::string warning =
        "Warning: Configuration file " + ini + " is not a text INI file; settings will not be saved\n";
    ASSERT_NE(r.Output.find(warning), std::string::npos) << r.Output;
    EXPECT_EQ(r.Output.find(warning), r.Output.rfind(warning)) << "said once";
    EXPECT_EQ(TempDir::Read(ini), binary);
}

TEST_F(HeadlessRun, AFlashFileThatIsAFifoEndsTheStartAtOnce)
{
    const std::string fifo = dir.File("flash.bin");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    ProgramRun r = RunProgram("--headless --sim=F340,flash=" + fifo + " --ini=" + dir.File("F.INI"));
    EXPECT_EQ(r.ExitCode, 8) << r.Output;
    EXPECT_NE(r.Output.find("Error: cannot read flash file " + fifo + ": not a regular file; it is left untouched"),
              std::string::npos)
        << r.Output;
}
