// ReadPin and SetPin against the connector's pin table, row by row, with the
// expected register, bit and polarity written out here independently of the
// program's own table.
#include "tests/support/ScriptedPort.h"

#include "lpt/Adapter.h"
#include "lpt/PortTable.h"

#include <gtest/gtest.h>

namespace vorbrant {
namespace {

using test::In;
using test::Out;
using test::ScriptedPort;

constexpr uint16_t Base = 0x378;

struct PinRow {
    uint8_t Pin;
    uint16_t Offset; // 0 data, 1 status, 2 control
    uint8_t Mask;
    bool Inverted; // high when the bit is clear
    bool Output;
};

// Register, bit, polarity and direction of every connector pin.
constexpr PinRow Rows[] = {
    {1, 2, 0x01, true, true},    {2, 0, 0x01, false, true},   {3, 0, 0x02, false, true},
    {4, 0, 0x04, false, true},   {5, 0, 0x08, false, true},   {6, 0, 0x10, false, true},
    {7, 0, 0x20, false, true},   {8, 0, 0x40, false, true},   {9, 0, 0x80, false, true},
    {10, 1, 0x40, false, false}, {11, 1, 0x80, true, false},  {12, 1, 0x20, false, false},
    {13, 1, 0x10, false, false}, {14, 2, 0x02, true, true},   {15, 1, 0x08, false, false},
    {16, 2, 0x04, false, true},  {17, 2, 0x08, true, true},
};

class PinModel : public ::testing::Test {
protected:
    PinModel() { ports.LptBase = Base; }

    ScriptedPort port;
    PortTable ports;
    bool granted = true;
    Adapter pins{port, ports, granted};
};

TEST_F(PinModel, ReadPinTakesOneBitOfOneRegisterWithItsPolarity)
{
    for (const PinRow& row : Rows) {
        SCOPED_TRACE("pin " + std::to_string(row.Pin));
        const uint16_t address = Base + row.Offset;
        // Only the pin's bit set, then every bit but the pin's.
        for (uint8_t raw : {row.Mask, static_cast<uint8_t>(~row.Mask)}) {
            port.Registers[address] = raw;
            port.Log.clear();
            bool bitSet = (raw & row.Mask) != 0;
            EXPECT_EQ(pins.ReadPin(row.Pin), row.Inverted ? !bitSet : bitSet);
            ASSERT_EQ(port.Log.size(), 1u);
            EXPECT_EQ(port.Log[0], In(address, raw));
        }
    }
}

TEST_F(PinModel, SetPinChangesOnlyThePinsBitOfAnOutputRegister)
{
    for (const PinRow& row : Rows) {
        if (!row.Output)
            continue;
        SCOPED_TRACE("pin " + std::to_string(row.Pin));
        const uint16_t address = Base + row.Offset;
        for (uint8_t start : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x5A}}) {
            for (bool high : {true, false}) {
                port.Registers[address] = start;
                port.Log.clear();
                pins.SetPin(row.Pin, high);
                bool setBit = row.Inverted ? !high : high;
                auto expected = static_cast<uint8_t>(setBit ? (start | row.Mask) : (start & ~row.Mask));
                ASSERT_EQ(port.Log.size(), 2u);
                EXPECT_EQ(port.Log[0], In(address, start));
                EXPECT_EQ(port.Log[1], Out(address, expected));
                // What was set reads back as set.
                EXPECT_EQ(pins.ReadPin(row.Pin), high);
            }
        }
    }
}

TEST_F(PinModel, ExamplesOfTheInvertedLines)
{
    port.Registers[Base + 1] = 0x7F; // status bit 7 clear
    EXPECT_TRUE(pins.ReadPin(11));
    port.Registers[Base + 2] = 0xF0; // control bits 0..3 clear
    EXPECT_TRUE(pins.ReadPin(1));
    EXPECT_TRUE(pins.ReadPin(14));
    EXPECT_TRUE(pins.ReadPin(17));
    EXPECT_FALSE(pins.ReadPin(16));

    port.Registers[Base + 2] = 0x00;
    pins.SetPin(16, true);
    EXPECT_EQ(port.Registers[Base + 2], 0x04);
    port.Registers[Base + 2] = 0x0F;
    pins.SetPin(14, true);
    EXPECT_EQ(port.Registers[Base + 2], 0x0D);
}

TEST_F(PinModel, InputPinsAndPinsOutsideTheConnectorTouchNothing)
{
    for (const PinRow& row : Rows) {
        if (row.Output)
            continue;
        pins.SetPin(row.Pin, true);
        pins.SetPin(row.Pin, false);
    }
    for (uint8_t pin : {uint8_t{0}, uint8_t{18}, uint8_t{25}, uint8_t{255}}) {
        pins.SetPin(pin, true);
        EXPECT_FALSE(pins.ReadPin(pin));
    }
    EXPECT_TRUE(port.Log.empty());
}

TEST_F(PinModel, WithoutPortAccessNothingIsTouched)
{
    granted = false;
    port.Registers[Base + 1] = 0x40; // pin 10 would read high
    for (uint8_t pin = 0; pin <= 18; ++pin) {
        EXPECT_FALSE(pins.ReadPin(pin));
        pins.SetPin(pin, true);
        pins.SetPin(pin, false);
    }
    pins.WriteData(0x8F);
    EXPECT_FALSE(pins.Detect().Found);
    EXPECT_TRUE(port.Log.empty());

    granted = true; // the gate is read at every call
    EXPECT_TRUE(pins.ReadPin(10));
    EXPECT_EQ(port.Log.size(), 1u);
}

TEST_F(PinModel, FollowsTheSelectedBase)
{
    ports.LptBase = 0x278;
    port.Registers[0x279] = 0x00;
    EXPECT_FALSE(pins.ReadPin(10));
    pins.WriteData(0x12);
    EXPECT_EQ(port.Log.back(), Out(0x278, 0x12));
    // A base at the top of the address space wraps instead of crashing.
    ports.LptBase = 0xFFFF;
    pins.SetPin(14, false);
    EXPECT_EQ(port.Log.back().Port, 0x0001);
}

} // namespace
} // namespace vorbrant
