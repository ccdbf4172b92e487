// The lock-byte options of a batch run, on the command-line program and the
// simulator: recovering a locked part, locking it from a script, showing the
// protection, and the exit codes of each way that can go wrong.
#include "tests/session/ProgramRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using namespace vorbrant::testing;
using vorbrant::test::TempDir;

namespace {

class SecurityBatch : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        WriteFile(dir.File("v.INI"), "[ENVIRONMENT]\r\nPort=101\r\n");
    }

    // The part keeps its flash (and lock bytes) in a file between runs.
    ProgramRun Run(const std::string& part, const std::string& arguments)
    {
        return RunProgram("--ini=" + dir.File("v.INI") + " --sim=" + part + ",flash=" + dir.File(part + ".flash") + " " +
                          arguments);
    }

    static std::string Firmware() { return "-f" + std::string(VORBRANT_SOURCE_DIR) + "/examples/blink.hex"; }
};

} // namespace

TEST_F(SecurityBatch, ALockedC2PartIsRecoveredProgrammedAndLockedAgain)
{
    ProgramRun locked = Run("F340", "--security");
    ASSERT_EQ(locked.ExitCode, 0) << locked.Output;
    EXPECT_TRUE(Contains(locked.Output, "Security: unprotected")) << locked.Output;

    // Lock two pages the way a script would, then recover with a chip erase.
    ASSERT_EQ(Run("F340", "--lock-pages=2").ExitCode, 0);
    ProgramRun stuck = Run("F340", "-e -p -v " + Firmware());
    EXPECT_EQ(stuck.ExitCode, 16) << stuck.Output;
    ProgramRun recovered = Run("F340", "--chip-erase -e -p -v " + Firmware());
    ASSERT_EQ(recovered.ExitCode, 0) << recovered.Output;
    EXPECT_TRUE(Contains(recovered.Output, "Chip erased")) << recovered.Output;
    EXPECT_TRUE(Contains(recovered.Output, "Connected: F340/2/4/6")) << recovered.Output;

    ProgramRun lock = Run("F340", "--lock-pages=4 --security");
    ASSERT_EQ(lock.ExitCode, 0) << lock.Output;
    EXPECT_TRUE(Contains(lock.Output, "Security: 4 pages locked (0x0000-0x07FF)")) << lock.Output;
    ProgramRun read = Run("F340", "--read=" + dir.File("back.hex"));
    EXPECT_EQ(read.ExitCode, 16) << read.Output;
    EXPECT_TRUE(Contains(read.Output, "Error: C2 read fault at address 0x0000! Aborting!")) << read.Output;

    // A part that answers only as its locked family takes no lock before a
    // chip erase: refused before anything is written.
    ProgramRun more = Run("F340", "--lock-pages=8");
    EXPECT_EQ(more.ExitCode, 8) << more.Output;
    EXPECT_TRUE(Contains(more.Output, "this one answers as Locked F34x: erase it first (--chip-erase)")) << more.Output;
    ProgramRun erasedFirst = Run("F340", "--chip-erase --lock-pages=8 --security");
    EXPECT_EQ(erasedFirst.ExitCode, 0) << erasedFirst.Output;
    EXPECT_TRUE(Contains(erasedFirst.Output, "Security: 8 pages locked (0x0000-0x0FFF)")) << erasedFirst.Output;

    // A lock byte that does not take the write: the read-back tells.
    ProgramRun refused =
        RunProgram("--ini=" + dir.File("v.INI") + " --sim=F340,fail-write=0xFBFF --lock-pages=4");
    EXPECT_EQ(refused.ExitCode, 12) << refused.Output;
    EXPECT_TRUE(Contains(refused.Output, "Error: Lock state after writing is 0 pages, expected 4 pages"))
        << refused.Output;
}

