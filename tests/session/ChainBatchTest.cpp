// Batch runs of the real program on a simulated board with three JTAG
// devices: an F020, an F120 at position 2, and a CPLD.
#include "tests/session/ProgramRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <regex>
#include <vector>

namespace vorbrant {
namespace {

using testing::ProgramRun;
using testing::RunProgram;
using test::TempDir;

class ChainBatch : public testing::ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        dir.Write("board.ini", "[Device1]\nPart=F020\nFlash=f020.bin\n[Device2]\nPart=F120\nFlash=f120.bin\n"
                               "[Device3]\nIRLength=8\nIDCode=0123A0F1\n");
        dir.Write("one.hex", ":0400000001020304F2\n:00000001FF\n");
        dir.Write("two.hex", ":03100000A1B2C3D7\n:00000001FF\n");
        Jcf("board.jcf", "C8051F020(16,0,12867) one.hex", "C8051F120(16,0,268464707) two.hex", "CPLD(8,0,19112177) ");
    }
    std::string Jcf(const std::string& name, const std::string& d1, const std::string& d2, const std::string& d3)
    {
        return dir.Write(name, "[JTAG Chain]\r\nVersion=1.0\r\nDevice_1=" + d1 + "\r\nDevice_2=" + d2 +
                                   "\r\nDevice_3=" + d3 + "\r\n");
    }
    ProgramRun Run(const std::string& arguments, const std::string& jcf = "board.jcf")
    {
        return RunProgram("--ini=" + dir.File("v.INI") + " --sim=@" + dir.File("board.ini") + " --jcf=" +
                          dir.File(jcf) + " " + arguments);
    }
};

TEST_F(ChainBatch, PositionTwoIsProgrammedAndReadBack)
{
    ProgramRun run = Run("--chain-device=2 -e -p -v");
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_NE(run.Output.find("Connected: F120..131"), std::string::npos) << run.Output;

    ProgramRun back = Run("--chain-device=2 --read=" + dir.File("back.hex"));
    ASSERT_EQ(back.ExitCode, 0) << back.Output;
    EXPECT_EQ(TempDir::Read(dir.File("back.hex")), ":03100000A1B2C3D7\r\n:00000001FF\r\n");
    // The neighbours were never written.
    EXPECT_EQ(TempDir::Read(dir.File("f020.bin")).find_first_not_of('\xFF'), std::string::npos);
}

