#pragma once
// The 16-bit instruction words of the C8051F JTAG parts. Bits 11..0 select
// an instruction or an indirect register, bits 15..12 are a state-control
// field the part applies while the word is loaded.
//
//   jtag.JtagShiftIR(JtagIr::HaltIdCode, JtagIr::Bits);
//   uint32_t id = jtag.JtagShiftDR(0, 32);
#include <cstdint>

namespace vorbrant::JtagIr {

inline constexpr int Bits = 16;

// State-control field.
inline constexpr uint16_t Halt = 0x1000;
inline constexpr uint16_t SystemReset = 0x2000;
inline constexpr uint16_t Suspend = 0x4000;
// The state field of every indirect access on the F12x family.
inline constexpr uint16_t F12xState = 0x3000;
// Bit 11 in the F12x start-up words: the part runs from TCK.
inline constexpr uint16_t TckClock = 0x0800;

// Instructions.
inline constexpr uint16_t AbortPowerOnReset = 0x0001;
inline constexpr uint16_t IdCode = 0x0004;
inline constexpr uint16_t Bypass = 0x0FFF;

// Indirect registers (with a state field: Suspend, or F12xState).
inline constexpr uint8_t FlashCon = 0x82;
inline constexpr uint8_t FlashDat = 0x83;
inline constexpr uint8_t FlashAdr = 0x84;
inline constexpr uint8_t FlashScl = 0x85;
// FLASHCON: the operation the next FLASHDAT access starts.
inline constexpr uint8_t ReadControl = 0x01;
inline constexpr uint8_t WriteControl = 0x10;
inline constexpr uint8_t EraseControl = 0x20;
// FLASHDAT read back: its status bits below the data.
inline constexpr uint32_t BusyBit = 0x01;
inline constexpr uint32_t FailBit = 0x02;
// F12x: writes an SFR; 17-bit data, the SFR address above its value.
inline constexpr uint16_t SfrWrite = 0x00C1;
inline constexpr int SfrWriteBits = 17;

// The words the program loads.
inline constexpr uint16_t ResetBypass = SystemReset | Bypass; // resets the part, releases the chain
inline constexpr uint16_t HaltIdCode = Halt | IdCode;         // halts the core; the DR holds the IDCODE

} // namespace vorbrant::JtagIr
