// The JTAG side: the TAP state machine, IDCODE and BYPASS, the indirect
// flash registers and the flash behind them, locks and scratchpad.
#include "sim/Wire.h"

#include "sim/JtagChain.h"
#include "sim/JtagTap.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vorbrant::sim::test {
namespace {

TEST(SimTap, TransitionsFollowTheStandard)
{
    using enum TapState;
    // Five TMS = 1 reach Test-Logic-Reset from every state.
    for (int s = 0; s < 16; ++s) {
        TapState state = static_cast<TapState>(s);
        for (int i = 0; i < 5; ++i)
            state = NextTapState(state, true);
        EXPECT_EQ(state, TestLogicReset) << TapStateName(static_cast<TapState>(s));
    }
    // The host's DR walk: Idle, 1, 0, 0 -> Shift-DR; 1 -> Exit1; 1 -> Update; 0 -> Idle.
    TapState s = RunTestIdle;
    for (bool tms : {true, false, false})
        s = NextTapState(s, tms);
    EXPECT_EQ(s, ShiftDr);
    EXPECT_EQ(NextTapState(ShiftDr, false), ShiftDr);
    EXPECT_EQ(NextTapState(NextTapState(ShiftDr, true), true), UpdateDr);
    EXPECT_EQ(NextTapState(UpdateDr, false), RunTestIdle);
    // IR walk: Idle, 1, 1, 0, 0 -> Shift-IR.
    s = RunTestIdle;
    for (bool tms : {true, true, false, false})
        s = NextTapState(s, tms);
    EXPECT_EQ(s, ShiftIr);
    EXPECT_EQ(NextTapState(Exit1Ir, false), PauseIr);
    EXPECT_EQ(NextTapState(PauseIr, true), Exit2Ir);
    EXPECT_EQ(NextTapState(Exit2Ir, false), ShiftIr);
    EXPECT_EQ(NextTapState(SelectIr, true), TestLogicReset);
}

TEST(SimJtag, IdcodeAfterResetAndInstruction)
{
    Simulator sim(Config("F120"));
    Wire w(sim);
    w.ResetTap();
    EXPECT_EQ(sim.Chain().Device(0).State(), TapState::RunTestIdle);
    EXPECT_EQ(w.ShiftDr(0, 32), 0x10007243u) << "Test-Logic-Reset selects IDCODE";
    w.ShiftIr(0x2FFF, 16);
    EXPECT_EQ(w.ShiftDr(0, 32), 0u) << "BYPASS: one zero bit, then what went in";
    w.ShiftIr(0x1004, 16);
    EXPECT_EQ(w.ShiftDr(0, 32), 0x10007243u);
    EXPECT_EQ(w.ShiftIr(0xFFFF, 16) & 0x3, 0x1u) << "Capture-IR loads ...01";
    w.ShiftIr(0x0123, 16);
    EXPECT_EQ(w.ShiftDr(0xA5A5A5A5, 33), uint64_t{0xA5A5A5A5} << 1)
        << "an unknown instruction selects BYPASS: data comes out one bit late";
    EXPECT_TRUE(sim.Violations().empty());

    Simulator f020(Config("F020,rev=2"));
    Wire w2(f020);
    w2.ResetTap();
    w2.ShiftIr(0x1004, 16);
    EXPECT_EQ(w2.ShiftDr(0, 32), 0x20003243u);
}

TEST(SimJtag, TdoStaysHighOutsideShiftStates)
{
    Simulator sim(Config("F020"));
    Wire w(sim);
    w.ResetTap();
    EXPECT_TRUE(w.Tdo());
    // Into Shift-DR: the first IDCODE bit (1) appears on the falling edge.
    w.Clock(true, false);
    w.Clock(false, false);
    w.Clock(false, false);
    EXPECT_EQ(sim.Chain().Device(0).State(), TapState::ShiftDr);
    EXPECT_TRUE(w.Tdo());
    w.Clock(false, false);
    EXPECT_TRUE(w.Tdo()); // bit 1 of 0x...243
    w.Clock(false, false);
    EXPECT_FALSE(w.Tdo()); // bit 2
}

class Flash : public ::testing::Test {
protected:
    void Open(const std::string& simText)
    {
        // The one before lets go of its flash file first.
        w.reset();
        sim.reset();
        sim = std::make_unique<Simulator>(Config(simText));
        w = std::make_unique<Wire>(*sim);
        w->ResetTap();
        base = simText.rfind("F12", 0) == 0 || simText.rfind("F13", 0) == 0 ? 0x3000 : 0x4000;
    }
    void WriteReg(uint16_t reg, uint32_t value, int width) { w->WriteIndirect(Base() | reg, value, width); }
    uint32_t ReadReg(uint16_t reg, int width) { return w->ReadIndirect(Base() | reg, width); }
    uint16_t Base() const { return base; }
    void OpenStream(uint32_t address, uint8_t con)
    {
        WriteReg(0x85, 0x85, 8);
        WriteReg(0x84, address, adrBits);
        WriteReg(0x82, con, 8);
    }
    // A flash byte read in an open stream: {busy, fail, data}.
    uint32_t NextRead()
    {
        uint32_t r;
        int guard = 0;
        do
            r = ReadReg(0x83, 10);
        while ((r & 1) && ++guard < 100000);
        return r;
    }
    bool ReadByte(uint32_t address, uint8_t& value, uint8_t area = 0)
    {
        OpenStream(address, area | 0x01);
        ReadReg(0x83, 0);
        uint32_t r = NextRead();
        value = static_cast<uint8_t>(r >> 2);
        WriteReg(0x82, 0, 8);
        return !(r & 2);
    }
    bool WriteByte(uint32_t address, uint8_t value, uint8_t area = 0)
    {
        OpenStream(address, area | 0x10);
        WriteReg(0x83, value, 8);
        uint32_t r;
        do
            r = ReadReg(0x83, 2);
        while (r & 1);
        WriteReg(0x82, 0, 8);
        return !(r & 2);
    }
    bool ErasePage(uint32_t address, uint8_t area = 0, uint8_t key = 0xA5)
    {
        WriteReg(0x85, 0x85, 8);
        WriteReg(0x82, area | 0x20, 8);
        WriteReg(0x84, address, adrBits);
        WriteReg(0x83, key, 8);
        WriteReg(0x82, 0, 8);
        uint32_t r;
        int guard = 0;
        do
            r = ReadReg(0x83, 10);
        while ((r & 1) && ++guard < 100000);
        return !(r & 2);
    }
    std::unique_ptr<Simulator> sim;
    std::unique_ptr<Wire> w;
    int adrBits = 16;
    uint16_t base = 0x4000;
};

TEST_F(Flash, EveryIndirectRegisterReadsBack)
{
    Open("F020");
    WriteReg(0x82, 0x81, 8);
    WriteReg(0x84, 0xBEEF, 16);
    WriteReg(0x85, 0x85, 8);
    EXPECT_EQ(sim->Chain().Device(0).FlashCon(), 0x81);
    EXPECT_EQ(sim->Chain().Device(0).FlashAdr(), 0xBEEFu);
    EXPECT_EQ(sim->Chain().Device(0).FlashScl(), 0x85);
    EXPECT_EQ(ReadReg(0x82, 8), 0x81u);
    EXPECT_EQ(ReadReg(0x84, 16), 0xBEEFu);
    EXPECT_EQ(ReadReg(0x85, 8), 0x85u);
    EXPECT_TRUE(sim->Violations().empty()) << sim->Violations()[0];
}

TEST_F(Flash, SequentialReadsAutoIncrement)
{
    Open("F020");
    for (int i = 0; i < 8; ++i)
        sim->Flash()[0x7FF8 + i] = static_cast<uint8_t>(0x30 + i);
    OpenStream(0x7FF8, 0x01);
    ReadReg(0x83, 0); // starts the first read
    for (int i = 0; i < 8; ++i) {
        uint32_t r = NextRead();
        EXPECT_EQ(r & 3, 0u);
        EXPECT_EQ(r >> 2, 0x30u + i);
    }
    EXPECT_EQ(sim->Chain().Device(0).FlashAdr(), 0x8001u) << "one read ahead";
    EXPECT_TRUE(sim->Violations().empty()) << sim->Violations()[0];
}

TEST_F(Flash, WritesAreNorAndAutoIncrement)
{
    Open("F020");
    OpenStream(0x1000, 0x10);
    for (uint8_t v : {0x12, 0x34, 0x56}) {
        WriteReg(0x83, v, 8);
        uint32_t r;
        do
            r = ReadReg(0x83, 2);
        while (r & 1);
        EXPECT_EQ(r & 2, 0u);
    }
    EXPECT_EQ(sim->Flash()[0x1000], 0x12);
    EXPECT_EQ(sim->Flash()[0x1002], 0x56);
    EXPECT_TRUE(WriteByte(0x1000, 0xF0));
    EXPECT_EQ(sim->Flash()[0x1000], 0x10) << "programming only clears bits";
    EXPECT_FALSE(WriteByte(0xFE00, 0x00)) << "reserved area";
    EXPECT_FALSE(WriteByte(0xFFFF, 0x00)) << "top of the reserved area";
}

TEST_F(Flash, EraseNeedsTheKeyAndPicksPageOrChip)
{
    Open("F020");
    std::fill(sim->Flash().begin(), sim->Flash().begin() + 0xFC00, uint8_t{0}); // lock bytes stay 0xFF
    EXPECT_FALSE(ErasePage(0x0400, 0, 0x5A)) << "wrong confirmation";
    EXPECT_EQ(sim->Flash()[0x400], 0x00);
    EXPECT_TRUE(ErasePage(0x0456));
    EXPECT_EQ(sim->Flash()[0x3FF], 0x00);
    EXPECT_EQ(sim->Flash()[0x400], 0xFF);
    EXPECT_EQ(sim->Flash()[0x5FF], 0xFF);
    EXPECT_EQ(sim->Flash()[0x600], 0x00);
    EXPECT_TRUE(ErasePage(0xFDFF)) << "at the read-lock byte: the whole code flash";
    EXPECT_EQ(sim->Flash()[0x0], 0xFF);
    EXPECT_EQ(sim->Flash()[0xFDFE], 0xFF);
}

TEST_F(Flash, ScratchpadAreas)
{
    Open("F020"); // 64 KB: scratchpad behind area flag 0x80
    EXPECT_TRUE(WriteByte(0x10, 0x42, 0x80));
    EXPECT_EQ(sim->Flash()[0x10000 + 0x10], 0x42);
    EXPECT_EQ(sim->Flash()[0x10], 0xFF);
    uint8_t v = 0;
    EXPECT_TRUE(ReadByte(0x10, v, 0x80));
    EXPECT_EQ(v, 0x42);
    EXPECT_FALSE(ReadByte(0x80, v, 0x80)) << "past the 128 bytes";
    EXPECT_TRUE(ErasePage(0x0000, 0x80));
    EXPECT_EQ(sim->Flash()[0x10010], 0xFF);

    Open("F005"); // 32 KB: scratchpad right above the code flash
    EXPECT_TRUE(WriteByte(0x8005, 0x24));
    EXPECT_EQ(sim->Flash()[0x8005], 0x24);
    EXPECT_TRUE(ErasePage(0x8000));
    EXPECT_EQ(sim->Flash()[0x8005], 0xFF);
}

TEST_F(Flash, LockBitsGuardTheirBlocks)
{
    // F020: 8 blocks of 8 KB. Read lock 0xFE locks block 0 against reading;
    // write/erase lock 0x7F locks block 7 against writing and erasing.
    Open("F020,lock=FE7F");
    uint8_t v = 0;
    EXPECT_FALSE(ReadByte(0x0000, v));
    EXPECT_FALSE(ReadByte(0x1FFF, v));
    EXPECT_TRUE(ReadByte(0x2000, v));
    EXPECT_TRUE(ReadByte(0xFDFF, v)) << "the lock bytes stay readable";
    EXPECT_EQ(v, 0xFE);
    EXPECT_TRUE(ReadByte(0xFDFE, v));
    EXPECT_EQ(v, 0x7F);
    EXPECT_FALSE(WriteByte(0xE000, 0x00));
    EXPECT_FALSE(ErasePage(0xE000));
    EXPECT_TRUE(WriteByte(0xC000, 0x00));
    EXPECT_TRUE(WriteByte(0xFDFF, 0xFC)) << "locking further is allowed";
    EXPECT_EQ(sim->Flash()[0xFDFF], 0xFC);
    // Erasing the lock-byte page undoes the locks.
    EXPECT_TRUE(ErasePage(0xFDFF - 254));
    EXPECT_EQ(sim->Flash()[0xFDFF], 0xFF);
    EXPECT_TRUE(ReadByte(0x0000, v));

    // Reduced parts: four blocks.
    Open("F018,lock=FDFF"); // block 1 of 4 KB read-locked
    EXPECT_TRUE(ReadByte(0x0FFF, v));
    EXPECT_FALSE(ReadByte(0x1000, v));
    EXPECT_TRUE(ReadByte(0x2000, v));
}

TEST_F(Flash, LockBytesStayReachableWhileTheirBlockIsLocked)
{
    // Block 7 (0xE000..0xFFFF) holds the lock bytes; lock it both ways.
    Open("F020,lock=7F7F");
    uint8_t v = 0;
    EXPECT_FALSE(ReadByte(0xFDFD, v));
    EXPECT_TRUE(ReadByte(0xFDFF, v));
    EXPECT_EQ(v, 0x7F);
    EXPECT_TRUE(ReadByte(0xFDFE, v));
    EXPECT_EQ(v, 0x7F);
    EXPECT_FALSE(WriteByte(0xFDFD, 0x00));
    EXPECT_TRUE(WriteByte(0xFDFE, 0x7E)) << "write-locking block 0 as well";
    EXPECT_FALSE(WriteByte(0x0000, 0x00));
    EXPECT_FALSE(ErasePage(0x0000));
    // Erasing the lock-byte page (any address in it) undoes both locks.
    sim->Flash()[0xFC00] = 0x00;
    EXPECT_TRUE(ErasePage(0xFDFF - 254));
    EXPECT_EQ(sim->Flash()[0xFDFF], 0xFF);
    EXPECT_EQ(sim->Flash()[0xFDFE], 0xFF);
    EXPECT_EQ(sim->Flash()[0xFC00], 0xFF);
    EXPECT_TRUE(WriteByte(0x0000, 0x00));

    // An erase at the read-lock byte clears the whole code flash, locked blocks too.
    adrBits = 17;
    Open("F120,lock=0000");
    sim->Flash()[0x0000] = 0x00;
    sim->Flash()[0x1FBFD] = 0x00;
    EXPECT_FALSE(ReadByte(0x0000, v));
    EXPECT_TRUE(ReadByte(0x1FBFF, v));
    EXPECT_EQ(v, 0x00);
    EXPECT_TRUE(ErasePage(0x1FBFF));
    EXPECT_EQ(sim->Flash()[0x0000], 0xFF);
    EXPECT_EQ(sim->Flash()[0x1FBFD], 0xFF);
    EXPECT_EQ(sim->Flash()[0x1FBFE], 0xFF);
    EXPECT_TRUE(ReadByte(0x0000, v));
    EXPECT_EQ(v, 0xFF);
}

TEST_F(Flash, LockBytesAreKeptInTheFlashFile)
{
    vorbrant::test::TempDir dir;
    const std::string file = dir.File("f020.bin");
    std::string error;
    Open("F020,lock=FE7F,flash=" + file);
    ASSERT_TRUE(sim->SaveFlash(error)) << error;
    const std::string saved = vorbrant::test::TempDir::Read(file);
    EXPECT_EQ(saved[0xFDFF], '\xFE');
    EXPECT_EQ(saved[0xFDFE], '\x7F');
    Open("F020,flash=" + file);
    uint8_t v = 0;
    EXPECT_FALSE(ReadByte(0x0000, v)) << "the file brings the read lock back";
    EXPECT_FALSE(WriteByte(0xE000, 0x00));
    EXPECT_TRUE(ErasePage(0xFDFF - 254));
    ASSERT_TRUE(sim->SaveFlash(error)) << error;
    Open("F020,flash=" + file);
    EXPECT_TRUE(ReadByte(0x0000, v));
    EXPECT_TRUE(WriteByte(0xE000, 0x00));
}

TEST_F(Flash, F12xRegistersUseTheirBaseAndWideAddress)
{
    adrBits = 17;
    Open("F120");
    sim->Flash()[0x1FBFE] = 0x77;
    uint8_t v = 0;
    EXPECT_TRUE(ReadByte(0x1FBFE, v));
    EXPECT_EQ(v, 0x77);
    EXPECT_FALSE(ReadByte(0x1FC00, v)) << "reserved";
    // The 0x4000 instruction field is not the F12x flash register set: BYPASS.
    w->ShiftIr(0x4084, 16);
    EXPECT_EQ(sim->Chain().Device(0).SelectedRegister(), JtagDevice::Selected::Bypass);
    // The set-up register 0x0C1 takes 17 bits.
    w->WriteIndirect(0x30C1, 0x8400, 17);
    EXPECT_EQ(sim->Chain().Device(0).SetupRegister(), 0x8400u);
    EXPECT_TRUE(sim->Violations().empty()) << sim->Violations()[0];
}

TEST_F(Flash, F13xFlashAddressIsSeventeenBitsWide)
{
    // The 64 KB members of the F12x/F13x family keep the family's 17-bit
    // FLASHADR.
    adrBits = 17;
    Open("F132");
    uint8_t v = 0;
    EXPECT_FALSE(ReadByte(0x10000, v)) << "64 KB: the 128 KB probe fails";
    sim->Flash()[0xFFFF] = 0x99;
    EXPECT_TRUE(ReadByte(0xFFFF, v));
    EXPECT_EQ(v, 0x99);
    EXPECT_TRUE(sim->Violations().empty()) << sim->Violations()[0];
    // A 16-bit address scan is not the register's length: reported, ignored.
    adrBits = 16;
    ReadByte(0x1234, v);
    ASSERT_EQ(sim->Violations().size(), 1u);
    EXPECT_NE(sim->Violations()[0].find("write to register 0x084, 18 bits"), std::string::npos)
        << sim->Violations()[0];
    EXPECT_NE(sim->Chain().Device(0).FlashAdr() & 0xFFFF, 0x1234u) << "the short scan set no address";
}

TEST_F(Flash, SectorsOfTheF12xAreOneKilobyte)
{
    // The erase of 0x0600 clears the sector [First, End).
    struct Case {
        const char* Part;
        int AdrBits;
        uint32_t First, End;
    };
    for (Case c : {Case{"F120", 17, 0x0400, 0x0800}, Case{"F020", 16, 0x0600, 0x0800}}) {
        SCOPED_TRACE(c.Part);
        adrBits = c.AdrBits;
        Open(c.Part);
        std::fill(sim->Flash().begin(), sim->Flash().begin() + 0x1000, uint8_t{0});
        EXPECT_TRUE(ErasePage(0x0600));
        EXPECT_EQ(sim->Flash()[c.First - 1], 0x00);
        EXPECT_EQ(sim->Flash()[c.First], 0xFF);
        EXPECT_EQ(sim->Flash()[c.End - 1], 0xFF);
        EXPECT_EQ(sim->Flash()[c.End], 0x00);
        EXPECT_TRUE(sim->Violations().empty()) << sim->Violations()[0];
    }
}

TEST_F(Flash, ScanOfAWrongLengthIsReported)
{
    Open("F020");
    WriteReg(0x82, 0x01, 9); // FLASHCON is 8 bits wide
    ASSERT_EQ(sim->Violations().size(), 1u);
    EXPECT_NE(sim->Violations()[0].find("length the device does not accept"), std::string::npos);
    EXPECT_EQ(sim->Chain().Device(0).FlashCon(), 0) << "the write is ignored";
    w->ShiftIr(0x4004, 15);
    EXPECT_EQ(sim->Violations().size(), 2u) << "an instruction scan of 15 bits";
}

} // namespace
} // namespace vorbrant::sim::test
