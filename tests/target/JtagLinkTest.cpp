// JTAG link against a recording port: the exact clock bytes with the shadow
// skip, TAP walks of the scans, fill bits of a chain, and the indirect
// register protocol with its bounded busy polls.
#include "tests/support/ChainDevice.h"
#include "RecordingPort.h"

#include "lpt/Adapter.h"
#include "target/JtagLink.h"

#include <gtest/gtest.h>

namespace vorbrant {
namespace {

using test::FakeClock;
using test::RecordingPort;
using test::Repeat;
using test::TapBits;

class JtagLinkTest : public ::testing::Test {
protected:
    JtagLinkTest() : adapter(port, ports, granted), link(adapter, clock, chain)
    {
        ports.SetAddress(1, RecordingPort::Base);
        ports.SelectLptPort(1);
        port.DefaultPin11 = false;
    }

    void FromReset()
    {
        link.JtagResetTap();
        mark = port.Log.size();
    }

    // TAP bits of a scan from Run-Test/Idle: TMS/TDI pairs as TapBits shows them.
    static std::string Bits(uint32_t value, int count, char tmsOnLast)
    {
        std::string out;
        for (int i = 0; i < count; ++i) {
            if (!out.empty())
                out += ' ';
            out += (i == count - 1) ? tmsOnLast : 'm';
            out += ((value >> i) & 1) ? '1' : '0';
        }
        return out;
    }

