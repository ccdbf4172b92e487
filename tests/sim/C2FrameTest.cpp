// C2 frames decoded from the wire: every transfer kind, WAIT, the reset by a
// long C2CK low, and the violations the device notices.
#include "sim/Wire.h"

#include "sim/C2Target.h"

#include <gtest/gtest.h>

namespace vorbrant::sim::test {
namespace {

TEST(SimC2Frames, DeviceIdAndRevisionReads)
{
    Simulator sim(Config("F340,rev=3"));
    Wire w(sim);
    w.C2Reset();
    w.AddressWrite(0x00);
    EXPECT_EQ(w.DataRead(), 0x0F);
    w.AddressWrite(0x01);
    EXPECT_EQ(w.DataRead(), 3);
    EXPECT_TRUE(sim.Violations().empty());

    Simulator f310(Config("F310"));
    Wire w2(f310);
    w2.C2Reset();
    w2.AddressWrite(0x00);
    EXPECT_EQ(w2.DataRead(), 0x08);
}

TEST(SimC2Frames, AddressRegisterAndPlainRegisters)
{
    Simulator sim(Config("F410"));
    Wire w(sim);
    w.C2Reset();
    w.AddressWrite(0xB2);
    EXPECT_EQ(sim.C2()->AddressRegister(), 0xB2);
    EXPECT_GE(w.DataWrite(0x87), 1) << "WAIT ends once the register took the byte";
    EXPECT_EQ(w.DataRead(), 0x87);
    w.AddressWrite(0x00);
    EXPECT_EQ(w.DataRead(), 0x0C);
    w.AddressWrite(0xB2);
    EXPECT_EQ(w.DataRead(), 0x87) << "register keeps its value until a reset";
    EXPECT_TRUE(sim.Violations().empty());
}

TEST(SimC2Frames, AddressReadReturnsStatus)
{
    Simulator sim(Config("F340"));
    Wire w(sim);
    w.EnterProgramming();
    EXPECT_EQ(w.AddressRead() & 0x03, 0) << "idle: neither OutReady nor InBusy";
    w.AddressWrite(0xAD);
    w.DataWrite(0x06);
    // The command is taken within microseconds and its status follows.
    EXPECT_TRUE(w.WaitInBusyClear());
    EXPECT_TRUE(w.WaitOutReady());
    EXPECT_EQ(w.AddressRead() & 0x01, 0x01);
    EXPECT_EQ(w.DataRead(), 0x0D);
    EXPECT_EQ(w.AddressRead() & 0x01, 0) << "reading FPDAT clears OutReady";
}

TEST(SimC2Frames, DataReadWaitsUntilTheResponseIsReady)
{
    // The security-byte path reads FPDAT right after the InBusy wait: WAIT
    // holds C2D low until the status byte exists.
    Simulator sim(Config("F330"));
    Wire w(sim);
    w.EnterProgramming();
    w.AddressWrite(0xB4);
    w.DataWrite(0x06);
    EXPECT_TRUE(w.WaitInBusyClear());
    EXPECT_EQ(w.DataRead(), 0x0D);
}

TEST(SimC2Frames, LongLowResetsTheDevice)
{
    Simulator sim(Config("F340"));
    Wire w(sim);
    w.EnterProgramming();
    w.AddressWrite(0xB2);
    EXPECT_TRUE(sim.C2()->ProgrammingEnabled());
    w.C2Reset(); // 100 accesses of C2CK held low
    EXPECT_EQ(sim.C2()->AddressRegister(), 0) << "the address register resets to DEVICEID";
    EXPECT_FALSE(sim.C2()->ProgrammingEnabled());
    w.AddressWrite(0x00);
    EXPECT_EQ(w.DataRead(), 0x0F);

    // A sleep while C2CK is low resets as well: time, not access count, counts.
    w.AddressWrite(0xB2);
    w.Write(0xF0); // C2CK low, released
    sim.GetClock().SleepMs(1);
    w.Write(0xF4);
    EXPECT_EQ(sim.C2()->AddressRegister(), 0);
    // A short low is a clock, not a reset.
    w.AddressWrite(0xB2);
    w.Write(0xF0);
    w.Write(0xF0);
    w.Write(0xF4);
    EXPECT_EQ(sim.C2()->AddressRegister(), 0xB2);
    EXPECT_TRUE(sim.Violations().empty());
}

TEST(SimC2Frames, ProgrammingNeedsKeysAndSettleTime)
{
    for (uint8_t middle : {uint8_t{0}, uint8_t{0x04}}) {
        Simulator sim(Config("F340"));
        Wire w(sim);
        w.C2Reset();
        w.AddressWrite(0x02);
        w.DataWrite(0x02);
        if (middle)
            w.DataWrite(middle);
        w.DataWrite(0x01);
        EXPECT_TRUE(sim.C2()->ProgrammingEnabled());
    }
    // Wrong keys leave it disabled, and an FPI command then is a violation.
    Simulator sim(Config("F340"));
    Wire w(sim);
    w.C2Reset();
    w.AddressWrite(0x02);
    w.DataWrite(0x01);
    w.DataWrite(0x02);
    EXPECT_FALSE(sim.C2()->ProgrammingEnabled());
    w.AddressWrite(0xAD);
    w.DataWrite(0x06);
    ASSERT_EQ(sim.Violations().size(), 1u);
    EXPECT_NE(sim.Violations()[0].find("before the programming interface was enabled"), std::string::npos);

    // Enabled but not yet settled (no 20 ms wait): the command is ignored.
    Simulator early(Config("F340"));
    Wire e(early);
    e.C2Reset();
    e.AddressWrite(0x02);
    e.DataWrite(0x02);
    e.DataWrite(0x01);
    e.AddressWrite(0xAD);
    e.DataWrite(0x06);
    EXPECT_EQ(e.AddressRead() & 0x01, 0);
    ASSERT_EQ(early.Violations().size(), 1u);
    EXPECT_NE(early.Violations()[0].find("settled"), std::string::npos);
}

TEST(SimC2Frames, ContentionIsReported)
{
    Simulator sim(Config("F340"));
    Wire w(sim);
    w.C2Reset();
    w.AddressWrite(0x00);
    // A data read where the host keeps driving C2D while the device answers.
    w.Start();
    w.Drive(false);
    w.Strobe(true);
    w.Strobe(true);
    w.Strobe(true);
    w.Strobe(true); // length, host still driving
    w.Strobe(true); // WAIT: the device drives now
    ASSERT_FALSE(sim.Violations().empty());
    EXPECT_NE(sim.Violations()[0].find("C2D driven by both sides"), std::string::npos);
}

TEST(SimC2Frames, C2dChangingWithTheRisingEdgeIsReported)
{
    // The device samples C2D on the rising edge of C2CK: a host that takes
    // or lets go of C2D in the write that raises C2CK leaves no hold time.
    for (uint8_t rising : {uint8_t{0x74}, uint8_t{0xF6}}) {
        Simulator sim(Config("F340"));
        Wire w(sim);
        w.C2Reset();
        w.AddressWrite(0x00); // written with C2D still through every edge
        ASSERT_TRUE(sim.Violations().empty()) << sim.Violations()[0];
        w.Write(0xF6); // released, C2CK high
        w.Write(0xF2); // C2CK low
        w.Write(rising); // C2CK high: driven low, or released with D1 set
        if (rising == 0xF6) {
            EXPECT_TRUE(sim.Violations().empty()) << "D1 does not reach a released C2D";
            continue;
        }
        ASSERT_EQ(sim.Violations().size(), 1u);
        EXPECT_NE(sim.Violations()[0].find("C2D changed in the write that raises C2CK"), std::string::npos);
    }
}

TEST(SimC2Frames, StrobeWhileHeldInResetIsReported)
{
    Simulator sim(Config("F340"));
    Wire w(sim);
    w.C2Reset();
    w.ModeLine(false); // C2CK held low by the adapter
    w.Write(0xF4);
    w.Write(0xF0);
    w.Write(0xF4);
    ASSERT_EQ(sim.Violations().size(), 1u);
    EXPECT_NE(sim.Violations()[0].find("strobe while the target is held in reset"), std::string::npos);
}

TEST(SimC2Frames, UndefinedLowTimeIsReported)
{
    Simulator sim(Config("F340,access-ns=8000"));
    Wire w(sim);
    w.ModeLine(true);
    w.Write(0xF4);
    w.Write(0xF0);
    w.Write(0xF4); // 8 us low
    ASSERT_EQ(sim.Violations().size(), 1u);
    EXPECT_NE(sim.Violations()[0].find("between 5 and 20 us"), std::string::npos);
}

TEST(SimC2Frames, NoC2TargetMeansAllOnes)
{
    // A JTAG part on the second generation: C2D floats high, DEVICEID reads
    // 0xFF and a data read ends its WAIT at once on the pull-up.
    Simulator sim(Config("F020"));
    Wire w(sim);
    w.C2Reset();
    w.AddressWrite(0x00);
    EXPECT_EQ(w.DataRead(), 0xFF);
    // A first-generation adapter has no C2 lines at all.
    Simulator gen1(Config("F340,adapter=ironquill"));
    Wire w1(gen1);
    w1.C2Reset();
    w1.AddressWrite(0x00);
    EXPECT_EQ(w1.DataRead(), 0xFF);
}

} // namespace
} // namespace vorbrant::sim::test
