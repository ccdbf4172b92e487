#pragma once
// C2 frames as MPSSE commands. C2CK is the engine's clock (idle high, so a
// strobe is a low pulse the chip times itself: a slow host can never
// stretch it into a reset). C2D is driven on ADBUS1 as a drive-zero-only
// output, so a 1 releases it, and read on ADBUS2 (DI) and ADBUS5 (GPIOL1).
// The target changes C2D on the rising edge, so a bit is sampled on the
// falling edge of the strobe after it. WAIT runs in the chip: one strobe,
// then "clock until GPIOL1 is high" with a bound, then a read of the pins
// that tells whether it ended.
//
// Frames are queued; reads return tickets that Flush fills in one USB
// round trip.
//
//   MpsseC2 c2(transport, clock);
//   c2.Setup(); c2.Reset();
//   c2.AddressWrite(0x00);
//   size_t id = c2.DataRead();
//   if (c2.Flush() && c2.WaitEnded(id)) deviceId = c2.Value(id);
#include "ftdi/FtdiTransport.h"
#include "ftdi/Mpsse.h"
#include "lpt/Clock.h"

#include <cstdint>
#include <vector>

namespace vorbrant {

// Encodings that are wrong on purpose: what each does to a real target is
// what the simulator must show.
struct MpsseC2Faults {
    bool SampleOnRisingEdge = false; // the edge where the target changes C2D
    bool ExtraWaitClock = false;     // one strobe after WAIT has ended
    bool PushPullC2d = false;        // C2D driven high instead of released
};

class MpsseC2 {
public:
    // Bound of one WAIT in the chip, in strobes (at 2 MHz, 4 ms: far beyond
    // a byte's programming time).
    static constexpr uint16_t WaitBytes8 = 1024;

    MpsseC2(FtdiTransport& transport, Clock& clock, uint32_t clockHz = C2DefaultHz, MpsseC2Faults faults = {})
        : transport_(transport), clock_(clock), rate_(ChooseClock(clockHz)), faults_(faults)
    {
    }

    // The engine set up: clock rate, drive-zero-only C2D, lines idle. One
    // round trip that also proves the engine answers. False: no FT232H
    // answering in MPSSE mode.
    bool Setup();
    // C2CK held low for at least 20 us (the host waits for the chip to
    // report the low level, then a millisecond), then high for 2 us or more.
    bool Reset();

    void AddressWrite(uint8_t address);
    size_t AddressRead();
    // Ticket: WaitEnded tells whether the target ended its WAIT.
    size_t DataWrite(uint8_t value);
    size_t DataRead();

    // Sends what is queued and fills the tickets. False when the device
    // did not answer; the tickets then read as a WAIT that never ended.
    bool Flush();
    uint8_t Value(size_t ticket) const { return tickets_[ticket].Value; }
    bool WaitEnded(size_t ticket) const { return tickets_[ticket].WaitEnded; }
    size_t Queued() const { return batch_.Bytes().size(); }

    uint64_t RoundTrips() const { return roundTrips_; }
    const MpsseClock& Rate() const { return rate_; }

private:
    struct Ticket {
        int ValueReply = -1;
        int WaitReply = -1;
        uint8_t Value = 0;
        bool WaitEnded = true;
    };
    void Wait(Ticket& ticket);
    void Read8(Ticket& ticket);

    FtdiTransport& transport_;
    Clock& clock_;
    MpsseClock rate_;
    MpsseC2Faults faults_;
    MpsseBatch batch_;
    std::vector<Ticket> tickets_;
    bool ticketsFilled_ = true;
    uint64_t roundTrips_ = 0;
};

} // namespace vorbrant
