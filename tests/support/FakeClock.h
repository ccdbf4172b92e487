#pragma once
// The clock double of the tests: time only moves when the code under test
// sleeps (by the time asked for) or, with StepNs set, by StepNs at every
// reading. Sleeps are recorded.
//
//   FakeClock clock;
//   clock.Now = 1000;                    // set by hand
//   clock.StepNs = 1000;                 // or let every NowNs() move on 1 us
//   ... run the code under test ...
//   EXPECT_THAT(clock.Sleeps, ElementsAre(20u, 30u));
#include "lpt/Clock.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vorbrant::test {

class FakeClock : public Clock {
public:
    uint64_t NowNs() override { return Now += StepNs; }
    void SleepMs(uint32_t ms) override
    {
        Sleeps.push_back(ms);
        Now += uint64_t{ms} * 1000000u;
        if (OnSleep)
            OnSleep(ms);
    }

    uint64_t Now = 0;
    uint64_t StepNs = 0;
    std::vector<uint32_t> Sleeps;
    std::function<void(uint32_t)> OnSleep; // e.g. to note where in the traffic a sleep fell
};

} // namespace vorbrant::test
