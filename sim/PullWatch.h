#pragma once
// The simulator behind a port that notes the port time at which the target
// was pulled (remove-after=): how long a run takes to notice.
#include "lpt/PortIo.h"
#include "sim/Simulator.h"

#include <cstdint>

namespace vorbrant::sim {

class PullWatch : public PortIo {
public:
    explicit PullWatch(Simulator& sim) : sim_(sim) {}
    uint8_t PortIn(uint16_t port) override
    {
        uint8_t value = sim_.PortIn(port);
        Note();
        return value;
    }
    void PortOut(uint16_t port, uint8_t value) override
    {
        sim_.PortOut(port, value);
        Note();
    }
    uint64_t PulledAtNs = 0; // 0 while the target is still there

private:
    void Note()
    {
        if (PulledAtNs == 0 && sim_.TargetRemoved())
            PulledAtNs = sim_.GetClock().Now();
    }
    Simulator& sim_;
};

} // namespace vorbrant::sim
