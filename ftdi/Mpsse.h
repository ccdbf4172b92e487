#pragma once
// MPSSE command bytes for the FT232H (FTDI's command processor for
// synchronous serial): one batch of commands goes out in one USB write, and
// the bytes the reads in it return come back in one USB read.
//
//   MpsseBatch batch;
//   batch.SetLow(pins, directions);
//   size_t at = batch.ClockBits(0x0B, 4, true);   // 4 bits out, LSB first
//   size_t id = batch.ReadLow();                   // index of its reply byte
//   batch.Exchange(transport, replies);
#include "ftdi/FtdiTransport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorbrant {

namespace mpsse {

// Pins of the low byte (ADBUS).
inline constexpr uint8_t Sk = 0x01;     // TCK / C2CK
inline constexpr uint8_t Do = 0x02;     // TDI / C2D out
inline constexpr uint8_t Di = 0x04;     // TDO / C2D in
inline constexpr uint8_t Cs = 0x08;     // TMS
inline constexpr uint8_t Gpiol1 = 0x20; // C2D again: the WAIT input

// Opcode bits of the shifting commands.
inline constexpr uint8_t OutOnFalling = 0x01;
inline constexpr uint8_t Bits = 0x02;
inline constexpr uint8_t InOnFalling = 0x04;
inline constexpr uint8_t Lsb = 0x08;
inline constexpr uint8_t OutDo = 0x10;
inline constexpr uint8_t InDi = 0x20;
inline constexpr uint8_t OutTms = 0x40;

inline constexpr uint8_t SetLowByte = 0x80;
inline constexpr uint8_t ReadLowByte = 0x81;
inline constexpr uint8_t LoopbackOff = 0x85;
inline constexpr uint8_t SetDivisor = 0x86;
inline constexpr uint8_t SendImmediate = 0x87;
inline constexpr uint8_t Div5Off = 0x8A;
inline constexpr uint8_t ThreePhaseOff = 0x8D;
inline constexpr uint8_t ClockBitsNoData = 0x8E;
inline constexpr uint8_t AdaptiveOff = 0x97;
inline constexpr uint8_t ClockUntilGpiol1High = 0x9C; // with a count of bytes of clocks
inline constexpr uint8_t DriveZeroOnly = 0x9E;

inline constexpr uint32_t BaseHz = 60000000; // divide by 5 off
inline constexpr uint32_t MaxClockHz = 30000000;

} // namespace mpsse

// The clock the divisor gives for a wish: at or below wantedHz.
struct MpsseClock {
    uint16_t Divisor = 0;
    uint32_t Hz = 0;
    uint32_t LowNs() const { return Hz ? static_cast<uint32_t>(500000000ull / Hz) : 0; }
};
MpsseClock ChooseClock(uint32_t wantedHz);

// C2 wants a low phase of 80 ns to 5 us (20 ns to 5 us on paper; 5..20 us
// is undefined and 20 us resets the part): 100 kHz to 6 MHz.
inline constexpr uint32_t C2DefaultHz = 2000000;
inline constexpr uint32_t C2MinHz = 100000;
inline constexpr uint32_t C2MaxHz = 6000000;

// "--adapter-clock=KHZ" text: false with a reason when outside the C2 range.
bool ParseAdapterClock(const std::string& text, uint32_t& hz, std::string& error);

class MpsseBatch {
public:
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    size_t ReplyCount() const { return replies_; }
    bool Empty() const { return bytes_.empty(); }
    void Clear()
    {
        bytes_.clear();
        replies_ = 0;
    }

    void Command(std::initializer_list<uint8_t> bytes) { bytes_.insert(bytes_.end(), bytes); }
    void SetLow(uint8_t value, uint8_t directions) { Command({mpsse::SetLowByte, value, directions}); }
    size_t ReadLow()
    {
        Command({mpsse::ReadLowByte});
        return replies_++;
    }
    // 1..8 bits of data, LSB first, out on the falling edge; read adds a
    // sample of DI per bit (inOnFalling picks the edge) and returns the
    // index of the reply byte (the bits land in its top, first bit lowest).
    size_t ClockBits(uint8_t data, unsigned count, bool read, bool inOnFalling = true);
    // JTAG data bits (1..8), LSB first: TDI out on the falling edge, TDO
    // in on the rising edge; TMS holds its level.
    size_t ShiftBits(uint8_t data, unsigned count, bool read)
    {
        using namespace mpsse;
        const uint8_t op = static_cast<uint8_t>(OutOnFalling | Bits | Lsb | OutDo | (read ? InDi : 0));
        Command({op, static_cast<uint8_t>(count - 1), data});
        return read ? replies_++ : 0;
    }
    // Clocks until GPIOL1 is high, at most bytes8 * 8 clocks.
    void ClockUntilHigh(uint16_t bytes8);
    // TMS bits (1..7), LSB first, TDI held at tdi; read samples TDO on the
    // rising edge.
    size_t TmsBits(uint8_t tms, unsigned count, bool tdi, bool read);

    // Sends the batch with a send-immediate and reads its replies: one USB
    // round trip. False when the device did not answer in timeoutMs.
    bool Exchange(FtdiTransport& transport, std::vector<uint8_t>& replies, uint32_t timeoutMs = 1000);

private:
    std::vector<uint8_t> bytes_;
    size_t replies_ = 0;
};

// The bits of a ClockBits/TmsBits reply, first bit in bit 0.
constexpr uint8_t ReplyBits(uint8_t reply, unsigned count) { return static_cast<uint8_t>(reply >> (8 - count)); }

} // namespace vorbrant
