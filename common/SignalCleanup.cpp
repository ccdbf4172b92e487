#include "common/SignalCleanup.h"

#include <cstring>
#include <iterator>
#include <unistd.h>

namespace vorbrant {

namespace {

// Every signal whose default action ends the process and that a handler can
// catch.
constexpr int Fatal[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT, SIGBUS,  SIGFPE,
                         SIGUSR1, SIGSEGV, SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ,
                         SIGVTALRM, SIGPROF, SIGIO, SIGPWR, SIGSYS
#ifdef SIGSTKFLT
                         , SIGSTKFLT
#endif
};

struct Slot {
    volatile sig_atomic_t Armed = 0;
    signal_cleanup::Action Run = nullptr;
    void* Context = nullptr;
    char Path[signal_cleanup::MaxPath];
};

// A save, the trace, the lock files of a chain of ten flash files and of the
// configuration, with room to spare.
Slot slots[24];
int scopes = 0;
struct sigaction previous[std::size(Fatal)];
bool installed[std::size(Fatal)];
sigset_t fatalSet;
bool setMade = false;

volatile signal_cleanup::StopHook stopHook = nullptr;

void OnFatalSignal(int sig)
{
    if (signal_cleanup::StopHook hook = stopHook; hook && hook(sig))
        return;
    for (Slot& slot : slots)
        if (slot.Armed) {
            slot.Armed = 0;
            slot.Run(slot.Path, slot.Context);
        }
    for (size_t i = 0; i < std::size(Fatal); ++i)
        if (Fatal[i] == sig && installed[i])
            sigaction(sig, &previous[i], nullptr);
    // Blocked while its handler runs: it takes its usual effect on return.
    raise(sig);
}

} // namespace

const sigset_t& signal_cleanup::Signals()
{
    if (!setMade) {
        sigemptyset(&fatalSet);
        for (int sig : Fatal)
            sigaddset(&fatalSet, sig);
        setMade = true;
    }
    return fatalSet;
}

SignalCleanupScope::SignalCleanupScope()
{
    if (scopes++ > 0)
        return;
    sigset_t saved;
    pthread_sigmask(SIG_BLOCK, &signal_cleanup::Signals(), &saved);
    for (size_t i = 0; i < std::size(Fatal); ++i) {
        installed[i] = false;
        struct sigaction current {};
        if (sigaction(Fatal[i], nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) ||
            current.sa_handler != SIG_DFL)
            continue;
        struct sigaction action {};
        action.sa_handler = OnFatalSignal;
        action.sa_mask = signal_cleanup::Signals();
        // A signal taken as a stop request must not cut a file operation short.
        action.sa_flags = SA_RESTART;
        installed[i] = sigaction(Fatal[i], &action, &previous[i]) == 0;
    }
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

SignalCleanupScope::~SignalCleanupScope()
{
    if (--scopes > 0)
        return;
    sigset_t saved;
    pthread_sigmask(SIG_BLOCK, &signal_cleanup::Signals(), &saved);
    for (size_t i = 0; i < std::size(Fatal); ++i)
        if (installed[i]) {
            sigaction(Fatal[i], &previous[i], nullptr);
            installed[i] = false;
        }
    // A signal that came meanwhile is delivered now, with its usual effect.
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

int signal_cleanup::Arm(const char* path, Action action, void* context)
{
    const size_t length = std::strlen(path);
    if (length >= MaxPath)
        return -1;
    for (size_t i = 0; i < std::size(slots); ++i) {
        Slot& slot = slots[i];
        if (slot.Armed || slot.Run)
            continue;
        std::memcpy(slot.Path, path, length + 1);
        slot.Context = context;
        slot.Run = action;
        slot.Armed = 1;
        return static_cast<int>(i);
    }
    return -1;
}

void signal_cleanup::Disarm(int slot)
{
    if (slot < 0 || static_cast<size_t>(slot) >= std::size(slots))
        return;
    slots[slot].Armed = 0;
    slots[slot].Run = nullptr;
}

void signal_cleanup::SetStopHook(StopHook hook) { stopHook = hook; }

void signal_cleanup::Remove(const char* path, void*)
{
    unlink(path);
}

} // namespace vorbrant
