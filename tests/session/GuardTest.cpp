// Batch runs that must refuse, early and with their reason, rather than leave
// a board holding what nobody asked for: unknown option letters, the wrong
// part, a file that is no data image, and every run's closing line.
#include "tests/session/ProgramRun.h"
#include "sim/Catalogue.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <regex>

using namespace vorbrant;
using namespace vorbrant::testing;
using vorbrant::test::TempDir;

namespace {

class Guard : public ProgramTest {
protected:
    ProgramRun Run(const std::string& arguments)
    {
        return RunProgram("--ini=" + dir.File("v.INI") + " " + arguments);
    }

    static std::string Firmware() { return std::string(VORBRANT_SOURCE_DIR) + "/examples/blink.hex"; }
};

// A simulated flash file that holds nothing but erased flash, or none at all.
bool Untouched(const std::string& flash)
{
    return !std::filesystem::exists(flash) || TempDir::Read(flash).find_first_not_of('\xFF') == std::string::npos;
}

std::string LastLine(const std::string& output)
{
    std::string text = output;
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text.substr(text.rfind('\n') + 1);
}

// "N port accesses" of a simulated run's closing line.
long PortAccesses(const std::string& output)
{
    std::smatch match;
    std::string last = LastLine(output);
    return std::regex_search(last, match, std::regex("(\\d+) port accesses")) ? std::stol(match[1]) : -1;
}

} // namespace

TEST_F(Guard, OptionLettersThatAreNotOptionsEndTheBatchBeforeAnythingConnects)
{
    struct Case {
        const char* Argument;
        const char* Text;
    };
    const Case cases[] = {
        {"-pv", "Error: unknown option -pv (give each letter on its own: -p -v)"},
        {"-EPV", "Error: unknown option -EPV (give each letter on its own: -E -P -V)"},
        {"-pF340", "Error: unknown option -pF340 (name the part with --part=F340)"},
        {"-x", "Error: unknown option -x (see --help)"},
        {"-", "Error: unknown option - (see --help)"},
    };
    const std::string flash = dir.File("f.bin");
    for (const Case& c : cases) {
        ProgramRun r = Run(std::string("--sim=F340,flash=") + flash + " -e -p -f" + Firmware() + " " + c.Argument);
        EXPECT_EQ(r.ExitCode, 8) << r.Output;
        EXPECT_TRUE(Contains(r.Output, c.Text)) << r.Output;
        EXPECT_EQ(PortAccesses(r.Output), 0) << r.Output;
        EXPECT_EQ(LastLine(r.Output), "Result: failed, exit code 8, 0 port accesses, 0.000 s on the port");
    }
    EXPECT_TRUE(Untouched(flash)) << "nothing was written";
    // -dd means something only as the first argument.
    ProgramRun late = Run("--sim=F340 -p -f" + Firmware() + " -dd");
    EXPECT_EQ(late.ExitCode, 8) << late.Output;
    EXPECT_TRUE(Contains(late.Output, "(-dd counts only as the first argument)")) << late.Output;
}

TEST_F(Guard, EveryPartPassesItsOwnNameAndStopsAtAnotherFamilysBeforeAnyStep)
{
    // One byte at 0: the blank check of a fresh part passes.
    const std::string file = dir.File("one.hex");
    WriteFile(file, ":01000000FF00\n:00000001FF\n");
    size_t checked = 0;
    for (const sim::Derivative& part : sim::DerivativeTable()) {
        SCOPED_TRACE(part.Name);
        const bool c2 = part.Link == sim::SimLink::C2;
        const std::string sim = std::string("--sim=") + part.Name + " ";
        ProgramRun right = Run(sim + "--steps=blank -f" + file + " --part=C8051" + part.Name);
        if (Contains(right.Output, "Unknown chip type"))
            continue; // a part the simulator knows and the identification does not
        EXPECT_EQ(right.ExitCode, 0) << right.Output;
        ++checked;

        ProgramRun wrong = Run(sim + "--steps=blank -f" + file + " --part=" + (c2 ? "F020" : "F340"));
        EXPECT_EQ(wrong.ExitCode, 14) << wrong.Output;
        EXPECT_TRUE(std::regex_search(wrong.Output, std::regex("Error: the part on the board is .+, not F(020|340)\n")))
            << wrong.Output;
        // A run refused right after the identification for another reason
        // (a lock of the other link's kind) makes the same port accesses:
        // nothing beyond identifying the part.
        ProgramRun refused = Run(sim + "--steps=blank -f" + file + (c2 ? " --lock-read=FE" : " --lock-pages=1"));
        EXPECT_EQ(refused.ExitCode, 8) << refused.Output;
        EXPECT_EQ(PortAccesses(wrong.Output), PortAccesses(refused.Output)) << wrong.Output << refused.Output;
    }
    EXPECT_GE(checked + 1, sim::DerivativeTable().size()) << "all but the one part the host does not know";
    ProgramRun unknown = Run("--sim=F340 -p -f" + Firmware() + " --part=F999");
    EXPECT_EQ(unknown.ExitCode, 8) << unknown.Output;
    EXPECT_TRUE(Contains(unknown.Output, "Option --part names no part the program knows: 'F999'")) << unknown.Output;
}

