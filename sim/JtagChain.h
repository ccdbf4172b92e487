#pragma once
// The simulated scan chain: devices in scan order, device 1 nearest the
// adapter's TDI, the last one driving the adapter's TDO input. All TAPs see
// the same TCK and TMS; each device's TDI is the TDO of the one before it.
#include "sim/JtagDevice.h"

#include <vector>

namespace vorbrant::sim {

class JtagChain {
public:
    JtagChain(SimClock& clock, ViolationLog& log) : clock_(clock), log_(log) {}

    void Add(JtagDevice device) { devices_.push_back(std::move(device)); }
    bool Empty() const { return devices_.empty(); }
    size_t Size() const { return devices_.size(); }
    JtagDevice& Device(size_t index) { return devices_[index]; }
    const JtagDevice& Device(size_t index) const { return devices_[index]; }

    void Rising(bool tms, bool tdi)
    {
        // Each device takes the TDO its neighbour set at the last falling edge.
        bool in = tdi;
        for (auto& device : devices_) {
            bool next = device.TdoLevel();
            device.Rising(tms, in);
            in = next;
        }
    }
    void Falling();
    // The chain's TDO (pulled high with no device shifting, or no device).
    bool Tdo() const { return devices_.empty() ? true : devices_.back().TdoLevel(); }

private:
    SimClock& clock_;
    ViolationLog& log_;
    std::vector<JtagDevice> devices_;
};

} // namespace vorbrant::sim
