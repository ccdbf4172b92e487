// Flash operations and connection on a recording port: which registers get
// which values, in which order, with a JTAG target whose TDO always reads low
// (never busy, never failing) or a port with no adapter at all.
#include "RecordingPort.h"

#include "target/C2Link.h"
#include "target/FlashSizeFacts.h"
#include "target/JtagFlashLink.h"
#include "target/JtagLink.h"
#include "target/ProgrammerStack.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace vorbrant {
namespace {

using test::FakeClock;
using test::JtagScans;
using test::RecordingPort;
using ::testing::ElementsAre;

// Every scan of a stretch of traffic except the one-bit busy polls.
std::vector<std::string> WithoutPolls(std::vector<std::string> scans)
{
    scans.erase(std::remove(scans.begin(), scans.end(), "DR 0/1"), scans.end());
    return scans;
}

class FlashOperationsTest : public ::testing::Test {
protected:
    FlashOperationsTest() : stack(port, clock)
    {
        port.DefaultPin11 = false; // TDO low: registers idle, flash never busy
        Chip().FlashRegBase = 0x4000;
        Chip().FlashSizeKB = 64;
        Chip().FlashEnd = 0xFDFF;
        stack.Dev.Jtag().JtagResetTap();
        mark = port.Log.size();
    }

    ChipInfo& Chip() { return stack.Dev.Chip; }
    FlashLink& Flash() { return stack.Dev.Flash(); }
    JtagFlashLink& Jtag() { return stack.Dev.JtagFlash(); }
    std::vector<std::string> Scans() const { return JtagScans(port, mark); }
    // The values written to one indirect register, as its DR scans show them
    // (not the read requests and polls), whether or not its instruction was
    // loaded just before.
    std::vector<std::string> Writes(const std::string& instruction) const
    {
        std::vector<std::string> out;
        for (const std::string& scan : JtagScans(port, mark, true)) {
            std::string prefix = instruction + ":";
            if (scan.rfind(prefix, 0) != 0)
                continue;
            std::string dr = scan.substr(prefix.size());
            if (dr != "2/2" && dr.size() > 2 && dr.compare(dr.size() - 2, 2, "/1") != 0 && dr.compare(dr.size() - 2, 2, "/3") != 0
                && dr.compare(dr.size() - 3, 3, "/11") != 0)
                out.push_back(dr);
        }
        return out;
    }

