// A C8051F part inside a three-device JTAG chain on the simulator: the fill
// bits around it let the host identify and program it at its position.
#include "tests/support/ChainDevice.h"
#include "tests/support/SimRig.h"
#include "sim/SimConfig.h"
#include "sim/Simulator.h"
#include "target/ProgrammerStack.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace vorbrant {
namespace {

using ::testing::IsEmpty;

// Device 1 nearest the adapter's TDI: a 5-bit generic device, the F120, a
// 3-bit generic device.
const char* const ThreeDevices =
    "[Simulator]\nadapter=ironquill\n"
    "[Device1]\nIRLength=5\nIDCode=1234567F\n"
    "[Device2]\nPart=F120\n"
    "[Device3]\nIRLength=3\n";

void DescribeChain(JtagChainList& chain)
{
    chain.Devices = {test::ChainDevice("CPLD", 5, 0x1234567F),
                     test::ChainDevice("F120", 16),
                     test::ChainDevice("other", 3)};
}

TEST(SimChainTest, PartAtPositionTwoIsIdentifiedAndProgrammed)
{
    test::SimRig rig(ThreeDevices);
    DescribeChain(rig.Stack->Chain);
    Target& dev = rig.Stack->Dev;
    dev.SetChainPosition(2);
    EXPECT_EQ(dev.ConnectTarget().Id & 0x0FFFFFFF, 0x7243);
    EXPECT_EQ(dev.Chip.DerivativeName, "F120..131");
    EXPECT_EQ(dev.Chip.FlashEnd, 0x1FBFFu);

    std::vector<uint8_t>& flash = rig.Sim->Flash(1);
    FlashLink& link = dev.Flash();
    ASSERT_TRUE(link.EraseFlash(EraseKind::Pages, 0x10000, 0x101FF));
    link.BeginRun();
    for (uint32_t a = 0x10000; a < 0x10100; ++a)
        ASSERT_TRUE(link.WriteFlashByte(a, static_cast<uint8_t>(a * 3), 0)) << a;
    link.EndFlashAccess();
    for (uint32_t a = 0x10000; a < 0x10100; ++a)
        ASSERT_EQ(flash[a], static_cast<uint8_t>(a * 3)) << a;
    link.BeginRun();
    for (uint32_t a = 0x10000; a < 0x10100; ++a) {
        uint8_t value = 0;
        ASSERT_TRUE(link.ReadFlashByte(a, value, 0)) << a;
        ASSERT_EQ(value, static_cast<uint8_t>(a * 3)) << a;
    }
    link.EndFlashAccess();
    EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
}

TEST(SimChainTest, WithoutFillBitsTheChainDoesNotReadAsThePart)
{
    test::SimRig rig(ThreeDevices);
    DescribeChain(rig.Stack->Chain);
    Target& dev = rig.Stack->Dev;
    dev.SetChainPosition(0);
    int32_t id = dev.ConnectTarget().Id;
    EXPECT_NE(dev.Chip.DerivativeName, "F120..131");
    EXPECT_NE(id & 0x0FFFFFFF, 0x7243);
}

} // namespace
} // namespace vorbrant
