// The links over an adapter that fills its tickets only at a flush, as a USB
// adapter does: the LPT adapter on the simulator behind a wrapper that holds
// every answer back until Flush(). A link that read a ticket before its
// flush would read 0s; one that flushed per frame would show in the count.
#include "tests/support/SimRig.h"

#include "target/AdapterSignals.h"
#include "target/Target.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

namespace vorbrant {
namespace {

using test::SimRig;
using ::testing::IsEmpty;

class DeferredAdapter final : public AdapterSignals {
public:
    explicit DeferredAdapter(AdapterSignals& inner) : inner_(inner) {}

    bool QueuesReads() const override { return true; }
    AdapterDetection Detect() override { return inner_.Detect(); }
    const AdapterDetection& Detected() const override { return inner_.Detected(); }
    void SetModeLine(bool high) override { inner_.SetModeLine(high); }
    void ReleaseLines() override { inner_.ReleaseLines(); }
    void HoldLines() override { inner_.HoldLines(); }
    void C2Reset(int holdWrites) override { inner_.C2Reset(holdWrites); }
    void C2Strobe(C2dLine line) override { inner_.C2Strobe(line); }
    ReadTicket C2SampleData() override { return Defer(inner_.C2SampleData()); }
    ReadTicket C2Wait(int limit, StrobeWatch& watch) override { return Defer(inner_.C2Wait(limit, watch)); }
    void JtagSelect() override { inner_.JtagSelect(); }
    void JtagClock(bool tms, bool tdi) override { inner_.JtagClock(tms, tdi); }
    ReadTicket JtagClockSampled(bool tms, bool tdi) override { return Defer(inner_.JtagClockSampled(tms, tdi)); }
    void JtagSettle() override { inner_.JtagSettle(); }
    void Flush() override
    {
        for (auto [ticket, level] : held_)
            Fill(ticket, level);
        held_.clear();
        ++Flushes;
        AdapterSignals::Flush();
    }

    int Flushes = 0;

private:
    ReadTicket Defer(ReadTicket answered)
    {
        inner_.Flush();
        ReadTicket mine = Reserve();
        held_.emplace_back(mine, inner_.Level(answered));
        return mine;
    }

