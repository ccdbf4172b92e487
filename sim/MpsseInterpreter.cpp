#include "sim/MpsseInterpreter.h"

#include "sim/Simulator.h"

#include <string>

namespace vorbrant::sim {

namespace {

// Opcode bits of the data-shifting commands (0x10..0x7F).
constexpr uint8_t WriteOnFalling = 0x01;
constexpr uint8_t BitMode = 0x02;
constexpr uint8_t ReadOnFalling = 0x04;
constexpr uint8_t LsbFirst = 0x08;
constexpr uint8_t WritesDo = 0x10;
constexpr uint8_t ReadsDi = 0x20;
constexpr uint8_t WritesTms = 0x40;

constexpr uint8_t PinClock = 0x01, PinDo = 0x02, PinDi = 0x04, PinTms = 0x08, PinGpiol1 = 0x20;

} // namespace

uint64_t MpsseInterpreter::HalfPeriodNs() const
{
    // Clock = base / ((1 + divisor) * 2); base 60 MHz, or 12 MHz with divide by 5.
    const uint64_t baseHz = div5_ ? 12000000u : 60000000u;
    return (uint64_t{1000000000u} * (1u + divisor_)) / baseHz;
}

bool MpsseInterpreter::DiPin()
{
    if (loopback_)
        return (low_ & PinDo) != 0;
    if (lowDir_ & PinDi)
        return (low_ & PinDi) != 0;
    return sim_.C2() ? sim_.C2dNow() : sim_.TdoNow();
}

bool MpsseInterpreter::Gpiol1Pin()
{
    if (lowDir_ & PinGpiol1)
        return (low_ & PinGpiol1) != 0;
    return sim_.C2() ? sim_.C2dNow() : true;
}

uint8_t MpsseInterpreter::ReadLowByte()
{
    uint8_t value = static_cast<uint8_t>((low_ & lowDir_) | ~lowDir_);
    value = static_cast<uint8_t>(DiPin() ? value | PinDi : value & ~PinDi);
    value = static_cast<uint8_t>(Gpiol1Pin() ? value | PinGpiol1 : value & ~PinGpiol1);
    return value;
}

// The target's lines from the low byte: ADBUS0 is C2CK and TCK, ADBUS1 C2D
// and TDI, ADBUS3 TMS. An input pin floats high; a drive-zero-only pin
// lets go of a 1.
void MpsseInterpreter::Drive(uint64_t ns)
{
    auto level = [&](uint8_t pin) { return (lowDir_ & pin) ? (low_ & pin) != 0 : true; };
    PinLines lines;
    lines.C2ck = lines.Tck = level(PinClock);
    lines.C2dLevel = lines.Tdi = level(PinDo);
    lines.C2dDriven = (lowDir_ & PinDo) && !((openDrainLow_ & PinDo) && (low_ & PinDo));
    lines.Tms = level(PinTms);
    sim_.DriveLines(lines, ns);
}

// One clock of the engine: the leading edge leaves the idle level the low
// byte gave the clock pin, the trailing edge returns to it. Data goes out
// on the chosen edge; a sample on an edge sees the line after the target
// has reacted to it (its output follows within nanoseconds), which is what
// sampling on the edge where the target changes the line gets on hardware.
void MpsseInterpreter::ClockBit(bool out, bool writeNeg, bool readNeg, bool read, bool& in, bool tmsMode, bool tms)
{
    ++clocks_;
    const bool idleHigh = (low_ & PinClock) != 0;
    const uint8_t dataPin = tmsMode ? PinTms : PinDo;
    auto setData = [&]() {
        low_ = static_cast<uint8_t>(out ? low_ | dataPin : low_ & ~dataPin);
        if (tmsMode) // TDI/DO holds the level of bit 7 through TMS bits
            low_ = static_cast<uint8_t>(tms ? low_ | PinDo : low_ & ~PinDo);
    };
    const uint64_t half = HalfPeriodNs();
    // Edge 0 (falling when idle high) and edge 1.
    for (int edge = 0; edge < 2; ++edge) {
        const bool falling = (edge == 0) == idleHigh;
        if (!idleHigh && writeNeg && edge == 0) {
            // Idle low, data on the falling edge: it is out before the
            // first (rising) edge, where the previous bit's falling edge
            // would have put it.
            const uint8_t before = low_;
            setData();
            if (low_ != before)
                Drive(0);
        } else if (falling == writeNeg && (idleHigh || !writeNeg)) {
            setData();
        }
        low_ = static_cast<uint8_t>(low_ ^ PinClock);
        const bool beforeLevel = DiPin();
        const bool hostBefore = sim_.Lines().C2dDriven;
        Drive(half);
        if (read && falling == readNeg) {
            in = DiPin();
            // A level the host itself moved is no sample of the target.
            if (in != beforeLevel && !hostBefore && !sim_.Lines().C2dDriven)
                sim_.AddViolation("MPSSE sampled its input on the clock edge where the target changes it");
        }
    }
}

bool MpsseInterpreter::Step()
{
    const size_t n = pending_.size();
    const uint8_t op = pending_[0];
    auto need = [&](size_t bytes) { return n >= bytes; };
    size_t used = 1;
    auto engine = [&](size_t bytes) { sim_.Elapse(EngineByteNs * bytes); };

    if (op >= 0x10 && op <= 0x7F && (op & 0x80) == 0 && !(op & WritesTms && op & WritesDo)) {
        const bool bits = (op & BitMode) != 0 || (op & WritesTms);
        size_t count, header;
        if (bits) {
            if (!need(2))
                return false;
            count = pending_[1] + 1u;
            header = 2;
        } else {
            if (!need(3))
                return false;
            count = (pending_[1] | (pending_[2] << 8)) + 1u;
            header = 3;
        }
        const bool writes = (op & (WritesDo | WritesTms)) != 0;
        const size_t dataBytes = writes ? (bits ? 1 : count) : 0;
        if (!need(header + dataBytes))
            return false;
        used = header + dataBytes;
        engine(used);
        const bool lsb = (op & LsbFirst) != 0 || (op & WritesTms);
        const bool reads = (op & ReadsDi) != 0;
        const size_t total = bits ? count : count * 8;
        uint8_t inByte = 0;
        for (size_t i = 0; i < total; ++i) {
            const size_t byteIndex = bits ? 0 : i / 8;
            const unsigned bit = static_cast<unsigned>(i % 8);
            const uint8_t data = writes ? pending_[header + byteIndex] : 0xFF;
            const bool out = writes ? ((data >> (lsb ? bit : 7 - bit)) & 1u) != 0 : (low_ & PinDo) != 0;
            bool in = false;
            ClockBit(out, (op & WriteOnFalling) != 0, (op & ReadOnFalling) != 0, reads, in, (op & WritesTms) != 0,
                     (data & 0x80) != 0);
            if (reads) // shifted in from the top (LSB first) or the bottom
                inByte = lsb ? static_cast<uint8_t>((inByte >> 1) | (in ? 0x80 : 0))
                             : static_cast<uint8_t>((inByte << 1) | (in ? 1 : 0));
            if (reads && !bits && bit == 7) {
                Reply(inByte);
                inByte = 0;
            }
        }
        if (reads && bits)
            Reply(inByte);
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(used));
        return true;
    }

