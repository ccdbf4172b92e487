#pragma once
// What must not outlive a process that a signal ends: the temporary of a
// save in progress, the trace being recorded, a lock file. A signal handler
// reaches only static storage, so each piece of work sits in one of a few
// fixed slots, with its path and an action that uses only async-signal-safe
// calls. The handler runs the armed slots, then lets the signal take its
// usual effect.
//
// The handlers stand while a SignalCleanupScope lives, for every signal
// that can be caught and ends the process (SIGINT, SIGTERM, SIGHUP, SIGQUIT,
// SIGPIPE, SIGXFSZ, SIGXCPU, SIGALRM, SIGUSR1/2, SIGABRT, SIGSEGV, ...),
// each only where it still has its default action: a program that turns a
// signal into an orderly stop (the window) keeps it.
#include <csignal>
#include <cstddef>

namespace vorbrant {

class SignalCleanupScope {
public:
    SignalCleanupScope();
    ~SignalCleanupScope();
    SignalCleanupScope(const SignalCleanupScope&) = delete;
    SignalCleanupScope& operator=(const SignalCleanupScope&) = delete;
};

namespace signal_cleanup {

// Called from the handler with the slot's path and context.
using Action = void (*)(const char* path, void* context);
inline constexpr size_t MaxPath = 4200;

// The signals the handlers stand for (to block them around an arming).
const sigset_t& Signals();
// Returns the slot, or -1 when all are taken or the path is too long.
int Arm(const char* path, Action action, void* context);
void Disarm(int slot);
// The action that removes the file at path.
void Remove(const char* path, void* context);

// Asked first, from the handler, with the signal: true takes the signal as
// a request to stop (common/StopRequest.h) and the process goes on; false
// lets it end the process as above. Null (the default) for none.
using StopHook = bool (*)(int sig);
void SetStopHook(StopHook hook);

} // namespace signal_cleanup

} // namespace vorbrant
