// The signal trace: a VCD of the pin levels, read back by sigrok-cli.
#include "tests/support/FakeClock.h"
#include "tests/support/ScriptedPort.h"
#include "tests/support/TempDir.h"

#include "lpt/TracePortIo.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace vorbrant {
namespace {

using test::FakeClock;
using test::ScriptedPort;
using test::TempDir;

constexpr uint16_t Base = 0x378;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool HaveSigrok()
{
    return std::system("sigrok-cli --version >/dev/null 2>&1") == 0;
}

// One sample per microsecond of every channel, as "pinN" -> "0110...".
std::map<std::string, std::string> SigrokBits(const std::string& vcd)
{
    std::map<std::string, std::string> channels;
    std::string command = "timeout 60 sigrok-cli -I vcd:downsample=1000 -i '" + vcd + "' -O bits:width=0 2>/dev/null";
    std::FILE* p = popen(command.c_str(), "r");
    if (p == nullptr)
        return channels;
    char line[4096];
    while (std::fgets(line, sizeof line, p) != nullptr) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
            s.pop_back();
        size_t colon = s.find(':');
        if (s.rfind("pin", 0) != 0 || colon == std::string::npos)
            continue;
        channels[s.substr(0, colon)] += s.substr(colon + 1);
    }
    pclose(p);
    return channels;
}

class Trace : public ::testing::Test {
protected:
    Trace() { ports.LptBase = Base; }

    // A short session: one access per microsecond.
    void KnownSequence(TracePortIo& trace)
    {
        port.Registers[Base + 1] = 0xC0; // pin 10 high, pin 11 low (inverted), 12/13/15 low
        clock.Now = 1000;
        trace.PortOut(Base, 0x8F);       // pins 2-5 and 9 high, 6-8 low
        clock.Now = 2000;
        trace.PortOut(Base + 2, 0x02);   // pin 1 high, 14 low, 16 low, 17 high
        clock.Now = 3000;
        trace.PortIn(Base + 1);
        clock.Now = 4000;
        trace.PortOut(Base, 0x8E);       // pin 2 low
        port.Registers[Base + 1] = 0x08; // pin 15 high, pin 11 high, pin 10 low
        clock.Now = 5000;
        trace.PortIn(Base + 1);
        trace.PortIn(Base);              // reading an output records nothing
        trace.PortOut(0x3BC, 0x00);      // another port: not traced
        clock.Now = 6000;
    }

    TempDir dir;
    ScriptedPort port;
    FakeClock clock;
    PortTable ports;
};

TEST_F(Trace, PinLevelsReadBackBySigrok)
{
    if (!HaveSigrok())
        GTEST_SKIP() << "sigrok-cli is not installed";
    std::string path = dir.File("run.vcd");
    {
        TracePortIo trace(port, clock, ports);
        std::string error;
        ASSERT_TRUE(trace.Open(path, error)) << error;
        KnownSequence(trace);
        trace.Close();
        EXPECT_TRUE(trace.Good());
    }
    std::map<std::string, std::string> bits = SigrokBits(path);
    ASSERT_EQ(bits.size(), 17u) << ReadAll(path);
    // Samples at 0..5 us; unknown levels before the first access read as 0.
    const std::map<std::string, std::string> expected{
        {"pin1", "001111"},  {"pin2", "011100"},  {"pin3", "011111"},  {"pin4", "011111"},
        {"pin5", "011111"},  {"pin6", "000000"},  {"pin7", "000000"},  {"pin8", "000000"},
        {"pin9", "011111"},  {"pin10", "000110"}, {"pin11", "000001"}, {"pin12", "000000"},
        {"pin13", "000000"}, {"pin14", "000000"}, {"pin15", "000001"}, {"pin16", "000000"},
        {"pin17", "001111"},
    };
    EXPECT_EQ(bits, expected);
}

TEST_F(Trace, HeaderAndOnlyChangesAreWritten)
{
    std::string path = dir.File("changes.vcd");
    TracePortIo trace(port, clock, ports);
    std::string error;
    ASSERT_TRUE(trace.Open(path, error));
    clock.Now = 500;
    trace.PortOut(Base, 0x01);
    clock.Now = 600;
    trace.PortOut(Base, 0x01); // same levels: no time stamp, no change
    clock.Now = 700;
    trace.PortOut(Base, 0x00);
    trace.Close();

    std::string text = ReadAll(path);
    EXPECT_NE(text.find("$timescale 1 ns $end"), std::string::npos);
    for (int pin = 1; pin <= 17; ++pin)
        EXPECT_NE(text.find(" pin" + std::to_string(pin) + " $end"), std::string::npos) << pin;
    EXPECT_EQ(text.find("#600"), std::string::npos);
    // pin 2 is the second wire, "\"".
    EXPECT_NE(text.find("#500\n1\"\n0#\n0$\n0%\n0&\n0'\n0(\n0)\n#700\n0\"\n#701\n"), std::string::npos) << text;
}

TEST_F(Trace, TimeCountsFromOpen)
{
    clock.Now = 1000000;
    std::string path = dir.File("late.vcd");
    TracePortIo trace(port, clock, ports);
    std::string error;
    ASSERT_TRUE(trace.Open(path, error));
    clock.Now = 1000250;
    trace.PortOut(Base + 2, 0x00);
    trace.Close();
    EXPECT_NE(ReadAll(path).find("\n#250\n"), std::string::npos);
}

TEST_F(Trace, AccessesPassThroughWithOrWithoutAFile)
{
    TracePortIo trace(port, clock, ports);
    port.Registers[Base + 1] = 0x5A;
    EXPECT_EQ(trace.PortIn(Base + 1), 0x5A);
    trace.PortOut(Base, 0x33);
    EXPECT_EQ(port.Registers[Base], 0x33);

    std::string error;
    EXPECT_FALSE(trace.Open(dir.File("no/such/folder/x.vcd"), error));
    EXPECT_NE(error.find("x.vcd"), std::string::npos);
    EXPECT_FALSE(trace.IsOpen());

    ASSERT_TRUE(trace.Open(dir.File("ok.vcd"), error));
    EXPECT_EQ(trace.PortIn(Base + 1), 0x5A);
    trace.PortOut(0x278, 0x44);
    EXPECT_EQ(port.Registers[0x278], 0x44);
    EXPECT_EQ(port.Log.size(), 4u);
}

TEST_F(Trace, FollowsTheSelectedPort)
{
    std::string path = dir.File("moved.vcd");
    TracePortIo trace(port, clock, ports);
    std::string error;
    ASSERT_TRUE(trace.Open(path, error));
    ports.LptBase = 0x278;
    clock.Now = 10;
    trace.PortOut(0x378, 0xFF); // the old port: ignored
    clock.Now = 20;
    trace.PortOut(0x278, 0x01);
    trace.Close();
    std::string text = ReadAll(path);
    EXPECT_EQ(text.find("#10\n"), std::string::npos);
    EXPECT_NE(text.find("#20\n1\"\n"), std::string::npos) << text;
}

} // namespace
} // namespace vorbrant
