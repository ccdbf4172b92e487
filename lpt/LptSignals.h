#pragma once
// The adapter's signals on the parallel port: which data-register bit
// carries which C2 or JTAG line, the bytes the lines rest at, the status pin
// the target answers on, the mode line and the C2 reset bytes. The one place
// these numbers live; the LPT adapter builds every byte it writes from them.
//
//   uint8_t low = LptC2::ClockIdle | LptC2::C2dOut;         // 0x76, C2CK high
//   uint8_t strobe = low & ~LptC2::C2ck;                     // its low phase
#include <cstdint>

namespace vorbrant {

// The lines both links share.
struct LptLines {
    // Pin 11 (status bit 7, inverted by the port): C2D in, or TDO.
    static constexpr uint8_t TargetDataPin = 11;
    // Pin 14 (control bit 1, inverted by the port): the mode line, high for
    // C2, low for JTAG; the C2 reset pulse takes it low.
    static constexpr uint8_t ModePin = 14;
    // Every data line high: the resting state of a released port.
    static constexpr uint8_t Released = 0xFF;
};

// The C2 data-register bits. Bit 0 and bit 3 stay 0 while clocking, bits
// 4..6 stay 1.
struct LptC2 {
    static constexpr uint8_t C2dOut = 0x02;     // bit 1: the level C2D is driven with
    static constexpr uint8_t C2ck = 0x04;       // bit 2: C2CK, pulsed low for one write per strobe
    static constexpr uint8_t C2dRelease = 0x80; // bit 7: 1 = C2D released to the part, 0 = driven
    // C2CK high, the held bits 4..6, C2D driven low.
    static constexpr uint8_t ClockIdle = 0x74;
    // The reset pulse holds 0xBF (bit 6 low, C2CK high; the adapter pulls
    // the part's C2CK/reset low while the mode line is low) and ends with
    // 0x77. The pulse is one write with the mode line still high, then
    // ResetHoldWrites more with it low: at the port's 1 us per write that
    // is about 100 us, five times the 20 us of C2CK low that resets a part.
    static constexpr uint8_t ResetHold = 0xBF;
    static constexpr uint8_t ResetEnd = 0x77;
    static constexpr int ResetHoldWrites = 100;
};

// The JTAG data-register bits. Bits 2, 3 and 7 stay 1, bits 4 and 5 stay 0.
struct LptJtag {
    static constexpr uint8_t Tck = 0x01; // bit 0
    static constexpr uint8_t Tms = 0x02; // bit 1
    static constexpr uint8_t Tdi = 0x40; // bit 6
    // TCK low, TMS and TDI low, the held bits.
    static constexpr uint8_t ClockIdle = 0x8C;
};

// The loop-back of detection: pin 10 follows data bits 4 and 5, and the
// second generation also returns data bit 4 on pin 13.
struct LptDetection {
    static constexpr uint8_t LoopPin = 10;
    static constexpr uint8_t SecondGenerationPin = 13;
    static constexpr uint8_t AllHigh = 0xFF;       // pin 10 high
    static constexpr uint8_t Bits4And5Low = 0xCF;  // pin 10 low
    static constexpr uint8_t Bit4HighBit5Low = 0xDF; // pin 13 high on the second generation
    // What the data register holds after a detection that found the adapter.
    static constexpr uint8_t After = 0x8F;
};

} // namespace vorbrant
