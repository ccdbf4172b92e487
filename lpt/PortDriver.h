#pragma once
// The port-access driver: grants this process access to the parallel-port
// registers at start and gives it back at the end. Usage (before any window):
//
//   auto driver = MakePortDriver("ppdev");          // or "direct"; nullptr if unknown
//   PortDriver::StartResult r = driver->Start(stack.Ports);
//   if (!r.Message.empty()) op.ShowMessage(MessageKind::Error, r.Message);
//   if (r.Fatal) { driver->Shutdown(); return 6; }   // exit code 6 headless
//   stack.IoAccessGranted = driver->IoAccessGranted();
//   ... every port access goes through *driver (a PortIo) ...
//   driver->Shutdown();                              // also run by the destructor;
//                                                    // call it before std::exit
//
// Shutdown leaves every port the driver used with the data register at 0xFF
// and the mode line (pin 14) high, the way a released target leaves it.
#include "lpt/PortIo.h"
#include "lpt/PortTable.h"

#include <memory>
#include <string>
#include <string_view>

namespace vorbrant {

class PortDriver : public PortIo {
public:
    struct StartResult {
        bool Fatal = false;  // the program cannot go on (exit code 6 headless)
        std::string Message; // error box text; empty = nothing to show
    };

    // Grants access, discovers the ports into the table and selects the first.
    virtual StartResult Start(PortTable& ports) = 0;
    // Idempotent; also run by the destructor.
    virtual void Shutdown() = 0;
    virtual bool IoAccessGranted() const = 0;
};

inline constexpr const char* DefaultProcRoot = "/proc/sys/dev/parport";
inline constexpr const char* DefaultDevRoot = "/dev";

// "ppdev": /dev/parportN with PPCLAIM and the register ioctls (the default).
// "direct": iopl(3) and inb/outb on x86 (needs root or CAP_SYS_RAWIO).
// nullptr for any other kind. The folders are parameters so tests can use
// fake trees.
std::unique_ptr<PortDriver> MakePortDriver(std::string_view kind, std::string procRoot = DefaultProcRoot,
                                           std::string devRoot = DefaultDevRoot);

} // namespace vorbrant
