#pragma once
// The identified target, filled by ConnectTarget.
#include <cstdint>
#include <string>

namespace vorbrant {

struct ChipInfo {
    bool C2Mode = false;
    uint16_t DeviceCode = 0;
    uint8_t DeviceRevision = 0;
    std::string DerivativeName;
    uint16_t FlashSizeKB = 0;
    uint32_t FlashEnd = 0;          // 0 = not identified
    uint16_t LockByteAddress = 0;
    uint16_t ScratchpadSize = 0;    // 0 = none
    bool SmallerVariant = false;
    uint8_t FpdatAddress = 0xB4;    // C2 address of FPDAT
    uint16_t FlashRegBase = 0x4000; // JTAG flash register instructions
};

} // namespace vorbrant
