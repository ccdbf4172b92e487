// The --sim= text forms and the derivative catalogue.
#include "sim/Catalogue.h"
#include "sim/SimConfig.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <set>

namespace vorbrant::sim {
namespace {

TEST(SimConfigParse, ShortForm)
{
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimSpec("f340,adapter=ironquill,flash=/tmp/x.bin,lock=FE,rev=2,remove-after=500,"
                             "fail-write=0x1234,stuck-bit=10:7,busy,stalls=9,stall-at=after,stall-seed=12,access-ns=500,tdo=low",
                             config, error))
        << error;
    EXPECT_EQ(config.Adapter, AdapterKind::Ironquill);
    ASSERT_EQ(config.Devices.size(), 1u);
    const SimDeviceConfig& d = config.Devices[0];
    EXPECT_EQ(d.Part, "F340");
    EXPECT_EQ(d.FlashFile, "/tmp/x.bin");
    EXPECT_EQ(d.Lock, 0xFEu);
    EXPECT_EQ(d.Revision, 2);
    EXPECT_EQ(d.FailWriteAddress, 0x1234u);
    EXPECT_EQ(d.StuckBitAddress, 0x10u);
    EXPECT_EQ(d.StuckBit, 7);
    EXPECT_TRUE(d.Busy);
    EXPECT_EQ(config.RemoveAfter, 500u);
    EXPECT_EQ(config.StallEvery, 9u);
    EXPECT_EQ(config.StallAt, StallPlacement::After);
    EXPECT_EQ(config.StallSeed, 12u);
    EXPECT_EQ(config.AccessNs, 500u);
    EXPECT_EQ(config.Tdo, TdoFault::StuckLow);

    ASSERT_TRUE(ParseSimSpec("F020", config, error));
    EXPECT_EQ(config.Adapter, AdapterKind::Ironquill2) << "defaults";
    EXPECT_EQ(config.AccessNs, 1000u);
    ASSERT_TRUE(ParseSimSpec("empty,adapter=none", config, error));
    EXPECT_TRUE(config.Devices.empty());
}

TEST(SimConfigParse, BadInputIsRefusedWithAReasonAndChangesNothing)
{
    SimConfig config;
    config.AccessNs = 777;
    std::string error;
    for (const char* bad : {"", "F999", "F340,adapter=usb", "F340,lock=XY", "F340,lock=FEFF", "F020,lock=FE",
                            "F340,rev=300", "F340,frobnicate=1", "F340,F020", "F340,fail-write=0x20000",
                            "F340,stalls=0", "F340,stalls=9,stall-at=middle", "F340,stall-seed=3", "F340,remove-after=-1", "F340,tdo=sideways", "adapter=none",
                            "@/nonexistent/sim.ini"}) {
        error.clear();
        EXPECT_FALSE(ParseSimSpec(bad, config, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_EQ(config.AccessNs, 777u);

    // A key without its value is named, not taken for a second part.
    error.clear();
    EXPECT_FALSE(ParseSimSpec("F340,lock", config, error));
    EXPECT_EQ(error, "option \"lock\" needs a value (lock=...)");

    // A gap in the device numbering would drop the devices after it.
    for (const char* gap : {"[Device1]\nPart=F020\n[Device3]\nPart=F120\n", "[device2]\nPart=F020\n",
                            "[Device1]\nPart=F020\n[Device02]\nPart=F020\n[DEVICE04]\nIRLength=4\n"}) {
        error.clear();
        EXPECT_FALSE(ParseSimIni(gap, "b.ini", config, error)) << gap;
        EXPECT_NE(error.find("] without [Device"), std::string::npos) << error;
    }
    EXPECT_EQ(error, "b.ini: [Device02] without [Device2]");
    EXPECT_EQ(config.AccessNs, 777u);
}

TEST(SimConfigParse, IniFileWithChain)
{
    vorbrant::test::TempDir dir;
    const std::string path = dir.Write("chain.ini", "[Simulator]\r\nAdapter=ironquill\r\nStalls=100\r\n"
                                                    "[Device1]\r\nPart=F020\r\nFlash=f020.bin\r\nLock=FFFE\r\n"
                                                    "[Device2]\r\nIRLength=8\r\nIDCode=0123A0F1\r\n");
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimSpec("@" + path, config, error)) << error;
    EXPECT_EQ(config.Adapter, AdapterKind::Ironquill);
    EXPECT_EQ(config.StallEvery, 100u);
    ASSERT_EQ(config.Devices.size(), 2u);
    EXPECT_EQ(config.Devices[0].FlashFile, dir.File("f020.bin")) << "relative to the INI file";
    EXPECT_EQ(config.Devices[0].Lock, 0xFFFEu);
    EXPECT_EQ(config.Devices[1].IrLength, 8);
    EXPECT_EQ(config.Devices[1].IdCode, 0x0123A0F1u);

    EXPECT_FALSE(ParseSimIni("[Device1]\nPart=F340\n[Device2]\nPart=F020\n", "x.ini", config, error));
    EXPECT_NE(error.find("cannot sit in a JTAG chain"), std::string::npos);
    EXPECT_FALSE(ParseSimIni("[Device1]\nIDCode=1\n", "x.ini", config, error)) << "generic needs an IR length";
    EXPECT_FALSE(ParseSimIni("[Simulator]\nColour=blue\n", "x.ini", config, error));
}

TEST(SimCatalogue, RowsAreConsistent)
{
    std::set<std::string> names;
    for (const Derivative& d : DerivativeTable()) {
        SCOPED_TRACE(d.Name);
        EXPECT_TRUE(names.insert(d.Name).second) << "duplicate name";
        EXPECT_EQ(FindDerivative(d.Name), &d);
        EXPECT_LT(d.ReadableEnd, d.FlashBytes);
        EXPECT_LE(d.LockAddress, d.ReadableEnd);
        if (d.Link == SimLink::C2) {
            EXPECT_NE(d.Lock, LockKind::JtagBlocks);
            EXPECT_EQ(d.ScratchpadBytes, 0);
            EXPECT_EQ(d.FpdatAddress, d.DeviceCode == 0x0F ? 0xAD : 0xB4);
        } else {
            EXPECT_EQ(d.Lock, LockKind::JtagBlocks);
            EXPECT_EQ(d.LockAddress, d.ReadableEnd) << "read-lock byte at the end of the code area";
            EXPECT_TRUE(d.LockBlocks == 8 || d.LockBlocks == 4);
            EXPECT_EQ(d.FlashAdrBits, d.FlashBytes > 65536 || d.DeviceCode == 7 ? 17 : 16);
        }
    }
    EXPECT_EQ(FindDerivative("c8051f340"), FindDerivative("F340"));
    EXPECT_EQ(FindDerivative("F3400"), nullptr);
    EXPECT_EQ(JtagIdCode(*FindDerivative("F120"), 1), 0x10007243u);
}

} // namespace
} // namespace vorbrant::sim
