// Port accesses per second the simulator sustains under the access patterns
// of a flash run: C2 block reads (strobes, WAIT, OutReady polls) and a JTAG
// sequential read (IR and DR scans of the indirect flash registers).
#include "sim/SimConfig.h"
#include "sim/Simulator.h"
#include "sim/Wire.h"

#include <benchmark/benchmark.h>

namespace {

using vorbrant::sim::Simulator;
using vorbrant::sim::test::Config;
using vorbrant::sim::test::Wire;

void C2BlockReads(benchmark::State& state)
{
    Simulator sim(Config("F340"));
    Wire w(sim);
    w.EnterProgramming();
    uint16_t address = 0;
    const uint64_t start = sim.AccessCount();
    for (auto _ : state) {
        w.AddressWrite(0xAD);
        w.Send(0x06);
        w.Response();
        w.Send(address >> 8);
        w.Send(address & 0xFF);
        w.Send(0);
        w.Response();
        for (int i = 0; i < 256; ++i)
            benchmark::DoNotOptimize(w.Response());
        address = static_cast<uint16_t>((address + 256) % 0xF000);
    }
    const double accesses = static_cast<double>(sim.AccessCount() - start);
    state.counters["accesses/s"] = benchmark::Counter(accesses, benchmark::Counter::kIsRate);
    state.counters["bytes/s"] = benchmark::Counter(256.0 * static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(C2BlockReads);

void JtagSequentialReads(benchmark::State& state)
{
    Simulator sim(Config("F020"));
    Wire w(sim);
    w.ResetTap();
    w.WriteIndirect(0x4085, 0x85, 8);
    w.WriteIndirect(0x4084, 0, 16);
    w.WriteIndirect(0x4082, 0x01, 8);
    w.ReadIndirect(0x4083, 0);
    const uint64_t start = sim.AccessCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(w.ReadIndirect(0x4083, 10));
    const double accesses = static_cast<double>(sim.AccessCount() - start);
    state.counters["accesses/s"] = benchmark::Counter(accesses, benchmark::Counter::kIsRate);
}
BENCHMARK(JtagSequentialReads);

// A three-device chain: every clock walks all TAPs.
void JtagChainScans(benchmark::State& state)
{
    vorbrant::sim::SimConfig config;
    std::string error;
    vorbrant::sim::ParseSimIni("[Device1]\nIRLength=8\nIDCode=0x0123A0F1\n[Device2]\nPart=F020\n"
                               "[Device3]\nIRLength=5\n",
                               "bench.ini", config, error);
    Simulator sim(config);
    Wire w(sim);
    w.ResetTap();
    w.irBefore = 5;
    w.irAfter = 8;
    w.drBefore = 1;
    w.drAfter = 1;
    const uint64_t start = sim.AccessCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(w.ReadIndirect(0x4084, 16));
    const double accesses = static_cast<double>(sim.AccessCount() - start);
    state.counters["accesses/s"] = benchmark::Counter(accesses, benchmark::Counter::kIsRate);
}
BENCHMARK(JtagChainScans);

} // namespace

BENCHMARK_MAIN();
