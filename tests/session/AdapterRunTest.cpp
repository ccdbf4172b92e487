// Batch runs of the command-line program over each adapter kind on the
// simulator: erase, program, verify and read back, with no protocol
// violation, and the bytes read back the same as over the parallel port.
#include "tests/session/ProgramRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace vorbrant {
namespace {

using testing::RunProgram;

std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(AdapterRun, EachAdapterKindProgramsVerifiesAndReadsBack)
{
    const std::string hex = std::string(VORBRANT_SOURCE_DIR) + "/examples/blink.hex";
    for (const char* part : {"F340", "F020", "F120"}) {
        test::TempDir dir;
        std::string reference;
        for (const char* adapter : {"ironquill2", "gpio", "ft232h"}) {
            SCOPED_TRACE(std::string(part) + " over " + adapter);
            const std::string out = dir.File(std::string(adapter) + ".hex");
            const auto run = RunProgram(std::string("--sim=") + part + ",adapter=" + adapter + ",flash=" +
                                        dir.File(std::string(adapter) + ".bin") + " -f" + hex + " -e -p -v --read=" + out);
            EXPECT_EQ(run.ExitCode, 0) << run.Output;
            EXPECT_EQ(run.Output.find("protocol violation"), std::string::npos) << run.Output;
            EXPECT_NE(run.Output.find("1557 bytes programmed, 1557 verified"), std::string::npos) << run.Output;
            const std::string read = ReadText(out);
            EXPECT_FALSE(read.empty());
            if (reference.empty())
                reference = read;
            EXPECT_EQ(read, reference);
        }
    }
}

// The chain board (F020, F120, a CPLD) behind each adapter, every C8051F
// position in turn: the chain check between positions sends what the links
// queued before it, never drops it (a dropped scan left the TAP mid-way).
TEST(AdapterRun, ChainBoardEveryPosition)
{
    for (const char* adapter : {"gpio", "ft232h"}) {
        SCOPED_TRACE(adapter);
        test::TempDir dir;
        const std::string ini = dir.Write("board.ini", std::string("[Simulator]\nAdapter=") + adapter +
                                                           "\n[Device1]\nPart=F020\nFlash=" + dir.File("f020.bin") +
                                                           "\n[Device2]\nPart=F120\nFlash=" + dir.File("f120.bin") +
                                                           "\n[Device3]\nName=CPLD\nIRLength=8\nIDCode=0123A0F1\n");
        const auto run = RunProgram("--sim=@" + ini + " --jcf=" + std::string(VORBRANT_SOURCE_DIR) +
                                    "/examples/chain/board.jcf --chain-device=all -e -p -v");
        EXPECT_EQ(run.ExitCode, 0) << run.Output;
        EXPECT_EQ(run.Output.find("protocol violation"), std::string::npos) << run.Output;
    }
}

// A host that stalls between two GPIO ioctls stretches a C2CK low phase
// as it does between two port writes: caught and recovered the same way.
TEST(AdapterRun, GpioStallsRecoveredAsOnTheParallelPort)
{
    test::TempDir dir;
    const auto run = RunProgram("--sim=F340,adapter=gpio,stalls=2000,stall-seed=3,flash=" + dir.File("f.bin") + " -f" +
                                std::string(VORBRANT_SOURCE_DIR) + "/examples/blink.hex -e -p -v");
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(run.Output.find("protocol violation"), std::string::npos) << run.Output;
    EXPECT_EQ(run.Output.find(" 0 stalls recovered"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find("stalls recovered"), std::string::npos) << run.Output;
}

TEST(AdapterRun, AdapterAndBoardMustAgree)
{
    const auto run = RunProgram("--sim=F340 --adapter=ft232h -p");
    EXPECT_EQ(run.ExitCode, 8);
    EXPECT_NE(run.Output.find("The simulated board hangs on adapter=an LPT adapter, not on --adapter=ft232h"),
              std::string::npos)
        << run.Output;
}

} // namespace
} // namespace vorbrant
