#pragma once
// A whole programmer on a simulated adapter and target, in one line: one
// part and its options (SimRig rig("F340,lock=FE")), or a board in the
// simulator's INI form, a chain of devices or one part with its options
// (SimRig rig("[Device1]\nPart=F020\n")).
#include "sim/SimConfig.h"
#include "sim/Simulator.h"
#include "target/ProgrammerStack.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vorbrant::test {

struct SimRig {
    explicit SimRig(const std::string& simText)
    {
        std::string error;
        Parsed = simText.starts_with('[') ? sim::ParseSimIni(simText, "board.ini", Config, error)
                                          : sim::ParseSimSpec(simText, Config, error);
        EXPECT_TRUE(Parsed) << simText << ": " << error;
        Sim = std::make_unique<sim::Simulator>(Config);
        Stack = std::make_unique<ProgrammerStack>(*Sim, Sim->GetClock());
    }

    // Port accesses a connect of the part takes, so that a fault
    // (remove-after=) can be placed after it.
    static uint64_t ConnectAccesses(const std::string& simText)
    {
        SimRig rig(simText);
        rig.Dev().ConnectTarget();
        return rig.Sim->AccessCount();
    }

    Target& Dev() { return Stack->Dev; }
    ChipInfo& Chip() { return Stack->Dev.Chip; }
    uint64_t NowMs() { return Sim->GetClock().NowMs(); }

    sim::SimConfig Config;
    bool Parsed = false;
    std::unique_ptr<sim::Simulator> Sim;
    std::unique_ptr<ProgrammerStack> Stack;
};

} // namespace vorbrant::test
