// The GPIO and FT232H adapters under the whole programmer, against the
// simulated target: the encodings as built identify the part without a
// violation; the wrong ones fail as they would on a board.
#include "ftdi/Ft232hAdapter.h"
#include "gpio/GpioAdapter.h"
#include "gpio/GpioLines.h"
#include "sim/GpioShim.h"
#include "sim/MpsseInterpreter.h"
#include "sim/SimConfig.h"
#include "sim/Simulator.h"
#include "target/ProgrammerStack.h"

#include <gtest/gtest.h>

#include <memory>

namespace vorbrant {
namespace {

std::unique_ptr<sim::Simulator> Sim(const std::string& text)
{
    sim::SimConfig config;
    std::string error;
    EXPECT_TRUE(sim::ParseSimSpec(text, config, error)) << error;
    return std::make_unique<sim::Simulator>(config);
}

bool HasViolation(const sim::Simulator& s, const std::string& what)
{
    for (const std::string& v : s.Violations())
        if (v.find(what) != std::string::npos)
            return true;
    return false;
}

// One adapter over one simulated board, with the programmer on top.
struct Rig {
    std::unique_ptr<sim::Simulator> Board;
    std::unique_ptr<GpioCalls> Kernel;
    std::unique_ptr<GpioLines> Lines;
    std::unique_ptr<FtdiTransport> Usb;
    std::unique_ptr<AdapterSignals> Signals;
    std::unique_ptr<ProgrammerStack> Stack;

    Rig(const std::string& simText, bool gpio, bool openDrain, Ft232hFaults faults) : Board(Sim(simText))
    {
        sim::Simulator& s = *Board;
        if (gpio) {
            GpioWiring option;
            std::string error;
            EXPECT_TRUE(ParseGpioWiring("/dev/gpiochip0:c2ck=17,c2d=27,tck=11,tms=25,tdi=10,tdo=9", option, error));
            Kernel = std::make_unique<sim::GpioShim>(s, sim::GpioWiring{});
            Lines = std::make_unique<GpioLines>(*Kernel);
            EXPECT_TRUE(Lines->Open(option, error, openDrain)) << error;
            Signals = std::make_unique<GpioAdapter>(*Lines, option, s.GetClock());
        } else {
            Usb = std::make_unique<sim::MpsseInterpreter>(s);
            Signals = std::make_unique<Ft232hAdapter>(*Usb, s.GetClock(), C2DefaultHz, faults);
        }
        Stack = std::make_unique<ProgrammerStack>(s, s.GetClock(), ProgrammerStack::Lpt1(0x378), true, false,
                                                  Signals.get());
        EXPECT_TRUE(Signals->Detect().Found);
    }
};

TEST(AdapterWire, EncodingsAgainstTheTarget)
{
    struct Case {
        const char* Name;
        bool Gpio;
        bool OpenDrain;
        Ft232hFaults Faults;
        const char* Sim;
        bool Identified;
        const char* Violation; // expected in the log; null: none at all; "": any or none
    };
    const Case cases[] = {
        {"gpio C2", true, true, {}, "F340,adapter=gpio", true, nullptr},
        {"gpio JTAG", true, true, {}, "F120,adapter=gpio", true, nullptr},
        {"gpio push-pull C2D", true, false, {}, "F340,adapter=gpio", false, "C2D driven by both sides"},
        {"ft232h C2", false, true, {}, "F340,adapter=ft232h", true, nullptr},
        {"ft232h JTAG", false, true, {}, "F020,adapter=ft232h", true, nullptr},
        {"ft232h sampling on the rising edge", false, true, {.SampleOnRisingEdge = true}, "F340,adapter=ft232h",
         false, "sampled its input on the clock edge where the target changes it"},
        {"ft232h wait clocking once too often", false, true, {.ExtraWaitClock = true}, "F340,adapter=ft232h", false,
         ""},
        {"ft232h push-pull C2D", false, true, {.PushPullC2d = true}, "F340,adapter=ft232h", false,
         "C2D driven by both sides"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Rig rig(c.Sim, c.Gpio, c.OpenDrain, c.Faults);
        const ConnectResult result = rig.Stack->Dev.ConnectTarget();
        const bool identified = result.Kind == ConnectOutcome::Connected;
        EXPECT_EQ(identified, c.Identified) << static_cast<int>(result.Kind) << " id " << result.Id;
        if (!c.Violation) {
            EXPECT_TRUE(rig.Board->Violations().empty()) << rig.Board->Report();
        } else if (*c.Violation) {
            EXPECT_TRUE(HasViolation(*rig.Board, c.Violation)) << rig.Board->Report();
        }
    }
}

// A part whose programming interface never gets ready: over USB the
// chip's WAIT runs out after its bound of strobes, so the connect ends in
// bounded time, as it does on the parallel port.
TEST(AdapterWire, TargetThatStaysBusyEndsInBoundedTime)
{
    for (bool gpio : {true, false}) {
        SCOPED_TRACE(gpio ? "gpio" : "ft232h");
        Rig rig(gpio ? "F340,adapter=gpio,busy" : "F340,adapter=ft232h,busy", gpio, true, {});
        const ConnectResult result = rig.Stack->Dev.ConnectTarget();
        EXPECT_NE(result.Kind, ConnectOutcome::Connected);
        EXPECT_LT(rig.Board->GetClock().NowMs(), 60000u);
    }
}

TEST(AdapterWire, KernelRefusalsSayWhy)
{
    auto s = Sim("F340,adapter=gpio");
    sim::GpioShim shim(*s, {});
    GpioLines lines(shim), other(shim);
    GpioWiring option;
    std::string error;
    ASSERT_TRUE(ParseGpioWiring("/dev/gpiochip7:c2ck=17,c2d=27", option, error));
    EXPECT_FALSE(lines.Open(option, error));
    EXPECT_NE(error.find("Cannot open GPIO chip /dev/gpiochip7"), std::string::npos) << error;
    ASSERT_TRUE(ParseGpioWiring("/dev/gpiochip0:c2ck=17,c2d=27", option, error));
    ASSERT_TRUE(lines.Open(option, error)) << error;
    EXPECT_FALSE(other.Open(option, error));
    EXPECT_NE(error.find("another program holds one of them"), std::string::npos) << error;
    // Released on close: every line an input, the request free again.
    lines.Close();
    EXPECT_FALSE(s->Lines().C2dDriven);
    EXPECT_TRUE(other.Open(option, error)) << error;
}

} // namespace
} // namespace vorbrant
