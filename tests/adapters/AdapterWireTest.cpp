// The GPIO lines and the MPSSE C2 encoding against the simulated target:
// the encodings as built reach the part without a violation; the wrong
// ones fail as they would on a board.
#include "ftdi/MpsseC2.h"
#include "gpio/GpioLines.h"
#include "sim/GpioShim.h"
#include "sim/MpsseInterpreter.h"
#include "sim/SimConfig.h"
#include "sim/Simulator.h"

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

// C2 by hand over the lines: each strobe two writes, C2D read after the
// rising one.
struct GpioC2 {
    GpioLines& Lines;
    static constexpr uint8_t Ck = RoleBit(GpioRole::C2ck), D = RoleBit(GpioRole::C2d);
    bool Strobe(bool level = true)
    {
        Lines.Write(Ck | D, level ? D : 0);
        Lines.Write(Ck, Ck);
        return Lines.Read(D) != 0;
    }
    void Bits(uint32_t bits, int count)
    {
        for (int i = 0; i < count; ++i)
            Strobe(((bits >> i) & 1) != 0);
    }
    void AddressWrite(uint8_t a) { Bits(0x7u | (a << 3) | (1u << 11), 12); }
    // -1 when WAIT never ended.
    int DataRead()
    {
        Bits(0x1, 5);
        int waits = 0;
        while (!Strobe())
            if (++waits > 1000)
                return -1;
        int value = 0;
        for (int i = 0; i < 8; ++i)
            value |= Strobe() << i;
        Strobe();
        return value;
    }
};

TEST(GpioAdapterWire, DeviceIdOverTheLinesAndPushPullC2dContends)
{
    for (bool openDrain : {true, false}) {
        SCOPED_TRACE(openDrain ? "open-drain C2D" : "push-pull C2D");
        auto s = Sim("F340,adapter=gpio");
        sim::GpioShim shim(*s, {});
        GpioLines lines(shim);
        GpioSpec spec;
        std::string error;
        ASSERT_TRUE(ParseGpioSpec("/dev/gpiochip0:c2ck=17,c2d=27", spec, error));
        ASSERT_TRUE(lines.Open(spec, error, openDrain)) << error;
        // Reset: C2CK low 25 us, then high.
        lines.Write(GpioC2::Ck, 0);
        s->Elapse(25000);
        lines.Write(GpioC2::Ck, GpioC2::Ck);
        s->Elapse(5000);
        GpioC2 c2{lines};
        c2.AddressWrite(0x00);
        const int id = c2.DataRead();
        if (openDrain) {
            EXPECT_EQ(id, 0x0F); // F34x
            EXPECT_TRUE(s->Violations().empty()) << s->Report();
        } else {
            // Driving C2D high holds it against the part's WAIT and data.
            EXPECT_NE(id, 0x0F);
            EXPECT_TRUE(HasViolation(*s, "C2D driven by both sides")) << s->Report();
        }
        // Released: every line an input, the kernel's request closed; a
        // second request of the same lines is then granted.
        lines.Close();
        EXPECT_FALSE(s->Lines().C2dDriven);
        ASSERT_TRUE(lines.Open(spec, error)) << error;
    }
}

TEST(GpioAdapterWire, KernelRefusalsSayWhy)
{
    auto s = Sim("F340,adapter=gpio");
    sim::GpioShim shim(*s, {});
    GpioLines lines(shim), other(shim);
    GpioSpec spec;
    std::string error;
    ASSERT_TRUE(ParseGpioSpec("/dev/gpiochip7:c2ck=17,c2d=27", spec, error));
    EXPECT_FALSE(lines.Open(spec, error));
    EXPECT_NE(error.find("Cannot open GPIO chip /dev/gpiochip7"), std::string::npos) << error;
    ASSERT_TRUE(ParseGpioSpec("/dev/gpiochip0:c2ck=17,c2d=27", spec, error));
    ASSERT_TRUE(lines.Open(spec, error)) << error;
    EXPECT_FALSE(other.Open(spec, error));
    EXPECT_NE(error.find("another program holds one of them"), std::string::npos) << error;
}

