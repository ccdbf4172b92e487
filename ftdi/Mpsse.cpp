#include "ftdi/Mpsse.h"

#include <charconv>

namespace vorbrant {

MpsseClock ChooseClock(uint32_t wantedHz)
{
    using namespace mpsse;
    if (wantedHz == 0)
        wantedHz = 1;
    // Hz = BaseHz / ((1 + divisor) * 2): the smallest divisor at or below.
    uint64_t divisor = (BaseHz / 2 + wantedHz - 1) / wantedHz;
    divisor = divisor == 0 ? 0 : divisor - 1;
    if (divisor > 0xFFFF)
        divisor = 0xFFFF;
    return {static_cast<uint16_t>(divisor), static_cast<uint32_t>(BaseHz / 2 / (divisor + 1))};
}

bool ParseAdapterClock(const std::string& text, uint32_t& hz, std::string& error)
{
    uint32_t khz = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), khz);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || khz < C2MinHz / 1000 ||
        khz > C2MaxHz / 1000) {
        error = "Option --adapter-clock needs a clock in kHz from " + std::to_string(C2MinHz / 1000) + " to " +
                std::to_string(C2MaxHz / 1000) + " (C2CK low 80 ns to 5 us), not '" + text + "'";
        return false;
    }
    hz = khz * 1000;
    return true;
}

size_t MpsseBatch::ClockBits(uint8_t data, unsigned count, bool read, bool inOnFalling)
{
    using namespace mpsse;
    uint8_t op = OutOnFalling | Bits | Lsb | OutDo;
    if (read)
        op |= InDi | (inOnFalling ? InOnFalling : 0);
    Command({op, static_cast<uint8_t>(count - 1), data});
    return read ? replies_++ : 0;
}

void MpsseBatch::ClockUntilHigh(uint16_t bytes8)
{
    const uint16_t n = bytes8 ? static_cast<uint16_t>(bytes8 - 1) : 0;
    Command({mpsse::ClockUntilGpiol1High, static_cast<uint8_t>(n & 0xFF), static_cast<uint8_t>(n >> 8)});
}

size_t MpsseBatch::TmsBits(uint8_t tms, unsigned count, bool tdi, bool read)
{
    using namespace mpsse;
    const uint8_t op = read ? 0x6B : 0x4B; // TMS out on falling, LSB, bits; + TDO in on rising
    Command({op, static_cast<uint8_t>(count - 1), static_cast<uint8_t>((tms & 0x7F) | (tdi ? 0x80 : 0))});
    return read ? replies_++ : 0;
}

bool MpsseBatch::Exchange(FtdiTransport& transport, std::vector<uint8_t>& replies, uint32_t timeoutMs)
{
    Command({mpsse::SendImmediate});
    replies.assign(replies_, 0);
    const bool ok = transport.Write(bytes_) && (replies_ == 0 || transport.Read(replies.data(), replies_, timeoutMs));
    Clear();
    return ok;
}

} // namespace vorbrant
