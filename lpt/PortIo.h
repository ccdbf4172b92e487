#pragma once
// Byte input and output at a 16-bit I/O port address: the one seam between the
// program and the hardware (a real port, ppdev, the simulator, or a test fake).
//
//   uint8_t status = io.PortIn(base + 1);
//   io.PortOut(base, 0x8F);
//
// Implementations: PortDriver (lpt/PortDriver.h), TracePortIo, the simulator.
#include <cstdint>

namespace vorbrant {

class PortIo {
public:
    virtual ~PortIo() = default;
    virtual uint8_t PortIn(uint16_t port) = 0;
    virtual void PortOut(uint16_t port, uint8_t value) = 0;
};

} // namespace vorbrant
