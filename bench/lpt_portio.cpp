// Cost of one port access through the layers in front of the hardware: the
// bare virtual call, the direct driver's address guard, the ppdev register
// mapping (with the ioctls replaced by stores), and the signal trace. A real
// parallel-port register access takes about 1 us; these must stay far below.
#include "lpt/Clock.h"
#include "lpt/DirectDriver.h"
#include "lpt/PpdevDriver.h"
#include "lpt/TracePortIo.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

using namespace vorbrant;

class TrivialPort : public PortIo {
public:
    uint8_t PortIn(uint16_t port) override { return static_cast<uint8_t>(reg_[port & 3] ^ port); }
    void PortOut(uint16_t port, uint8_t value) override { reg_[port & 3] = value; }

private:
    uint8_t reg_[4]{};
};

// ppdev calls that only store and load bytes, so what is measured is the
// driver's own mapping from address to port and register.
class StoreCalls : public PpdevCalls {
public:
    int Open(const std::string&) override { return next_++; }
    int Claim(int) override { return 0; }
    void Release(int) override {}
    void Close(int) override {}
    bool ReadRegister(int fd, PortRegister reg, uint8_t& value) override
    {
        value = reg_[fd & 7][static_cast<int>(reg)];
        return true;
    }
    void WriteRegister(int fd, PortRegister reg, uint8_t value) override { reg_[fd & 7][static_cast<int>(reg)] = value; }

private:
    int next_ = 3;
    uint8_t reg_[8][3]{};
};

struct StoreMachine {
    static constexpr bool Available = true;
    uint8_t Reg[4]{};
    int GrantIo() { return 0; }
    void DropIo() {}
    uint8_t In(uint16_t port) { return Reg[port & 3]; }
    void Out(uint16_t port, uint8_t value) { Reg[port & 3] = value; }
};

class StepClock : public Clock {
public:
    uint64_t NowNs() override { return now_ += 1000; }
    void SleepMs(uint32_t ms) override { now_ += uint64_t{ms} * 1000000u; }

private:
    uint64_t now_ = 0;
};

// A proc tree with two ports, made once per run.
const std::string& ProcTree()
{
    static const std::string root = [] {
        char pattern[] = "/tmp/vorbrant-bench-XXXXXX";
        std::string r = mkdtemp(pattern);
        for (auto [n, base] : {std::pair{0, "888"}, std::pair{1, "632"}}) {
            std::string dir = r + "/parport" + std::to_string(n);
            std::string cmd = "mkdir -p " + dir + " && echo " + base + " > " + dir + "/base-addr";
            if (std::system(cmd.c_str()) != 0)
                std::perror("mkdir");
        }
        return r;
    }();
    return root;
}

void WriteAndRead(benchmark::State& state, PortIo& io, uint16_t base)
{
    uint8_t v = 0;
    for (auto _ : state) {
        io.PortOut(base, v);
        v = static_cast<uint8_t>(v + io.PortIn(static_cast<uint16_t>(base + 1)));
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}

void BM_VirtualCallOnTrivialPort(benchmark::State& state)
{
    TrivialPort port;
    PortIo& io = port;
    benchmark::DoNotOptimize(&io);
    WriteAndRead(state, io, 0x378);
}
BENCHMARK(BM_VirtualCallOnTrivialPort);

void BM_DirectDriverGuard(benchmark::State& state)
{
    BasicDirectDriver<StoreMachine> driver(ProcTree());
    PortTable ports;
    driver.Start(ports);
    PortIo& io = driver;
    WriteAndRead(state, io, 0x378);
}
BENCHMARK(BM_DirectDriverGuard);

void BM_PpdevMapping(benchmark::State& state)
{
    PpdevDriver driver(std::make_unique<StoreCalls>(), ProcTree(), "/dev");
    PortTable ports;
    driver.Start(ports);
    PortIo& io = driver;
    WriteAndRead(state, io, 0x378);
}
BENCHMARK(BM_PpdevMapping);

// Alternating between two claimed ports defeats the last-hit shortcut.
void BM_PpdevMappingTwoPorts(benchmark::State& state)
{
    PpdevDriver driver(std::make_unique<StoreCalls>(), ProcTree(), "/dev");
    PortTable ports;
    driver.Start(ports);
    uint8_t v = 0;
    for (auto _ : state) {
        driver.PortOut(0x378, v);
        v = static_cast<uint8_t>(v + driver.PortIn(0x279));
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_PpdevMappingTwoPorts);

void BM_TraceWithoutFile(benchmark::State& state)
{
    TrivialPort port;
    StepClock clock;
    PortTable ports;
    ports.LptBase = 0x378;
    TracePortIo trace(port, clock, ports);
    WriteAndRead(state, trace, 0x378);
}
BENCHMARK(BM_TraceWithoutFile);

// Every write changes all eight data pins: the most a trace ever writes.
void BM_TraceRecording(benchmark::State& state)
{
    TrivialPort port;
    StepClock clock;
    PortTable ports;
    ports.LptBase = 0x378;
    TracePortIo trace(port, clock, ports);
    std::string error;
    if (!trace.Open("/dev/null", error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    uint8_t v = 0;
    for (auto _ : state) {
        v = static_cast<uint8_t>(~v);
        trace.PortOut(0x378, v);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TraceRecording);

} // namespace

BENCHMARK_MAIN();
