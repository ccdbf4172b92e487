// The real-time hint: raises the scheduling class and locks memory when the
// process may, and always puts things back.
#include "lpt/RealTimeHint.h"

#include <sched.h>

#include <gtest/gtest.h>

namespace vorbrant {
namespace {

TEST(RealTimeHint, RestoresTheSchedulingItChanged)
{
    const int before = sched_getscheduler(0);
    sched_param beforeParam{};
    sched_getparam(0, &beforeParam);
    {
        RealTimeHint hint;
        int during = sched_getscheduler(0);
        if (hint.SchedulingRaised()) {
            EXPECT_EQ(during, SCHED_FIFO);
            sched_param p{};
            sched_getparam(0, &p);
            EXPECT_EQ(p.sched_priority, RealTimeHint::FifoPriority);
        } else {
            EXPECT_EQ(during, before);
        }
    }
    EXPECT_EQ(sched_getscheduler(0), before);
    sched_param afterParam{};
    sched_getparam(0, &afterParam);
    EXPECT_EQ(afterParam.sched_priority, beforeParam.sched_priority);
}

TEST(RealTimeHint, DisabledDoesNothing)
{
    const int before = sched_getscheduler(0);
    RealTimeHint hint(false);
    EXPECT_FALSE(hint.SchedulingRaised());
    EXPECT_FALSE(hint.MemoryLocked());
    EXPECT_EQ(sched_getscheduler(0), before);
}

} // namespace
} // namespace vorbrant
