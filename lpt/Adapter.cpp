#include "lpt/Adapter.h"

#include "lpt/LptSignals.h"
#include "lpt/PinMap.h"

namespace vorbrant {

bool Adapter::ReadPin(uint8_t pin)
{
    if (!ioAccessGranted_ || pin < FirstPin || pin > LastPin)
        return false;
    const PinInfo& p = PinTable[pin];
    uint8_t v = io_.PortIn(static_cast<uint16_t>(ports_.LptBase + static_cast<uint8_t>(p.Register)));
    return PinLevel(p, v);
}

void Adapter::SetPin(uint8_t pin, bool high)
{
    if (!ioAccessGranted_ || pin < FirstPin || pin > LastPin)
        return;
    const PinInfo& p = PinTable[pin];
    if (!p.Settable)
        return;
    auto port = static_cast<uint16_t>(ports_.LptBase + static_cast<uint8_t>(p.Register));
    uint8_t v = io_.PortIn(port);
    bool setBit = p.HighWhenClear ? !high : high;
    v = setBit ? static_cast<uint8_t>(v | p.Mask) : static_cast<uint8_t>(v & ~p.Mask);
    io_.PortOut(port, v);
}

bool Adapter::ReadTargetData()
{
    return ReadPin(LptLines::TargetDataPin);
}

AdapterDetection Adapter::Detect()
{
    using D = LptDetection;
    detected_ = AdapterDetection{false, FirstGenerationName, false};
    WriteData(D::AllHigh);
    SetModeLine(true);
    if (!ReadPin(D::LoopPin))
        return detected_;
    WriteData(D::Bits4And5Low);
    if (ReadPin(D::LoopPin))
        return detected_;
    // A pin 13 that is high already says nothing: a first generation.
    if (!ReadPin(D::SecondGenerationPin)) {
        WriteData(D::Bit4HighBit5Low);
        if (ReadPin(D::SecondGenerationPin)) {
            detected_.Name = SecondGenerationName;
            detected_.SpeaksC2 = true;
        }
    }
    Put(D::After);
    detected_.Found = true;
    return detected_;
}

void Adapter::SetModeLine(bool high)
{
    SetPin(LptLines::ModePin, high);
}

void Adapter::ReleaseLines()
{
    Put(LptLines::Released);
}

// --- C2 ----------------------------------------------------------------------

void Adapter::C2Reset(int holdWrites)
{
    SetModeLine(true);
    WriteData(LptC2::ResetHold);
    SetModeLine(false);
    for (int i = 0; i < holdWrites; ++i)
        WriteData(LptC2::ResetHold);
    SetModeLine(true);
    Put(LptC2::ResetEnd);
    c2dOut_ = true;
    Put(static_cast<uint8_t>(shadow_ | LptC2::C2dRelease));
    // The reset bytes hold D0 high, a strobe holds it low: the idle byte
    // goes out once here, so that the first strobe's falling write changes
    // C2CK and nothing else.
    Put(LptC2::ClockIdle | LptC2::C2dRelease | LptC2::C2dOut);
}

// C2D takes this bit's state in the write that lowers C2CK; the write that
// raises it changes nothing else, so C2D holds still through the part's
// sampling edge. Two writes, C2CK low for exactly one of them.
void Adapter::C2Strobe(C2dLine line)
{
    uint8_t high = LptC2::ClockIdle;
    if (line == C2dLine::Release)
        high |= LptC2::C2dRelease;
    else
        c2dOut_ = line == C2dLine::DriveHigh;
    if (c2dOut_)
        high |= LptC2::C2dOut;
    WriteData(static_cast<uint8_t>(high & ~LptC2::C2ck));
    Put(high);
}

// --- JTAG --------------------------------------------------------------------

void Adapter::JtagSelect()
{
    shadow_ = LptLines::Released; // the first clock writes its byte
    SetModeLine(false);
}

// TCK is pulsed with two writes: the one that lowers it (the falling edge
// of the clock before) also sets TMS and TDI for this clock, the next raises
// it. A write that would change nothing is skipped.
void Adapter::JtagSetUp(bool tms, bool tdi)
{
    uint8_t v = LptJtag::ClockIdle;
    if (tms)
        v |= LptJtag::Tms;
    if (tdi)
        v |= LptJtag::Tdi;
    if (v != shadow_)
        Put(v);
}

void Adapter::JtagRise()
{
    Put(static_cast<uint8_t>(shadow_ | LptJtag::Tck));
}

void Adapter::JtagClock(bool tms, bool tdi)
{
    JtagSetUp(tms, tdi);
    JtagRise();
}

ReadTicket Adapter::JtagClockSampled(bool tms, bool tdi)
{
    JtagSetUp(tms, tdi);
    ReadTicket tdo = Answer(ReadTargetData());
    JtagRise();
    return tdo;
}

void Adapter::JtagSettle()
{
    if ((shadow_ & LptJtag::Tck) == 0)
        return;
    Put(static_cast<uint8_t>(shadow_ & ~LptJtag::Tck));
}

} // namespace vorbrant
