#include "common/StopRequest.h"

#include <csignal>

namespace vorbrant {

namespace {

volatile sig_atomic_t stopSignal = 0;

bool TakeAsStop(int sig)
{
    if ((sig != SIGINT && sig != SIGTERM) || stopSignal != 0)
        return false;
    stopSignal = sig;
    return true;
}

} // namespace

StopRequestScope::StopRequestScope()
{
    stopSignal = 0;
    signal_cleanup::SetStopHook(TakeAsStop);
}

StopRequestScope::~StopRequestScope() { signal_cleanup::SetStopHook(nullptr); }

int StopRequestScope::Signal() { return stopSignal; }

} // namespace vorbrant
