// The port double itself: a test that scripts more target answers than the
// host reads must fail, or every link test would pass with reads missing.
#include "tests/support/ScriptedPort.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace vorbrant::test {
namespace {

TEST(ScriptedPort, LevelsLeftUnreadFailTheTest)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPort port;
            port.Script({1, 0, 1});
            port.PortIn(0x379);
            port.Finalize();
        },
        "2 scripted pin-11 level(s) never read: 01");
    // Without Finalize() the end of the port's life does the same check.
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPort port;
            port.ScriptByte(0x80);
        },
        "8 scripted pin-11 level(s) never read: 00000001");
}

TEST(ScriptedPort, LevelsAnswerOnlyTheStatusRegisterOnInvertedBit7)
{
    ScriptedPort port(0x278);
    port.Registers[0x279] = 0x40;
    port.Script({1, 0});
    EXPECT_EQ(port.PortIn(0x278), 0xFF); // not the status register: no level taken
    EXPECT_EQ(port.PortIn(0x279), 0x40); // high: bit 7 clear
    EXPECT_EQ(port.PortIn(0x279), 0xC0);
    EXPECT_EQ(port.PortIn(0x279), 0x40) << "no script and no default: the register as stored";
    port.DefaultPin11 = false;
    EXPECT_EQ(port.PortIn(0x279), 0xC0);
    port.PortOut(0x27A, 0x05);
    EXPECT_EQ(port.Trace(), "d? s1 s0 s1 s0 c=05");
}

} // namespace
} // namespace vorbrant::test
