#pragma once
// A programmer on a simulated board described in the simulator's INI form
// (a chain of devices, or one part with its options).
#include "sim/SimConfig.h"
#include "sim/Simulator.h"
#include "target/ProgrammerStack.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vorbrant::test {

struct SimBoard {
    explicit SimBoard(const std::string& ini)
    {
        std::string error;
        EXPECT_TRUE(sim::ParseSimIni(ini, "board.ini", Config, error)) << error;
        Sim = std::make_unique<sim::Simulator>(Config);
        Stack = std::make_unique<ProgrammerStack>(*Sim, Sim->GetClock());
    }
    sim::SimConfig Config;
    std::unique_ptr<sim::Simulator> Sim;
    std::unique_ptr<ProgrammerStack> Stack;
};

} // namespace vorbrant::test
