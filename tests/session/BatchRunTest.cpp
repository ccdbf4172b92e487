// Batch runs of the program on the simulator: the exit code and the message
// on stderr for each way a run can end.
#include "tests/session/ProgramRun.h"
#include "common/FileLock.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <future>
#include <thread>
#include <tuple>

using namespace vorbrant;
using namespace vorbrant::testing;
using vorbrant::test::TempDir;

namespace {

class BatchRun : public ProgramTest {
protected:
    ProgramRun Run(const std::string& sim, const std::string& arguments)
    {
        return RunProgram("--headless --ini=" + dir.File("v.INI") + " --sim=" + sim + " " + arguments);
    }

    static std::string Firmware() { return std::string(VORBRANT_SOURCE_DIR) + "/examples/blink.hex"; }
};

} // namespace

TEST_F(BatchRun, EraseProgramVerifySucceedOnBothLinks)
{
    for (const char* part : {"F340", "F020"}) {
        ProgramRun r = Run(part, "-e -p -v -f" + Firmware() + " -sLPT1");
        EXPECT_EQ(r.ExitCode, 0) << r.Output;
        EXPECT_TRUE(Contains(r.Output, "Result: success, exit code 0")) << r.Output;
        EXPECT_TRUE(Contains(r.Output, "1557 bytes programmed, 1557 verified")) << "the file's bytes, not the gaps" << r.Output;
        EXPECT_EQ(Contains(r.Output, "verified, 0 stalls recovered, "), std::string(part) == "F340")
            << "C2 counts the port stalls it recovered from" << r.Output;
        EXPECT_TRUE(Contains(r.Output, "port accesses")) << r.Output;
        EXPECT_FALSE(Contains(r.Output, "violation")) << r.Output;
        EXPECT_FALSE(Contains(r.Output, "Operation successfull!")) << "a batch run ends with its code, not the box";
    }
}

TEST_F(BatchRun, C2RunOnAStallingPortCountsTheStallsItRecovered)
{
    ProgramRun r = Run("F340,stalls=2000", "-e -p -v -f" + Firmware() + " -sLPT1");
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    size_t at = r.Output.find(" stalls recovered");
    ASSERT_NE(at, std::string::npos) << r.Output;
    size_t from = r.Output.rfind(", ", at) + 2;
    EXPECT_GT(std::stoi(r.Output.substr(from, at - from)), 0) << r.Output;
    EXPECT_FALSE(Contains(r.Output, "violation")) << r.Output;
}

TEST_F(BatchRun, ProgrammedChipReadsBackAsTheFirmware)
{
    std::string flash = dir.File("f120.flash");
    ASSERT_EQ(Run("F120,flash=" + flash, "-e -p -v -f" + Firmware() + " -sLPT1").ExitCode, 0);
    std::string back = dir.File("back.hex");
    ProgramRun r = Run("F120,flash=" + flash, "-f" + Firmware() + " -sLPT1 --read=" + back);
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    ProgramRun a = RunProgram("--convert " + Firmware() + " " + dir.File("a.bin"));
    ProgramRun b = RunProgram("--convert " + back + " " + dir.File("b.bin"));
    ASSERT_EQ(a.ExitCode, 0) << a.Output;
    ASSERT_EQ(b.ExitCode, 0) << b.Output;
    EXPECT_EQ(TempDir::Read(dir.File("a.bin")), TempDir::Read(dir.File("b.bin")));
}

TEST_F(BatchRun, NoAdapterOrAnUnknownChipEndsWithOne)
{
    ProgramRun none = Run("F340,adapter=none", "-p -f" + Firmware() + " -sLPT1");
    EXPECT_EQ(none.ExitCode, 1);
    EXPECT_TRUE(Contains(none.Output, "Error: Hardware not detected!")) << none.Output;

    ProgramRun unknown = Run("F336", "-p -f" + Firmware() + " -sLPT1");
    EXPECT_EQ(unknown.ExitCode, 1);
    EXPECT_TRUE(Contains(unknown.Output, "Error: Unknown chip type (IDCODE=0x0314)!")) << unknown.Output;
}