    RecordingPort port;
    FakeClock clock;
    ProgrammerStack stack;
    size_t mark = 0;
};

TEST_F(FlashOperationsTest, SequentialReadRunSendsTheAddressOnlyOnce)
{
    uint8_t value = 0x55;
    ASSERT_TRUE(Flash().ReadFlashByte(0x1234, value, 0));
    EXPECT_EQ(value, 0x00);
    EXPECT_TRUE(Jtag().StreamOpen());
    // FLASHSCL 0x85, FLASHADR, FLASHCON read; each with the write code 11 on top.
    EXPECT_THAT(Writes("4085"), ElementsAre("385/10"));
    EXPECT_THAT(Writes("4084"), ElementsAre("31234/18"));
    EXPECT_THAT(Writes("4082"), ElementsAre("301/10"));

    // An open run takes the next address whatever address it is given.
    mark = port.Log.size();
    ASSERT_TRUE(Flash().ReadFlashByte(0x8000, value, 0));
    EXPECT_TRUE(Writes("4084").empty());
    EXPECT_TRUE(Writes("4082").empty());
    // FLASHDAT's instruction is still loaded: the byte is only its read.
    EXPECT_THAT(WithoutPolls(Scans()), ElementsAre("DR 2/2", "DR 0/11"));

    // The end of the run idles FLASHCON; the next read sends its address.
    mark = port.Log.size();
    EXPECT_EQ(Flash().EndFlashAccess(), std::nullopt);
    EXPECT_FALSE(Jtag().StreamOpen());
    EXPECT_THAT(Writes("4082"), ElementsAre("300/10"));
    mark = port.Log.size();
    ASSERT_TRUE(Flash().ReadFlashByte(0x0080, value, 0x80));
    EXPECT_THAT(Writes("4084"), ElementsAre("30080/18"));
    EXPECT_THAT(Writes("4082"), ElementsAre("381/10")); // scratchpad flag
}

TEST_F(FlashOperationsTest, RegisterOrderOfReadWriteAndPageErase)
{
    uint8_t value = 0;
    ASSERT_TRUE(Flash().ReadFlashByte(0x1234, value, 0));
    // Scale, address, control, a read that starts the run, then the first
    // 10-bit data read; an instruction is loaded only when it changes.
    EXPECT_THAT(WithoutPolls(Scans()),
        ElementsAre("IR 4085/16", "DR 385/10", "IR 4084/16", "DR 31234/18", "IR 4082/16", "DR 301/10",
            "IR 4083/16", "DR 2/2", "DR 2/2", "DR 0/11"));
    Flash().EndFlashAccess();

    mark = port.Log.size();
    ASSERT_TRUE(Flash().WriteFlashByte(0x0100, 0x3C, 0));
    // The write's busy poll reads two bits.
    EXPECT_THAT(WithoutPolls(Scans()),
        ElementsAre("IR 4085/16", "DR 385/10", "IR 4084/16", "DR 30100/18", "IR 4082/16", "DR 310/10",
            "IR 4083/16", "DR 33C/10", "DR 2/2", "DR 0/3"));
    Flash().EndFlashAccess();

    mark = port.Log.size();
    ASSERT_TRUE(Jtag().ErasePage(0x0400, 0));
    // Scale, erase control before the address, the 0xA5 confirmation, idle
    // control, then the 10-bit status read.
    EXPECT_THAT(WithoutPolls(Scans()),
        ElementsAre("IR 4085/16", "DR 385/10", "IR 4082/16", "DR 320/10", "IR 4084/16", "DR 30400/18",
            "IR 4083/16", "DR 3A5/10", "IR 4082/16", "DR 300/10", "IR 4083/16", "DR 2/2", "DR 0/11"));
}

TEST_F(FlashOperationsTest, DisconnectReleasesInTheLinksOrder)
{
    uint8_t value = 0;
    ASSERT_TRUE(Flash().ReadFlashByte(0, value, 0)); // a run left open
    mark = port.Log.size();
    stack.Dev.DisconnectTarget();
    EXPECT_THAT(Scans(), ElementsAre("IR 2FFF/16", "IR FFF/16"));
    EXPECT_FALSE(Jtag().StreamOpen());

    Chip().C2Mode = true;
    port.Control = 0x02; // mode line low, as JTAG leaves it
    mark = port.Log.size();
    stack.Dev.DisconnectTarget();
    // The C2 reset, then 0xFF on the data lines and the mode line high.
    EXPECT_EQ(port.Trace(mark), "c? c=00 BF c? c=02 " + test::Repeat("BF", 100) + " c? c=00 77 F7 F6 FF c? c=00");
    EXPECT_EQ(stack.Pins.DataShadow(), 0xFF);
}

TEST_F(FlashOperationsTest, F12xIsPreparedBeforeItsFirstFlashAccess)
{
    port.AdapterKind = 1;
    port.Script({1, 0, 0, 0}); // the four status reads of the detection
    const uint32_t idcode = 0x10007243;
    for (int i = 0; i < 32; ++i)
        port.Script({static_cast<int>((idcode >> i) & 1)});
    mark = port.Log.size();
    clock.Sleeps.clear();
    size_t sleptAt = 0;
    clock.OnSleep = [&](uint32_t) { sleptAt = port.Log.size(); };
    test::AnswerIdcodeAgain(port, idcode); // identification ends by asking again
    ConnectResult result = stack.Dev.ConnectTarget();
    EXPECT_EQ(result.Kind, ConnectOutcome::Connected);
    ASSERT_EQ(result.Id, static_cast<int32_t>(idcode));
    EXPECT_THAT(clock.Sleeps, ElementsAre(100u));
    std::vector<std::string> scans = WithoutPolls(Scans());
    // From the end of the identification's run (FLASHCON idle) to the first
    // probe's FLASHSCL write.
    auto first = std::find(scans.begin(), scans.end(), "DR 0/32");
    ASSERT_NE(first, scans.end());
    auto probe = std::find(first, scans.end(), "IR 3085/16");
    ASSERT_NE(probe, scans.end());
    std::vector<std::string> prepare(first + 1, probe);
    const char* const data = "/19";
    EXPECT_THAT(prepare,
        ElementsAre("IR 4082/16", "DR 300/10", // the run ended before the part is known
            "RESET", "IR 1801/16", "IR 1804/16", "IR 2804/16", "IR 2004/16", "IR 1004/16", "IR 4004/16",
            "IR 2FFF/16", "IR 30C1/16", std::string("DR 68400") + data, std::string("DR 6B731") + data,
            std::string("DR 6840F") + data, std::string("DR 68A83") + data, std::string("DR 68400") + data,
            "IR 1004/16", "IR 3084/16"));
    // The sleep falls between the 0x1804 and 0x2804 instructions.
    EXPECT_EQ(JtagScans(port, sleptAt).front(), "IR 2804/16");
    EXPECT_EQ(WithoutPolls(JtagScans(port, mark)).size() - WithoutPolls(JtagScans(port, sleptAt)).size(),
        static_cast<size_t>(std::find(scans.begin(), scans.end(), "IR 1804/16") - scans.begin()) + 1);
    EXPECT_EQ(Chip().DerivativeName, "F120..131");
    EXPECT_EQ(Chip().FlashRegBase, 0x3000);
}

TEST_F(FlashOperationsTest, AddressesGoOutInThePartsFlashAdrWidth)
{
    Chip().FlashAdrBits = 17; // the 128 KB parts
    Chip().FlashRegBase = 0x3000;
    uint8_t value = 0;
    ASSERT_TRUE(Flash().ReadFlashByte(0x1FBFF, value, 0));
    EXPECT_THAT(Writes("3084"), ElementsAre("7FBFF/19"));
    Flash().EndFlashAccess();

    Chip().FlashAdrBits = 16;
    Chip().FlashRegBase = 0x4000;
    mark = port.Log.size();
    ASSERT_TRUE(Flash().WriteFlashByte(0xFFFF, 0x3C, 0));
    EXPECT_THAT(Writes("4084"), ElementsAre("3FFFF/18"));
    EXPECT_THAT(Writes("4082"), ElementsAre("310/10"));
    EXPECT_THAT(Writes("4083"), ElementsAre("33C/10"));

    // The page erase sends its address in the same width.
    Chip().FlashAdrBits = 17;
    Chip().FlashRegBase = 0x3000;
    Flash().EndFlashAccess();
    mark = port.Log.size();
    ASSERT_TRUE(Jtag().ErasePage(0x1F000, 0));
    EXPECT_THAT(Writes("3084"), ElementsAre("7F000/19"));
}

TEST_F(FlashOperationsTest, PageRangesOfEraseFlash)
{
    ASSERT_TRUE(Flash().EraseFlash(EraseKind::Pages, 0x0000, 0x03FF));
    EXPECT_THAT(Writes("4084"), ElementsAre("30000/18", "30200/18"));
    EXPECT_THAT(Writes("4083"), ElementsAre("3A5/10", "3A5/10"));
    // Erase control, then idle after the confirmation, then the run's end.
    EXPECT_THAT(Writes("4082"), ElementsAre("320/10", "300/10", "320/10", "300/10", "300/10"));

    mark = port.Log.size();
    EXPECT_TRUE(Flash().EraseFlash(EraseKind::Pages, 0x0400, 0x03FF));
    EXPECT_TRUE(Writes("4084").empty());

    mark = port.Log.size();
    EXPECT_TRUE(Flash().EraseFlash(EraseKind::LockPage, 0, 0));
    EXPECT_THAT(Writes("4084"), ElementsAre("3FD01/18"));
    mark = port.Log.size();
    EXPECT_TRUE(Flash().EraseFlash(EraseKind::Chip, 0, 0));
    EXPECT_THAT(Writes("4084"), ElementsAre("3FDFF/18"));

    mark = port.Log.size();
    EXPECT_FALSE(Flash().EraseFlash(static_cast<EraseKind>(3), 0, 0));
    EXPECT_TRUE(Writes("4084").empty());
    EXPECT_THAT(Writes("4082"), ElementsAre("300/10")); // the run is still ended
}

TEST_F(FlashOperationsTest, ScratchpadEraseAddressBySize)
{
    // The User data map of each size, as identification fills it in.
    auto mapFor = [&](uint16_t kb) { Chip().UserData = FactsForFlashSize(kb).UserData; };
    const std::pair<uint16_t, std::string> cases[] = {
        {8, "32000/18"}, {16, "34000/18"}, {32, "38000/18"}, {64, "30000/18"}};
    for (const auto& [kb, address] : cases) {
        mapFor(kb);
        mark = port.Log.size();
        EXPECT_TRUE(Flash().EraseScratchpad()) << kb;
        EXPECT_THAT(Writes("4084"), ElementsAre(address)) << kb;
        EXPECT_EQ(Writes("4082").front(), kb == 64 ? "3A0/10" : "320/10") << kb; // erase, in the User data area on 64 KB
        EXPECT_EQ(Writes("4082").back(), "300/10") << kb; // the run is ended
    }
    // The 256 bytes of the F12x/F13x: both sectors, at addresses inside the
    // area that fit the 17-bit FLASHADR.
    mapFor(128);
    Chip().FlashAdrBits = 17;
    Chip().ScratchpadSize = 256;
    mark = port.Log.size();
    EXPECT_TRUE(Flash().EraseScratchpad());
    EXPECT_THAT(Writes("4084"), ElementsAre("60000/19", "60080/19"));
    EXPECT_EQ(Writes("4082").front(), "3A0/10");

    // Sizes without a User data map refuse before any flash register access.
    Chip().FlashAdrBits = 16;
    mapFor(4);
    mark = port.Log.size();
    EXPECT_FALSE(Flash().EraseScratchpad());
    EXPECT_TRUE(Writes("4084").empty());
    EXPECT_THAT(Writes("4082"), ElementsAre("300/10"));
}

TEST_F(FlashOperationsTest, ScratchpadEraseOnC2TouchesNothing)
{
    Chip().C2Mode = true;
    size_t before = port.Log.size();
    EXPECT_TRUE(Flash().EraseScratchpad());
    EXPECT_EQ(port.Log.size(), before);
}

TEST_F(FlashOperationsTest, C2AddressesAboveSixteenBitsAreRefusedNotWrapped)
{
    Chip().C2Mode = true;
    size_t before = port.Log.size();
    uint8_t value = 0;
    EXPECT_FALSE(Flash().ReadFlashByte(0x10000, value, 0));
    EXPECT_FALSE(Flash().WriteFlashByte(0x10000, 0x12, 0));
    EXPECT_EQ(port.Log.size(), before);
    // Page 256 would go out as page number 0.
    Flash().EraseFlash(EraseKind::Pages, 0x20000, 0x201FF);
    for (const std::string& frame : test::HostFrames(port, before))
        EXPECT_NE(frame, "DW 08");
}

TEST_F(FlashOperationsTest, FlashThatStaysBusyFailsAfterHalfASecond)
{
    // TDO high: every indirect register stays busy. The register poll ends it.
    port.DefaultPin11 = true;
    clock.StepNs = 1000000;
    uint8_t value = 0;
    EXPECT_FALSE(Flash().ReadFlashByte(0, value, 0));
    EXPECT_FALSE(Jtag().StreamOpen());
    EXPECT_FALSE(Flash().WriteFlashByte(0, 0, 0));
    EXPECT_FALSE(Jtag().ErasePage(0, 0));
}

TEST_F(FlashOperationsTest, NoAdapterIsNoAnswer)
{
    port.AdapterKind = 0;
    ConnectResult result = stack.Dev.ConnectTarget();
    EXPECT_EQ(result.Kind, ConnectOutcome::NoAdapter);
    EXPECT_EQ(result.Id, -1);
    EXPECT_TRUE(JtagScans(port, mark).empty());
}

TEST_F(FlashOperationsTest, FirstGenerationAdapterIsNeverProbedOverC2)
{
    port.AdapterKind = 1;
    mark = port.Log.size();
    EXPECT_FALSE(stack.Dev.ConnectTarget().Answered()); // TDO low: IDCODE 0
    EXPECT_EQ(stack.Pins.Detected().Name, "Ironquill");
    EXPECT_TRUE(test::HostFrames(port, mark).empty());
    EXPECT_THAT(JtagScans(port, mark), ElementsAre("RESET", "IR 2FFF/16", "IR 1004/16", "DR 0/32"));

    port.DefaultPin11 = true; // TDO stuck high: IDCODE all ones
    EXPECT_FALSE(stack.Dev.ConnectTarget().Answered());
}

TEST_F(FlashOperationsTest, UnknownJtagCodeShowsTheCode)
{
    port.AdapterKind = 1;
    port.Script({1, 0, 0, 0}); // the four status reads of the detection
    for (int i = 0; i < 32; ++i)
        port.Script({(0x00004243 >> i) & 1});
    // What an earlier connection to a 128 KB part left behind.
    Chip().UserData = FactsForFlashSize(128).UserData;
    Chip().WindowAboveCode = true;
    Chip().FlashAdrBits = 17;
    test::AnswerIdcodeAgain(port, 0x00004243);
    ConnectResult result = stack.Dev.ConnectTarget();
    EXPECT_EQ(result.Kind, ConnectOutcome::Unknown);
    EXPECT_EQ(result.Id, 0x4243);
    EXPECT_EQ(Chip().DeviceCode, 4);
    EXPECT_EQ(Chip().DeviceRevision, 0);
    EXPECT_EQ(Chip().DerivativeName, "0x0004");
    EXPECT_EQ(Chip().FlashEnd, 0u);
    EXPECT_EQ(Chip().FlashSizeKB, 0);
    EXPECT_EQ(Chip().ScratchpadSize, 0);
    EXPECT_FALSE(Chip().C2Mode);
    // Nothing is known about its flash: size 0 has no User data map.
    EXPECT_FALSE(Chip().UserData.Mapped);
    EXPECT_EQ(Chip().FlashAdrBits, 16);
}

TEST_F(FlashOperationsTest, SecondGenerationWithoutAC2PartFallsBackToJtag)
{
    port.AdapterKind = 2;
    port.DefaultPin11 = true; // C2D floats high: device id 0xFF
    mark = port.Log.size();
    EXPECT_FALSE(stack.Dev.ConnectTarget().Answered());
    EXPECT_EQ(stack.Pins.Detected().Name, "Ironquill2");
    EXPECT_THAT(test::HostFrames(port, mark), ElementsAre("AW 00", "DR"));
    EXPECT_FALSE(stack.Dev.Chip.C2Mode);
    // The C2 probe ends with 0xFF and the mode line low before JTAG starts.
    EXPECT_NE(port.Trace(mark).find("FF c? c=02 c? c=02 8E"), std::string::npos);
}

} // namespace
} // namespace vorbrant
