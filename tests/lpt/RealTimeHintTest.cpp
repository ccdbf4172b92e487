// The real-time hint: raises the scheduling class and locks memory when the
// process may, and always puts things back.
#include "lpt/RealTimeHint.h"

#include <linux/capability.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST(RealTimeHint, LocksMemoryOnlyWhereNoLimitCanBeReached)
{
    constexpr rlim_t EightMiB = rlim_t{8} << 20;
    EXPECT_TRUE(RealTimeHint::MemoryLockIsSafe(RLIM_INFINITY, false));
    EXPECT_TRUE(RealTimeHint::MemoryLockIsSafe(EightMiB, true));
    EXPECT_TRUE(RealTimeHint::MemoryLockIsSafe(0, true));
    EXPECT_FALSE(RealTimeHint::MemoryLockIsSafe(EightMiB, false));
    EXPECT_FALSE(RealTimeHint::MemoryLockIsSafe(RLIM_INFINITY - 1, false));

    // A process under a finite limit and without CAP_IPC_LOCK: in a child, so
    // the dropped capability and the limit stay there.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (syscall(SYS_capget, &header, data) != 0)
            _exit(2);
        data[CAP_IPC_LOCK / 32].effective &= ~(1u << (CAP_IPC_LOCK % 32));
        rlimit limit{};
        if (syscall(SYS_capset, &header, data) != 0 || getrlimit(RLIMIT_MEMLOCK, &limit) != 0)
            _exit(2);
        if (limit.rlim_cur == RLIM_INFINITY) {
            limit.rlim_cur = EightMiB;
            if (setrlimit(RLIMIT_MEMLOCK, &limit) != 0)
                _exit(2);
        }
        RealTimeHint hint;
        _exit(hint.MemoryLocked() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "cannot drop CAP_IPC_LOCK here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "memory was locked under a finite limit";
}

} // namespace
} // namespace vorbrant
