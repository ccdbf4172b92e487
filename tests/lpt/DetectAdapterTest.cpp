// Adapter detection: the loop-back of data bits 4/5 to pin 10 and, on the
// second generation, of data bit 4 to pin 13.
#include "tests/support/ScriptedPort.h"

#include "lpt/Adapter.h"
#include "lpt/PortTable.h"

#include <gtest/gtest.h>

namespace vorbrant {
namespace {

using test::Access;
using test::In;
using test::Out;
using test::ScriptedPort;

constexpr uint16_t Base = 0x378;
constexpr uint16_t Status = Base + 1;
constexpr uint16_t Control = Base + 2;

enum class Hardware { Nothing, StuckLow, StuckHigh, FirstGenPin13High, FirstGenPin13Low, SecondGen };

// Status lines as the hardware drives them for a given data byte.
uint8_t StatusFor(Hardware hw, uint8_t data)
{
    bool pin10 = false;
    bool pin13 = false;
    switch (hw) {
    case Hardware::Nothing: return 0x7F; // floating inputs read high, busy inverted
    case Hardware::StuckLow: return 0x80;
    case Hardware::StuckHigh: pin10 = true; break;
    case Hardware::FirstGenPin13High: pin10 = (data & 0x30) == 0x30; pin13 = true; break;
    case Hardware::FirstGenPin13Low: pin10 = (data & 0x30) == 0x30; break;
    case Hardware::SecondGen:
        pin10 = (data & 0x30) == 0x30;
        pin13 = (data & 0x10) != 0 && (data & 0x20) == 0;
        break;
    }
    return static_cast<uint8_t>(0x80 | (pin10 ? 0x40 : 0) | (pin13 ? 0x10 : 0));
}

class Detection : public ::testing::Test {
protected:
    Detection() { ports.LptBase = Base; }

    void Attach(Hardware hw)
    {
        port.Registers[Control] = 0x0E; // mode line low before detection
        port.Registers[Status] = StatusFor(hw, 0x00);
        port.OnWrite = [hw](ScriptedPort& p, uint16_t address, uint8_t value) {
            if (address == Base)
                p.Registers[Status] = StatusFor(hw, value);
        };
    }

    ScriptedPort port;
    PortTable ports;
    bool granted = true;
    Adapter pins{port, ports, granted};
};

TEST_F(Detection, NoAdapterFailsAtTheFirstPin10Read)
{
    Attach(Hardware::SecondGen);
    ASSERT_TRUE(pins.Detect().SpeaksC2);
    port.Log.clear();
    Attach(Hardware::StuckLow);
    AdapterDetection found = pins.Detect();
    EXPECT_FALSE(found.Found);
    EXPECT_FALSE(found.SpeaksC2);
    EXPECT_EQ(found.Name, "Ironquill");
    EXPECT_FALSE(pins.Detected().SpeaksC2) << "the generation is forgotten";
    EXPECT_EQ(pins.DataShadow(), 0x8F) << "a failed detection leaves the shadow";
    // 0xFF out, mode line high, one status read, and nothing after it.
    std::vector<Access> expected{Out(Base, 0xFF), In(Control, 0x0E), Out(Control, 0x0C), In(Status, 0x80)};
    EXPECT_EQ(port.Log, expected);
}

TEST_F(Detection, PinThatDoesNotFollowTheDataLinesFailsAtTheSecondRead)
{
    for (Hardware hw : {Hardware::Nothing, Hardware::StuckHigh}) {
        port.Log.clear();
        Attach(hw);
        AdapterDetection found = pins.Detect();
        EXPECT_FALSE(found.Found);
        ASSERT_EQ(port.Log.size(), 6u);
        EXPECT_EQ(port.Log[4], Out(Base, 0xCF));
        EXPECT_FALSE(port.Log.back().Out);
        EXPECT_EQ(port.Log.back().Port, Status);
        EXPECT_EQ(found.Name, "Ironquill");
        EXPECT_FALSE(found.SpeaksC2);
    }
}

TEST_F(Detection, FirstGenerationWithPin13High)
{
    Attach(Hardware::FirstGenPin13High);
    AdapterDetection found = pins.Detect();
    EXPECT_TRUE(found.Found);
    EXPECT_EQ(found.Name, "Ironquill");
    EXPECT_FALSE(found.SpeaksC2);
    EXPECT_EQ(pins.DataShadow(), 0x8F);
    EXPECT_EQ(port.Registers[Base], 0x8F);
    // Pin 13 already high: 0xDF is never written.
    for (const Access& a : port.Log)
        EXPECT_FALSE(a.Out && a.Port == Base && a.Value == 0xDF);
}

TEST_F(Detection, FirstGenerationWithPin13Low)
{
    Attach(Hardware::FirstGenPin13Low);
    AdapterDetection found = pins.Detect();
    EXPECT_TRUE(found.Found);
    EXPECT_EQ(found.Name, "Ironquill");
    EXPECT_FALSE(found.SpeaksC2);
    EXPECT_EQ(pins.DataShadow(), 0x8F);
    EXPECT_EQ(port.Log.back(), Out(Base, 0x8F));
}

TEST_F(Detection, SecondGenerationReturnsDataBit4OnPin13)
{
    Attach(Hardware::SecondGen);
    AdapterDetection found = pins.Detect();
    EXPECT_TRUE(found.Found);
    EXPECT_EQ(found.Name, "Ironquill2");
    EXPECT_TRUE(found.SpeaksC2);
    EXPECT_EQ(pins.DataShadow(), 0x8F);
    std::vector<Access> expected{
        Out(Base, 0xFF), In(Control, 0x0E), Out(Control, 0x0C), In(Status, 0xC0), Out(Base, 0xCF),
        In(Status, 0x80), In(Status, 0x80), Out(Base, 0xDF), In(Status, 0x90), Out(Base, 0x8F),
    };
    EXPECT_EQ(port.Log, expected);

    // A later failed detection forgets the generation.
    Attach(Hardware::StuckLow);
    EXPECT_FALSE(pins.Detect().Found);
    EXPECT_FALSE(pins.Detected().SpeaksC2);
    EXPECT_EQ(pins.Detected().Name, "Ironquill");
}

} // namespace
} // namespace vorbrant