// FPCTL keys, the settle time, then a Block Read command's first byte
// through FPDAT: on a part that stays busy its WAIT never ends.
bool EnterProgramming(MpsseC2& c2, sim::Simulator& s)
{
    c2.AddressWrite(0x02);
    bool ok = true;
    for (uint8_t key : {0x02, 0x04, 0x01}) {
        size_t t = c2.DataWrite(key);
        ok = c2.Flush() && c2.WaitEnded(t) && ok;
    }
    s.GetClock().SleepMs(20);
    return ok;
}

TEST(Ft232hAdapterWire, EncodingsAgainstTheTarget)
{
    struct Case {
        const char* Name;
        MpsseC2Faults Faults;
        const char* Sim;
        bool IdRight;
        const char* Violation; // expected in the log, or null: none at all
    };
    const Case cases[] = {
        {"as built", {}, "F340,adapter=ft232h", true, nullptr},
        {"sampling on the rising edge", {.SampleOnRisingEdge = true}, "F340,adapter=ft232h", false,
         "sampled its input on the clock edge where the target changes it"},
        {"a wait that clocks once too often", {.ExtraWaitClock = true}, "F340,adapter=ft232h", false, ""},
        {"push-pull C2D", {.PushPullC2d = true}, "F340,adapter=ft232h", false, "C2D driven by both sides"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto s = Sim(c.Sim);
        sim::MpsseInterpreter chip(*s);
        MpsseC2 c2(chip, s->GetClock(), C2DefaultHz, c.Faults);
        ASSERT_TRUE(c2.Setup());
        ASSERT_TRUE(c2.Reset());
        // Twice in one batch: the second read starts where the first ended.
        size_t ids[2];
        for (size_t& id : ids) {
            c2.AddressWrite(0x00);
            id = c2.DataRead();
        }
        ASSERT_TRUE(c2.Flush());
        const bool right = c2.WaitEnded(ids[0]) && c2.Value(ids[0]) == 0x0F && c2.WaitEnded(ids[1]) &&
                           c2.Value(ids[1]) == 0x0F;
        EXPECT_EQ(right, c.IdRight) << int(c2.Value(ids[0])) << " " << int(c2.Value(ids[1]));
        if (!c.Violation) {
            EXPECT_TRUE(s->Violations().empty()) << s->Report();
        } else if (*c.Violation) {
            EXPECT_TRUE(HasViolation(*s, c.Violation)) << s->Report();
        }
        // Setup, the reset's two and this batch.
        EXPECT_EQ(c2.RoundTrips(), 4u);
    }
}

TEST(Ft232hAdapterWire, TargetThatStaysBusyEndsTheWaitInBoundedTime)
{
    for (bool busy : {false, true}) {
        SCOPED_TRACE(busy ? "busy" : "ready");
        auto s = Sim(busy ? "F340,adapter=ft232h,busy" : "F340,adapter=ft232h");
        sim::MpsseInterpreter chip(*s);
        MpsseC2 c2(chip, s->GetClock());
        ASSERT_TRUE(c2.Setup());
        ASSERT_TRUE(c2.Reset());
        ASSERT_TRUE(EnterProgramming(c2, *s));
        c2.AddressWrite(0xAD); // FPDAT of the F34x
        size_t first = c2.DataWrite(0x06);
        size_t second = c2.DataWrite(0x00);
        const uint64_t before = s->GetClock().NowNs();
        ASSERT_TRUE(c2.Flush());
        EXPECT_TRUE(c2.WaitEnded(first));
        EXPECT_EQ(c2.WaitEnded(second), !busy);
        // The chip gives up after its bound of strobes: milliseconds.
        EXPECT_LT(s->GetClock().NowNs() - before, 10000000u);
        EXPECT_TRUE(s->Violations().empty()) << s->Report();
    }
}

} // namespace
} // namespace vorbrant
