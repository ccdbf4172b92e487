// The adapter texts an operator types: what is taken, and what is refused
// with which reason.
#include "ftdi/Ft232hDevice.h"
#include "ftdi/Mpsse.h"
#include "gpio/GpioWiring.h"

#include <gtest/gtest.h>

namespace vorbrant {
namespace {

TEST(AdapterSpec, GpioLinesTakenOrRefusedWithTheReason)
{
    struct Case {
        const char* Text;
        const char* Lines;  // as read back, or null when refused
        const char* Reason; // part of the message when refused
    };
    const Case cases[] = {
        {"/dev/gpiochip0:c2ck=17,c2d=27", "c2ck=17,c2d=27", nullptr},
        {"gpiochip1:tck=11,tms=25,tdi=10,tdo=9", "tck=11,tms=25,tdi=10,tdo=9", nullptr},
        {"/dev/gpiochip0:C2CK=4,C2D=5,tck=11,tms=25,tdi=10,tdo=9", "c2ck=4,c2d=5,tck=11,tms=25,tdi=10,tdo=9", nullptr},
        {"/dev/gpiochip0", nullptr, "needs a chip and its lines"},
        {"/dev/gpiochip0:c2ck=17", nullptr, "C2 needs both c2ck and c2d"},
        {"/dev/gpiochip0:tck=11,tms=25,tdi=10", nullptr, "JTAG needs all of tck, tms, tdi and tdo"},
        {"/dev/gpiochip0:c2ck=17,c2d=17", nullptr, "line 17 is given for both c2ck and c2d"},
        {"/dev/gpiochip0:c2ck=17,c2ck=18,c2d=2", nullptr, "c2ck is given twice"},
        {"/dev/gpiochip0:c2ck=x,c2d=27", nullptr, "must be a line number from 0 to 1023, not 'x'"},
        {"/dev/gpiochip0:c2ck=-1,c2d=27", nullptr, "not '-1'"},
        {"/dev/gpiochip0:c2ck=99999,c2d=27", nullptr, "not '99999'"},
        {"/dev/gpiochip0:clk=17,c2d=27", nullptr, "unknown line name 'clk'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        GpioWiring option;
        std::string error;
        const bool ok = ParseGpioWiring(c.Text, option, error);
        ASSERT_EQ(ok, c.Lines != nullptr) << error;
        if (ok) {
            EXPECT_EQ(option.LinesText(), c.Lines);
            EXPECT_EQ(option.Chip.rfind("/dev/gpiochip", 0), 0u);
        } else {
            EXPECT_NE(error.find(c.Reason), std::string::npos) << error;
        }
    }
}

TEST(AdapterSpec, Ft232hDeviceAndClock)
{
    struct Case {
        const char* Text;
        bool Ok;
        const char* Serial;
        const char* BusPath;
    };
    const Case cases[] = {
        {"", true, "", ""},
        {":FT4ABC12", true, "FT4ABC12", ""},
        {":1/5", true, "", "001/005"},
        {":001/012", true, "", "001/012"},
        {":", false, "", ""},
        {"x", false, "", ""},
        {":1/x", false, "", ""},
        {":bad serial", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        Ft232hSelection option;
        std::string error;
        ASSERT_EQ(ParseFt232hSelection(c.Text, option, error), c.Ok) << error;
        if (c.Ok) {
            EXPECT_EQ(option.Serial, c.Serial);
            EXPECT_EQ(option.BusPath, c.BusPath);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }

    // The clock is at or below the wish, and its low phase within C2's
    // 80 ns to 5 us over the whole range the option takes.
    for (uint32_t khz : {100u, 333u, 2000u, 6000u}) {
        uint32_t hz = 0;
        std::string error;
        ASSERT_TRUE(ParseAdapterClock(std::to_string(khz), hz, error)) << error;
        const MpsseClock clock = ChooseClock(hz);
        EXPECT_LE(clock.Hz, hz);
        EXPECT_GE(clock.LowNs(), 80u);
        EXPECT_LE(clock.LowNs(), 5000u);
    }
    EXPECT_EQ(ChooseClock(C2DefaultHz).Hz, 2000000u);
    for (const char* bad : {"", "99", "6001", "2MHz", "-5"}) {
        uint32_t hz = 0;
        std::string error;
        EXPECT_FALSE(ParseAdapterClock(bad, hz, error)) << bad;
        EXPECT_NE(error.find("80 ns to 5 us"), std::string::npos);
    }
}

} // namespace
} // namespace vorbrant
