#pragma once
// The state a released port is left in: data register 0xFF (every data line
// high) and the mode line, pin 14, high.
//
//   LeavePortIdle(io, base);   // one data write, one control read and write
#include "lpt/PortIo.h"

#include <cstdint>

namespace vorbrant {

void LeavePortIdle(PortIo& io, uint16_t base);

} // namespace vorbrant