TEST_F(BatchRun, NothingToWorkOnEndsWithTwo)
{
    ProgramRun noFile = Run("F340", "-p -sLPT1");
    EXPECT_EQ(noFile.ExitCode, 2);
    EXPECT_TRUE(Contains(noFile.Output, "Error: Can't perform operation - load data file first!")) << noFile.Output;

    std::string bad = dir.File("bad.hex");
    WriteFile(bad, ":0400000001020304F1\r\n"); // checksum off by one, no end line
    ProgramRun badFile = Run("F340", "-p -f" + bad + " -sLPT1");
    EXPECT_EQ(badFile.ExitCode, 2);
    EXPECT_TRUE(Contains(badFile.Output, "Error: Checksum error in HEX file !")) << badFile.Output;
}

TEST_F(BatchRun, NonBlankChipEndsWithThree)
{
    // Erase is ticked from the start, so only a cell that does not erase
    // fails the blank check of a batch run.
    ProgramRun r = Run("F340,stuck-bit=0x2", "-b -p -f" + Firmware() + " -sLPT1");
    EXPECT_EQ(r.ExitCode, 3);
    EXPECT_TRUE(Contains(r.Output, "Information: Blank check failed at 0x0002!")) << r.Output;
}

TEST_F(BatchRun, StuckBitEndsWithFive)
{
    // 0x0100 holds 0x75; bit 0 stuck at 0 reads back 0x74.
    ProgramRun r = Run("F340,stuck-bit=0x100", "-e -p -v -f" + Firmware() + " -sLPT1");
    EXPECT_EQ(r.ExitCode, 5);
    EXPECT_TRUE(Contains(r.Output, "Error: Verify failed at 0x0100!\n  expected 0x75, read 0x74\n")) << r.Output;
    EXPECT_TRUE(Contains(r.Output, "1557 bytes programmed, 6 verified")) << "the bytes before 0x0100" << r.Output;
}

TEST_F(BatchRun, FlashFaultsEndWithSixteen)
{
    ProgramRun write = Run("F020,fail-write=0x105", "-e -p -v -f" + Firmware() + " -sLPT1");
    EXPECT_EQ(write.ExitCode, 16);
    EXPECT_TRUE(Contains(write.Output, "Error: JTAG code area write fault at address 0x0105 Aborting!")) << write.Output;

    ProgramRun removed = Run("F340,remove-after=150000", "-e -p -v -f" + Firmware() + " -sLPT1");
    EXPECT_EQ(removed.ExitCode, 16) << removed.Output;
    EXPECT_TRUE(Contains(removed.Output, "fault at address 0x")) << removed.Output;
}

TEST_F(BatchRun, TheFileIsLoadedAfterConnectAndNotConnectedWins)
{
    std::string bad = dir.File("bad.hex");
    WriteFile(bad, ":0400000001020304F1\r\n");
    ProgramRun r = Run("F340,adapter=none", "-p -f" + bad + " -sLPT1");
    EXPECT_EQ(r.ExitCode, 1) << r.Output;
    size_t connect = r.Output.find("Error: Hardware not detected!");
    size_t load = r.Output.find("Error: Checksum error in HEX file !");
    ASSERT_NE(connect, std::string::npos) << r.Output;
    ASSERT_NE(load, std::string::npos) << r.Output;
    EXPECT_LT(connect, load) << r.Output;
}