TEST_F(ChainBatch, AllPositionsRunWithTheirOwnFiles)
{
    ProgramRun run = Run("--chain-device=all -e -p -v");
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_NE(run.Output.find("Device #1: C8051F020, one.hex"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find("Device #2: success"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find("  #3  CPLD       -             skipped: not a C8051F part"), std::string::npos)
        << run.Output;
    EXPECT_EQ(TempDir::Read(dir.File("f020.bin")).substr(0, 4), "\x01\x02\x03\x04");
    EXPECT_EQ(TempDir::Read(dir.File("f120.bin")).substr(0x1000, 3), "\xA1\xB2\xC3");
    // The closing line sums the positions' lines, not the work after them.
    std::vector<long> accesses;
    const std::regex count("(\\d+) port accesses");
    for (auto it = std::sregex_iterator(run.Output.begin(), run.Output.end(), count); it != std::sregex_iterator(); ++it)
        accesses.push_back(std::stol((*it)[1]));
    ASSERT_EQ(accesses.size(), 3u) << run.Output;
    EXPECT_GE(accesses[2], accesses[0] + accesses[1]) << run.Output;
    EXPECT_NE(run.Output.find("Result: success, exit code 0, 0.0 s, 7 bytes programmed, 7 verified, "), std::string::npos)
        << run.Output;

    // The first failure gives the exit code; the other position still runs.
    dir.Write("two.hex", ":03100000A1B2C4D6\n:00000001FF\n");
    ProgramRun verify = Run("--chain-device=all --steps=verify");
    EXPECT_EQ(verify.ExitCode, 5) << verify.Output;
    EXPECT_NE(verify.Output.find("Device #1: success"), std::string::npos) << verify.Output;
    EXPECT_NE(verify.Output.find("Device #2: failed, exit code 5"), std::string::npos) << verify.Output;
}

TEST_F(ChainBatch, TheHardwareCheck)
{
    ProgramRun good = Run("--verify-chain");
    EXPECT_EQ(good.ExitCode, 0) << good.Output;
    EXPECT_NE(good.Output.find("JTAG Chain verified by hardware check."), std::string::npos);

    Jcf("swapped.jcf", "C8051F020(16,0,12867)", "CPLD(8,0,19112177)", "C8051F120(16,0,268464707)");
    ProgramRun swapped = Run("--verify-chain", "swapped.jcf");
    EXPECT_EQ(swapped.ExitCode, 13) << swapped.Output;
    EXPECT_NE(swapped.Output.find("Device #3 ID(0123A0F1) does not match JCF file!"), std::string::npos)
        << swapped.Output;
}

TEST_F(ChainBatch, NothingIsWrittenAtAPositionThatHoldsAnotherDevice)
{
    auto untouched = [&](const char* name) {
        const std::string path = dir.File(name);
        return !std::filesystem::exists(path) || TempDir::Read(path).find_first_not_of('\xFF') == std::string::npos;
    };
    // Positions 1 and 2 swapped in the JCF file: each firmware would land
    // in the other part.
    Jcf("swapped.jcf", "C8051F120(16,0,268464707) two.hex", "C8051F020(16,0,12867) one.hex", "CPLD(8,0,19112177) ");
    for (const char* position : {"all", "1"}) {
        ProgramRun run = Run(std::string("--chain-device=") + position + " -e -p -v", "swapped.jcf");
        EXPECT_EQ(run.ExitCode, 13) << run.Output;
        EXPECT_NE(run.Output.find("Error: Device #1 ID(00003243) does not match JCF file!"), std::string::npos)
            << run.Output;
    }
    ProgramRun all = Run("--chain-device=all -e -p -v", "swapped.jcf");
    EXPECT_NE(all.Output.find("  #1  C8051F120  F020..23      failed, exit code 13\n"
                              "  #2  C8051F020  F120..131     failed, exit code 13\n"),
              std::string::npos)
        << all.Output;
    // With --verify-chain the steps wait for a matching chain.
    ProgramRun checked = Run("--verify-chain --chain-device=1 -e -p -v", "swapped.jcf");
    EXPECT_EQ(checked.ExitCode, 13) << checked.Output;
    EXPECT_TRUE(untouched("f020.bin") && untouched("f120.bin"));

    // The right IDCODE under another family's name: found once identified.
    Jcf("renamed.jcf", "C8051F340(16,0,12867) one.hex", "C8051F120(16,0,268464707) two.hex", "CPLD(8,0,19112177) ");
    ProgramRun renamed = Run("--chain-device=1 -e -p -v", "renamed.jcf");
    EXPECT_EQ(renamed.ExitCode, 13) << renamed.Output;
    EXPECT_NE(renamed.Output.find("Error: Device #1 (C8051F340) identifies as F020..23"), std::string::npos)
        << renamed.Output;
    EXPECT_TRUE(untouched("f020.bin"));

    // Not a C8051F by its entry: by the whole IDCODE (bits 12-27 alone
    // would take 0x00000001 for one), or an instruction register of 8 bits.
    Jcf("odd.jcf", "C8051F020(16,0,1) one.hex", "C8051F120(16,0,268464707) two.hex", "CPLD(8,0,19112177) x.hex");
    for (const char* position : {"1", "3"}) {
        ProgramRun odd = Run(std::string("--chain-device=") + position + " -e -p -v", "odd.jcf");
        EXPECT_EQ(odd.ExitCode, 8) << odd.Output;
        EXPECT_NE(odd.Output.find(std::string("is not a C8051F part\nResult: failed, exit code 8, 0 port accesses")),
                  std::string::npos)
            << odd.Output;
    }
    ProgramRun skipped = Run("--chain-device=all -e -p -v", "odd.jcf");
    EXPECT_EQ(skipped.ExitCode, 0) << skipped.Output;
    EXPECT_NE(skipped.Output.find("  #1  C8051F020  -             skipped: not a C8051F part"), std::string::npos)
        << skipped.Output;

    ProgramRun good = Run("--verify-chain --chain-device=1 -e -p -v");
    EXPECT_EQ(good.ExitCode, 0) << good.Output;
    EXPECT_EQ(TempDir::Read(dir.File("f020.bin")).substr(0, 4), "\x01\x02\x03\x04");
}

TEST_F(ChainBatch, FilesAndPositionsThatAreNotThere)
{
    Jcf("missing.jcf", "C8051F020(16,0,12867) nosuch.hex", "C8051F120(16,0,268464707)", "CPLD(8,0,19112177)");
    ProgramRun missing = Run("--chain-device=1 -e -p -v", "missing.jcf");
    EXPECT_EQ(missing.ExitCode, 2) << missing.Output;
    EXPECT_NE(missing.Output.find("There's no file " + dir.File("nosuch.hex") + "!"), std::string::npos)
        << missing.Output;

    ProgramRun beyond = Run("--chain-device=4 -p");
    EXPECT_EQ(beyond.ExitCode, 8) << beyond.Output;
    ProgramRun noJcf = RunProgram("--ini=" + dir.File("v.INI") + " --sim=F020 --chain-device=1 -p");
    EXPECT_EQ(noJcf.ExitCode, 8) << noJcf.Output;
    ProgramRun noChainFile = Run("--verify-chain", "nosuch.jcf");
    EXPECT_EQ(noChainFile.ExitCode, 2) << noChainFile.Output;
    EXPECT_NE(noChainFile.Output.find("There's no file"), std::string::npos) << noChainFile.Output;
}

} // namespace
} // namespace vorbrant
