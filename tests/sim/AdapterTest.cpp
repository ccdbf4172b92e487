// The simulated port and adapter: register behaviour, detection levels of
// every adapter kind, the virtual clock.
#include "sim/Wire.h"

#include "sim/JtagChain.h"
#include "sim/JtagTap.h"

#include <gtest/gtest.h>

namespace vorbrant::sim::test {
namespace {

// The detection sequence, step by step: pin 10 with 0xFF, pin 10 with 0xCF,
// pin 13 with 0xCF and with 0xDF.
struct Levels {
    bool Pin10High, Pin10Low, Pin13Low, Pin13High;
};

Levels Detect(Simulator& sim)
{
    Wire w(sim);
    w.Write(0xFF);
    w.ModeLine(true);
    Levels l{};
    l.Pin10High = w.Pin(10);
    w.Write(0xCF);
    l.Pin10Low = w.Pin(10);
    l.Pin13Low = w.Pin(13);
    w.Write(0xDF);
    l.Pin13High = w.Pin(13);
    return l;
}

TEST(SimAdapter, DetectionLevelsOfEveryKind)
{
    {
        Simulator sim(Config("F340,adapter=none"));
        Levels l = Detect(sim);
        EXPECT_TRUE(l.Pin10High);
        EXPECT_TRUE(l.Pin10Low) << "nothing attached: pin 10 stays high, detection fails at step 6";
    }
    {
        Simulator sim(Config("F340,adapter=none-low"));
        EXPECT_FALSE(Detect(sim).Pin10High) << "pin 10 stuck low: detection fails at step 4";
    }
    {
        Simulator sim(Config("F020,adapter=ironquill"));
        Levels l = Detect(sim);
        EXPECT_TRUE(l.Pin10High);
        EXPECT_FALSE(l.Pin10Low);
        EXPECT_TRUE(l.Pin13Low) << "first generation: pin 13 open, reads high already at step 7";
    }
    {
        Simulator sim(Config("F340,adapter=ironquill2"));
        Levels l = Detect(sim);
        EXPECT_TRUE(l.Pin10High);
        EXPECT_FALSE(l.Pin10Low);
        EXPECT_FALSE(l.Pin13Low);
        EXPECT_TRUE(l.Pin13High) << "second generation returns data bit 4 on pin 13";
    }
}

TEST(SimAdapter, PortRegisters)
{
    Simulator sim(Config("F340"));
    sim.PortOut(Data, 0x5A);
    EXPECT_EQ(sim.PortIn(Data), 0x5A);
    sim.PortOut(Control, 0x0E);
    EXPECT_EQ(sim.PortIn(Control), 0x0E);
    EXPECT_EQ(sim.PortIn(0x278), 0xFF) << "nothing answers at other addresses";
    EXPECT_EQ(sim.PortIn(0x37B), 0xFF);
    sim.PortOut(0x278, 0x00);
    EXPECT_EQ(sim.PortIn(Data), 0x5A);
    // Status: bits 0..2 and the open pins 12 and 15 read 1.
    EXPECT_EQ(sim.PortIn(Status) & 0x2F, 0x2F);
}

TEST(SimAdapter, Pin11FollowsModeLine)
{
    // C2 mode: pin 11 is C2D, driven by the host with D7 = 0.
    Simulator sim(Config("F020"));
    Wire w(sim);
    w.ModeLine(true);
    w.Write(0x74); // C2D driven low
    EXPECT_FALSE(w.Pin(11));
    w.Write(0x76); // driven high
    EXPECT_TRUE(w.Pin(11));
    w.Write(0xF4); // released: pull-up
    EXPECT_TRUE(w.Pin(11));
    // JTAG mode: pin 11 is TDO, released (high) outside Shift states.
    w.ModeLine(false);
    w.Write(0x8C);
    EXPECT_TRUE(w.Pin(11));
    EXPECT_EQ(sim.PortIn(Status) & 0x80, 0) << "pin 11 high reads as status bit 7 clear";
}

TEST(SimAdapter, ModeLineSwitchesBetweenC2AndJtagOnTheSecondGeneration)
{
    Simulator sim(Config("F020"));
    Wire w(sim);
    w.ResetTap();
    const JtagDevice& tap = sim.Chain().Device(0);
    ASSERT_EQ(tap.State(), TapState::RunTestIdle);
    auto pulses = [&](int n) {
        for (int i = 0; i < n; ++i) {
            sim.PortOut(Data, 0x8F); // TMS high, TCK (D0) high
            sim.PortOut(Data, 0x8E);
        }
    };
    // Mode line high: the JTAG buffer is off, D0 does not reach TCK.
    w.ModeLine(true);
    pulses(6);
    EXPECT_EQ(tap.State(), TapState::RunTestIdle);
    // Mode line low: the same bytes clock the TAP.
    w.ModeLine(false);
    pulses(6);
    EXPECT_EQ(tap.State(), TapState::TestLogicReset);
    EXPECT_TRUE(sim.Violations().empty());

    // Pin 11 reads TDO in JTAG mode and C2D in C2 mode.
    Simulator c2(Config("F340,tdo=low"));
    Wire c(c2);
    c.Write(0xFF); // C2D released
    c.ModeLine(false);
    EXPECT_FALSE(c.Pin(11)) << "mode line low: TDO";
    c.ModeLine(true);
    EXPECT_TRUE(c.Pin(11)) << "mode line high: C2D, released to its pull-up";
}

TEST(SimAdapter, FirstGenerationIsJtagWhateverTheModeLine)
{
    Simulator sim(Config("F020,adapter=ironquill"));
    Wire w(sim);
    w.ModeLine(true);
    for (int i = 0; i < 5; ++i)
        w.Clock(true, false);
    w.Clock(false, false);
    EXPECT_EQ(sim.Chain().Device(0).State(), TapState::RunTestIdle);
    EXPECT_EQ(w.ShiftDr(0, 32), 0x3243u) << "IDCODE comes back on pin 11 with the mode line high";
    EXPECT_TRUE(sim.Violations().empty());
}

TEST(SimAdapter, VirtualClockAdvancesPerAccessAndSleep)
{
    SimConfig config = Config("F340,access-ns=250");
    Simulator sim(config);
    uint64_t start = sim.GetClock().NowNs();
    for (int i = 0; i < 8; ++i)
        sim.PortIn(Status);
    EXPECT_EQ(sim.GetClock().NowNs() - start, 8u * 250u);
    EXPECT_EQ(sim.AccessCount(), 8u);
    sim.GetClock().SleepMs(20);
    EXPECT_EQ(sim.GetClock().NowMs(), 20u);
    EXPECT_EQ(sim.AccessCount(), 8u);

    Simulator plain(Config("F340"));
    plain.PortOut(Data, 0xFF);
    EXPECT_EQ(plain.GetClock().NowNs(), 1000u) << "1 us per access by default";
}

TEST(SimAdapter, ReportCountsAccessesAndTime)
{
    Simulator sim(Config("F340"));
    for (int i = 0; i < 1500; ++i)
        sim.PortIn(Status);
    std::string report = sim.Report();
    EXPECT_NE(report.find("1500 port accesses, 1.500 ms"), std::string::npos) << report;
    EXPECT_NE(report.find("no protocol violations"), std::string::npos);
}

} // namespace
} // namespace vorbrant::sim::test