TEST_F(BatchRun, TheLockBitsWarningDoesNotStopARun)
{
    // Four bytes at the top of the F020's code area: the two lock bytes are left alone.
    std::string top = dir.File("top.hex");
    WriteFile(top, ":04FDFC001122334459\r\n:00000001FF\r\n");
    std::string flash = dir.File("f020.flash");
    ProgramRun r = Run("F020,flash=" + flash, "-e -p -f" + top + " -sLPT1");
    // ... and the file's bytes there count as not programmed.
    EXPECT_EQ(r.ExitCode, 10) << r.Output;
    EXPECT_TRUE(Contains(r.Output, "Warning: To program flash lock bits use security menu!")) << r.Output;
    EXPECT_TRUE(Contains(r.Output, "Warning: 2 bytes of the file at 0xFDFE-0xFDFF were not programmed (outside the part)"))
        << r.Output;
    EXPECT_TRUE(Contains(r.Output, "Result: failed, exit code 10")) << r.Output;

    std::string back = dir.File("back.bin");
    ProgramRun read = Run("F020,flash=" + flash, "-f" + top + " -sLPT1 --read=" + back);
    ASSERT_EQ(read.ExitCode, 0) << read.Output;
    EXPECT_EQ(TempDir::Read(back), std::string("\x11\x22\xFF\xFF", 4));
}

TEST_F(BatchRun, AHexFileWithAByteOrderMarkProgramsItsRecordsAndFormatForcesAReading)
{
    const std::string hex = TempDir::Read(Firmware());
    const std::string bom = dir.File("bom.ihx");
    WriteFile(bom, "\xEF\xBB\xBF\r\n" + hex);
    std::string flash = dir.File("f340.flash");
    ProgramRun r = Run("F340,flash=" + flash, "-e -p -v -f" + bom + " -sLPT1");
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_TRUE(Contains(r.Output, "1557 bytes programmed")) << "the records, not the text" << r.Output;

    // Forced to binary, the same text is programmed as it stands.
    const std::string text = dir.File("fw.txt");
    WriteFile(text, hex);
    ProgramRun raw = Run("F340", "-e -p -v --format=bin -f" + text + " -sLPT1");
    ASSERT_EQ(raw.ExitCode, 0) << raw.Output;
    EXPECT_TRUE(Contains(raw.Output, std::to_string(hex.size()) + " bytes programmed")) << raw.Output;
}

TEST_F(BatchRun, TheSimulatorTakesLpt1AndStepsRunOnlyTheStepsNamed)
{
    // A fresh configuration names no port: the simulated LPT1 is taken.
    std::string flash = dir.File("f340.flash");
    ProgramRun program = Run("F340,flash=" + flash, "-p -f" + Firmware());
    ASSERT_EQ(program.ExitCode, 0) << program.Output;

    // A finished board is checked without being erased or written again.
    ProgramRun check = Run("F340,flash=" + flash, "--steps=verify -f" + Firmware());
    ASSERT_EQ(check.ExitCode, 0) << check.Output;
    EXPECT_FALSE(Contains(check.Output, "Status: Erasing...")) << check.Output;
    EXPECT_TRUE(Contains(check.Output, "0 bytes programmed, 1557 verified")) << check.Output;

    ProgramRun bad = Run("F340", "--steps=verify,polish");
    EXPECT_EQ(bad.ExitCode, 8) << bad.Output;
}

