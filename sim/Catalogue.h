#pragma once
// The derivatives the simulator can stand in for: one row per concrete part
// that the identification probes tell apart. Data only.
#include <cstdint>
#include <span>
#include <string_view>

namespace vorbrant::sim {

enum class SimLink : uint8_t { C2, Jtag };

// How the part keeps its flash protection.
enum class LockKind : uint8_t {
    F30xNibbles, // C2, one byte: low nibble read/write lock, high nibble write lock
    PageCount,   // C2, one byte: its complement = pages locked from address 0
    JtagBlocks,  // JTAG, two bytes: read lock at LockAddress, write/erase lock below it, one bit per block
};

// Where the part shows its security byte outside the flash array.
enum class SecurityRegister : uint8_t {
    None,    // only through an FPI block read of the lock byte
    B5,      // C2 register 0xB5 holds NOT(top page - locked pages)
    B4,      // the same at 0xB4 (F34x, whose FPDAT is 0xAD)
    PagedB5, // with register 0xA7 = 1, register 0xB5 holds the lock byte itself
};

struct Derivative {
    const char* Name;         // the name used in --sim= ("F340")
    const char* Stands;       // the parts of the family this row stands for
    SimLink Link;
    uint16_t DeviceCode;      // C2 DEVICEID, or JTAG IDCODE bits 12..27
    uint8_t Revision;         // C2 REVID, or JTAG IDCODE bits 28..31
    uint32_t FlashBytes;      // real code flash, reserved area included
    uint32_t ReadableEnd;     // highest code address the link can read
    uint32_t LockAddress;     // C2 security byte / JTAG read-lock byte (write/erase lock one below)
    LockKind Lock;
    uint16_t ScratchpadBytes; // 0 = none
    uint8_t FpdatAddress;     // C2 only
    SecurityRegister SecurityReg;
    uint16_t FlashRegBase;    // JTAG only: IR state field of the flash register instructions
    uint8_t FlashAdrBits;     // JTAG only: width of FLASHADR
    uint8_t LockBlocks;       // JTAG only: blocks covered by each lock byte (8, or 4 on reduced parts)
    uint16_t PageBytes;       // flash page: what a page erase clears, what a C2 page lock covers
};

std::span<const Derivative> DerivativeTable();
// Case-insensitive lookup ("f340" finds F340); nullptr when unknown.
const Derivative* FindDerivative(std::string_view name);
// The 32-bit JTAG identification word of a JTAG part.
uint32_t JtagIdCode(const Derivative& d, uint8_t revision);

} // namespace vorbrant::sim
