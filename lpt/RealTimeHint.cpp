#include "lpt/RealTimeHint.h"

#include <algorithm>
#include <sched.h>
#include <sys/mman.h>

namespace vorbrant {

RealTimeHint::RealTimeHint(bool enable)
{
    if (!enable)
        return;
    sched_param old{};
    oldPolicy_ = sched_getscheduler(0);
    if (oldPolicy_ >= 0 && sched_getparam(0, &old) == 0 && oldPolicy_ != SCHED_FIFO && oldPolicy_ != SCHED_RR) {
        oldPriority_ = old.sched_priority;
        sched_param fifo{};
        fifo.sched_priority = std::clamp(FifoPriority, sched_get_priority_min(SCHED_FIFO),
                                         sched_get_priority_max(SCHED_FIFO));
        schedulingRaised_ = sched_setscheduler(0, SCHED_FIFO, &fifo) == 0;
    }
    memoryLocked_ = mlockall(MCL_CURRENT | MCL_FUTURE) == 0;
}

RealTimeHint::~RealTimeHint()
{
    if (memoryLocked_)
        munlockall();
    if (schedulingRaised_) {
        sched_param old{};
        old.sched_priority = oldPriority_;
        sched_setscheduler(0, oldPolicy_, &old);
    }
}

} // namespace vorbrant