TEST_F(BatchRun, OutputFilesThatCannotBeWrittenStopTheRunBeforeItStarts)
{
    const std::string nowhere = dir.File("no/such/folder/");
    // The read-back file: nothing is read, no result line claims success.
    ProgramRun read = Run("F340", "--read=" + nowhere + "x.hex -sLPT1");
    EXPECT_EQ(read.ExitCode, 9) << read.Output;
    EXPECT_TRUE(Contains(read.Output, "Error: Can't write file " + nowhere + "x.hex: No such file or directory"))
        << read.Output;
    EXPECT_FALSE(Contains(read.Output, "Reading...")) << read.Output;
    EXPECT_FALSE(Contains(read.Output, "Result: success")) << read.Output;

    // The simulator's flash file, and the trace.
    ProgramRun flash = Run("F340,flash=" + nowhere + "f.bin", "-e -p -v -f" + Firmware() + " -sLPT1");
    EXPECT_EQ(flash.ExitCode, 9) << flash.Output;
    EXPECT_FALSE(Contains(flash.Output, "Programming...")) << flash.Output;
    ProgramRun trace = Run("F340", "--trace=" + nowhere + "t.vcd -e -p -v -f" + Firmware() + " -sLPT1");
    EXPECT_EQ(trace.ExitCode, 7) << trace.Output;
    EXPECT_FALSE(Contains(trace.Output, "Programming...")) << trace.Output;

    // --convert refuses before it reads, and names a missing input.
    ProgramRun convert = RunProgram("--convert " + Firmware() + " " + nowhere + "o.bin");
    EXPECT_EQ(convert.ExitCode, 9) << convert.Output;
    ProgramRun missing = RunProgram("--convert " + dir.File("nosuch.hex") + " " + dir.File("o.hex"));
    EXPECT_EQ(missing.ExitCode, 2);
    EXPECT_EQ(missing.Output, "Error: no such file: " + dir.File("nosuch.hex") + "\n");

    // Inputs that exist but are no files: named for what they are, and a
    // FIFO without a writer stalls nothing.
    const std::string fifo = dir.File("pipe.hex");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    for (const std::string& input : {fifo, dir.Path}) {
        ProgramRun notFile = RunProgram("--convert " + input + " " + dir.File("o.hex"));
        EXPECT_EQ(notFile.ExitCode, 2);
        EXPECT_EQ(notFile.Output, "Error: Can't read " + input + ": not a regular file\n");
        ProgramRun flag = Run("F340", "-f" + input + " -p -sLPT1");
        EXPECT_EQ(flag.ExitCode, 8) << flag.Output;
        EXPECT_TRUE(Contains(flag.Output, "Error: Can't read " + input + ": not a regular file")) << flag.Output;
    }

    // A trace is an output too: a FIFO in its place is refused before
    // anything runs, and nothing waits for a reader.
    ProgramRun fifoTrace = Run("F340", "--trace=" + fifo + " -e -p -v -f" + Firmware() + " -sLPT1");
    EXPECT_EQ(fifoTrace.ExitCode, 7) << fifoTrace.Output;
    EXPECT_TRUE(Contains(fifoTrace.Output, "Error: Can't write file " + fifo + ": not a regular file"))
        << fifoTrace.Output;
    EXPECT_FALSE(Contains(fifoTrace.Output, "Connected")) << fifoTrace.Output;
}

TEST_F(BatchRun, AReadBackWhoseFileDidNotLoadReadsNothing)
{
    std::string bad = dir.File("bad.hex");
    WriteFile(bad, ":0400000001020304F1\r\n");
    std::string back = dir.File("back.hex");
    ProgramRun r = Run("F340", "-f" + bad + " -sLPT1 --read=" + back);
    EXPECT_EQ(r.ExitCode, 2) << r.Output;
    EXPECT_TRUE(Contains(r.Output, "Error: Checksum error in HEX file !")) << r.Output;
    EXPECT_FALSE(Contains(r.Output, "Reading...")) << "not the whole chip instead: " << r.Output;
    EXPECT_FALSE(std::filesystem::exists(back));
}

TEST_F(BatchRun, TheResultLineComesLastAndFollowsTheExitCode)
{
    // The closing line is printed last: the files written after the run
    // (the read-back, the flash file, the trace) can still turn it.
    ProgramRun r = Run("F340", "-e -p -v -f" + Firmware() + " -sLPT1");
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    size_t line = r.Output.rfind("Result: success, exit code 0");
    ASSERT_NE(line, std::string::npos) << r.Output;
    EXPECT_EQ(r.Output.find('\n', line), r.Output.size() - 1) << "the last line: " << r.Output;
}

