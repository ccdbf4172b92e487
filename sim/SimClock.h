#pragma once
// The simulator's clock: advances by a fixed time per port access and by
// every sleep, so time-outs and settle times behave as on hardware without
// waiting.
#include "lpt/Clock.h"

#include <cstdint>

namespace vorbrant::sim {

class SimClock final : public Clock {
public:
    uint64_t NowNs() override { return now_; }
    void SleepMs(uint32_t ms) override { now_ += uint64_t{ms} * 1000000u; }
    void Advance(uint64_t ns) { now_ += ns; }
    uint64_t Now() const { return now_; }

private:
    uint64_t now_ = 0;
};

} // namespace vorbrant::sim
