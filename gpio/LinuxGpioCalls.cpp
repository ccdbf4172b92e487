#include "gpio/GpioCalls.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vorbrant {

namespace {

// Only async-signal-safe calls: ioctl and close.
void ReleaseOnSignal(const char*, void* context)
{
    auto* release = static_cast<GpioSignalRelease*>(context);
    if (release->Fd < 0)
        return;
    ::ioctl(release->Fd, GPIO_V2_LINE_SET_CONFIG_IOCTL, &release->InputConfig);
    ::close(release->Fd);
    release->Fd = -1;
}

class LinuxGpioCalls final : public GpioCalls {
public:
    int Open(const char* path) override
    {
        int fd = ::open(path, O_RDWR | O_CLOEXEC);
        return fd < 0 ? -errno : fd;
    }
    int Ioctl(int fd, unsigned long request, void* arg) override
    {
        int rc;
        do
            rc = ::ioctl(fd, request, arg);
        while (rc < 0 && errno == EINTR);
        return rc < 0 ? -errno : 0;
    }
    void Close(int fd) override { ::close(fd); }
    signal_cleanup::Action SignalRelease() const override { return &ReleaseOnSignal; }
};

} // namespace

std::unique_ptr<GpioCalls> MakeLinuxGpioCalls() { return std::make_unique<LinuxGpioCalls>(); }

} // namespace vorbrant
