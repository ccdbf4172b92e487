#pragma once
// The C2 and JTAG signals as MPSSE commands on an FT232H. Nothing goes to
// the chip until Flush(): the links' strobes and clocks are queued, reads
// become bits of the replies, and one USB round trip answers the batch.
//
// C2: C2CK on ADBUS0 is the engine's clock, idling high; C2D on ADBUS1 is
// drive-zero-only (a 1 releases it to the pull-up and the part) and read on
// ADBUS2 and GPIOL1 (ADBUS5). A strobe is one clock: the chip times the low
// phase, so a slow host never stretches it. The part changes C2D on the
// rising edge; a sample the link asks for after a strobe is taken on the
// falling edge of the next one, or read from the pins when none follows.
// WAIT runs in the chip: clock until GPIOL1 is high, bounded by the link's
// strobe limit.
//
// JTAG: TCK on ADBUS0 idling low, TDI on ADBUS1, TDO on ADBUS2, TMS on
// ADBUS3; TMS and TDI go out on the falling edge, TDO is sampled on the
// rising one.
#include "ftdi/FtdiTransport.h"
#include "ftdi/Mpsse.h"
#include "target/AdapterSignals.h"

#include <cstdint>
#include <vector>

namespace vorbrant {

// Encodings that are wrong on purpose: what each does to a board is what
// the simulator must show (tests only).
struct Ft232hFaults {
    bool SampleOnRisingEdge = false;
    bool ExtraWaitClock = false;
    bool PushPullC2d = false;
};

class Ft232hAdapter final : public AdapterSignals {
public:
    static constexpr const char* Name = "FT232H";

    Ft232hAdapter(FtdiTransport& transport, Clock& clock, uint32_t clockHz = C2DefaultHz, Ft232hFaults faults = {})
        : transport_(transport), clock_(clock), rate_(ChooseClock(clockHz)), faults_(faults)
    {
        detected_.Name = Name;
    }

    // The engine answering in step (an unknown command echoed), its clock
    // and lines set up.
    AdapterDetection Detect() override;
    const AdapterDetection& Detected() const override { return detected_; }
    void SetModeLine(bool) override {}
    void ReleaseLines() override;
    void HoldLines() override { Pins(low_, directions_); }

    void C2Reset(int holdWrites) override;
    void C2Strobe(C2dLine line) override;
    ReadTicket C2SampleData() override;
    ReadTicket C2Wait(int limit, StrobeWatch& watch) override;

    void JtagSelect() override;
    void JtagClock(bool tms, bool tdi) override { Clock(tms, tdi, false); }
    ReadTicket JtagClockSampled(bool tms, bool tdi) override { return Clock(tms, tdi, true); }
    void JtagSettle() override {}
    ReadTicket JtagShift(uint32_t tdi, int bits, bool tmsOnLast, bool capture) override;

    void Flush() override;
    bool QueuesReads() const override { return true; }

    uint64_t RoundTrips() const { return roundTrips_; }
    const MpsseClock& Rate() const { return rate_; }
    // The device stopped answering: every later read is false.
    bool Lost() const { return lost_; }

private:
    enum class Mode : uint8_t { None, C2, Jtag };
    struct Pending {
        ReadTicket Ticket;
        size_t Reply;
        uint8_t Mask; // the bit of the reply that holds the level
    };
    void Pins(uint8_t value, uint8_t directions);
    void EnterC2();
    // Queued C2 strobes go out as one command of up to 8 clocks.
    void EndRun();
    void EndTmsRun();
    void SampleNow(ReadTicket ticket);
    ReadTicket Clock(bool tms, bool tdi, bool capture);
    bool Exchange();

    FtdiTransport& transport_;
    vorbrant::Clock& clock_;
    MpsseClock rate_;
    Ft232hFaults faults_;
    AdapterDetection detected_;
    MpsseBatch batch_;
    std::vector<Pending> pending_;
    Mode mode_ = Mode::None;
    uint8_t low_ = 0, directions_ = 0;
    // The C2 strobes of the run being built: C2D bits, which strobes
    // sample (on their falling edge) for which ticket.
    uint8_t runBits_ = 0;
    unsigned runCount_ = 0;
    std::vector<std::pair<unsigned, ReadTicket>> runSamples_;
    // JTAG clocks with one TDI level go out as one TMS command of up to 7.
    uint8_t tmsBits_ = 0;
    unsigned tmsCount_ = 0;
    bool tmsTdi_ = false;
    std::vector<std::pair<unsigned, ReadTicket>> tmsSamples_;
    bool sampleDue_ = false; // the link asked for C2D after the last strobe
    ReadTicket due_{};
    uint64_t roundTrips_ = 0;
    bool lost_ = false;
};

} // namespace vorbrant
