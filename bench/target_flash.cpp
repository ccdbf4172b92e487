// Flash runs over both links on the simulator: port accesses per byte, the
// time the same work takes on a real port (the simulator's clock: 1 us per
// access plus the protocol's sleeps), and the real time the host code and
// simulator need.
//
// Whole-part verify (reads) and program runs over the flash links, each with
// the count before the port accesses were cut down ("before") and the goal it
// has to meet ("goal"); and a file of four bytes near each end of an F340
// programmed and verified through the operation flow, whose time on the port
// has to stay under half a second (the span between is all 0xFF, and holds
// nothing to compare).
#include "common/ScriptedOperator.h"
#include "image/ImageBuffer.h"
#include "session/Sequencer.h"
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

enum class Work { Verify, Program };

// Accesses per byte measured before the port accesses were cut down, and the
// goals (same protocol, same bytes written and compared).
struct Target {
    double Before;
    double Goal;
};

void FlashRun(benchmark::State& state, const char* simText, Work work, Target target)
{
    uint64_t accesses = 0;
    uint64_t simulatedNs = 0;
    uint64_t bytes = 0;
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        Rig rig(simText);
        vorbrant::Target& dev = rig.Stack->Dev;
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
            ok = work == Work::Verify ? flash.ReadFlashByte(a, value, 0)
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
    const double perByte = static_cast<double>(accesses) / static_cast<double>(bytes);
    if (!ok)
        state.SkipWithError("the run failed or the simulator saw a protocol violation");
    else if (perByte > target.Goal)
        state.SkipWithError("more port accesses per byte than the goal");
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["accesses_per_byte"] = perByte;
    state.counters["before"] = target.Before;
    state.counters["goal"] = target.Goal;
    state.counters["port_seconds"] = static_cast<double>(simulatedNs) / 1e9;
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}

void C2VerifyF340(benchmark::State& state) { FlashRun(state, "F340", Work::Verify, {102.4, 70}); }
void C2ProgramF340(benchmark::State& state) { FlashRun(state, "F340", Work::Program, {139.8, 80}); }
void JtagVerifyF120(benchmark::State& state) { FlashRun(state, "F120", Work::Verify, {158.0, 90}); }
void JtagProgramF120(benchmark::State& state) { FlashRun(state, "F120", Work::Program, {272.5, 140}); }

class NoView : public RunView {
public:
    void DisablePanels() override {}
    void ShowIdle() override {}
    void ShowUploaded() override {}
    void ShowBufferInfo() override {}
};

// Program and verify of four bytes at 0x0010 and four at 0xFBF0 on an F340,
// through the operation flow, after the connect.
void FourByteIslandsF340(benchmark::State& state)
{
    uint64_t simulatedNs = 0;
    uint64_t accesses = 0;
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        Rig rig("F340");
        ok = rig.Stack->Dev.ConnectTarget().Kind == ConnectOutcome::Connected;
        ImageBuffer image;
        image.ClearImage(true);
        for (uint32_t i = 0; i < 4; ++i) {
            image.StoreByte(0x0010 + i, static_cast<uint8_t>(0x10 + i));
            image.StoreByte(0xFBF0 + i, static_cast<uint8_t>(0xF0 + i));
        }
        image.ImageSize = image.EndAddress - image.StartAddress + 1;
        ScriptedOperator op;
        NoView view;
        RealClock wall;
        RunOptions options;
        options.DoProgram = true;
        options.DoVerify = true;
        options.BatchMode = true;
        uint64_t startAccesses = rig.Sim->AccessCount();
        uint64_t startNs = rig.Sim->GetClock().NowNs();
        state.ResumeTiming();

        Sequencer sequencer(image, rig.Stack->Dev.Flash(), rig.Stack->Dev.Chip, op, wall, view);
        ok = sequencer.RunOperations(options).Succeeded() && ok;

        state.PauseTiming();
        simulatedNs = rig.Sim->GetClock().NowNs() - startNs;
        accesses = rig.Sim->AccessCount() - startAccesses;
        ok = ok && rig.Sim->Violations().empty() && rig.Sim->Flash()[0xFBF3] == 0xF3;
        state.ResumeTiming();
    }
    const double seconds = static_cast<double>(simulatedNs) / 1e9;
    if (!ok)
        state.SkipWithError("the run failed or the simulator saw a protocol violation");
    else if (seconds >= 0.5)
        state.SkipWithError("half a second or more on the port");
    state.counters["accesses"] = static_cast<double>(accesses);
    state.counters["before_port_seconds"] = 16.3;
    state.counters["port_seconds"] = seconds;
}

BENCHMARK(C2VerifyF340)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(C2ProgramF340)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(JtagVerifyF120)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(JtagProgramF120)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(FourByteIslandsF340)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

BENCHMARK_MAIN();
