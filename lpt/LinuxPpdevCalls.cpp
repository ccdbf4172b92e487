#include "lpt/PpdevCalls.h"

#include "lpt/BoundedCall.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vorbrant {

int LinuxPpdevCalls::Open(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
}

int LinuxPpdevCalls::Claim(int fd)
{
    // PPCLAIM waits, without a limit, for another holder to let go.
    bool timedOut = false;
    int r = CallWithTimeLimit([fd] { return ::ioctl(fd, PPCLAIM); }, ClaimTimeoutMs, timedOut);
    if (r == 0)
        return 0;
    if (timedOut || errno == EINTR)
        return EBUSY;
    return errno;
}

void LinuxPpdevCalls::Release(int fd)
{
    ::ioctl(fd, PPRELEASE);
}

void LinuxPpdevCalls::Close(int fd)
{
    ::close(fd);
}

bool LinuxPpdevCalls::ReadRegister(int fd, PortRegister reg, uint8_t& value)
{
    unsigned char v = 0xFF;
    unsigned long request = reg == PortRegister::Data ? PPRDATA : reg == PortRegister::Status ? PPRSTATUS : PPRCONTROL;
    if (::ioctl(fd, request, &v) != 0)
        return false;
    value = v;
    return true;
}

void LinuxPpdevCalls::WriteRegister(int fd, PortRegister reg, uint8_t value)
{
    unsigned char v = value;
    if (reg == PortRegister::Data)
        ::ioctl(fd, PPWDATA, &v);
    else if (reg == PortRegister::Control)
        ::ioctl(fd, PPWCONTROL, &v);
}

} // namespace vorbrant
