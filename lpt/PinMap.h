#pragma once
// The 17 signal pins of the 25-pin parallel-port connector: which register
// holds each pin, which bit, and whether the port inverts it in hardware.
//
//   const PinInfo& p = PinTable[11];
//   bool high = PinLevel(p, io.PortIn(base + static_cast<uint8_t>(p.Register)));
#include <array>
#include <cstdint>

namespace vorbrant {

enum class PortRegister : uint8_t { Data = 0, Status = 1, Control = 2 };

struct PinInfo {
    PortRegister Register;
    uint8_t Mask;
    bool HighWhenClear; // the port inverts this line
    bool Settable;      // an output the program may drive
};

// Index = pin number; entry 0 is unused.
inline constexpr std::array<PinInfo, 18> PinTable{{
    {PortRegister::Data, 0x00, false, false},   // (no pin 0)
    {PortRegister::Control, 0x01, true, true},  // 1  strobe
    {PortRegister::Data, 0x01, false, true},    // 2  D0
    {PortRegister::Data, 0x02, false, true},    // 3  D1
    {PortRegister::Data, 0x04, false, true},    // 4  D2
    {PortRegister::Data, 0x08, false, true},    // 5  D3
    {PortRegister::Data, 0x10, false, true},    // 6  D4
    {PortRegister::Data, 0x20, false, true},    // 7  D5
    {PortRegister::Data, 0x40, false, true},    // 8  D6
    {PortRegister::Data, 0x80, false, true},    // 9  D7
    {PortRegister::Status, 0x40, false, false}, // 10 ack
    {PortRegister::Status, 0x80, true, false},  // 11 busy
    {PortRegister::Status, 0x20, false, false}, // 12 paper out
    {PortRegister::Status, 0x10, false, false}, // 13 select
    {PortRegister::Control, 0x02, true, true},  // 14 auto feed (mode line)
    {PortRegister::Status, 0x08, false, false}, // 15 error
    {PortRegister::Control, 0x04, false, true}, // 16 init
    {PortRegister::Control, 0x08, true, true},  // 17 select in
}};

inline constexpr uint8_t FirstPin = 1;
inline constexpr uint8_t LastPin = 17;

// Level of a pin given the raw value of its register.
constexpr bool PinLevel(const PinInfo& p, uint8_t registerValue)
{
    bool set = (registerValue & p.Mask) != 0;
    return p.HighWhenClear ? !set : set;
}

} // namespace vorbrant
