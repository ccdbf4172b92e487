#pragma once
// The identified target, filled by ConnectTarget from the identification
// tables: what it is, and the facts the programmer needs about it.
#include <cstdint>
#include <string>

namespace vorbrant {

// How a part keeps its flash protection.
enum class SecurityAccess : uint8_t {
    C2PageCount, // one C2 byte: its complement is the count of locked 512-byte pages
    F30xNibbles, // one C2 byte of two lock nibbles (the F30x family)
    JtagBlocks,  // two JTAG bytes at the top of the code area, one bit per block
};

// Where a C2 part shows its security byte.
enum class C2SecurityPath : uint8_t {
    Fpdat,          // a one-byte block read of the lock byte
    InvertedB5,     // C2 register 0xB5 holds the inverted count of locked pages
    InvertedB4,     // the same at 0xB4
    WindowB5,       // with register 0xA7 = 1, register 0xB5 holds the lock byte
};

// Where the User data (scratchpad) area of a JTAG part is reached: its
// offset 0 is Base in the code address space with AreaFlags in FLASHCON,
// and EraseAddress (with AreaFlags) erases its first sector; each further
// sector is erased at its own offset from there.
inline constexpr uint32_t UserDataSectorBytes = 128;

struct UserDataMap {
    bool Mapped = false;
    uint32_t Base = 0;
    uint8_t AreaFlags = 0;
    uint32_t EraseAddress = 0;
};

struct ChipInfo {
    bool C2Mode = false;
    uint16_t DeviceCode = 0;
    uint8_t DeviceRevision = 0;
    std::string DerivativeName;
    uint16_t FlashSizeKB = 0;
    uint32_t FlashEnd = 0;          // 0 = not identified
    uint16_t LockByteAddress = 0;   // C2 security byte
    uint16_t ScratchpadSize = 0;    // 0 = none
    bool SmallerVariant = false;
    // Found locked: the name, size and addresses are the family's locked
    // row, not this part's own.
    bool IdentifiedLocked = false;
    uint8_t FpdatAddress = 0xB4;    // C2 address of FPDAT
    uint16_t FlashRegBase = 0x4000; // JTAG flash register instructions

    // Facts from the tables.
    uint16_t PageSize = 512;        // erase page
    uint8_t FlashAdrBits = 16;      // JTAG FLASHADR width
    UserDataMap UserData;           // by flash size
    // Parts of 32 KB and less show a 128-byte window above the code flash
    // (their User data page) that reads with the code and erases with it.
    bool WindowAboveCode = false;
    SecurityAccess Security = SecurityAccess::C2PageCount;
    C2SecurityPath SecurityPath = C2SecurityPath::Fpdat;

    uint32_t CodeBytes() const { return uint32_t{FlashSizeKB} * 1024u; }
    // The JTAG lock bytes: read lock at the top of the code area, the
    // write/erase lock below it.
    uint32_t ReadLockAddress() const { return FlashEnd; }
    uint32_t WriteEraseLockAddress() const { return FlashEnd - 1; }
};

} // namespace vorbrant
