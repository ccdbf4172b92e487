#pragma once
// Keeps a run on a real port from being preempted or paged out in the middle
// of a clock strobe: a C2 target resets itself when C2CK stays low for more
// than about 20 us.
//
//   {
//       RealTimeHint hint(!usingSimulator);   // SCHED_FIFO + mlockall, if allowed
//       ... the operation ...
//   }                                          // previous policy restored, memory unlocked
//
// When the process may not do either, it silently carries on as it was.
#include <sys/resource.h>

namespace vorbrant {

class RealTimeHint {
public:
    // Priority asked for; low among real-time priorities so that kernel
    // threads and the system's own real-time work still come first.
    static constexpr int FifoPriority = 10;

    explicit RealTimeHint(bool enable = true);
    ~RealTimeHint();
    RealTimeHint(const RealTimeHint&) = delete;
    RealTimeHint& operator=(const RealTimeHint&) = delete;

    bool SchedulingRaised() const { return schedulingRaised_; }
    bool MemoryLocked() const { return memoryLocked_; }

    // Whether locking all memory is harmless: locked pages count against
    // RLIMIT_MEMLOCK unless the process holds CAP_IPC_LOCK, and once the
    // limit is reached every later allocation fails and a growing stack ends
    // in SIGSEGV. So memory is locked only when no finite limit applies.
    static bool MemoryLockIsSafe(rlim_t lockLimit, bool holdsIpcLock)
    {
        return holdsIpcLock || lockLimit == RLIM_INFINITY;
    }

private:
    bool schedulingRaised_ = false;
    bool memoryLocked_ = false;
    int oldPolicy_ = 0;
    int oldPriority_ = 0;
};

} // namespace vorbrant
