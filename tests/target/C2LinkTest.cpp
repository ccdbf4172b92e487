// C2 link against a recording port: the exact data-register bytes of every
// transfer, the waits and their limits, and the FPI operations with a
// scripted target on C2D.
#include "tests/support/RecordingPort.h"

#include "lpt/Adapter.h"
#include "target/C2Link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vorbrant {
namespace {

using test::FakeClock;
using test::HostFrames;
using test::RecordingPort;
using test::Repeat;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class C2LinkTest : public ::testing::Test {
protected:
    C2LinkTest() : adapter(port, ports, granted), link(adapter, clock, chip)
    {
        ports.SetAddress(1, RecordingPort::Base);
        ports.SelectLptPort(1);
        chip.FpdatAddress = 0xB4;
    }

    // Starts a test from the state a reset leaves: the idle byte 0xF6 on
    // the port, C2D released with its data bit high.
    void FromReset()
    {
        link.C2Reset();
        mark = port.Log.size();
        clock.Sleeps.clear();
    }

    // Target answers, in the order the host asks for them. A status poll
    // samples only the bit it tests.
    void SendAccepted() // data write wait ends at once, then status with InBusy clear
    {
        port.Script({1});
        port.Script({0});
    }
    void DataByte(uint8_t value) // OutReady set, then a data read of value
    {
        port.Script({1});
        port.Script({1});
        port.ScriptByte(value);
    }
    void StatusOk() { DataByte(0x0D); }
    // The part takes a block command: the command and its status, the
    // address and length bytes and their status.
    void BlockCommandAccepted()
    {
        SendAccepted();
        StatusOk();
        SendAccepted();
        SendAccepted();
        SendAccepted();
        StatusOk();
    }

    std::string Trace() const { return port.Trace(mark); }
    std::vector<std::string> Frames() const { return HostFrames(port, mark); }

    RecordingPort port;
    PortTable ports;
    bool granted = true;
    Adapter adapter;
    ChipInfo chip;
    FakeClock clock;
    C2Link link;
    size_t mark = 0;
};

TEST_F(C2LinkTest, ResetHoldsTheResetByteWhileTheModeLineIsLowAndEndsReleased)
{
    link.C2Reset();
    // Released (0xF7), then the idle byte: the first strobe lowers C2CK
    // alone (0xF6 -> 0xF2), D0 already low.
    EXPECT_EQ(port.Trace(), "c? c=00 BF c? c=02 " + Repeat("BF", 100) + " c? c=00 77 F7 F6");
    EXPECT_EQ(adapter.DataShadow(), 0xF6);
    const size_t afterReset = port.Log.size();
    link.C2AddressWrite(0x00);
    EXPECT_EQ(port.Trace(afterReset).substr(0, 5), "F2 F6") << "START strobe";
}

TEST_F(C2LinkTest, TransfersWriteTheExactBytes)
{
    // Two writes per strobe: C2CK low with C2D as this bit needs it (driven
    // with its level, or released), then C2CK high with nothing else changed.
    FromReset();
    link.C2AddressWrite(0x02);
    EXPECT_EQ(Trace(), "F2 F6 72 76 72 76 70 74 72 76 " + Repeat("70 74", 6) + " F0 F4");
    EXPECT_EQ(port.Writes(mark), 24u);
    EXPECT_EQ(port.Reads(mark), 0u);

    FromReset();
    port.ScriptByte(0x0D);
    EXPECT_EQ(link.C2AddressRead(), 0x0D);
    EXPECT_EQ(Trace(), "F2 F6 70 74 72 76 F2 F6 s1 F2 F6 s0 F2 F6 s1 F2 F6 s1 F2 F6 s0 F2 F6 s0 F2 F6 s0 "
                       "F2 F6 s0 F2 F6");
    // A status poll clocks all eight bits and samples only the one it needs.
    FromReset();
    port.Script({1});
    EXPECT_EQ(link.C2AddressRead(0x02), 0x02);
    EXPECT_EQ(port.Writes(mark), 24u);
    EXPECT_EQ(port.Reads(mark), 1u);

    FromReset();
    port.Script({0, 1});
    link.C2DataWrite(0xA5);
    EXPECT_EQ(Trace(), "F2 F6 72 76 70 74 70 74 70 74 "
                       "72 76 70 74 72 76 70 74 70 74 72 76 70 74 72 76 "
                       "F2 F6 s0 F2 F6 s1 F2 F6");
    EXPECT_FALSE(link.DataWriteTimedOut());

    FromReset();
    port.Script({0, 1});
    port.ScriptByte(0x0D);
    EXPECT_EQ(link.C2DataRead(), 0x0D);
    EXPECT_EQ(Trace(), "F2 F6 70 74 70 74 70 74 70 74 F0 F4 s0 F0 F4 s1 "
                       "F0 F4 s1 F0 F4 s0 F0 F4 s1 F0 F4 s1 F0 F4 s0 F0 F4 s0 F0 F4 s0 F0 F4 s0 F0 F4");
    EXPECT_FALSE(link.DataReadTimedOut());
}

// A wait that runs out leaves the part driving C2D: no STOP, but a reset.
TEST_F(C2LinkTest, DataReadGivesUpAfterTenThousandStrobesAndResetsThePart)
{
    FromReset();
    link.C2Reset();
    const auto resetWrites = port.Writes(mark);
    const auto resetReads = port.Reads(mark);
    mark = port.Log.size();
    port.DefaultPin11 = false; // the target never ends its wait
    uint8_t value = 0x55;
    EXPECT_FALSE(link.C2DataRead(value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(link.DataReadTimedOut());
    // START, four instruction/length bits, 10 000 wait strobes of two
    // writes each (the last one not sampled), the reset.
    EXPECT_EQ(port.Writes(mark), 2u + 4u * 2u + 10000u * 2u + resetWrites);
    EXPECT_EQ(port.Reads(mark), 9999u + resetReads);

    // A later successful read clears the flag.
    port.DefaultPin11 = true;
    EXPECT_EQ(link.C2DataRead(), 0xFF);
    EXPECT_FALSE(link.DataReadTimedOut());
}

TEST_F(C2LinkTest, DataWriteWaitRunsOutAfterFiftyThousandStrobesAndResetsThePart)
{
    FromReset();
    link.C2Reset();
    const auto resetWrites = port.Writes(mark);
    const auto resetReads = port.Reads(mark);
    mark = port.Log.size();
    port.DefaultPin11 = false;
    link.C2DataWrite(0x00);
    EXPECT_TRUE(link.DataWriteTimedOut());
    EXPECT_EQ(port.Writes(mark), 2u + 12u * 2u + 50000u * 2u + resetWrites);
    EXPECT_EQ(port.Reads(mark), 49999u + resetReads);
}

TEST_F(C2LinkTest, EnterProgrammingResetsSettlesAndWritesTheEnableKeys)
{
    FromReset();
    link.C2EnterProgramming();
    EXPECT_THAT(clock.Sleeps, ElementsAre(20u, 30u));
    EXPECT_THAT(Frames(), ElementsAre("AW 02", "DW 02", "DW 01"));
    EXPECT_EQ(port.Trace(mark).substr(0, 15), "c? c=00 BF c? c");
}

TEST_F(C2LinkTest, DeviceIdOfNothingZeroAndARealPart)
{
    FromReset();
    EXPECT_EQ(link.C2ReadDeviceId(), -1); // C2D floats high: id 0xFF

    port.Script({1});
    port.ScriptByte(0x00);
    EXPECT_EQ(link.C2ReadDeviceId(), 0);

    mark = port.Log.size();
    port.Script({1});
    port.ScriptByte(0x0F);
    port.Script({1});
    port.ScriptByte(0x02);
    EXPECT_EQ(link.C2ReadDeviceId(), 0x2030F);
    EXPECT_THAT(Frames(), ElementsAre("AW 00", "DR", "AW 01", "DR"));
}

TEST_F(C2LinkTest, BlockReadOf256SendsLengthZeroAndCachesTheBlock)
{
    FromReset();
    BlockCommandAccepted();
    for (int i = 0; i < 256; ++i)
        DataByte(static_cast<uint8_t>(i ^ 0x5A));
    ASSERT_TRUE(link.C2BlockRead(0x1234, 256));
    std::vector<std::string> frames = Frames();
    ASSERT_EQ(frames.size(), 13u + 256u * 2u);
    EXPECT_THAT(std::vector<std::string>(frames.begin(), frames.begin() + 13),
        ElementsAre("AW B4", "DW 06", "AR", "AR", "DR", "DW 12", "AR", "DW 34", "AR", "DW 00", "AR", "AR", "DR"));
    EXPECT_TRUE(port.Pin11.empty());
    EXPECT_EQ(link.CachedByte(0x1234), 0x5A);
    EXPECT_EQ(link.CachedByte(0x1333), 0xFF ^ 0x5A);

    // Inside the block: a hit, without a single port access.
    size_t before = port.Log.size();
    EXPECT_TRUE(link.C2BlockRead(0x1300, 256));
    EXPECT_TRUE(link.C2BlockRead(0x1333, 1));
    EXPECT_EQ(port.Log.size(), before);
    EXPECT_FALSE(link.CacheHolds(0x1334));
    EXPECT_FALSE(link.CacheHolds(0x1233));
}

TEST_F(C2LinkTest, BlockReadOfOneByteMakesOnlyThatAddressAHit)
{
    FromReset();
    BlockCommandAccepted();
    DataByte(0x42);
    ASSERT_TRUE(link.C2BlockRead(0x0800, 1));
    EXPECT_THAT(HostFrames(port, mark)[9], "DW 01");
    EXPECT_TRUE(link.CacheHolds(0x0800));
    EXPECT_FALSE(link.CacheHolds(0x0801));
    EXPECT_EQ(link.CachedByte(0x0800), 0x42);
}

TEST_F(C2LinkTest, BlockReadWhoseDataReadTimesOutFailsAndRecovers)
{
    FromReset();
    BlockCommandAccepted();
    DataByte(0x11);
    port.ScriptByte(0x01); // OutReady for the second byte, then silence
    port.DefaultPin11 = false;
    EXPECT_FALSE(link.C2BlockRead(0x0000, 256));
    EXPECT_EQ(link.LastFault(), LinkFault::TimedOut) << "the re-arm after it keeps the cause";
    EXPECT_FALSE(link.CacheHolds(0x0000));
    EXPECT_THAT(clock.Sleeps, ElementsAre(20u, 30u)); // the link was reset and re-enabled
}

TEST_F(C2LinkTest, RefusedBlockReadFailsAndLeavesNoStaleCache)
{
    FromReset();
    BlockCommandAccepted();
    DataByte(0x77);
    ASSERT_TRUE(link.C2BlockRead(0x0000, 1));
    ASSERT_TRUE(link.CacheHolds(0x0000));
    SendAccepted();
    StatusOk();
    SendAccepted();
    SendAccepted();
    SendAccepted();
    DataByte(0x02); // address refused
    EXPECT_FALSE(link.C2BlockRead(0x8000, 256));
    EXPECT_EQ(link.LastFault(), LinkFault::StatusNotOk);
    EXPECT_FALSE(link.CacheHolds(0x0000));
    EXPECT_FALSE(link.CacheHolds(0x8000));
}

TEST_F(C2LinkTest, FlushOfAnEmptyBufferLeavesTheArmedInterfaceAlone)
{
    // A re-arm costs 50 ms; a step's page-erase loop or a read run would
    // pay it for nothing at every close.
    FromReset();
    EXPECT_TRUE(link.C2FlushWriteBuffer());
    EXPECT_THAT(clock.Sleeps, IsEmpty());
    EXPECT_THAT(Frames(), IsEmpty());
}

TEST_F(C2LinkTest, BufferedWritesGoOutAsOneBlockWhenTheAddressJumps)
{
    FromReset();
    ASSERT_TRUE(link.C2BufferedWrite(0x0100, 0x11)); // empty flush: re-enable only
    ASSERT_TRUE(link.C2BufferedWrite(0x0101, 0x22));
    size_t before = port.Log.size();
    ASSERT_TRUE(link.C2BufferedWrite(0x0102, 0x33));
    EXPECT_EQ(port.Log.size(), before); // buffered, no traffic
    EXPECT_EQ(link.WriteBufferCount(), 3);

    mark = port.Log.size();
    BlockCommandAccepted();
    SendAccepted();
    SendAccepted();
    SendAccepted();
    StatusOk(); // the block was taken
    ASSERT_TRUE(link.C2BufferedWrite(0x0400, 0x44));
    EXPECT_THAT(Frames(), ElementsAre("AW B4", "DW 07", "AR", "AR", "DR", "DW 01", "AR", "DW 00", "AR", "DW 03",
                              "AR", "AR", "DR", "DW 11", "AR", "DW 22", "AR", "DW 33", "AR", "AR", "DR"));
    EXPECT_EQ(link.WriteBufferBase(), 0x0400u);
    EXPECT_EQ(link.WriteBufferCount(), 1);
    EXPECT_EQ(link.WriteBufferByte(0), 0x44);
    EXPECT_EQ(link.WriteBufferByte(1), 0xFF);
}

TEST_F(C2LinkTest, FullBufferSendsLengthZeroAndAnAddressBelowTheBaseStartsANewBlock)
{
    FromReset();
    for (uint32_t a = 0x0200; a < 0x0300; ++a)
        ASSERT_TRUE(link.C2BufferedWrite(a, static_cast<uint8_t>(a)));
    EXPECT_EQ(link.WriteBufferCount(), 256);
    mark = port.Log.size();
    SendAccepted();
    StatusOk();
    for (int i = 0; i < 3 + 256; ++i) {
        if (i == 3)
            StatusOk();
        SendAccepted();
    }
    StatusOk();
    ASSERT_TRUE(link.C2BufferedWrite(0x01FF, 0xAB)); // below the base
    std::vector<std::string> frames = Frames();
    EXPECT_EQ(frames[9], "DW 00");
    EXPECT_EQ(frames[13], "DW 00"); // first data byte: address 0x200 -> 0x00
    EXPECT_EQ(link.WriteBufferBase(), 0x01FFu);
}

TEST_F(C2LinkTest, SkippedAddressInsideABlockGoesOutAsErasedByte)
{
    FromReset();
    ASSERT_TRUE(link.C2BufferedWrite(0x0100, 0x11));
    ASSERT_TRUE(link.C2BufferedWrite(0x0102, 0x33));
    EXPECT_EQ(link.WriteBufferCount(), 3);
    mark = port.Log.size();
    BlockCommandAccepted();
    SendAccepted();
    SendAccepted();
    SendAccepted();
    StatusOk();
    ASSERT_TRUE(link.C2FlushWriteBuffer());
    EXPECT_THAT(Frames(), ElementsAre("AW B4", "DW 07", "AR", "AR", "DR", "DW 01", "AR", "DW 00", "AR", "DW 03",
                              "AR", "AR", "DR", "DW 11", "AR", "DW FF", "AR", "DW 33", "AR", "AR", "DR"));
    EXPECT_EQ(link.WriteBufferBase(), C2Link::NoBase);
}

TEST_F(C2LinkTest, BlockRefusedInItsClosingStatusFailsTheFlush)
{
    FromReset();
    ASSERT_TRUE(link.C2BufferedWrite(0x0100, 0x11));
    clock.Sleeps.clear();
    BlockCommandAccepted();
    SendAccepted();
    DataByte(0x03); // the part could not write the block
    EXPECT_FALSE(link.C2FlushWriteBuffer());
    EXPECT_EQ(link.LastFault(), LinkFault::StatusNotOk);
    EXPECT_THAT(clock.Sleeps, ElementsAre(20u, 30u));
    const std::optional<AddressSpan> lost = link.TakeLostBlocks();
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->First, 0x0100u);
    EXPECT_EQ(lost->Last, 0x0100u);
    EXPECT_FALSE(link.UnsentBlocks()) << "a lost block is not sent again";
}

TEST_F(C2LinkTest, FailedFlushRecoversOnceAndReportsTheLostBlock)
{
    FromReset();
    ASSERT_TRUE(link.C2BufferedWrite(0x0100, 0x11));
    clock.Sleeps.clear();
    port.DefaultPin11 = true; // InBusy never clears: status reads 0xFF
    EXPECT_FALSE(link.C2BufferedWrite(0x0400, 0x44));
    EXPECT_THAT(clock.Sleeps, ElementsAre(20u, 30u)) << "one re-arm";
    const std::optional<AddressSpan> lost = link.TakeLostBlocks();
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->First, 0x0100u);
    EXPECT_EQ(link.WriteBufferCount(), 0);
}

TEST_F(C2LinkTest, SecurityByteOfTheRegisterFamilies)
{
    chip.SecurityPath = C2SecurityPath::InvertedB5; // F31x, 16 KB
    chip.FlashSizeKB = 16;
    FromReset();
    port.Script({1});
    port.ScriptByte(0xFF);
    uint8_t value = 0x99;
    ASSERT_TRUE(link.C2ReadSecurityByte(value));
    EXPECT_EQ(value, 0);
    EXPECT_THAT(Frames(), ElementsAre("AW B5", "DR"));

    port.Script({1});
    port.ScriptByte(0xFE);
    ASSERT_TRUE(link.C2ReadSecurityByte(value));
    EXPECT_EQ(value, 30);

    chip.SecurityPath = C2SecurityPath::InvertedB4; // F34x, 64 KB
    chip.FlashSizeKB = 64;
    mark = port.Log.size();
    port.Script({1});
    port.ScriptByte(0xFC); // r = 0x03, m = 0x7F: 0x7F - 3
    ASSERT_TRUE(link.C2ReadSecurityByte(value));
    EXPECT_EQ(value, 0x7C);
    EXPECT_THAT(Frames(), ElementsAre("AW B4", "DR"));

    chip.SecurityPath = C2SecurityPath::WindowB5; // F41x: through 0xA7 paging
    mark = port.Log.size();
    port.Script({1}); // wait of DW 01
    port.Script({1}); // wait of DR
    port.ScriptByte(0x0F);
    ASSERT_TRUE(link.C2ReadSecurityByte(value));
    EXPECT_EQ(value, 0xF0);
    EXPECT_THAT(Frames(), ElementsAre("AW A7", "DW 01", "AW B5", "DR", "AW A7", "DW 00"));

    chip.SecurityPath = C2SecurityPath::InvertedB5; // a read that times out is no value
    port.DefaultPin11 = false;
    EXPECT_FALSE(link.C2ReadSecurityByte(value));
}

TEST_F(C2LinkTest, SecurityByteThroughFpdatTellsWhetherTheAddressWasAccepted)
{
    chip.SecurityPath = C2SecurityPath::Fpdat; // F30x
    chip.LockByteAddress = 0x1DFF;
    FromReset();
    SendAccepted();          // 0x06
    port.Script({0});        // second InBusy wait
    port.Script({1});
    port.ScriptByte(0x0D);   // status read straight away
    SendAccepted();
    SendAccepted();
    SendAccepted();
    StatusOk();
    DataByte(0x00);          // the stored byte, inverted
    uint8_t value = 0;
    ASSERT_TRUE(link.C2ReadSecurityByte(value));
    EXPECT_EQ(value, 0xFF);
    EXPECT_TRUE(link.SecurityAddressAccepted());
    EXPECT_THAT(Frames(), ElementsAre("AW B4", "DW 06", "AR", "AR", "DR", "DW 1D", "AR", "DW FF", "AR", "DW 01",
                              "AR", "AR", "DR", "AR", "DR"));

    mark = port.Log.size();
    SendAccepted();
    port.Script({0});
    port.Script({1});
    port.ScriptByte(0x0D);
    SendAccepted();
    SendAccepted();
    SendAccepted();
    DataByte(0x02); // refused
    EXPECT_FALSE(link.C2ReadSecurityByte(value));
    EXPECT_FALSE(link.SecurityAddressAccepted());
    EXPECT_TRUE(clock.Sleeps.empty()); // no recovery
}

TEST_F(C2LinkTest, PageEraseDeviceEraseAndSecurityWrite)
{
    FromReset();
    SendAccepted();
    StatusOk();
    SendAccepted(); // page number and its InBusy
    StatusOk();     // the page is accepted
    SendAccepted(); // 0x00 starts the erase
    StatusOk();     // erased
    ASSERT_TRUE(link.C2PageErase(0x0A00));
    EXPECT_THAT(Frames(), ElementsAre("AW B4", "DW 08", "AR", "AR", "DR", "DW 05", "AR", "AR", "DR", "DW 00", "AR",
                              "AR", "DR"));
    EXPECT_TRUE(port.Pin11.empty());

    mark = port.Log.size();
    BlockCommandAccepted();
    ASSERT_TRUE(link.C2DeviceErase());
    EXPECT_THAT(Frames(), ElementsAre("AW B4", "DW 03", "AR", "AR", "DR", "DW DE", "AR", "DW AD", "AR", "DW A5",
                              "AR", "AR", "DR"));

    // A page number the part refuses (a locked page) fails the erase before
    // the erase is started; an erase the part reports failed fails too.
    mark = port.Log.size();
    SendAccepted();
    StatusOk();
    SendAccepted();
    DataByte(0x02);
    EXPECT_FALSE(link.C2PageErase(0x0000));
    EXPECT_THAT(Frames(), ElementsAre("AW B4", "DW 08", "AR", "AR", "DR", "DW 00", "AR", "AR", "DR"));
    mark = port.Log.size();
    SendAccepted();
    StatusOk();
    SendAccepted();
    SendAccepted();
    SendAccepted();
    DataByte(0x02);
    EXPECT_FALSE(link.C2DeviceErase());

    chip.LockByteAddress = 0x7DFF;
    mark = port.Log.size();
    BlockCommandAccepted();
    port.Script({1}); // the value's data write, without an InBusy wait
    StatusOk();
    ASSERT_TRUE(link.C2WriteSecurityByte(0xFE));
    EXPECT_THAT(Frames(), ElementsAre("AW B4", "DW 07", "AR", "AR", "DR", "DW 7D", "AR", "DW FF", "AR", "DW 01",
                              "AR", "AR", "DR", "DW FE", "AR", "DR"));

    // A refused page erase fails without recovery.
    mark = port.Log.size();
    clock.Sleeps.clear();
    SendAccepted();
    DataByte(0x02);
    EXPECT_FALSE(link.C2PageErase(0x0000));
    EXPECT_TRUE(clock.Sleeps.empty());
}

TEST_F(C2LinkTest, StatusWaitsAreBounded)
{
    FromReset();
    port.DefaultPin11 = false; // status 0x00: OutReady never comes
    SendAccepted();
    EXPECT_FALSE(link.C2DeviceErase());
    // 250 OutReady polls, each followed by a 1 ms sleep.
    EXPECT_EQ(clock.Sleeps.size(), 250u);

    FromReset();
    port.DefaultPin11 = true; // status 0xFF: InBusy never clears
    EXPECT_FALSE(link.C2DeviceErase());
    std::vector<std::string> frames = Frames();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "AR"), 249);
}

} // namespace
} // namespace vorbrant
