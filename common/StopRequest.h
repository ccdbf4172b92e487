#pragma once
// Ctrl-C and SIGTERM as a request to stop, while a StopRequestScope lives:
// the first one sets a flag the run looks at between blocks (it then
// releases the target, closes its files and ends with 130); a second one
// ends the process at once, the way every other signal does
// (common/SignalCleanup.h: temporaries removed, the trace closed).
#include "common/SignalCleanup.h"

namespace vorbrant {

class StopRequestScope {
public:
    StopRequestScope();
    ~StopRequestScope();
    StopRequestScope(const StopRequestScope&) = delete;
    StopRequestScope& operator=(const StopRequestScope&) = delete;

    // The signal that asked to stop, 0 while none did.
    static int Signal();
    static bool Requested() { return Signal() != 0; }

private:
    SignalCleanupScope handlers_;
};

} // namespace vorbrant
