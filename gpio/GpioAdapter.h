#pragma once
// The C2 and JTAG signals on GPIO lines: every line change one ioctl, every
// read one ioctl answered at once (the same speed class as a parallel port,
// and the same exposure to a stalled host, which the links' strobe timing
// catches). No mode line: C2 and JTAG have lines of their own.
//
//   GpioAdapter pins(lines, wiring, clock);
//   pins.Detect();                        // the lines are there
//   pins.C2Strobe(C2dLine::Release);      // two ioctls
#include "gpio/GpioLines.h"
#include "target/AdapterSignals.h"

namespace vorbrant {

class GpioAdapter final : public AdapterSignals {
public:
    static constexpr const char* Name = "GPIO";

    GpioAdapter(GpioLines& lines, const GpioWiring& wiring, Clock& clock) : lines_(lines), wiring_(wiring), clock_(clock)
    {
        detected_.Name = Name;
        for (size_t r = 0; r < GpioRoleCount; ++r)
            if (wiring_.Lines[r] && static_cast<GpioRole>(r) != GpioRole::Tdo)
                outputs_ = static_cast<uint8_t>(outputs_ | (1u << r));
    }

    AdapterDetection Detect() override;
    const AdapterDetection& Detected() const override { return detected_; }
    void SetModeLine(bool) override {}
    void ReleaseLines() override;
    void HoldLines() override { Put(levels_); }

    void C2Reset(int holdWrites) override;
    void C2Strobe(C2dLine line) override;
    ReadTicket C2SampleData() override { return Answer(lines_.Read(RoleBit(GpioRole::C2d)) != 0); }

    void JtagSelect() override {}
    void JtagClock(bool tms, bool tdi) override;
    ReadTicket JtagClockSampled(bool tms, bool tdi) override;
    void JtagSettle() override;

private:
    void Put(uint8_t levels)
    {
        lines_.Write(outputs_, levels);
        levels_ = levels;
    }
    uint8_t JtagFall(bool tms, bool tdi) const;

    GpioLines& lines_;
    GpioWiring wiring_;
    Clock& clock_;
    AdapterDetection detected_;
    uint8_t outputs_ = 0; // the roles the line assignment has, TDO left out
    uint8_t levels_ = 0xFF;
};

} // namespace vorbrant
