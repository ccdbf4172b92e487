#include "ftdi/Ft232hAdapter.h"

#include <algorithm>

namespace vorbrant {

using namespace mpsse;

namespace {
// C2CK high, C2D released. TMS (AD3) is held low in C2 mode: C2CK and TCK
// share AD0, so a JTAG TAP on the lines sees every C2 clock, and with TMS
// low it stays in Run-Test/Idle, where the JTAG link left it.
constexpr uint8_t C2Idle = Sk | Do;
constexpr uint8_t C2Outputs = Sk | Do | Cs;
constexpr uint8_t JtagIdle = Do | Cs;    // TCK low, TDI and TMS high
constexpr uint8_t JtagOutputs = Sk | Do | Cs;
} // namespace

void Ft232hAdapter::Pins(uint8_t value, uint8_t directions)
{
    EndRun();
    low_ = value;
    directions_ = directions;
    batch_.SetLow(value, directions);
}

bool Ft232hAdapter::Exchange()
{
    if (lost_)
        return false;
    std::vector<uint8_t> replies;
    ++roundTrips_;
    if (!batch_.Exchange(transport_, replies)) {
        lost_ = true;
        return false;
    }
    for (const Pending& p : pending_)
        Fill(p.Ticket, (replies[p.Reply] & p.Mask) != 0);
    pending_.clear();
    return true;
}

AdapterDetection Ft232hAdapter::Detect()
{
    // What the links queued goes out first (a scan left unflushed, say).
    Flush();
    // A command the engine does not know comes back as 0xFA and itself:
    // the engine is there and in step.
    batch_.Command({0xAA, Div5Off, AdaptiveOff, ThreePhaseOff, LoopbackOff, SetDivisor,
                    static_cast<uint8_t>(rate_.Divisor & 0xFF), static_cast<uint8_t>(rate_.Divisor >> 8),
                    SendImmediate});
    uint8_t echo[2] = {};
    ++roundTrips_;
    const bool found = !lost_ && transport_.Write(batch_.Bytes()) && transport_.Read(echo, 2, 1000) &&
                       echo[0] == 0xFA && echo[1] == 0xAA;
    batch_.Clear();
    detected_ = {found, Name, true};
    if (found && mode_ == Mode::None)
        ReleaseLines();
    return detected_;
}

void Ft232hAdapter::ReleaseLines()
{
    if (mode_ == Mode::Jtag)
        Pins(JtagIdle, JtagOutputs); // TCK stays low: the engine clocks from its resting level
    else
        EnterC2();
}

void Ft232hAdapter::EnterC2()
{
    EndRun();
    if (mode_ != Mode::C2)
        batch_.Command({DriveZeroOnly, faults_.PushPullC2d ? uint8_t{0} : Do, 0x00});
    mode_ = Mode::C2;
    Pins(C2Idle, C2Outputs);
}

// C2CK low for holdWrites microseconds at least: the low level is set, the
// chip reports it (the reset has begun), the host waits, then C2CK goes
// high and another round trip gives the part its 2 us before the first
// frame.
void Ft232hAdapter::C2Reset(int holdWrites)
{
    if (sampleDue_)
        SampleNow(due_); // the level before the reset, not after it
    EnterC2();
    Pins(Do, C2Outputs);
    batch_.ReadLow();
    Exchange();
    const int holdUs = ResetHoldUs(holdWrites);
    clock_.SleepMs(static_cast<uint32_t>(std::max(1, (holdUs + 999) / 1000)));
    Pins(C2Idle, C2Outputs);
    batch_.ReadLow();
    Exchange();
    AdapterSignals::Flush();
}

void Ft232hAdapter::EndTmsRun()
{
    if (tmsCount_ == 0)
        return;
    const bool read = !tmsSamples_.empty();
    const size_t reply = batch_.TmsBits(tmsBits_, tmsCount_, tmsTdi_, read);
    for (const auto& [bit, ticket] : tmsSamples_)
        pending_.push_back({ticket, reply, static_cast<uint8_t>(1u << (8 - tmsCount_ + bit))});
    tmsBits_ = 0;
    tmsCount_ = 0;
    tmsSamples_.clear();
}

void Ft232hAdapter::EndRun()
{
    EndTmsRun();
    if (runCount_ == 0)
        return;
    const bool read = !runSamples_.empty();
    const size_t reply = batch_.ClockBits(runBits_, runCount_, read, !faults_.SampleOnRisingEdge);
    // The bits come in at the top of the reply byte, the first lowest.
    for (const auto& [bit, ticket] : runSamples_)
        pending_.push_back({ticket, reply, static_cast<uint8_t>(1u << (8 - runCount_ + bit))});
    runBits_ = 0;
    runCount_ = 0;
    runSamples_.clear();
}

void Ft232hAdapter::C2Strobe(C2dLine line)
{
    if (mode_ != Mode::C2)
        EnterC2();
    // A sample asked for after the last strobe is taken on this one's
    // falling edge, before the part moves C2D again.
    if (sampleDue_) {
        runSamples_.emplace_back(runCount_, due_);
        sampleDue_ = false;
    }
    if (line != C2dLine::DriveLow)
        runBits_ = static_cast<uint8_t>(runBits_ | (1u << runCount_));
    if (++runCount_ == 8)
        EndRun();
}

ReadTicket Ft232hAdapter::C2SampleData()
{
    ReadTicket t = Reserve();
    if (sampleDue_)
        SampleNow(due_); // two samples of one level: the pins now
    sampleDue_ = true;
    due_ = t;
    return t;
}

void Ft232hAdapter::SampleNow(ReadTicket ticket)
{
    EndRun();
    pending_.push_back({ticket, batch_.ReadLow(), Di});
    sampleDue_ = false;
}

ReadTicket Ft232hAdapter::C2Wait(int limit, StrobeWatch&)
{
    if (sampleDue_)
        SampleNow(due_);
    // The first WAIT strobe, then the chip clocks while GPIOL1 is low.
    C2Strobe(C2dLine::Release);
    EndRun();
    const int rest = std::max(limit - 1, 1);
    batch_.ClockUntilHigh(static_cast<uint16_t>(std::min((rest + 7) / 8, 0xFFFF)));
    if (faults_.ExtraWaitClock)
        batch_.ClockBits(0x01, 1, false);
    ReadTicket t = Reserve();
    pending_.push_back({t, batch_.ReadLow(), Gpiol1});
    return t;
}

void Ft232hAdapter::JtagSelect()
{
    EndRun();
    if (mode_ != Mode::Jtag)
        batch_.Command({DriveZeroOnly, 0x00, 0x00});
    mode_ = Mode::Jtag;
    Pins(JtagIdle, JtagOutputs);
}

// One TCK cycle as a one-bit TMS command: TMS and TDI out before the
// rising edge, TDO sampled on it.
ReadTicket Ft232hAdapter::Clock(bool tms, bool tdi, bool capture)
{
    if (mode_ != Mode::Jtag)
        JtagSelect();
    if (tmsCount_ && tdi != tmsTdi_)
        EndTmsRun();
    tmsTdi_ = tdi;
    ReadTicket t{};
    if (capture) {
        t = Reserve();
        tmsSamples_.emplace_back(tmsCount_, t);
    }
    if (tms)
        tmsBits_ = static_cast<uint8_t>(tmsBits_ | (1u << tmsCount_));
    if (++tmsCount_ == 7)
        EndTmsRun();
    return t;
}

// The shift state's bits as data commands of up to eight bits (TMS stays
// 0), the last one as a TMS bit when it leaves the state.
ReadTicket Ft232hAdapter::JtagShift(uint32_t tdi, int bits, bool tmsOnLast, bool capture)
{
    if (mode_ != Mode::Jtag)
        JtagSelect();
    ReadTicket first{};
    bool haveFirst = false;
    auto note = [&](ReadTicket t) {
        if (!haveFirst)
            first = t;
        haveFirst = true;
    };
    EndTmsRun();
    const int dataBits = tmsOnLast ? bits - 1 : bits;
    for (int at = 0; at < dataBits; at += 8) {
        const unsigned n = static_cast<unsigned>(std::min(8, dataBits - at));
        const size_t reply = batch_.ShiftBits(static_cast<uint8_t>(tdi >> at), n, capture);
        if (capture)
            for (unsigned b = 0; b < n; ++b) {
                ReadTicket t = Reserve();
                pending_.push_back({t, reply, static_cast<uint8_t>(1u << (8 - n + b))});
                note(t);
            }
    }
    if (tmsOnLast && bits > 0) {
        ReadTicket t = Clock(true, ((tdi >> (bits - 1)) & 1) != 0, capture);
        if (capture)
            note(t);
    }
    return first;
}

void Ft232hAdapter::Flush()
{
    if (sampleDue_)
        SampleNow(due_);
    EndRun();
    if (!batch_.Empty())
        Exchange();
    if (lost_)
        for (const Pending& p : pending_)
            Fill(p.Ticket, false);
    pending_.clear();
    AdapterSignals::Flush();
}

} // namespace vorbrant
