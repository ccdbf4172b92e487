#include "lpt/IdleLines.h"

#include "lpt/LptSignals.h"
#include "lpt/PinMap.h"

namespace vorbrant {

void LeavePortIdle(PortIo& io, uint16_t base)
{
    io.PortOut(base, LptLines::Released);
    const PinInfo& mode = PinTable[LptLines::ModePin];
    auto control = static_cast<uint16_t>(base + static_cast<uint8_t>(mode.Register));
    uint8_t v = io.PortIn(control);
    // The port inverts the mode line: high means the bit is clear.
    v = mode.HighWhenClear ? static_cast<uint8_t>(v & ~mode.Mask) : static_cast<uint8_t>(v | mode.Mask);
    io.PortOut(control, v);
}

} // namespace vorbrant
