#include "ftdi/MpsseC2.h"

namespace vorbrant {

namespace {
constexpr uint8_t Idle = mpsse::Sk | mpsse::Do; // C2CK high, C2D released
constexpr uint8_t Outputs = mpsse::Sk | mpsse::Do;
} // namespace

bool MpsseC2::Setup()
{
    using namespace mpsse;
    batch_.Clear();
    tickets_.clear();
    // A command the engine does not know comes back as 0xFA and itself:
    // proof that the engine is in step with us.
    batch_.Command({0xAA});
    batch_.Command({Div5Off, AdaptiveOff, ThreePhaseOff, LoopbackOff});
    batch_.Command({SetDivisor, static_cast<uint8_t>(rate_.Divisor & 0xFF), static_cast<uint8_t>(rate_.Divisor >> 8)});
    batch_.Command({DriveZeroOnly, faults_.PushPullC2d ? uint8_t{0} : Do, 0x00});
    batch_.SetLow(Idle, Outputs);
    // Two reply bytes for the unknown command, outside the batch's count.
    batch_.Command({SendImmediate});
    ++roundTrips_;
    uint8_t echo[2] = {};
    const bool ok = transport_.Write(batch_.Bytes()) && transport_.Read(echo, 2, 1000);
    batch_.Clear();
    return ok && echo[0] == 0xFA && echo[1] == 0xAA;
}

bool MpsseC2::Reset()
{
    if (!Flush())
        return false;
    batch_.SetLow(mpsse::Do, Outputs); // C2CK low
    batch_.ReadLow();
    std::vector<uint8_t> replies;
    ++roundTrips_;
    if (!batch_.Exchange(transport_, replies))
        return false;
    clock_.SleepMs(1);
    batch_.SetLow(Idle, Outputs);
    batch_.ReadLow();
    ++roundTrips_;
    if (!batch_.Exchange(transport_, replies))
        return false;
    clock_.SleepMs(1);
    return true;
}

void MpsseC2::AddressWrite(uint8_t address)
{
    // START, INS 1,1, eight address bits, STOP: 12 strobes.
    const uint16_t bits = static_cast<uint16_t>(0x1 | 0x2 | 0x4 | (address << 3) | (1u << 11));
    batch_.ClockBits(static_cast<uint8_t>(bits), 8, false);
    batch_.ClockBits(static_cast<uint8_t>(bits >> 8), 4, false);
}

// Eight bits the target drives, each sampled on the falling edge of the
// strobe after the one that brought it; the last of those strobes is STOP.
void MpsseC2::Read8(Ticket& ticket)
{
    ticket.ValueReply = static_cast<int>(batch_.ClockBits(0xFF, 8, true, !faults_.SampleOnRisingEdge));
}

size_t MpsseC2::AddressRead()
{
    if (ticketsFilled_) {
        tickets_.clear();
        ticketsFilled_ = false;
    }
    Ticket ticket;
    // START, INS 0,1, and the first address strobe (C2D released).
    batch_.ClockBits(0x1 | 0x4 | 0x8, 4, false);
    Read8(ticket);
    tickets_.push_back(ticket);
    return tickets_.size() - 1;
}

void MpsseC2::Wait(Ticket& ticket)
{
    batch_.ClockUntilHigh(WaitBytes8);
    if (faults_.ExtraWaitClock)
        batch_.ClockBits(0x1, 1, false);
    ticket.WaitReply = static_cast<int>(batch_.ReadLow());
}

size_t MpsseC2::DataWrite(uint8_t value)
{
    if (ticketsFilled_) {
        tickets_.clear();
        ticketsFilled_ = false;
    }
    Ticket ticket;
    // START, INS 1,0, LENGTH 0,0, eight data bits, the first WAIT strobe.
    const uint16_t bits = static_cast<uint16_t>(0x1 | 0x2 | (value << 5) | (1u << 13));
    batch_.ClockBits(static_cast<uint8_t>(bits), 8, false);
    batch_.ClockBits(static_cast<uint8_t>(bits >> 8), 6, false);
    Wait(ticket);
    batch_.ClockBits(0x1, 1, false); // STOP
    tickets_.push_back(ticket);
    return tickets_.size() - 1;
}

size_t MpsseC2::DataRead()
{
    if (ticketsFilled_) {
        tickets_.clear();
        ticketsFilled_ = false;
    }
    Ticket ticket;
    // START, INS 0,0, LENGTH 0,0, the first WAIT strobe.
    batch_.ClockBits(0x1 | 0x20, 6, false);
    Wait(ticket);
    // The strobe that brings D0, then D1..D7 and STOP, sampling D0..D7.
    batch_.ClockBits(0x1, 1, false);
    Read8(ticket);
    tickets_.push_back(ticket);
    return tickets_.size() - 1;
}

bool MpsseC2::Flush()
{
    if (batch_.Empty()) {
        ticketsFilled_ = true;
        return true;
    }
    std::vector<uint8_t> replies;
    ++roundTrips_;
    const bool ok = batch_.Exchange(transport_, replies);
    for (Ticket& t : tickets_) {
        if (!ok) {
            t.WaitEnded = false;
            continue;
        }
        if (t.ValueReply >= 0)
            t.Value = replies[static_cast<size_t>(t.ValueReply)];
        if (t.WaitReply >= 0)
            t.WaitEnded = (replies[static_cast<size_t>(t.WaitReply)] & mpsse::Gpiol1) != 0;
    }
    ticketsFilled_ = true;
    return ok;
}

} // namespace vorbrant
