// Flash operations of both links end to end against the simulator: page
// erase, program and read back byte-exact with no protocol violation, and
// the faults (target removed, failing write, part that stays busy) ending in
// false results within bounded time.
#include "tests/support/SimRig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>

namespace vorbrant {
namespace {

using test::SimRig;
using ::testing::IsEmpty;

uint8_t Pattern(uint32_t address)
{
    return static_cast<uint8_t>((address * 7 + (address >> 8)) ^ 0xA5);
}

// Programs [first, last] with the pattern as the program step does; the
// address of the first failure (for a block the part refused at the end of
// the run, the block's base), or -1.
int64_t Program(Target& dev, uint32_t first, uint32_t last, uint8_t areaFlags = 0)
{
    FlashLink& flash = dev.Flash();
    flash.BeginRun();
    for (uint32_t a = first; a <= last; ++a) {
        if (!flash.WriteFlashByte(a, Pattern(a), areaFlags)) {
            flash.EndFlashAccess();
            return a;
        }
    }
    std::optional<uint32_t> lostBlock = flash.EndFlashAccess();
    return lostBlock ? static_cast<int64_t>(*lostBlock) : -1;
}

// Reads [first, last]; the address of the first failure or mismatch, or -1.
int64_t Verify(Target& dev, uint32_t first, uint32_t last, bool expectErased = false, uint8_t areaFlags = 0)
{
    FlashLink& flash = dev.Flash();
    flash.BeginRun();
    for (uint32_t a = first; a <= last; ++a) {
        uint8_t value = 0;
        if (!flash.ReadFlashByte(a, value, areaFlags) || value != (expectErased ? 0xFF : Pattern(a))) {
            flash.EndFlashAccess();
            return a;
        }
    }
    flash.EndFlashAccess();
    return -1;
}

void FullCycle(const std::string& simText, uint32_t first, uint32_t last)
{
    SCOPED_TRACE(simText);
    SimRig rig(simText);
    ASSERT_TRUE(rig.Dev().ConnectTarget().Answered());
    ASSERT_NE(rig.Chip().FlashEnd, 0u);
    std::vector<uint8_t>& flash = rig.Sim->Flash();
    // Something to erase: old data across the pages of the range, short of
    // a C2 part's lock byte (0 there would lock the part).
    uint32_t pagesEnd = last | 511u;
    if (rig.Chip().C2Mode)
        pagesEnd = std::min<uint32_t>(pagesEnd, rig.Chip().LockByteAddress - 1u);
    for (uint32_t a = first & ~511u; a <= pagesEnd; ++a)
        flash[a] = 0x00;

    rig.Dev().Flash().BeginRun();
    ASSERT_TRUE(rig.Dev().Flash().EraseFlash(EraseKind::Pages, first, last));
    for (uint32_t a = first & ~511u; a <= pagesEnd; ++a)
        ASSERT_EQ(flash[a], 0xFF) << std::hex << a;
    EXPECT_EQ(Verify(rig.Dev(), first, last, true), -1);

    EXPECT_EQ(Program(rig.Dev(), first, last), -1);
    for (uint32_t a = first & ~511u; a <= pagesEnd; ++a)
        ASSERT_EQ(flash[a], (a >= first && a <= last) ? Pattern(a) : 0xFF) << std::hex << a;
    EXPECT_EQ(Verify(rig.Dev(), first, last), -1);
    EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
}

TEST(SimFlashTest, C2EraseProgramAndReadBack)
{
    // Unaligned start, several 256-byte blocks and pages.
    FullCycle("F340", 0x0123, 0x0B45);
    FullCycle("F340", 0xF800, 0xFBFD);
    FullCycle("F305", 0x0000, 0x07FD);
    FullCycle("F360", 0x0123, 0x0B45); // 1 KB pages
}

TEST(SimFlashTest, JtagEraseProgramAndReadBack)
{
    FullCycle("F020", 0x0123, 0x0745);
    FullCycle("F120", 0x0100, 0x04FF);
    FullCycle("F120", 0x1F000, 0x1F2FF); // above 64 KB: 17 address bits
    FullCycle("F132", 0x8000, 0x87FF);   // 64 KB, but the family's 17-bit address
}

TEST(SimFlashTest, PageEraseTakesThePartsOwnPage)
{
    // 1 KB pages: the page of 0x0400 is 0x0400..0x07FF, nothing else.
    for (const char* part : {"F360", "F120"}) {
        SCOPED_TRACE(part);
        SimRig rig(part);
        ASSERT_TRUE(rig.Dev().ConnectTarget().Answered());
        std::vector<uint8_t>& flash = rig.Sim->Flash();
        std::fill(flash.begin(), flash.begin() + 0x1000, uint8_t{0});
        rig.Dev().Flash().BeginRun();
        ASSERT_TRUE(rig.Dev().Flash().EraseFlash(EraseKind::Pages, 0x0400, 0x0401));
        EXPECT_EQ(flash[0x03FF], 0x00);
        for (uint32_t a = 0x0400; a <= 0x07FF; ++a)
            ASSERT_EQ(flash[a], 0xFF) << std::hex << a;
        EXPECT_EQ(flash[0x0800], 0x00);
        EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
    }
}

TEST(SimFlashTest, ReadsNearTheEndAskForNoByteThePartLacks)
{
    // The F340's code ends at its lock byte 0xFBFF; the reserved area above
    // cannot be read, so no block may run into it.
    SimRig rig("F340");
    ASSERT_TRUE(rig.Dev().ConnectTarget().Answered());
    rig.Sim->Flash()[0xFBF0] = 0x42;
    FlashLink& flash = rig.Dev().Flash();
    flash.BeginRun();
    uint8_t value = 0;
    ASSERT_TRUE(flash.ReadFlashByte(0xFBF0, value, 0));
    EXPECT_EQ(value, 0x42);
    for (uint32_t a = 0xFBF1; a <= 0xFBFF; ++a)
        ASSERT_TRUE(flash.ReadFlashByte(a, value, 0)) << std::hex << a;
    flash.EndFlashAccess();
    // A part whose first pages are locked reads its free pages the same way.
    SimRig locked("F310,lock=FD");
    ASSERT_TRUE(locked.Dev().ConnectTarget().Answered());
    FlashLink& lockedFlash = locked.Dev().Flash();
    lockedFlash.BeginRun();
    for (uint32_t a = 0x3B80; a <= 0x3BFF; ++a)
        ASSERT_TRUE(lockedFlash.ReadFlashByte(a, value, 0)) << std::hex << a;
    lockedFlash.EndFlashAccess();
    EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
    EXPECT_THAT(locked.Sim->Violations(), IsEmpty());
}

TEST(SimFlashTest, ScratchpadOfA128KPart)
{
    SimRig rig("F120");
    ASSERT_TRUE(rig.Dev().ConnectTarget().Answered());
    std::vector<uint8_t>& flash = rig.Sim->Flash();
    ASSERT_EQ(flash.size(), 131072u + 256u);
    // Its two 128-byte sectors are both erased.
    flash[131072] = 0x00;
    flash[131072 + 0x85] = 0x00;
    ASSERT_TRUE(rig.Dev().Flash().EraseScratchpad());
    EXPECT_EQ(flash[131072], 0xFF);
    EXPECT_EQ(flash[131072 + 0x85], 0xFF);
    EXPECT_EQ(Program(rig.Dev(), 0, 255, 0x80), -1);
    for (uint32_t i = 0; i < 256; ++i)
        ASSERT_EQ(flash[131072 + i], Pattern(i)) << i;
    EXPECT_EQ(Verify(rig.Dev(), 0, 255, false, 0x80), -1);
    EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
}

TEST(SimFlashTest, EachEraseLeavesWhatItShould)
{
    // Flash bytes as address=value: set before the erase, expected after.
    struct Case {
        const char* Sim;
        EraseKind Kind;
        uint32_t First, Last;
        bool Erased;
        const char* Before;
        const char* After;
    };
    const Case cases[] = {
        {"F340", EraseKind::Chip, 0, 0, true, "0000=12 FBFD=34", "0000=FF FBFD=FF"},
        {"F020", EraseKind::Chip, 0, 0, true, "0000=12", "0000=FF"},
        // On C2 the lock-page erase is a device erase; the lock byte here
        // read-locks page 0.
        {"F340", EraseKind::LockPage, 0, 0, true, "0000=12 8000=34 FBFF=FE", "0000=FF 8000=FF FBFF=FF"},
        // A page the part refuses (read-locked page 0; over JTAG the first
        // 8 KB block write-locked) fails the erase, and the later pages are
        // still erased.
        {"F340,lock=FE", EraseKind::Pages, 0x0000, 0x05FF, false, "0000=12 0200=34 0400=56",
         "0000=12 0200=FF 0400=FF"},
        {"F020,lock=FFFE", EraseKind::Pages, 0x1E00, 0x23FF, false, "1E00=12 2000=34 2200=56",
         "1E00=12 2000=FF 2200=FF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Sim);
        SimRig rig(c.Sim);
        ASSERT_TRUE(rig.Dev().ConnectTarget().Answered());
        std::vector<uint8_t>& flash = rig.Sim->Flash();
        auto hex = [](const std::string& text) { return static_cast<uint32_t>(std::stoul(text, nullptr, 16)); };
        std::istringstream before(c.Before);
        for (std::string pair; before >> pair;)
            flash[hex(pair.substr(0, 4))] = static_cast<uint8_t>(hex(pair.substr(5)));
        if (c.Kind == EraseKind::Pages)
            rig.Dev().Flash().BeginRun(); // page erases run inside a run, as the erase step does
        EXPECT_EQ(rig.Dev().Flash().EraseFlash(c.Kind, c.First, c.Last), c.Erased);
        std::istringstream after(c.After);
        for (std::string pair; after >> pair;)
            EXPECT_EQ(flash[hex(pair.substr(0, 4))], hex(pair.substr(5))) << pair;
        EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
    }
}

TEST(SimFlashTest, TargetRemovedMidRunFailsWithoutHanging)
{
    for (const char* part : {"F340", "F120"}) {
        SCOPED_TRACE(part);
        uint64_t after = SimRig::ConnectAccesses(part) + 200000;
        SimRig rig(std::string(part) + ",remove-after=" + std::to_string(after));
        ASSERT_TRUE(rig.Dev().ConnectTarget().Answered());
        uint64_t start = rig.NowMs();
        int64_t failedAt = Verify(rig.Dev(), 0, 0xFFFF, true);
        EXPECT_GE(failedAt, 0);
        EXPECT_LT(failedAt, 0xFFFF);
        EXPECT_LT(rig.NowMs() - start, 60000u); // bounded waits only
        EXPECT_FALSE(rig.Dev().ConnectTarget().Answered());
    }
}

TEST(SimFlashTest, FailingWriteIsReported)
{
    SimRig jtag("F020,fail-write=0x0234");
    ASSERT_TRUE(jtag.Dev().ConnectTarget().Answered());
    EXPECT_EQ(Program(jtag.Dev(), 0x0200, 0x02FF), 0x0234);

    // C2 writes a block at a time: the failure shows at the end of the block
    // that holds the address, or at the end of the run, which reports the
    // lost block by its base.
    SimRig c2("F340,fail-write=0x0234");
    ASSERT_TRUE(c2.Dev().ConnectTarget().Answered());
    int64_t failedAt = Program(c2.Dev(), 0x0200, 0x02FF);
    EXPECT_EQ(failedAt, 0x0200);
    SimRig c2Long("F340,fail-write=0x0234");
    ASSERT_TRUE(c2Long.Dev().ConnectTarget().Answered());
    failedAt = Program(c2Long.Dev(), 0x0200, 0x03FF);
    EXPECT_EQ(failedAt, 0x0300); // the write that flushed the failing block
}

TEST(SimFlashTest, PartThatStaysBusyFailsWithinBoundedTime)
{
    for (const char* simText : {"F120,busy", "F340,busy"}) {
        SCOPED_TRACE(simText);
        SimRig rig(simText);
        ASSERT_TRUE(rig.Dev().ConnectTarget().Answered());
        uint64_t start = rig.NowMs();
        rig.Dev().Flash().BeginRun();
        EXPECT_FALSE(rig.Dev().Flash().EraseFlash(EraseKind::Pages, 0, 0x07FF)); // pages in a row
        EXPECT_NE(Program(rig.Dev(), 0, 3), -1);
        EXPECT_EQ(rig.Dev().Flash().Fault(), LinkFault::TimedOut);
        EXPECT_LT(rig.NowMs() - start, 20000u);
        // A wait that ran out leaves the part holding C2D: the host resets
        // it instead of clocking the next frame against it.
        EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
    }
}

} // namespace
} // namespace vorbrant

namespace vorbrant {
namespace {

// The simulator behind a port that holds the program up for 50 us right
// after the n-th write that lowers C2CK (counted from Arm): the write has
// taken effect, so the strobe's low phase runs on and resets the part.
class StallAfterFallingWrite : public PortIo {
public:
    explicit StallAfterFallingWrite(sim::Simulator& sim) : sim_(sim) {}
    void Arm(uint64_t n) { countdown_ = n; }
    uint8_t PortIn(uint16_t port) override { return sim_.PortIn(port); }
    void PortOut(uint16_t port, uint8_t value) override
    {
        const bool falling = port == sim::Simulator::BasePort && (last_ & 0x04) != 0 && (value & 0x04) == 0;
        if (port == sim::Simulator::BasePort)
            last_ = value;
        sim_.PortOut(port, value);
        if (falling && countdown_ != 0 && --countdown_ == 0) {
            sim_.GetClock().Advance(50000);
            ++Stalled;
        }
    }
    int Stalled = 0;

private:
    sim::Simulator& sim_;
    uint8_t last_ = 0xFF;
    uint64_t countdown_ = 0;
};

TEST(SimFlashTest, AStallRightAfterTheWriteThatLowersC2ckIsRecovered)
{
    // Where a PC stalls in practice: an interrupt during the write, or the
    // scheduler on its way back. Placed in a block command, in the data
    // bytes, in a status poll, for a write and for a read.
    for (bool write : {true, false}) {
        for (uint64_t nth : {3u, 40u, 700u, 4000u, 9000u}) {
            SCOPED_TRACE(std::string(write ? "program" : "verify") + ", falling write " + std::to_string(nth));
            SimRig rig("F340");
            StallAfterFallingWrite port(*rig.Sim);
            ProgrammerStack stack(port, rig.Sim->GetClock());
            ASSERT_TRUE(stack.Dev.ConnectTarget().Identified());
            std::vector<uint8_t>& flash = rig.Sim->Flash();
            for (uint32_t a = 0; a < 0x0400; ++a)
                flash[a] = write ? 0xFF : Pattern(a);
            port.Arm(nth);
            if (write) {
                EXPECT_EQ(Program(stack.Dev, 0, 0x03FF), -1);
            }
            EXPECT_EQ(Verify(stack.Dev, 0, 0x03FF), -1);
            EXPECT_EQ(port.Stalled, 1);
            EXPECT_EQ(stack.Dev.Flash().StallsRecovered(), 1u);
            for (uint32_t a = 0; a < 0x0400; ++a)
                ASSERT_EQ(flash[a], Pattern(a)) << std::hex << a;
            EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
        }
    }
}

TEST(SimFlashTest, StallPeriodsThroughAChipEraseRecover)
{
    // A locked F340 erased whole, under stalls of fixed periods (which land
    // at the same point of every try, so from the period on that leaves
    // room for the erase's frames after a re-arm, as for block transfers)
    // and at random positions, placed before, after and on both sides of an
    // access.
    struct Case {
        int Every;
        const char* At;
        int Seed; // 0: the fixed period
    };
    const Case cases[] = {{550, "before", 0}, {600, "after", 0}, {777, "both", 0},   {1040, "before", 0},
                          {1500, "after", 0}, {5000, "both", 0}, {300, "after", 1}, {400, "both", 2}};
    for (const Case& c : cases) {
        std::string text = "F340,lock=F0,stalls=" + std::to_string(c.Every) + ",stall-at=" + c.At;
        if (c.Seed != 0)
            text += ",stall-seed=" + std::to_string(c.Seed);
        SCOPED_TRACE(text);
        SimRig rig(text);
        ASSERT_EQ(rig.Dev().ConnectTarget().Kind, ConnectOutcome::Locked);
        std::vector<uint8_t>& flash = rig.Sim->Flash();
        std::fill(flash.begin(), flash.begin() + 0xFBFF, uint8_t{0x00});
        EXPECT_TRUE(rig.Dev().Flash().EraseFlash(EraseKind::Chip, 0, 0));
        EXPECT_TRUE(std::all_of(flash.begin(), flash.begin() + 0xFC00, [](uint8_t b) { return b == 0xFF; }));
        EXPECT_EQ(rig.Dev().ConnectTarget().Kind, ConnectOutcome::Connected) << "unlocked now";
        EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
    }
}

} // namespace
} // namespace vorbrant
