// Whole-part flash reads and programs over both links on the simulator: port
// accesses per byte, the time the same work takes on a real port (the
// simulator's clock: 1 us per access plus the protocol's sleeps), and the
// real time the host code and simulator need.
#include "sim/SimConfig.h"
#include "sim/Simulator.h"
#include "target/ProgrammerStack.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

using namespace vorbrant;

struct Rig {
    explicit Rig(const char* simText)
    {
        std::string error;
        if (!sim::ParseSimSpec(simText, Config, error))
            std::fprintf(stderr, "%s: %s\n", simText, error.c_str());
        Sim = std::make_unique<sim::Simulator>(Config);
        Stack = std::make_unique<ProgrammerStack>(*Sim, Sim->GetClock());
    }
    sim::SimConfig Config;
    std::unique_ptr<sim::Simulator> Sim;
    std::unique_ptr<ProgrammerStack> Stack;
};

enum class Work { Read, Program };

void FlashRun(benchmark::State& state, const char* simText, Work work)
{
    uint64_t accesses = 0;
    uint64_t simulatedNs = 0;
    uint64_t bytes = 0;
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        Rig rig(simText);
        Target& dev = rig.Stack->Dev;
        ok = dev.ConnectTarget().Kind == ConnectOutcome::Connected;
        // Programming runs on erased flash, as after an erase step.
        if (work == Work::Program)
            for (uint8_t& b : rig.Sim->Flash())
                b = 0xFF;
        uint32_t last = work == Work::Program ? dev.Chip.FlashEnd - 2 : dev.Chip.FlashEnd;
        uint64_t startAccesses = rig.Sim->AccessCount();
        uint64_t startNs = rig.Sim->GetClock().NowNs();
        state.ResumeTiming();

        FlashLink& flash = dev.Flash();
        flash.BeginRun();
        uint8_t value = 0;
        for (uint32_t a = 0; ok && a <= last; ++a)
            ok = work == Work::Read ? flash.ReadFlashByte(a, value, 0)
                                    : flash.WriteFlashByte(a, static_cast<uint8_t>(a ^ (a >> 8)), 0);
        ok = !flash.EndFlashAccess() && ok;

        state.PauseTiming();
        accesses = rig.Sim->AccessCount() - startAccesses;
        simulatedNs = rig.Sim->GetClock().NowNs() - startNs;
        bytes = uint64_t{last} + 1;
        if (!rig.Sim->Violations().empty())
            ok = false;
        state.ResumeTiming();
    }
    if (!ok)
        state.SkipWithError("the run failed or the simulator saw a protocol violation");
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["accesses_per_byte"] = static_cast<double>(accesses) / static_cast<double>(bytes);
    state.counters["port_seconds"] = static_cast<double>(simulatedNs) / 1e9;
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}

void C2ReadF340(benchmark::State& state) { FlashRun(state, "F340", Work::Read); }
void C2ProgramF340(benchmark::State& state) { FlashRun(state, "F340", Work::Program); }
void JtagReadF120(benchmark::State& state) { FlashRun(state, "F120", Work::Read); }
void JtagProgramF120(benchmark::State& state) { FlashRun(state, "F120", Work::Program); }

BENCHMARK(C2ReadF340)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(C2ProgramF340)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(JtagReadF120)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(JtagProgramF120)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

BENCHMARK_MAIN();
