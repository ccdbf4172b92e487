// JTAG chains and every injectable fault.
#include "sim/Wire.h"
#include "tests/support/TempDir.h"

#include "sim/C2Target.h"
#include "sim/JtagChain.h"
#include "sim/SimConfig.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace vorbrant::sim::test {
namespace {

using vorbrant::test::TempDir;

ino_t InodeOf(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

SimConfig ChainConfig()
{
    // Device 1 (nearest TDI): generic 8-bit IR with IDCODE; device 2: F020;
    // device 3: generic 5-bit IR without IDCODE.
    SimConfig config;
    std::string error;
    const std::string ini = "[Simulator]\nAdapter=ironquill2\n"
                            "[Device1]\nIRLength=8\nIDCode=0x0123A0F1\nName=CPLD\n"
                            "[Device2]\nPart=F020\n"
                            "[Device3]\nIRLength=5\n";
    if (!ParseSimIni(ini, "chain.ini", config, error))
        throw std::runtime_error(error);
    return config;
}

TEST(SimChain, IdcodesComeOutNearestTdoFirst)
{
    Simulator sim(ChainConfig());
    Wire w(sim);
    w.ResetTap();
    // After a reset: device 3 has no IDCODE (BYPASS, one 0 bit), then device
    // 2's and device 1's IDCODEs.
    uint64_t first = w.ShiftDr(0, 33);
    EXPECT_EQ(first & 1, 0u) << "bypass bit of device 3";
    EXPECT_EQ(first >> 1, 0x00003243u);
    w.ResetTap();
    // Read 65 bits in two steps: skip 33, read 32.
    w.Clock(true, false);
    w.Clock(false, false);
    w.Clock(false, false);
    for (int i = 0; i < 33; ++i)
        w.Clock(false, false);
    uint32_t second = 0;
    for (int i = 0; i < 32; ++i) {
        if (w.Tdo())
            second |= 1u << i;
        w.Clock(false, false);
    }
    EXPECT_EQ(second, 0x0123A0F1u);
    w.ResetTap();
    EXPECT_TRUE(sim.Violations().empty()) << sim.Violations()[0];
}

TEST(SimChain, FillBitsReachTheMiddleDevice)
{
    Simulator sim(ChainConfig());
    Wire w(sim);
    w.ResetTap();
    // The F020 at position 2 of 3: IR fill before = device 3 (5 bits), after
    // = device 1 (8 bits); one bypass bit on each side of a data scan.
    w.irBefore = 5;
    w.irAfter = 8;
    w.drBefore = 1;
    w.drAfter = 1;
    w.ShiftIr(0x1004, 16, 5, 8);
    EXPECT_EQ(sim.Chain().Device(0).Instruction(), 0xFFu);
    EXPECT_EQ(sim.Chain().Device(1).Instruction(), 0x1004u);
    EXPECT_EQ(sim.Chain().Device(2).Instruction(), 0x1Fu);
    EXPECT_EQ(w.ShiftDr(0, 32, 1, 1), 0x00003243u);
    sim.Flash(1)[0x2345] = 0x6B;
    w.WriteIndirect(0x4085, 0x85, 8);
    w.WriteIndirect(0x4084, 0x2345, 16);
    w.WriteIndirect(0x4082, 0x01, 8);
    w.ReadIndirect(0x4083, 0);
    uint32_t r = w.ReadIndirect(0x4083, 10);
    EXPECT_EQ(r & 3, 0u);
    EXPECT_EQ(r >> 2, 0x6Bu);
    EXPECT_TRUE(sim.Violations().empty()) << sim.Violations()[0];
    EXPECT_TRUE(sim.Flash(0).empty()) << "a generic device has no flash";

    // Without the fill bits the instruction scan has the wrong length.
    w.ShiftIr(0x1004, 16);
    ASSERT_FALSE(sim.Violations().empty());
    EXPECT_NE(sim.Violations()[0].find("instruction scan of a length"), std::string::npos);
}

TEST(SimChain, TenDevicesInBypass)
{
    std::string ini = "[Simulator]\n";
    for (int i = 1; i <= 10; ++i)
        ini += "[Device" + std::to_string(i) + "]\nIRLength=4\n";
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimIni(ini, "ten.ini", config, error)) << error;
    Simulator sim(config);
    Wire w(sim);
    w.ResetTap();
    // Ten bypass registers delay the data by ten bits.
    EXPECT_EQ(w.ShiftDr(0x3FF, 20), uint64_t{0x3FF} << 10);
    ini += "[Device11]\nIRLength=4\n";
    EXPECT_FALSE(ParseSimIni(ini, "eleven.ini", config, error));
}

TEST(SimFaults, TargetRemovedAfterNAccesses)
{
    Simulator sim(Config("F340,remove-after=2000"));
    Wire w(sim);
    w.C2Reset();
    w.AddressWrite(0x00);
    EXPECT_EQ(w.DataRead(), 0x0F);
    while (sim.AccessCount() < 2000)
        sim.PortIn(Status);
    w.C2Reset();
    w.AddressWrite(0x00);
    EXPECT_EQ(w.DataRead(), 0xFF) << "C2D floats high once the part is gone";
    EXPECT_TRUE(sim.TargetRemoved());

    Simulator jtag(Config("F020,remove-after=1000"));
    Wire j(jtag);
    j.ResetTap();
    EXPECT_EQ(j.ShiftDr(0, 32), 0x3243u);
    while (jtag.AccessCount() < 1000)
        jtag.PortIn(Status);
    j.ResetTap();
    EXPECT_EQ(j.ShiftDr(0, 32), 0xFFFFFFFFu) << "TDO floats high";
}

TEST(SimFaults, FailingWriteCell)
{
    Simulator sim(Config("F340,fail-write=0x102"));
    Wire w(sim);
    w.EnterProgramming();
    w.AddressWrite(0xAD);
    w.Send(0x07);
    ASSERT_EQ(w.Response(), 0x0D);
    w.Send(0x01);
    w.Send(0x00);
    w.Send(4);
    ASSERT_EQ(w.Response(), 0x0D);
    for (uint8_t b : {0x00, 0x11, 0x22, 0x33})
        w.Send(b);
    EXPECT_EQ(w.Response(), FpiFlashError);
    EXPECT_EQ(sim.Flash()[0x101], 0x11);
    EXPECT_EQ(sim.Flash()[0x102], 0xFF) << "the failing cell keeps its value";
    EXPECT_EQ(sim.Flash()[0x103], 0x33);
}

TEST(SimFaults, StuckBitStaysLowThroughErase)
{
    Simulator sim(Config("F020,stuck-bit=200:3"));
    EXPECT_EQ(sim.Flash()[0x200], 0xF7);
    Wire w(sim);
    w.ResetTap();
    w.WriteIndirect(0x4085, 0x85, 8);
    w.WriteIndirect(0x4082, 0x20, 8);
    w.WriteIndirect(0x4084, 0x200, 16);
    w.WriteIndirect(0x4083, 0xA5, 8);
    EXPECT_EQ(sim.Flash()[0x200], 0xF7);
    EXPECT_EQ(sim.Flash()[0x201], 0xFF);
}

TEST(SimFaults, BusyPartNeverGetsReady)
{
    Simulator sim(Config("F340,busy"));
    Wire w(sim);
    w.EnterProgramming();
    w.AddressWrite(0x00);
    EXPECT_EQ(w.DataRead(), 0x0F) << "the C2 registers still answer";
    w.AddressWrite(0xAD);
    w.DataWrite(0x06);
    EXPECT_FALSE(w.WaitInBusyClear());
    EXPECT_EQ(w.DataRead(100), -1) << "FPDAT never leaves WAIT";

    Simulator jtag(Config("F020,busy"));
    Wire j(jtag);
    j.ResetTap();
    j.WriteIndirect(0x4082, 0x01, 8);
    j.ReadIndirect(0x4083, 0);
    EXPECT_EQ(j.ReadIndirect(0x4083, 10) & 1, 1u) << "FLBusy stays set";
}

TEST(SimFaults, StallInAStrobeResetsTheC2Part)
{
    // Every 7th access stalls 50 us: a C2CK low that it lengthens is a reset,
    // so the address register keeps falling back to 0.
    Simulator sim(Config("F340,stalls=7"));
    Wire w(sim);
    w.C2Reset();
    int resets = 0;
    for (int i = 0; i < 20; ++i) {
        w.AddressWrite(0xB2);
        if (sim.C2()->AddressRegister() != 0xB2)
            ++resets;
    }
    EXPECT_GT(resets, 0);
    EXPECT_GT(sim.GetClock().NowNs(), sim.AccessCount() * 1000 + 50000);
}

TEST(SimFaults, AStallAfterTheFallingWriteStretchesTheLowPhaseOneBeforeItDoesNot)
{
    // The same falling write stalled: before it takes effect C2CK is still
    // high (nothing happens), after it C2CK stays low 50 us (a reset).
    uint64_t falling = 0;
    {
        Simulator probe(Config("F340"));
        Wire w(probe);
        w.C2Reset();
        w.AddressWrite(0xB2);
        falling = probe.AccessCount() + 1;
    }
    for (const char* at : {"before", "after"}) {
        SCOPED_TRACE(at);
        Simulator sim(Config("F340,stalls=" + std::to_string(falling) + ",stall-at=" + at));
        Wire w(sim);
        w.C2Reset();
        w.AddressWrite(0xB2);
        ASSERT_EQ(sim.C2()->AddressRegister(), 0xB2);
        sim.PortOut(Data, 0xF0); // C2CK low: the stalled access
        sim.PortOut(Data, 0xF4);
        EXPECT_EQ(sim.C2()->AddressRegister(), std::string(at) == "after" ? 0x00 : 0xB2);
        EXPECT_EQ(sim.GetClock().NowNs(), sim.AccessCount() * 1000 + 50000);
    }
}

TEST(SimFaults, SeededStallsAreReproducibleWithTheirMeanPeriod)
{
    auto stallTimes = [](const std::string& text) {
        Simulator sim(Config(text));
        std::vector<uint64_t> at;
        for (int i = 0; i < 200000; ++i) {
            const uint64_t before = sim.GetClock().NowNs();
            sim.PortIn(Status);
            if (sim.GetClock().NowNs() - before > 1000)
                at.push_back(sim.AccessCount());
        }
        return at;
    };
    const std::vector<uint64_t> a = stallTimes("F340,stalls=400,stall-seed=7");
    EXPECT_EQ(a, stallTimes("F340,stalls=400,stall-seed=7"));
    EXPECT_NE(a, stallTimes("F340,stalls=400,stall-seed=8"));
    EXPECT_NEAR(static_cast<double>(a.size()), 500.0, 75.0) << "one in 400 on average";
    std::vector<uint64_t> gaps;
    for (size_t i = 1; i < a.size(); ++i)
        gaps.push_back(a[i] - a[i - 1]);
    EXPECT_GT(*std::max_element(gaps.begin(), gaps.end()), 1200u) << "not a fixed period";
    EXPECT_EQ(stallTimes("F340,stalls=400").size(), 500u) << "without a seed: every 400th";
}

TEST(SimFaults, TdoStuck)
{
    Simulator low(Config("F020,tdo=low"));
    Wire l(low);
    l.ResetTap();
    EXPECT_EQ(l.ShiftDr(0, 32), 0u);
    Simulator high(Config("F020,tdo=high"));
    Wire h(high);
    h.ResetTap();
    EXPECT_EQ(h.ShiftDr(0, 32), 0xFFFFFFFFu);
}

TEST(SimFaults, FlashFileLoadAndSave)
{
    namespace fs = std::filesystem;
    vorbrant::test::TempDir dir;
    const std::string file = dir.File("f310.bin");
    {
        Simulator sim(Config("F310,flash=" + file));
        EXPECT_EQ(sim.StartError(), "");
        sim.Flash()[0x10] = 0x42;
        std::string error;
        ASSERT_TRUE(sim.SaveFlash(error)) << error;
    }
    EXPECT_EQ(fs::file_size(file), 16384u) << "code flash, no scratchpad on C2 parts";
    {
        Simulator sim(Config("F310,flash=" + file + ",lock=FE"));
        EXPECT_EQ(sim.Flash()[0x10], 0x42);
        EXPECT_EQ(sim.Flash()[0x3DFF], 0xFE);
    }
    // Only a file of exactly the part's size is its flash: a larger or a
    // smaller one (a HEX file, the simulator's own configuration) is refused
    // and never overwritten.
    for (size_t size : {size_t{20000}, size_t{4427}, size_t{16383}, size_t{0}}) {
        const std::string other = dir.Write("other.bin", std::string(size, '\x11'));
        {
            Simulator sim(Config("F310,flash=" + other));
            EXPECT_EQ(sim.StartError(), "flash=" + other + " is not a flash image of this part (16384 bytes)");
            std::string error;
            EXPECT_TRUE(sim.SaveFlash(error));
        }
        EXPECT_EQ(TempDir::Read(other), std::string(size, '\x11'));
    }
    // A run that changes nothing leaves the file alone, and a changed one is
    // written back.
    const auto before = fs::last_write_time(file);
    const ino_t inode = InodeOf(file);
    {
        Simulator sim(Config("F310,flash=" + file));
        std::string error;
        ASSERT_TRUE(sim.SaveFlash(error)) << error;
    }
    EXPECT_EQ(InodeOf(file), inode) << "not even replaced by the same bytes";
    EXPECT_EQ(fs::last_write_time(file), before);
}

// Two devices of one chain cannot keep their flash in one file, whatever
// names lead to it; two programs on one file take turns (the lock).
TEST(SimFaults, AFlashFileServesOneDeviceAtATime)
{
    namespace fs = std::filesystem;
    vorbrant::test::TempDir dir;
    const std::string file = dir.File("f020.bin");
    fs::create_symlink("f020.bin", dir.File("link.bin"));
    for (const std::string& second : {file, dir.File("link.bin"), dir.Path + "/./f020.bin"}) {
        SimConfig config;
        std::string error;
        ASSERT_TRUE(ParseSimIni("[Device1]\nPart=F020\nFlash=" + file + "\n[Device2]\nPart=F020\nFlash=" + second + "\n",
                                "board.ini", config, error))
            << error;
        Simulator sim(config);
        EXPECT_EQ(sim.StartError(), "devices 1 and 2 both keep their flash in " + second);
        EXPECT_FALSE(sim.FlashFileInUse());
    }
    EXPECT_FALSE(fs::exists(file));

    Simulator first(Config("F020,flash=" + file));
    ASSERT_EQ(first.StartError(), "");
    Simulator second(Config("F020,flash=" + dir.File("link.bin")));
    EXPECT_TRUE(second.FlashFileInUse());
    EXPECT_EQ(second.StartError(), "flash file " + dir.File("link.bin") +
                                       " is in use by another program (waited 2 s); it is left untouched");
}

TEST(SimFaults, FlashFileThatIsNoFileIsRefusedAtStart)
{
    namespace fs = std::filesystem;
    vorbrant::test::TempDir dir;
    const std::string folder = dir.File("folder");
    fs::create_directories(folder);
    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    // A folder, a FIFO nobody writes to (a blocking read would wait for
    // ever), and an endless device: each is refused before it is read, and
    // is still what it was after the simulator's end.
    for (const std::string& path : {folder, fifo, std::string("/dev/zero")}) {
        {
            Simulator sim(Config("F340,flash=" + path));
            EXPECT_EQ(sim.StartError(), "cannot read flash file " + path + ": not a regular file; it is left untouched");
            std::string error;
            EXPECT_TRUE(sim.SaveFlash(error)) << error;
        }
        EXPECT_FALSE(fs::is_regular_file(path));
    }
    // A sparse file far larger than the part is refused by its size.
    const std::string huge = dir.Write("huge.bin", "");
    fs::resize_file(huge, uint64_t{1} << 40);
    Simulator sim(Config("F340,flash=" + huge));
    EXPECT_EQ(sim.StartError(), "flash=" + huge + " is not a flash image of this part (65536 bytes)");
}

} // namespace
} // namespace vorbrant::sim::test
