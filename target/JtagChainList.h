#pragma once
// The devices of a multi-device JTAG chain, in scan order: device 1 nearest the
// adapter's TDI, the last nearest TDO. The chain setup and JCF files fill it;
// the JTAG link places its bypass bits from the instruction lengths
// (FillAround); the hardware check compares the IDCODEs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorbrant {

struct tJTAGChainDevice {
    std::string DeviceName;
    uint16_t IRLength = 0;
    uint16_t BSLength = 0;
    uint32_t IDCode = 0;       // 0 = the device has no ID code
    std::string ProgFileName;  // empty = no programming file
};

struct JtagChainList {
    static constexpr size_t MaxChainDevices = 10;
    std::vector<tJTAGChainDevice> Devices;
    size_t ChainDeviceCount() const { return Devices.size(); }
};

// The bypass bits around one device of the chain. "Before" bits are shifted
// in ahead of the device's own (the devices nearer TDO), "after" bits behind
// them. Sums of instruction lengths may exceed 255 in a long chain.
struct ChainFill {
    uint32_t IrBefore = 0;
    uint32_t IrAfter = 0;
    uint32_t DrBefore = 0;
    uint32_t DrAfter = 0;
};

// The fill around the device at this 1-based position; position 0, one past
// the end of the chain, or an empty chain mean a single device (no fill).
ChainFill FillAround(const JtagChainList& chain, uint8_t position);

} // namespace vorbrant
