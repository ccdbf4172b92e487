#pragma once
// The adapter on the selected parallel port: the pin model over the three port
// registers, the data-register shadow of the bit engines, and detection of the
// adapter and its generation.
//
//   Adapter pins(io, ports, ioAccessGranted);
//   if (pins.DetectAdapter()) { ... pins.AdapterName, pins.SecondGeneration ... }
//   bool tdo = pins.ReadPin(11);
//   pins.SetPin(14, false);
#include "lpt/PortIo.h"
#include "lpt/PortTable.h"

#include <cstdint>
#include <string>

namespace vorbrant {

class Adapter {
public:
    // ports supplies LptBase; ioAccessGranted gates every pin operation.
    Adapter(PortIo& io, const PortTable& ports, const bool& ioAccessGranted)
        : io_(io), ports_(ports), ioAccessGranted_(ioAccessGranted)
    {
    }

    // Level of connector pin 1..17 (one PortIn). False outside 1..17 and while
    // port access is not granted.
    bool ReadPin(uint8_t pin);
    // Sets an output pin to a level (one PortIn, one PortOut); input pins and
    // pins outside 1..17 are ignored.
    void SetPin(uint8_t pin, bool high);
    // Writes the data register (no shadow update: callers keep DataShadow).
    // Nothing is written while port access is not granted.
    void WriteData(uint8_t value)
    {
        if (ioAccessGranted_)
            io_.PortOut(ports_.LptBase, value);
    }
    // The loop-back test of the adapter; sets AdapterName, SecondGeneration
    // and DataShadow.
    bool DetectAdapter();

    uint16_t Base() const { return ports_.LptBase; }
    PortIo& Io() { return io_; }

    uint8_t DataShadow = 0xFF;
    std::string AdapterName = "Ironquill";
    bool SecondGeneration = false;

private:
    PortIo& io_;
    const PortTable& ports_;
    const bool& ioAccessGranted_;
};

} // namespace vorbrant
