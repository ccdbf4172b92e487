#pragma once
// The identification tables of the C8051F derivatives, as data: the JTAG
// families by the device code of their IDCODE, the C2 families by device id,
// with the probe addresses that tell the members of a family apart.
#include "target/ChipInfo.h"

#include <cstdint>
#include <span>

namespace vorbrant {

inline constexpr uint32_t NoProbe = 0xFFFFFFFFu;

struct JtagIdentRow {
    uint16_t Code;
    uint16_t AltCode; // a second code sharing the row, or 0xFFFF
    const char* Name;
    uint16_t FlashSizeKB;
    uint32_t FlashEnd;
    uint16_t FlashRegBase;
    uint16_t ScratchpadSize;
    // A probe that succeeds keeps the first choice; tried in order.
    uint32_t KeepProbes[2];
    // When every keep probe failed: the reduced-flash member.
    const char* SmallName;
    uint16_t SmallFlashSizeKB;
    uint32_t SmallFlashEnd;
    uint32_t SmallConfirmProbe; // NoProbe = taken without confirmation
    // The family's flash interface needs its set-up sequence before the
    // first flash access (the F12x).
    bool NeedsF12xSetup;
    uint8_t FlashAdrBits;      // FLASHADR width of the first choice
    uint8_t SmallFlashAdrBits; // and of the smaller variant
    uint16_t PageSize;
};

struct C2Result {
    const char* Name; // nullptr = the part stays not identified
    uint16_t FlashSizeKB;
    uint32_t FlashEnd;
    uint16_t LockByteAddress;
};

enum class C2LockTest : uint8_t {
    None,          // family without a read lock
    SecurityPath,  // the F30x: a read at 0 through the security-byte path
    ReadFirstByte, // ReadFlashByte(0) succeeds when unlocked
};

struct C2PreWrite {
    uint8_t Register;
    uint8_t Value;
};

struct C2ProbeStep {
    uint32_t Address; // a failed probe here gives Result
    C2Result Result;
};

struct C2IdentRow {
    uint16_t Code;
    uint8_t FpdatAddress;
    C2PreWrite PreWrites[2];
    uint8_t PreWriteCount;
    C2LockTest LockTest;
    C2ProbeStep Probes[2];
    uint8_t ProbeCount;
    C2Result WhenAllProbesPass;
    C2Result Locked;
    bool UnlockedClearsWarning;
    uint16_t PageSize;
    SecurityAccess Security;
    C2SecurityPath SecurityPath;
};

std::span<const JtagIdentRow> JtagIdentTable();
std::span<const C2IdentRow> C2IdentTable();

const JtagIdentRow* FindJtagRow(uint16_t deviceCode);
const C2IdentRow* FindC2Row(uint16_t deviceCode);
// The low twelve bits of every C8051F IDCODE: the vendor's manufacturer
// code (0x121) and bit 0, which is always set.
inline constexpr uint32_t C8051fIdCodeVendorBits = 0x243;
// A JTAG IDCODE of a C8051F part the identification knows: the vendor's
// bits and a known part number; the version bits do not matter. Judged on
// the whole word: a device of another maker whose part number happens to
// match is no C8051F.
bool IsKnownJtagPart(uint32_t idCode);

} // namespace vorbrant