    RecordingPort port;
    PortTable ports;
    bool granted = true;
    Adapter adapter;
    JtagChainList chain;
    FakeClock clock;
    JtagLink link;
    size_t mark = 0;
};

TEST_F(JtagLinkTest, ClockSkipsTheLowByteWhenTheRegisterHoldsIt)
{
    link.Tms = true;
    link.JtagClock();
    EXPECT_EQ(port.Trace(), "8E 8F 8E");
    link.JtagClock();
    EXPECT_EQ(port.Trace(3), "8F 8E");
    link.Tdi = true;
    link.Tms = false;
    link.JtagClock();
    EXPECT_EQ(port.Trace(5), "CC CD CC");
    EXPECT_EQ(adapter.DataShadow(), 0xCC);
    EXPECT_EQ(port.Reads(), 0u);
}

TEST_F(JtagLinkTest, ResetTapDropsTheModeLineAndEndsInRunTestIdle)
{
    link.JtagResetTap();
    // Each clock: TCK low with TMS and TDI (the falling edge of the clock
    // before), then TCK high; the last one ends low.
    EXPECT_EQ(port.Trace(), "c? c=02 " + Repeat("8E 8F", 5) + " 8C 8D 8C");
    EXPECT_EQ(TapBits(port), "M0 M0 M0 M0 M0 m0");
}

TEST_F(JtagLinkTest, InstructionScanBytes)
{
    FromReset();
    link.JtagShiftIR(0x1004, 16);
    EXPECT_EQ(port.Trace(mark), "8E 8F 8E 8F 8C 8D 8C 8D 8C 8D 8C 8D CC CD " + Repeat("8C 8D", 9)
                                    + " CC CD 8C 8D 8C 8D 8E 8F CE CF CC CD CC");
    EXPECT_EQ(port.Reads(mark), 0u); // the captured instruction is never read
}

TEST_F(JtagLinkTest, DataScanBytesAndCapturedBits)
{
    FromReset();
    port.Script({1, 0}); // TDO before each of the two bit clocks
    EXPECT_EQ(link.JtagShiftDR(0x2, 2), 0x1u); // first captured bit lands in bit 0
    // TDO is read once the clock before has fallen, before the bit's rising edge.
    EXPECT_EQ(port.Trace(mark), "8E 8F 8C 8D 8C 8D 8C s1 8D CE s0 CF 8E 8F 8C 8D 8C");

    mark = port.Log.size();
    port.Script({1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    EXPECT_EQ(link.JtagShiftDR(0, 32), 0x8000000Bu);
    EXPECT_EQ(TapBits(port, mark), "M0 m0 m0 " + Bits(0, 32, 'M') + " M0 m0");
}

TEST_F(JtagLinkTest, ThreeDeviceChainFillsAroundPositionTwo)
{
    chain.Devices = {test::ChainDevice("first", 5), test::ChainDevice("target", 16), test::ChainDevice("last", 3)};
    link.SetChainPosition(2);
    EXPECT_EQ(link.IrFillBefore, 3); // device 3, nearest TDO, is shifted first
    EXPECT_EQ(link.IrFillAfter, 5);
    EXPECT_EQ(link.DrFillBefore, 1);
    EXPECT_EQ(link.DrFillAfter, 1);

    FromReset();
    link.JtagShiftIR(0x1004, 16);
    EXPECT_EQ(TapBits(port, mark), "M0 M0 m0 m0 m1 m1 m1 " + Bits(0x1004, 16, 'm') + " m1 m1 m1 m1 M1 M1 m1");

    mark = port.Log.size();
    port.Script({1, 1, 0});
    // One bypass bit each side: the bypass bit of the device after the
    // target is clocked out unread, then TDO shows the target's bits.
    EXPECT_EQ(link.JtagShiftDR(0x5, 3), 0x3u);
    EXPECT_EQ(port.Reads(mark), 3u);
    EXPECT_EQ(TapBits(port, mark), "M1 m1 m1 m0 m1 m0 m1 M0 M0 m0");

    link.SetChainPosition(1);
    EXPECT_EQ(link.IrFillBefore, 19);
    EXPECT_EQ(link.IrFillAfter, 0);
    EXPECT_EQ(link.DrFillBefore, 2);
    EXPECT_EQ(link.DrFillAfter, 0);
    link.SetChainPosition(3);
    EXPECT_EQ(link.IrFillBefore, 0);
    EXPECT_EQ(link.IrFillAfter, 21);
    EXPECT_EQ(link.DrFillBefore, 0);
    EXPECT_EQ(link.DrFillAfter, 2);
}

TEST_F(JtagLinkTest, PositionsWithoutADeviceMeanASingleDevice)
{
    chain.Devices = {test::ChainDevice("a", 8), test::ChainDevice("b", 16), test::ChainDevice("c", 8)};
    link.SetChainPosition(2);
    link.SetChainPosition(0);
    EXPECT_EQ(link.IrFillBefore + link.IrFillAfter + link.DrFillBefore + link.DrFillAfter, 0);
    link.SetChainPosition(2);
    link.SetChainPosition(4); // past the end: no wrap to 255 fill bits
    EXPECT_EQ(link.IrFillBefore + link.IrFillAfter + link.DrFillBefore + link.DrFillAfter, 0);
    chain.Devices.clear();
    link.SetChainPosition(1);
    EXPECT_EQ(link.IrFillBefore + link.IrFillAfter + link.DrFillBefore + link.DrFillAfter, 0);

    FromReset();
    link.JtagShiftIR(0x0FFF, 16);
    EXPECT_EQ(TapBits(port, mark), "M0 M0 m0 m0 " + Bits(0x0FFF, 16, 'M') + " M1 m1");
}

TEST_F(JtagLinkTest, LongChainSumsInstructionLengthsWithoutWrapping)
{
    for (int i = 0; i < 10; ++i)
        chain.Devices.push_back(test::ChainDevice("d", 200));
    link.SetChainPosition(1);
    EXPECT_EQ(link.IrFillBefore, 1800);
    EXPECT_EQ(link.DrFillBefore, 9);
}

TEST_F(JtagLinkTest, IndirectWriteScansCodeElevenAboveTheDataThenPolls)
{
    FromReset();
    // The data scan and the first poll are not read: their bits are not used.
    port.Script({1, 0}); // busy once, then free
    EXPECT_TRUE(link.JtagWriteIndirect(0x4084, 0x1A5A5, 17));
    std::string expected = "M0 M0 m0 m0 " + Bits(0x4084, 16, 'M') + " M1 m1 " // IR
        + "M1 m1 m1 " + Bits(0x1A5A5 | (3u << 17), 19, 'M') + " M0 m0 "        // data + 11
        + Repeat("M0 m0 m0 M0 M0 m0", 3);                                       // three 1-bit polls
    EXPECT_EQ(TapBits(port, mark), expected);
    EXPECT_TRUE(port.Pin11.empty());
}

TEST_F(JtagLinkTest, IndirectReadRequestsPollsAndDropsTheBusyBit)
{
    FromReset();
    // The request scan and the first poll are not read.
    port.Script({0});    // not busy
    port.Script({0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 1}); // busy bit 0, then 10 bits
    // Captured 0b11001011010 (first bit in bit 0): without the busy bit 0x32D.
    EXPECT_EQ(link.JtagReadIndirect(0x4083, 10), 0x32Du);
    EXPECT_FALSE(link.IndirectTimedOut);
    std::string expected = "M0 M0 m0 m0 " + Bits(0x4083, 16, 'M') + " M1 m1 " + "M1 m1 m1 " + Bits(2, 2, 'M')
        + " M0 m0 " + Repeat("M0 m0 m0 M0 M0 m0", 2) + " M0 m0 m0 " + Bits(0, 11, 'M') + " M0 m0";
    EXPECT_EQ(TapBits(port, mark), expected);
}

TEST_F(JtagLinkTest, IndirectBusyPollsGiveUpAfterHalfASecond)
{
    FromReset();
    port.DefaultPin11 = true; // busy forever
    clock.StepNs = 1000000;   // every clock reading is 1 ms later
    EXPECT_FALSE(link.JtagWriteIndirect(0x4082, 0, 8));
    uint64_t afterWrite = clock.Now;
    EXPECT_GT(afterWrite, 500000000u);
    EXPECT_LT(afterWrite, 600000000u);

    uint32_t value = 0x1234;
    EXPECT_FALSE(link.JtagReadIndirect(0x4083, 10, value));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(link.IndirectTimedOut);
}

} // namespace
} // namespace vorbrant
