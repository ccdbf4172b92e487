#pragma once
// Time for the protocol layers: the real monotonic clock, or the simulator's
// virtual clock that advances with every port access and every sleep.
//
//   RealClock clock;
//   uint64_t deadline = clock.NowMs() + 500;
//   while (busy() && clock.NowMs() <= deadline) ...
//   clock.SleepMs(20);
#include <cstdint>

namespace vorbrant {

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic time in nanoseconds since an arbitrary start.
    virtual uint64_t NowNs() = 0;
    virtual void SleepMs(uint32_t ms) = 0;

    uint64_t NowMs() { return NowNs() / 1000000u; }
};

// The real clock: CLOCK_MONOTONIC and nanosleep.
class RealClock : public Clock {
public:
    uint64_t NowNs() override;
    void SleepMs(uint32_t ms) override;
};

} // namespace vorbrant
