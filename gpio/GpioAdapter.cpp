#include "gpio/GpioAdapter.h"

namespace vorbrant {

namespace {
constexpr uint8_t Ck = RoleBit(GpioRole::C2ck), D = RoleBit(GpioRole::C2d);
constexpr uint8_t Tck = RoleBit(GpioRole::Tck), Tms = RoleBit(GpioRole::Tms), Tdi = RoleBit(GpioRole::Tdi);
constexpr uint8_t Tdo = RoleBit(GpioRole::Tdo);
} // namespace

AdapterDetection GpioAdapter::Detect()
{
    // Nothing on the lines answers a loop-back: the lines taken are the
    // adapter found.
    detected_ = {lines_.IsOpen() && !lines_.Failed(), Name, wiring_.HasC2()};
    if (detected_.Found)
        ReleaseLines();
    return detected_;
}

// C2CK high, C2D released, TCK, TMS and TDI high.
void GpioAdapter::ReleaseLines() { Put(0xFF); }

void GpioAdapter::C2Reset(int holdWrites)
{
    // Low for holdWrites microseconds at least, on the clock: a GPIO write
    // is quicker than a port write.
    const int holdUs = ResetHoldUs(holdWrites);
    const uint64_t until = clock_.NowNs() + uint64_t(holdUs) * 1000;
    Put(static_cast<uint8_t>((levels_ & ~Ck) | D));
    while (clock_.NowNs() < until)
        HoldLines();
    Put(static_cast<uint8_t>(levels_ | Ck | D));
}

// C2D takes the bit's state with the falling edge and holds it through the
// rising one, where the part samples it. Driving high is releasing: C2D is
// open-drain and the pull-up makes the 1.
void GpioAdapter::C2Strobe(C2dLine line)
{
    const uint8_t c2d = line == C2dLine::DriveLow ? 0 : D;
    Put(static_cast<uint8_t>((levels_ & ~(Ck | D)) | c2d));
    Put(static_cast<uint8_t>(levels_ | Ck));
}

uint8_t GpioAdapter::JtagFall(bool tms, bool tdi) const
{
    uint8_t levels = static_cast<uint8_t>(levels_ & ~(Tck | Tms | Tdi));
    return static_cast<uint8_t>(levels | (tms ? Tms : 0) | (tdi ? Tdi : 0));
}

void GpioAdapter::JtagClock(bool tms, bool tdi)
{
    Put(JtagFall(tms, tdi));
    Put(static_cast<uint8_t>(levels_ | Tck));
}

// TDO moves on the falling edge: it is read between the edges.
ReadTicket GpioAdapter::JtagClockSampled(bool tms, bool tdi)
{
    Put(JtagFall(tms, tdi));
    ReadTicket t = Answer(lines_.Read(Tdo) != 0);
    Put(static_cast<uint8_t>(levels_ | Tck));
    return t;
}

void GpioAdapter::JtagSettle()
{
    if (levels_ & Tck)
        Put(static_cast<uint8_t>(levels_ & ~Tck));
}

} // namespace vorbrant