TEST_F(Guard, TextAndElfFilesAreNotProgrammedAsBinary)
{
    const std::string flash = dir.File("f.bin");
    struct Case {
        const char* Name;
        std::string Content;
        const char* Why;
    };
    const Case cases[] = {
        {"blink.lst", "                              1 ;--------\n  000000 02 00 06   \t  LJMP\r\n", "it looks like text"},
        {"blink.c", "#include <8051.h>\nvoid main(void) { for (;;) P1 ^= 1; }\n", "it looks like text"},
        {"blink.elf", std::string("\x7F" "ELF\x01\x01\x01\0\0\0\0\0\0\0\0\0", 16) + "\x02\x00\x06", "it is an ELF file"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File(c.Name);
        WriteFile(path, c.Content);
        ProgramRun r = Run("--sim=F340,flash=" + flash + " -e -p -v -f" + path);
        EXPECT_EQ(r.ExitCode, 2) << r.Output;
        EXPECT_TRUE(Contains(r.Output, "Error: " + path + " is not a HEX, S-record, DAT or binary image (" + c.Why +
                                           "); give --format=bin to program it as raw bytes"))
            << r.Output;
        EXPECT_FALSE(Contains(r.Output, "Programming...")) << r.Output;
    }
    EXPECT_TRUE(Untouched(flash)) << "nothing was written";

    // Asked for as binary, or named .bin, text is programmed as it stands.
    const std::string text = dir.File("text.bin");
    WriteFile(text, "ABCD\n");
    EXPECT_EQ(Run("--sim=F340 -e -p -v -f" + text).ExitCode, 0);
    EXPECT_EQ(Run("--sim=F340 -e -p -v --format=bin -f" + dir.File("blink.c")).ExitCode, 0);
}

TEST_F(Guard, ReadAfterTheStepsAndTheCountsOfBoth)
{
    const std::string flash = dir.File("f.bin"), back = dir.File("back.hex"), again = dir.File("again.hex");
    for (const char* steps : {"-e -p -v", "--steps=erase,program,verify,read"}) {
        std::filesystem::remove(flash);
        ProgramRun r = Run("--sim=F340,flash=" + flash + " " + steps + " -f" + Firmware() + " --read=" + back);
        ASSERT_EQ(r.ExitCode, 0) << r.Output;
        EXPECT_TRUE(Contains(LastLine(r.Output), "1557 bytes programmed, 1557 verified")) << r.Output;
        // What was read is what a read of its own finds: the programmed chip.
        ProgramRun read = Run("--sim=F340,flash=" + flash + " -f" + Firmware() + " --read=" + again);
        ASSERT_EQ(read.ExitCode, 0) << read.Output;
        EXPECT_EQ(TempDir::Read(back), TempDir::Read(again));
        EXPECT_TRUE(Contains(TempDir::Read(back), ":20000000020100FF")) << "not erased flash: " << TempDir::Read(back);
    }
    // A read whose bytes would go nowhere is refused before connecting.
    ProgramRun nowhere = Run("--sim=F340 --steps=program,read -f" + Firmware());
    EXPECT_EQ(nowhere.ExitCode, 8) << nowhere.Output;
    EXPECT_EQ(PortAccesses(nowhere.Output), 0) << nowhere.Output;
}

TEST_F(Guard, AC2BlockThePartRefusesIsReportedAtItsStartAndNotCounted)
{
    // 1 KB of data from 0: the block 0x0100-0x01FF holds the failing cell.
    std::string data;
    for (int i = 0; i < 1024; ++i)
        data += static_cast<char>(i & 0x7F);
    const std::string file = dir.File("k.bin");
    WriteFile(file, data);
    ProgramRun r = Run("--sim=F340,fail-write=0x150 -e -p -f" + file);
    EXPECT_EQ(r.ExitCode, 16) << r.Output;
    EXPECT_TRUE(Contains(r.Output, "Error: C2 code area write fault at address 0x0100 Aborting!\n"
                                   "  the part did not take the block 0x0100-0x01FF\n"))
        << r.Output;
    EXPECT_TRUE(Contains(LastLine(r.Output), " 256 bytes programmed")) << r.Output;

    // A locked part: the fault, then what would help.
    ProgramRun locked = Run("--sim=F340,lock=00 -e -p -f" + Firmware());
    EXPECT_EQ(locked.ExitCode, 16) << locked.Output;
    EXPECT_TRUE(std::regex_search(locked.Output, std::regex("fault at address 0x[0-9A-F]{4} Aborting!\n(.*\n)*"
                                                            "Error: the part is locked: add --chip-erase to erase it first\n")))
        << locked.Output;
}

TEST_F(Guard, EveryBatchRunEndsWithItsResultLine)
{
    WriteFile(dir.File("board.ini"), "[Device1]\nPart=F020\n[Device2]\nIRLength=8\nIDCode=0123A0F1\n");
    WriteFile(dir.File("good.jcf"), "[JTAG Chain]\nVersion=1.0\nDevice_1=C8051F020(16,0,12867) \nDevice_2=CPLD(8,0,19112177) \n");
    WriteFile(dir.File("bad.jcf"), "[JTAG Chain]\nVersion=1.0\nDevice_1=C8051F020(16,0,12867) \nDevice_2=CPLD(8,0,1) \n");
    const std::string board = "--sim=@" + dir.File("board.ini") + " --verify-chain --jcf=";
    struct Case {
        std::string Arguments;
        int Code;
    };
    const Case cases[] = {
        {"--sim=F340 --security", 0},
        {"--sim=F340 --lock-pages=1", 0},
        {"--sim=F340,adapter=none --security", 1},
        {"--sim=F340,remove-after=150000 -e -p -v -f" + Firmware(), 16},
        {"--sim=F340 -p -f" + Firmware() + " -k", 8},
        {"--sim=F340 -p -f" + dir.File("nosuch.hex"), 8},
        {"--sim=F340 -p --bogus", 8},
        {board + dir.File("good.jcf"), 0},
        {board + dir.File("bad.jcf"), 13},
    };
    for (const Case& c : cases) {
        ProgramRun r = Run(c.Arguments);
        EXPECT_EQ(r.ExitCode, c.Code) << c.Arguments << "\n" << r.Output;
        EXPECT_TRUE(LastLine(r.Output).starts_with(std::string(c.Code ? "Result: failed" : "Result: success") +
                                                   ", exit code " + std::to_string(c.Code)))
            << c.Arguments << "\n" << r.Output;
    }
}

TEST_F(Guard, TheSimulatorAnswersOnItsPortWhateverTheConfigurationHolds)
{
    WriteFile(dir.File("v.INI"), "[ENVIRONMENT]\r\nPort=2\r\n");
    ProgramRun r = Run("--sim=F340 -p -f" + Firmware());
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    // -s names another port: the simulator answers there.
    EXPECT_EQ(Run("--sim=F340 -sLPT3 -p -f" + Firmware()).ExitCode, 0);
    EXPECT_EQ(Run("--sim=F340 -sLPT9 -p -f" + Firmware()).ExitCode, 8);
    EXPECT_TRUE(Contains(TempDir::Read(dir.File("v.INI")), "Port=2\r\n")) << "a simulated run stores no port";
}

TEST_F(Guard, AFlashFaultSaysOnTheNextLineWhyTheLinkFailed)
{
    struct Case {
        std::string Arguments;
        std::string Fault;
        std::string Cause;
    };
    const Case cases[] = {
        {"--sim=F310,fail-write=0x10 -e -p",
         "C2 code area write fault at address 0x0000 Aborting!\n  the part did not take the block 0x0000-0x00FF",
         "the part answered with a failure status"},
        {"--sim=F020,fail-write=0x0 -e -p", "JTAG code area write fault at address 0x0000 Aborting!",
         "the part answered with a failure status"},
        {"--sim=F020,busy -p", "JTAG code area write fault at address 0x0000 Aborting!",
         "the part did not answer in time"},
        {"--sim=F120,remove-after=20000 -e -p", "JTAG code area write fault at address 0x0400 Aborting!",
         "the part no longer answers"},
    };
    for (const Case& c : cases) {
        ProgramRun r = Run(c.Arguments + " -f" + Firmware());
        EXPECT_EQ(r.ExitCode, 16) << c.Arguments << "\n" << r.Output;
        EXPECT_TRUE(Contains(r.Output, "Error: " + c.Fault + "\n  " + c.Cause + "\n"))
            << c.Arguments << "\n" << r.Output;
    }
}