    auto clockUntil = [&](uint64_t limit, int untilLevel, bool report) {
        for (uint64_t i = 0; i < limit; ++i) {
            if (untilLevel >= 0 && Gpiol1Pin() == (untilLevel != 0))
                return;
            bool in = false;
            ClockBit((low_ & PinDo) != 0, true, false, false, in, false, false);
        }
        if (report && untilLevel >= 0)
            sim_.AddViolation("MPSSE clocked without end waiting for GPIOL1");
    };

    switch (op) {
    case 0x80: case 0x82:
        if (!need(3))
            return false;
        used = 3;
        engine(3);
        if (op == 0x80) {
            low_ = pending_[1];
            lowDir_ = pending_[2];
            Drive(0);
        } else {
            high_ = pending_[1];
            highDir_ = pending_[2];
        }
        break;
    case 0x81: engine(1); Reply(ReadLowByte()); break;
    case 0x83: engine(1); Reply(static_cast<uint8_t>((high_ & highDir_) | ~highDir_)); break;
    case 0x84: case 0x85: engine(1); loopback_ = op == 0x84; break;
    case 0x86:
        if (!need(3))
            return false;
        used = 3;
        engine(3);
        divisor_ = static_cast<uint16_t>(pending_[1] | (pending_[2] << 8));
        break;
    case 0x87: engine(1); break;
    case 0x8A: case 0x8B: engine(1); div5_ = op == 0x8B; break;
    case 0x8C:
        engine(1);
        sim_.AddViolation("MPSSE three-phase clocking on C2/JTAG lines (not used by these targets)");
        break;
    case 0x8D: case 0x96: case 0x97: engine(1); break;
    case 0x8E:
        if (!need(2))
            return false;
        used = 2;
        engine(2);
        clockUntil(pending_[1] + 1u, -1, false);
        break;
    case 0x8F: case 0x9C: case 0x9D:
        if (!need(3))
            return false;
        used = 3;
        engine(3);
        clockUntil((uint64_t{pending_[1]} | (uint64_t{pending_[2]} << 8)) * 8 + 8, op == 0x8F ? -1 : op == 0x9C ? 1 : 0,
                   false);
        break;
    case 0x94: case 0x95: engine(1); clockUntil(EndlessWaitLimit, op == 0x94 ? 1 : 0, true); break;
    case 0x88: case 0x89: {
        engine(1);
        uint64_t waited = 0;
        while (Gpiol1Pin() != (op == 0x88) && waited < EndlessWaitLimit) {
            sim_.Elapse(HalfPeriodNs());
            ++waited;
        }
        if (waited == EndlessWaitLimit)
            sim_.AddViolation("MPSSE waited without end on GPIOL1");
        break;
    }
    case 0x9E:
        if (!need(3))
            return false;
        used = 3;
        engine(3);
        openDrainLow_ = pending_[1];
        Drive(0);
        break;
    default:
        // The chip answers a command it does not know with 0xFA and the
        // byte (hosts send one on purpose to find the engine in step).
        engine(1);
        Reply(0xFA);
        Reply(op);
        break;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(used));
    return true;
}

bool MpsseInterpreter::Write(const std::vector<uint8_t>& bytes)
{
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    while (!pending_.empty() && Step()) {
    }
    return true;
}

bool MpsseInterpreter::Read(uint8_t* data, size_t n, uint32_t timeoutMs)
{
    ++roundTrips_;
    sim_.Elapse(RoundTripNs);
    if (replies_.size() < n) {
        // The host waits for bytes that never come, as long as it said.
        sim_.GetClock().SleepMs(timeoutMs);
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        data[i] = replies_.front();
        replies_.pop_front();
    }
    return true;
}

} // namespace vorbrant::sim