// Two programs on one flash= file: each runs on the flash the other left, or
// gives up with 9 while the other holds it; neither reports a success that
// the file does not keep. Each programs its own bytes (no erase), so a lost
// run shows as missing bytes.
TEST_F(BatchRun, TwoProgramsOnOneFlashFileNeverBothClaimWhatIsLost)
{
    const std::string flash = dir.File("shared.bin");
    WriteFile(dir.File("a.hex"), ":040000001122334452\n:00000001FF\n");
    WriteFile(dir.File("b.hex"), ":0480000055667788C2\n:00000001FF\n");
    auto run = [&](const char* name, const char* ini) {
        return RunProgram("--headless --ini=" + dir.File(ini) + " --sim=F340,flash=" + flash + " -sLPT1 -p -f" +
                          dir.File(name));
    };
    for (int delayMs : {0, 5, 20, 60, 150}) {
        SCOPED_TRACE("second started after " + std::to_string(delayMs) + " ms");
        std::filesystem::remove(flash);
        auto first = std::async(std::launch::async, [&] { return run("a.hex", "a.INI"); });
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        const ProgramRun second = run("b.hex", "b.INI");
        const ProgramRun one = first.get();
        const std::string bytes = TempDir::Read(flash);
        ASSERT_EQ(bytes.size(), 65536u);
        for (const auto& [result, at, data] : {std::tuple{&one, 0x0000, "\x11\x22\x33\x44"},
                                               std::tuple{&second, 0x8000, "\x55\x66\x77\x88"}}) {
            if (result->ExitCode == 0) {
                EXPECT_EQ(bytes.substr(at, 4), data) << "a success the file does not keep:\n" << result->Output;
            } else {
                EXPECT_EQ(result->ExitCode, 9) << result->Output;
                EXPECT_TRUE(Contains(result->Output, "is in use by another program")) << result->Output;
            }
        }
    }

    // Held longer than a run waits: the second gives up, touching nothing.
    const std::string before = TempDir::Read(flash);
    {
        FileLock held;
        ASSERT_EQ(held.TryLock(flash), FileLock::Locked);
        const ProgramRun waited = run("b.hex", "b.INI");
        EXPECT_EQ(waited.ExitCode, 9) << waited.Output;
        EXPECT_TRUE(Contains(waited.Output, "Error: flash file " + flash +
                                                " is in use by another program (waited 2 s); it is left untouched"))
            << waited.Output;
        EXPECT_FALSE(Contains(waited.Output, "Programming...")) << waited.Output;
    }
    EXPECT_EQ(TempDir::Read(flash), before);
}

// The trace replaces the old file only with a whole dump: a run that never
// reached the port leaves the old one; a run ended by a signal leaves a
// dump closed where it stood, and no temporary. (SIGHUP ends the program at
// once; Ctrl-C and SIGTERM stop it cleanly, ScriptRunTest.cpp.)
TEST_F(BatchRun, TheTraceIsPutInPlaceWholeOrNotAtAll)
{
    const std::string vcd = dir.File("t.vcd");
    WriteFile(vcd, "old\n");
    ProgramRun early = Run("F340", "--trace=" + vcd + " -f" + dir.File("missing.hex") + " -p -sLPT1");
    EXPECT_EQ(early.ExitCode, 8) << early.Output;
    EXPECT_EQ(TempDir::Read(vcd), "old\n");

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string ini = "--ini=" + dir.File("v.INI"), trace = "--trace=" + vcd, file = "-f" + Firmware();
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, 1);
        dup2(devNull, 2);
        execl(ProgramPath("vorbrant-cli").c_str(), "vorbrant-cli", ini.c_str(), trace.c_str(),
              "--sim=F120,access-ns=1", "-sLPT1", file.c_str(), "-e", "-p", "-v", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(child, SIGHUP);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << "the run ended before the signal";
    const std::string dump = TempDir::Read(vcd);
    EXPECT_TRUE(dump.starts_with("$comment Vorbrant parallel-port trace $end\n"));
    ASSERT_TRUE(dump.ends_with("\n"));
    // The last line is a time stamp after every other one ("1#" is a level
    // of pin 3: stamps are the lines that start with '#').
    const size_t last = dump.rfind("\n#");
    ASSERT_NE(last, std::string::npos);
    const size_t before = dump.rfind("\n#", last - 1);
    ASSERT_NE(before, std::string::npos);
    EXPECT_EQ(dump.find('\n', last + 1), dump.size() - 1);
    EXPECT_GT(std::stoull(dump.substr(last + 2)), std::stoull(dump.substr(before + 2)));
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path))
        EXPECT_EQ(entry.path().filename().string().find(".vorbrant-"), std::string::npos) << entry.path();
}
