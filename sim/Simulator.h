#pragma once
// The simulated hardware behind the parallel port: the adapter and its target
// (one C2 part, or a JTAG chain), reacting only to the register bytes written
// through PortIo, on a virtual clock. Written from the device's side; it knows
// nothing of the host's protocol code.
#include "lpt/Clock.h"
#include "lpt/PortIo.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorbrant::sim {

struct SimConfig; // sim/SimConfig.h

// The simulator's clock: advances by a fixed time per port access and by
// every sleep, so time-outs and settle times behave as on hardware without
// waiting.
class SimClock : public Clock {
public:
    uint64_t NowNs() override { return now_; }
    void SleepMs(uint32_t ms) override { now_ += uint64_t{ms} * 1000000u; }
    void Advance(uint64_t ns) { now_ += ns; }

private:
    uint64_t now_ = 0;
};

class Simulator : public PortIo {
public:
    static constexpr uint16_t BasePort = 0x378;

    explicit Simulator(const SimConfig& config);
    ~Simulator() override;

    uint8_t PortIn(uint16_t port) override;
    void PortOut(uint16_t port, uint8_t value) override;

    SimClock& GetClock() { return clock_; }
    uint64_t AccessCount() const { return accesses_; }
    // Protocol violations seen so far ("C2D driven by both sides", ...).
    const std::vector<std::string>& Violations() const;

    // Test access to device n of the target (0 for a C2 part or the first
    // JTAG device): code flash followed by the scratchpad.
    std::vector<uint8_t>& Flash(size_t device = 0);
    // Writes flash files back (flash=FILE); false with a reason on failure.
    bool SaveFlash(std::string& error);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    SimClock clock_;
    uint64_t accesses_ = 0;
};

} // namespace vorbrant::sim
