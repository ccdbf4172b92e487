#pragma once
// A chain entry for tests: a name, its instruction length, its IDCODE.
#include "target/JtagChainList.h"

namespace vorbrant::test {

inline tJTAGChainDevice ChainDevice(std::string name, uint16_t irLength, uint32_t idCode = 0)
{
    tJTAGChainDevice device;
    device.DeviceName = std::move(name);
    device.IRLength = irLength;
    device.IDCode = idCode;
    return device;
}

} // namespace vorbrant::test
