#pragma once
// A whole programmer in one object: the port table with the adapter's port as
// LPT1, the pins, the (initially empty) chain list and the target on top.
#include "common/Operator.h"
#include "lpt/Adapter.h"
#include "lpt/Clock.h"
#include "lpt/PortIo.h"
#include "lpt/PortTable.h"
#include "target/JtagChainList.h"
#include "target/Target.h"

#include <cstdint>

namespace vorbrant {

struct ProgrammerStack {
    PortTable Ports;
    bool IoAccessGranted = true;
    JtagChainList Chain;
    Adapter Pins;
    Target Dev;

    ProgrammerStack(PortIo& io, Clock& clock, Operator& op, uint16_t base = 0x378)
        : Pins(io, Ports, IoAccessGranted), Dev(Pins, clock, op, Chain)
    {
        Ports.SetAddress(1, base);
        Ports.SelectLptPort(1);
    }
    ProgrammerStack(const ProgrammerStack&) = delete;
    ProgrammerStack& operator=(const ProgrammerStack&) = delete;
};

} // namespace vorbrant