    AdapterSignals& inner_;
    std::vector<std::pair<ReadTicket, bool>> held_;
};

struct DeferredRig {
    explicit DeferredRig(const std::string& simText) : Rig(simText), Deferred(Rig.Stack->Pins),
        Dev(Deferred, Rig.Sim->GetClock(), Rig.Stack->Chain)
    {
    }
    SimRig Rig;
    DeferredAdapter Deferred;
    Target Dev;
};

uint8_t Pattern(uint32_t address) { return static_cast<uint8_t>((address * 13 + (address >> 8)) ^ 0x3C); }

TEST(DeferredAdapter, C2BlocksTakeOneFlushEachToReadAndToWrite)
{
    DeferredRig r("F340");
    ASSERT_EQ(r.Dev.ConnectTarget().Kind, ConnectOutcome::Connected);
    FlashLink& flash = r.Dev.Flash();
    ASSERT_TRUE(flash.EraseFlash(EraseKind::Pages, 0x0000, 0x0FFF));
    constexpr uint32_t first = 0x0010; // unaligned: 16 blocks, the first one short
    constexpr uint32_t last = 0x0FFF;
    constexpr int blocks = 16;

    flash.BeginRun();
    int before = r.Deferred.Flushes;
    for (uint32_t a = first; a <= last; ++a)
        ASSERT_TRUE(flash.WriteFlashByte(a, Pattern(a), 0)) << std::hex << a;
    ASSERT_FALSE(flash.EndFlashAccess());
    // A block's data shares its flush with the next block's command; the
    // first command and the last data go alone.
    EXPECT_EQ(r.Deferred.Flushes - before, blocks + 1) << "one round trip per block written";
    for (uint32_t a = first; a <= last; ++a)
        ASSERT_EQ(r.Rig.Sim->Flash()[a], Pattern(a)) << std::hex << a;

    flash.BeginRun();
    before = r.Deferred.Flushes;
    for (uint32_t a = first; a <= last; ++a) {
        uint8_t value = 0;
        ASSERT_TRUE(flash.ReadFlashByte(a, value, 0)) << std::hex << a;
        ASSERT_EQ(value, Pattern(a)) << std::hex << a;
    }
    flash.EndFlashAccess();
    EXPECT_EQ(r.Deferred.Flushes - before, blocks) << "one round trip per block read";

    // Another command while a block is in flight would reach the part as
    // that block's data: the block's data goes out first.
    flash.BeginRun();
    for (uint32_t a = 0x0FFF; a <= 0x1000; ++a)
        ASSERT_TRUE(flash.WriteFlashByte(a, 0x5A, 0));
    uint8_t value = 0;
    ASSERT_TRUE(flash.ReadFlashByte(0x0FFF, value, 0));
    EXPECT_EQ(value, 0x5A & Pattern(0x0FFF));
    flash.EndFlashAccess();
    EXPECT_EQ(r.Rig.Sim->Flash()[0x1000], 0x5A);
    EXPECT_THAT(r.Rig.Sim->Violations(), IsEmpty());
}

// A refusal shows one block late: the blocks lost are the refused one and
// the one whose command went out behind it (its data never did). Blocks are
// written in the order given; every other block is in flash whole.
TEST(DeferredAdapter, ABatchedBlockThePartRefusesLosesItAndTheOneBehindIt)
{
    struct Case {
        const char* Sim;
        std::vector<uint32_t> Blocks;
        std::optional<uint32_t> FailsAt; // the byte whose write fails; nullopt: the closing flush
        AddressSpan Lost;
        std::vector<uint32_t> Written;
    };
    const Case cases[] = {
        {"F340,fail-write=0x0234", {0x0200, 0x0300, 0x0400}, 0x0400, {0x0200, 0x03FF}, {}},
        {"F340,lock=0xFE", {0x0300, 0x0100, 0x0500}, 0x0500, {0x0100, 0x01FF}, {0x0300}},
        {"F340,fail-write=0x0334", {0x0200, 0x0300}, std::nullopt, {0x0300, 0x03FF}, {0x0200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Sim);
        DeferredRig r(c.Sim);
        ASSERT_TRUE(r.Dev.ConnectTarget().Answered());
        FlashLink& flash = r.Dev.Flash();
        flash.BeginRun();
        std::optional<uint32_t> failedAt;
        for (uint32_t base : c.Blocks)
            for (uint32_t a = base; a <= (base | 0xFF) && !failedAt; ++a)
                if (!flash.WriteFlashByte(a, Pattern(a), 0))
                    failedAt = a;
        std::optional<AddressSpan> lost = flash.LostBlock(); // taken at once, as the sequencer does
        const std::optional<uint32_t> closing = flash.EndFlashAccess();
        EXPECT_EQ(failedAt, c.FailsAt);
        if (failedAt) {
            EXPECT_FALSE(closing) << "nothing is sent after a loss";
        } else {
            EXPECT_EQ(closing, c.Lost.First);
            lost = flash.LostBlock();
        }
        ASSERT_TRUE(lost);
        EXPECT_EQ(lost->First, c.Lost.First);
        EXPECT_EQ(lost->Last, c.Lost.Last);
        EXPECT_EQ(flash.Fault(), LinkFault::StatusNotOk);
        for (uint32_t base : c.Written)
            for (uint32_t a = base; a <= (base | 0xFF); ++a)
                ASSERT_EQ(r.Rig.Sim->Flash()[a], Pattern(a)) << std::hex << a;
        EXPECT_THAT(r.Rig.Sim->Violations(), IsEmpty());
    }

    // A part that never ends its wait: the batch fails in bounded time
    // and says so.
    DeferredRig busy("F340,busy");
    ASSERT_TRUE(busy.Dev.ConnectTarget().Answered());
    const uint64_t start = busy.Rig.NowMs();
    uint8_t value = 0;
    busy.Dev.Flash().BeginRun();
    EXPECT_FALSE(busy.Dev.Flash().ReadFlashByte(0x00FF, value, 0));
    EXPECT_EQ(busy.Dev.Flash().Fault(), LinkFault::TimedOut);
    EXPECT_LT(busy.Rig.NowMs() - start, 5000u);
}

// A block in flight that another operation cuts off: after a reset its data
// would reach the part as commands (08 02 00: erase page 2), so it is never
// sent; when its data fails on the way to a read, the run's end reports it.
TEST(DeferredAdapter, ABlockInFlightCutOffIsLostAndReportedNotSentAsCommands)
{
    DeferredRig r("F340");
    ASSERT_EQ(r.Dev.ConnectTarget().Kind, ConnectOutcome::Connected);
    FlashLink& flash = r.Dev.Flash();
    flash.BeginRun();
    for (uint32_t a = 0x0400; a <= 0x04FF; ++a)
        ASSERT_TRUE(flash.WriteFlashByte(a, 0x11, 0));
    ASSERT_FALSE(flash.EndFlashAccess());
    flash.BeginRun();
    const uint8_t eraseLike[] = {0x08, 0x02, 0x00};
    for (uint32_t a = 0x0000; a <= 0x0100; ++a)
        ASSERT_TRUE(flash.WriteFlashByte(a, a < 3 ? eraseLike[a] : 0x22, 0));
    flash.BeginRun(); // the part is reset with block 0x0000 in flight
    ASSERT_TRUE(flash.WriteFlashByte(0x0800, 0x33, 0));
    EXPECT_EQ(flash.EndFlashAccess(), 0x0000u);
    ASSERT_TRUE(flash.LostBlock());
    EXPECT_EQ(flash.LostBlock()->Last, 0x00FFu);
    EXPECT_EQ(r.Rig.Sim->Flash()[0x0400], 0x11) << "page 2 erased by data taken as commands";
    EXPECT_EQ(r.Rig.Sim->Flash()[0x0000], 0xFF);
    EXPECT_EQ(r.Rig.Sim->Flash()[0x0800], 0x33);

    DeferredRig f("F340,fail-write=0x0234");
    ASSERT_TRUE(f.Dev.ConnectTarget().Answered());
    FlashLink& failing = f.Dev.Flash();
    failing.BeginRun();
    for (uint32_t a = 0x0200; a <= 0x0300; ++a)
        ASSERT_TRUE(failing.WriteFlashByte(a, 0x00, 0));
    uint8_t value = 0;
    EXPECT_FALSE(failing.ReadFlashByte(0x0000, value, 0));
    EXPECT_EQ(failing.EndFlashAccess(), 0x0200u);
    ASSERT_TRUE(failing.LostBlock());
    EXPECT_EQ(failing.LostBlock()->Last, 0x0300u) << "the buffered byte is dropped with it";
    EXPECT_THAT(f.Rig.Sim->Violations(), IsEmpty());
}

TEST(DeferredAdapter, JtagScansReadTheirBitsAfterTheFlush)
{
    DeferredRig r("F020");
    ASSERT_EQ(r.Dev.ConnectTarget().Kind, ConnectOutcome::Connected);
    FlashLink& flash = r.Dev.Flash();
    ASSERT_TRUE(flash.EraseFlash(EraseKind::Pages, 0x0000, 0x01FF));
    flash.BeginRun();
    for (uint32_t a = 0x0100; a <= 0x013F; ++a)
        ASSERT_TRUE(flash.WriteFlashByte(a, Pattern(a), 0));
    flash.EndFlashAccess();
    flash.BeginRun();
    for (uint32_t a = 0x0100; a <= 0x013F; ++a) {
        uint8_t value = 0;
        ASSERT_TRUE(flash.ReadFlashByte(a, value, 0));
        EXPECT_EQ(value, Pattern(a)) << std::hex << a;
    }
    flash.EndFlashAccess();
    EXPECT_THAT(r.Rig.Sim->Violations(), IsEmpty());
}

} // namespace
} // namespace vorbrant
