#pragma once
// The Ironquill adapters as the simulator builds them. One circuit explains
// every byte and pin sequence the program sends.
//
// Port registers at the base address (0x378):
//   data    (base)     pins 2..9, bit n = pin n+2, read back as written
//   status  (base + 1) inputs: bit 3 pin 15, bit 4 pin 13, bit 5 pin 12,
//                      bit 6 pin 10, bit 7 pin 11 inverted by the port;
//                      bits 0..2 read 1
//   control (base + 2) outputs, read back as written; bit 1 drives pin 14
//                      inverted (pin 14 is high while the bit is clear)
// Open inputs (pins 12 and 15, pin 13 on the first generation, pin 11 when
// nothing drives the line behind it) float high.
//
// Detection loop-back, both generations: a gate returns D4 AND D5 on pin 10,
// so pin 10 is high with 0xFF and low with 0xCF. The second generation also
// returns D4 alone on pin 13: low with 0xCF, high with 0xDF.
//
// Second generation, pin 14 is the mode line:
//   high = C2.   C2CK = D2. C2D has a tri-state driver fed by D1 and enabled
//                by D7 = 0; D7 = 1 releases C2D to the target, and a pull-up
//                makes a line nobody drives read high. Pin 11 reads C2D.
//                The JTAG buffer is off: TCK stays low.
//   low  = JTAG. TCK = D0, TMS = D1, TDI = D6, pin 11 reads TDO (pulled
//                high when no device drives it). The C2 buffer is off: the
//                C2D driver is disabled and C2CK is pulled low, so holding
//                pin 14 low for 20 us or more is the C2 reset pulse.
// First generation: no C2 circuit; TCK = D0, TMS = D1, TDI = D6 and pin 11
// reads TDO whatever pin 14 says.
//
// What the program's bytes mean on this circuit:
//   0xFF, 0xCF, 0xDF  detection: pins 10/13 follow D4/D5 as above
//   0x8F              after detection: C2CK high (D2), C2D released (D7),
//                     TCK high (D0) in JTAG mode
//   0x74 + 0x80 + 0x02  C2 clocking: C2CK high (D2), D7 = 1 releases C2D,
//                     D1 is the level driven when D7 = 0; the same byte less
//                     0x04 is the one write of C2CK low of a strobe
//   0xBF              C2 reset: C2CK high with C2D released; written 100
//                     times while pin 14 is low, C2CK is held low meanwhile
//                     (D6 = 0 and D0 = 1 play no part in C2 mode)
//   0x77, 0xF7        end of the reset: C2D driven high, then released
//   0x8C + 0x02 + 0x40 + 0x01  JTAG clocking: TMS (D1), TDI (D6), TCK (D0);
//                     D2 and D3 held 1, D4 and D5 0, D7 1 (C2D released)
//   0xFF              target released / no C2 answer: all lines idle high
#include <cstdint>

namespace vorbrant::sim::circuit {

inline constexpr uint8_t D0Tck = 0x01;
inline constexpr uint8_t D1TmsOrC2d = 0x02;
inline constexpr uint8_t D2C2ck = 0x04;
inline constexpr uint8_t D4Loop = 0x10;
inline constexpr uint8_t D5Loop = 0x20;
inline constexpr uint8_t D6Tdi = 0x40;
inline constexpr uint8_t D7C2dRelease = 0x80;
inline constexpr uint8_t ControlModeInverted = 0x02; // pin 14

inline constexpr uint8_t StatusFixedHigh = 0x07 | 0x08 | 0x20; // bits 0..2, pins 15 and 12
inline constexpr uint8_t StatusPin13 = 0x10;
inline constexpr uint8_t StatusPin10 = 0x40;
inline constexpr uint8_t StatusPin11Inverted = 0x80;

constexpr bool ModeLineHigh(uint8_t control) { return (control & ControlModeInverted) == 0; }
constexpr bool LoopBackPin10(uint8_t data) { return (data & D4Loop) && (data & D5Loop); }

} // namespace vorbrant::sim::circuit
