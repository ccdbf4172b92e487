#pragma once
// The kernel under the GPIO adapter: open(2), ioctl(2) with the character
// device's uAPI v2 requests (<linux/gpio.h>) and close(2), behind one small
// interface so that tests and the simulator's GPIO shim stand in for the
// kernel.
//
//   std::unique_ptr<GpioCalls> calls = MakeLinuxGpioCalls();
//   int chip = calls->Open("/dev/gpiochip0");      // descriptor or -errno
//   calls->Ioctl(chip, GPIO_V2_GET_LINE_IOCTL, &request);
#include "common/SignalCleanup.h"

#include <linux/gpio.h>

#include <memory>

namespace vorbrant {

class GpioCalls {
public:
    virtual ~GpioCalls() = default;
    // A descriptor, or -errno.
    virtual int Open(const char* path) = 0;
    // 0, or -errno.
    virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual void Close(int fd) = 0;
    // An action a signal handler may run on a line request (context: the
    // GpioSignalRelease of the request) to set its lines to inputs and close
    // it; null where the descriptors are not the kernel's.
    virtual signal_cleanup::Action SignalRelease() const { return nullptr; }
};

// What the signal action needs, prepared before the lines are taken.
struct GpioSignalRelease {
    int Fd = -1;
    gpio_v2_line_config InputConfig{}; // every line an input
};

std::unique_ptr<GpioCalls> MakeLinuxGpioCalls();

} // namespace vorbrant
