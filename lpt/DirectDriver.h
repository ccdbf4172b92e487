#pragma once
// Port access with the processor's own I/O instructions (x86 only): iopl(3)
// once at start, then one inb/outb per access, at any address a parallel port
// can have.
//
//   DirectDriver driver("/proc/sys/dev/parport");
//   auto r = driver.Start(ports);   // Fatal without root or CAP_SYS_RAWIO
//
// The machine is a template parameter so tests can put a fake under the
// driver while the real one compiles to a bare instruction:
//   Available           constexpr bool: the instructions exist on this build
//   int GrantIo()       0 or an errno
//   void DropIo()
//   uint8_t In(uint16_t port), void Out(uint16_t port, uint8_t value)
#include "lpt/DriverErrors.h"
#include "lpt/IdleLines.h"
#include "lpt/PortDriver.h"

#include <array>
#include <string>
#include <utility>

namespace vorbrant {

// Addresses below this belong to the system board (DMA and interrupt
// controllers, timer, keyboard controller, real-time clock); no parallel port
// lives there, and a mistyped user address must not write into them. Such
// accesses read 0xFF and write nothing.
inline constexpr uint32_t LowestDirectPort = 0x100;

template <class Machine>
class BasicDirectDriver : public PortDriver {
public:
    explicit BasicDirectDriver(std::string procRoot, Machine machine = Machine{})
        : machine_(std::move(machine)), procRoot_(std::move(procRoot))
    {
    }
    ~BasicDirectDriver() override { Shutdown(); }
    BasicDirectDriver(const BasicDirectDriver&) = delete;
    BasicDirectDriver& operator=(const BasicDirectDriver&) = delete;

    StartResult Start(PortTable& ports) override
    {
        Shutdown();
        StartResult result;
        if constexpr (!Machine::Available) {
            granted_ = false;
            result.Fatal = true;
            result.Message = DriverStartFailureMessage(InvalidFunctionCode);
            return result;
        } else {
            int err = machine_.GrantIo();
            if (err != 0) {
                granted_ = false;
                result.Fatal = true;
                result.Message = DriverStartFailureText(err) + "\n" + DirectAccessRefusedText(err);
                return result;
            }
            granted_ = true;
            lowest_ = LowestDirectPort;
            ports.DiscoverParallelPorts(procRoot_, true);
            discovered_ = ports.LptAddresses;
            ports.SelectFirstPort();
            return result;
        }
    }

    // Leaves the discovered ports idle and gives the I/O privilege back.
    void Shutdown() override
    {
        if (lowest_ == NoAccess)
            return;
        for (size_t n = 1; n < discovered_.size(); ++n)
            if (discovered_[n] != 0)
                LeavePortIdle(*this, discovered_[n]);
        lowest_ = NoAccess;
        discovered_.fill(0);
        machine_.DropIo();
    }

    bool IoAccessGranted() const override { return granted_; }

    uint8_t PortIn(uint16_t port) override { return port >= lowest_ ? machine_.In(port) : uint8_t{0xFF}; }
    void PortOut(uint16_t port, uint8_t value) override
    {
        if (port >= lowest_)
            machine_.Out(port, value);
    }

    Machine& GetMachine() { return machine_; }

private:
    // Above every 16-bit address: nothing passes before Start or after Shutdown.
    static constexpr uint32_t NoAccess = 0x10000;

    Machine machine_;
    std::string procRoot_;
    bool granted_ = false;
    uint32_t lowest_ = NoAccess;
    std::array<uint16_t, 9> discovered_{};
};

// The real instructions.
struct X86PortMachine {
#if defined(__x86_64__) || defined(__i386__)
    static constexpr bool Available = true;
#else
    static constexpr bool Available = false;
#endif
    int GrantIo();
    void DropIo();
    uint8_t In(uint16_t port);
    void Out(uint16_t port, uint8_t value);
};

extern template class BasicDirectDriver<X86PortMachine>;
using DirectDriver = BasicDirectDriver<X86PortMachine>;

} // namespace vorbrant
