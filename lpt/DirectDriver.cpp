#include "lpt/DirectDriver.h"

#include <cerrno>
#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#endif

namespace vorbrant {

#if defined(__x86_64__) || defined(__i386__)

int X86PortMachine::GrantIo()
{
    return iopl(3) == 0 ? 0 : errno;
}

void X86PortMachine::DropIo()
{
    iopl(0);
}

uint8_t X86PortMachine::In(uint16_t port)
{
    return inb(port);
}

void X86PortMachine::Out(uint16_t port, uint8_t value)
{
    outb(value, port);
}

#else

// Never called: Start reports the driver as not available on this build.
int X86PortMachine::GrantIo()
{
    return ENOSYS;
}
void X86PortMachine::DropIo() {}
uint8_t X86PortMachine::In(uint16_t)
{
    return 0xFF;
}
void X86PortMachine::Out(uint16_t, uint8_t) {}

#endif

template class BasicDirectDriver<X86PortMachine>;

} // namespace vorbrant
