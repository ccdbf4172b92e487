#pragma once
// The lock-byte rules behind the three security dialogs, without widgets:
// which dialog a part gets, the protected range of a C2 security byte, and
// the flash blocks of the JTAG lock bits.
#include "target/ChipInfo.h"

#include <cstdint>
#include <string>

namespace vorbrant {

enum class SecurityDialog : uint8_t {
    SecurityByte,  // "Security byte": C2 parts that count locked pages
    F30xNibbles,   // the F30x dialog: two lock nibbles
    SecurityBytes, // "Security Bytes": the JTAG read and write/erase lock bytes
};

SecurityDialog SecurityDialogFor(const ChipInfo& chip);

// C2 security byte: the number of locked pages from address 0, counted in
// the part's own flash pages (1 KB on the F36x, 512 bytes elsewhere).
uint32_t SecurityPageBytes(const ChipInfo& chip);
// The highest number of pages the operator can choose: every code page
// below the page that holds the lock byte (that page locks with any count).
uint8_t HighestSecurityPages(const ChipInfo& chip);
// Pages x page size, kept in 16 bits as the dialog computes it.
uint16_t ProtectedBytes(uint8_t pages, uint32_t pageBytes);
// "Device unprotected!" or "Secured range 0-01FFH" (an end starting with a
// letter gets a leading 0: "0BFFFH").
std::string SecuredRangeText(uint8_t pages, uint32_t pageBytes);

// JTAG lock bits: eight blocks of the code flash, four on a smaller
// variant (its bits 7..4 cover nothing).
int LockBlockCount(const ChipInfo& chip);
uint32_t LockBlockSize(const ChipInfo& chip);
// The label of bit k: "0000-1FFFH"; empty for a bit that covers no block.
std::string BlockRangeText(const ChipInfo& chip, int bit);

} // namespace vorbrant
