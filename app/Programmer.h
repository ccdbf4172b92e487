#pragma once
// The programmer below the window, composed once by main(): the port table,
// the pin model on the selected port, the target with its links, the chain
// list, and the clock of the port (virtual under the simulator).
#include "lpt/Adapter.h"
#include "lpt/Clock.h"
#include "lpt/PortTable.h"
#include "target/JtagChainList.h"
#include "target/Target.h"

namespace vorbrant {

struct Programmer {
    PortTable& Ports;
    bool& IoAccessGranted;
    JtagChainList& Chain;
    Adapter& Pins;
    Target& Dev;
    Clock& Clk;
};

} // namespace vorbrant
