#pragma once
// An FT232H in MPSSE mode in front of the simulated target, seen from the
// chip's side: it decodes the command stream as the chip does (clocked bits
// and bytes with their edges, TMS bits, pin sets and reads, the clock
// divisor, drive-zero-only outputs, clocking until GPIOL1 changes) and
// moves the target's pins with the chip's timing on the virtual clock.
//
// Pins: ADBUS0 TCK/SK drives C2CK or TCK, ADBUS1 TDI/DO drives C2D or TDI,
// ADBUS2 TDO/DI reads C2D or TDO, ADBUS3 TMS/CS drives TMS, ADBUS5 GPIOL1
// reads C2D (the WAIT input). A pin set as an input floats high.
//
// Timing: each command byte costs the engine EngineByteNs, each clock a
// period of the divisor's rate, and every Read (the host waiting for
// results) a USB round trip.
#include "ftdi/FtdiTransport.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace vorbrant::sim {

class Simulator;

class MpsseInterpreter final : public FtdiTransport {
public:
    static constexpr uint64_t RoundTripNs = 125000; // USB 2.0 high speed, at best
    static constexpr uint64_t EngineByteNs = 33;    // two cycles of the 60 MHz engine
    // Clocking until GPIOL1 changes (0x94/0x95) without a count, or waiting
    // on it (0x88/0x89), never ends on a target that does not answer: the
    // model gives up after this many clocks and reports it.
    static constexpr uint32_t EndlessWaitLimit = 1u << 20;

    explicit MpsseInterpreter(Simulator& sim) : sim_(sim) {}

    bool Write(const std::vector<uint8_t>& bytes) override;
    bool Read(uint8_t* data, size_t n, uint32_t timeoutMs) override;

    uint64_t RoundTrips() const { return roundTrips_; }
    uint64_t Clocks() const { return clocks_; }

private:
    // Executes the command at the start of pending_; false when it is not
    // complete yet.
    bool Step();
    void ClockBit(bool out, bool writeNeg, bool readNeg, bool read, bool& in, bool tmsMode, bool tms);
    void Drive(uint64_t ns);
    bool DiPin();
    bool Gpiol1Pin();
    uint8_t ReadLowByte();
    uint64_t HalfPeriodNs() const;
    void Reply(uint8_t byte) { replies_.push_back(byte); }

    Simulator& sim_;
    std::vector<uint8_t> pending_;
    std::deque<uint8_t> replies_;
    uint8_t low_ = 0, lowDir_ = 0, high_ = 0, highDir_ = 0;
    uint8_t openDrainLow_ = 0;
    uint16_t divisor_ = 0xFFFF;
    bool div5_ = true; // the chip starts with the 12 MHz base (divide by 5 on)
    bool loopback_ = false;
    uint64_t roundTrips_ = 0;
    uint64_t clocks_ = 0;
};

} // namespace vorbrant::sim
