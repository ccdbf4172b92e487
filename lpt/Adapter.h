#pragma once
// The adapter on the selected parallel port: the pin model over the three port
// registers, the one data-register shadow, detection of the adapter and its
// generation, and the C2 and JTAG signals of the links mapped onto the data
// register (LptSignals.h). Reads are port reads: every ticket is filled at
// once, and Flush() costs nothing.
//
//   Adapter pins(io, ports, ioAccessGranted);
//   AdapterDetection found = pins.Detect();
//   if (found.Found) { ... found.Name, found.SpeaksC2 ... }
//   pins.C2Strobe(C2dLine::DriveHigh);     // two data-register writes
#include "lpt/PortIo.h"
#include "lpt/PortTable.h"
#include "target/AdapterSignals.h"

#include <cstdint>
#include <string>

namespace vorbrant {

class Adapter final : public AdapterSignals {
public:
    static constexpr const char* FirstGenerationName = "Ironquill";
    static constexpr const char* SecondGenerationName = "Ironquill2";

    // ports supplies LptBase; ioAccessGranted gates every pin operation.
    Adapter(PortIo& io, const PortTable& ports, const bool& ioAccessGranted)
        : io_(io), ports_(ports), ioAccessGranted_(ioAccessGranted)
    {
        detected_.Name = FirstGenerationName;
    }

    // Level of connector pin 1..17 (one PortIn). False outside 1..17 and while
    // port access is not granted.
    bool ReadPin(uint8_t pin);
    // Sets an output pin to a level (one PortIn, one PortOut); input pins and
    // pins outside 1..17 are ignored.
    void SetPin(uint8_t pin, bool high);
    // Writes the data register (no shadow update). Nothing is written while
    // port access is not granted.
    void WriteData(uint8_t value)
    {
        if (ioAccessGranted_)
            io_.PortOut(ports_.LptBase, value);
    }
    // The last byte written through the signal calls (0xFF at start; a
    // failed detection leaves it as it was).
    uint8_t DataShadow() const { return shadow_; }

    uint16_t Base() const { return ports_.LptBase; }
    PortIo& Io() { return io_; }

    // The loop-back test: pin 10 follows data bits 4/5, the second
    // generation returns bit 4 on pin 13. Leaves the data register at 0x8F.
    AdapterDetection Detect() override;
    const AdapterDetection& Detected() const override { return detected_; }
    void SetModeLine(bool high) override;
    void ReleaseLines() override;
    void HoldLines() override { WriteData(shadow_); }

    void C2Reset(int holdWrites) override;
    void C2Strobe(C2dLine line) override;
    ReadTicket C2SampleData() override { return Answer(ReadTargetData()); }

    void JtagSelect() override;
    void JtagClock(bool tms, bool tdi) override;
    ReadTicket JtagClockSampled(bool tms, bool tdi) override;
    void JtagSettle() override;

private:
    bool ReadTargetData();
    void Put(uint8_t value)
    {
        WriteData(value);
        shadow_ = value;
    }
    // TCK low with TMS and TDI; no write when the register holds it already.
    void JtagSetUp(bool tms, bool tdi);
    void JtagRise();

    PortIo& io_;
    const PortTable& ports_;
    const bool& ioAccessGranted_;
    uint8_t shadow_ = 0xFF;
    bool c2dOut_ = true; // the C2D out level a released strobe keeps
    AdapterDetection detected_;
};

} // namespace vorbrant
