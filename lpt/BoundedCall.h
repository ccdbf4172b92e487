#pragma once
// A blocking system call with a time limit, for the few calls that have no
// time-out of their own (claiming a parallel port another program holds).
//
//   bool timedOut = false;
//   int r = CallWithTimeLimit([&] { return ::ioctl(fd, PPCLAIM); }, 1000, timedOut);
//
// A one-shot timer sends a signal to the calling thread when the limit is
// reached; the signal's handler does nothing and is installed without
// SA_RESTART, so the call returns -1 with errno EINTR. The previous handler
// and signal mask are restored before returning.
#include <cstdint>
#include <functional>

namespace vorbrant {

// Returns call()'s result with its errno intact. timedOut tells whether the
// limit was reached. When the timer cannot be set up, the call runs without
// a limit.
int CallWithTimeLimit(const std::function<int()>& call, uint32_t limitMs, bool& timedOut);

} // namespace vorbrant
