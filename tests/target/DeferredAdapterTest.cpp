// The links over an adapter that fills its tickets only at a flush, as a USB
// adapter does: the LPT adapter on the simulator behind a wrapper that holds
// every answer back until Flush(). A link that read a ticket before its
// flush would read 0s; one that flushed per frame would show in the count.
#include "tests/support/SimRig.h"

#include "target/AdapterSignals.h"
#include "target/Target.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

TEST(DeferredAdapter, C2BlocksTakeOneFlushToReadAndTwoToWrite)
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
    EXPECT_EQ(r.Deferred.Flushes - before, 2 * blocks) << "two round trips per block written";
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
    EXPECT_THAT(r.Rig.Sim->Violations(), IsEmpty());
}

TEST(DeferredAdapter, ABatchedBlockThePartRefusesFailsWithItsCause)
{
    DeferredRig r("F340,fail-write=0x0234");
    ASSERT_EQ(r.Dev.ConnectTarget().Kind, ConnectOutcome::Connected);
    FlashLink& flash = r.Dev.Flash();
    flash.BeginRun();
    for (uint32_t a = 0x0200; a <= 0x02FF; ++a)
        ASSERT_TRUE(flash.WriteFlashByte(a, 0x00, 0));
    EXPECT_EQ(flash.EndFlashAccess(), 0x0200u);
    EXPECT_EQ(flash.Fault(), LinkFault::StatusNotOk);

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
