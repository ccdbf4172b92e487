#pragma once
// A whole programmer in one object, composed in one place: the port table,
// the optional trace recorder in front of the port, the pins, the chain list
// and the target on top.
#include "target/JtagChainList.h"
#include "lpt/Adapter.h"
#include "lpt/Clock.h"
#include "lpt/PortIo.h"
#include "lpt/PortTable.h"
#include "lpt/TracePortIo.h"
#include "target/Target.h"

#include <cstdint>
#include <memory>

namespace vorbrant {

struct ProgrammerStack {
    PortTable Ports;
    bool IoAccessGranted = true;
    // Records every access to the selected port when asked for; it needs
    // the port table, so it lives here with it.
    std::unique_ptr<TracePortIo> Trace;
    JtagChainList Chain;
    Adapter Pins;
    // The adapter the links run on: Pins, or one beside the parallel port
    // (GPIO, FT232H) that its owner keeps alive longer than the stack.
    AdapterSignals& Signals;
    Target Dev;

    // The adapter's port as LPT1 at base (tests, benches).
    ProgrammerStack(PortIo& io, Clock& clock, uint16_t base = 0x378) : ProgrammerStack(io, clock, Lpt1(base), true, false)
    {
    }
    // The port table as the driver (or the simulator) found it.
    ProgrammerStack(PortIo& io, Clock& clock, PortTable ports, bool ioAccessGranted, bool traced,
                    AdapterSignals* other = nullptr)
        : Ports(ports), IoAccessGranted(ioAccessGranted),
          Trace(traced ? std::make_unique<TracePortIo>(io, clock, Ports) : nullptr),
          Pins(Trace ? *Trace : io, Ports, IoAccessGranted), Signals(other ? *other : Pins), Dev(Signals, clock, Chain)
    {
    }
    ProgrammerStack(const ProgrammerStack&) = delete;
    ProgrammerStack& operator=(const ProgrammerStack&) = delete;

    static PortTable Lpt1(uint16_t base)
    {
        PortTable ports;
        ports.SetAddress(1, base);
        ports.SelectLptPort(1);
        return ports;
    }
};

} // namespace vorbrant
