#pragma once
// The devices of a multi-device JTAG chain, in scan order: device 1 nearest the
// adapter's TDI, the last nearest TDO. The chain setup fills it; the JTAG link
// reads the instruction lengths to place its bypass bits.
#include <cstdint>
#include <string>
#include <vector>

namespace vorbrant {

struct tJTAGChainDevice {
    std::string Name;
    uint32_t IDCode = 0;
    uint8_t IRLength = 0;
    bool IsSiLabs = false;
};

struct JtagChainList {
    static constexpr size_t MaxDevices = 10;
    std::vector<tJTAGChainDevice> Devices;
    size_t ChainDeviceCount() const { return Devices.size(); }
};

} // namespace vorbrant