TEST_F(SecurityBatch, F30xAndJtagLocksRoundTrip)
{
    ProgramRun f300 = Run("F300", "-e -p -v " + Firmware() + " --lock-byte=F0 --security");
    ASSERT_EQ(f300.ExitCode, 0) << f300.Output;
    EXPECT_TRUE(Contains(f300.Output, "Security: read/write lock set, write lock clear")) << f300.Output;
    ProgramRun erased = Run("F300", "--chip-erase --security");
    ASSERT_EQ(erased.ExitCode, 0) << erased.Output;
    EXPECT_TRUE(Contains(erased.Output, "Security: read/write lock clear, write lock clear")) << erased.Output;

    ProgramRun f020 = Run("F020", "-e -p -v " + Firmware() + " --lock-read=FE --lock-write=7F --security");
    ASSERT_EQ(f020.ExitCode, 0) << f020.Output;
    EXPECT_TRUE(Contains(f020.Output, "Read lock: FE (block 0000-1FFFH locked)")) << f020.Output;
    EXPECT_TRUE(Contains(f020.Output, "Write/erase lock: 7F (block E000-FFFFH locked)")) << f020.Output;
    EXPECT_EQ(Run("F020", "--read=" + dir.File("back.hex")).ExitCode, 16);
    ProgramRun unlocked = Run("F020", "--chip-erase --security");
    ASSERT_EQ(unlocked.ExitCode, 0) << unlocked.Output;
    EXPECT_TRUE(Contains(unlocked.Output, "Read lock: FF (none)")) << unlocked.Output;
}

TEST_F(SecurityBatch, LocksThatDoNotFitAreRefusedBeforeAnyChange)
{
    // One past the pages below the lock byte's page.
    ProgramRun tooMany = Run("F310", "-e -p " + Firmware() + " --lock-pages=31");
    EXPECT_EQ(tooMany.ExitCode, 8) << tooMany.Output;
    EXPECT_TRUE(Contains(tooMany.Output, "(0 to 30 pages of 512 bytes below its lock byte's page)")) << tooMany.Output;
    EXPECT_FALSE(Contains(tooMany.Output, "Status: Erasing...")) << "refused before the run";
    ProgramRun f360 = Run("F360", "--lock-pages=31");
    EXPECT_EQ(f360.ExitCode, 8) << f360.Output;
    EXPECT_TRUE(Contains(f360.Output, "(0 to 30 pages of 1024 bytes below its lock byte's page)")) << f360.Output;
    ProgramRun untouched = Run("F360", "--security");
    EXPECT_TRUE(Contains(untouched.Output, "Security: unprotected")) << "nothing was written: " << untouched.Output;

    EXPECT_EQ(Run("F340", "--lock-read=FE").ExitCode, 8);
    EXPECT_EQ(Run("F020", "--lock-pages=1").ExitCode, 8);
    EXPECT_EQ(Run("F020", "--lock-byte=F0").ExitCode, 8);
    ProgramRun bad = Run("F020", "--lock-read=1FF");
    EXPECT_EQ(bad.ExitCode, 8);
    EXPECT_TRUE(Contains(bad.Output, "needs a byte in hexadecimal")) << bad.Output;
}

TEST_F(SecurityBatch, UnreadableLockBytesEndWithEleven)
{
    ProgramRun jtag = RunProgram("--ini=" + dir.File("v.INI") + " --sim=F020,lock=0000 --security");
    EXPECT_EQ(jtag.ExitCode, 11) << jtag.Output;
    EXPECT_TRUE(Contains(jtag.Output, "Error: Lock bits reading disabled!")) << jtag.Output;

    // An F330 shows its lock byte only through a block read, which a locked
    // part refuses.
    ProgramRun c2 = RunProgram("--ini=" + dir.File("v.INI") + " --sim=F330,lock=FE --security");
    EXPECT_EQ(c2.ExitCode, 11) << c2.Output;
    EXPECT_TRUE(Contains(c2.Output, "Error: Cannot read security byte!")) << c2.Output;
}
