#include "lpt/BoundedCall.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vorbrant {

namespace {

extern "C" void IgnoreTimeLimitSignal(int) {}

int TimeLimitSignal()
{
    return SIGRTMIN + 5;
}

} // namespace

int CallWithTimeLimit(const std::function<int()>& call, uint32_t limitMs, bool& timedOut)
{
    timedOut = false;
    const int sig = TimeLimitSignal();

    struct sigaction action{};
    action.sa_handler = IgnoreTimeLimitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: the blocked call must return EINTR
    struct sigaction previous{};
    if (sigaction(sig, &action, &previous) != 0)
        return call();

    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, sig);
    sigset_t oldMask;
    pthread_sigmask(SIG_UNBLOCK, &unblock, &oldMask);

    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = sig;
    event._sigev_un._tid = static_cast<pid_t>(syscall(SYS_gettid));
    timer_t timer{};
    bool armed = false;
    if (timer_create(CLOCK_MONOTONIC, &event, &timer) == 0) {
        itimerspec limit{};
        limit.it_value.tv_sec = static_cast<time_t>(limitMs / 1000);
        limit.it_value.tv_nsec = static_cast<long>(limitMs % 1000) * 1000000L;
        if (limit.it_value.tv_sec == 0 && limit.it_value.tv_nsec == 0)
            limit.it_value.tv_nsec = 1;
        armed = timer_settime(timer, 0, &limit, nullptr) == 0;
        if (!armed)
            timer_delete(timer);
    }

    int result = call();
    int savedErrno = errno;

    if (armed) {
        itimerspec left{};
        timer_gettime(timer, &left);
        // A one-shot timer that has run out is disarmed.
        timedOut = left.it_value.tv_sec == 0 && left.it_value.tv_nsec == 0;
        timer_delete(timer);
    }
    // A signal raised just after the call is delivered here, while the empty
    // handler is still installed and the signal unblocked.
    pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    sigaction(sig, &previous, nullptr);
    errno = savedErrno;
    return result;
}

} // namespace vorbrant
