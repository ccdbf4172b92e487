#include "lpt/RealTimeHint.h"

#include <algorithm>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vorbrant {

namespace {

bool HoldsIpcLock()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    return (data[CAP_IPC_LOCK / 32].effective & (1u << (CAP_IPC_LOCK % 32))) != 0;
}

rlim_t LockLimit()
{
    rlimit limit{};
    return getrlimit(RLIMIT_MEMLOCK, &limit) == 0 ? limit.rlim_cur : 0;
}

} // namespace

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
    if (MemoryLockIsSafe(LockLimit(), HoldsIpcLock()))
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
