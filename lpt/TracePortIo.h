#pragma once
// Records every access to the selected port as a Value Change Dump that
// GTKWave, PulseView and sigrok-cli read.
//
//   TracePortIo trace(*driver, clock, stack.Ports);
//   std::string error;
//   if (!trace.Open("run.vcd", error)) op.ShowMessage(MessageKind::Error, error);
//   ... hand `trace` to the layers above instead of the driver ...
//   trace.Close();
//
// One 1-bit wire per connector pin, pin1 .. pin17, carrying the pin's level
// as the pin model defines it (inverted lines already turned back). Outputs
// change when their register is written, inputs when the status register is
// read. Time is the clock's, in nanoseconds from Open (virtual time under the
// simulator). Accesses outside LptBase .. LptBase + 2 pass through unrecorded.
// While no file is open every access just passes through.
#include "lpt/Clock.h"
#include "lpt/PortIo.h"
#include "lpt/PortTable.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vorbrant {

class TracePortIo : public PortIo {
public:
    TracePortIo(PortIo& inner, Clock& clock, const PortTable& ports);
    ~TracePortIo() override;
    TracePortIo(const TracePortIo&) = delete;
    TracePortIo& operator=(const TracePortIo&) = delete;

    // Creates the file and writes the header; false with a reason on failure.
    bool Open(const std::string& vcdPath, std::string& error);
    // Ends the dump at the current time and closes the file.
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    // False once a write to the file failed (disk full...); the accesses
    // themselves still go through.
    bool Good() const { return good_; }

    uint8_t PortIn(uint16_t port) override;
    void PortOut(uint16_t port, uint8_t value) override;

private:
    // Records the levels of the pins held in this register.
    void Record(uint8_t reg, uint8_t value);
    void Emit(const char* text);

    PortIo& inner_;
    Clock& clock_;
    const PortTable& ports_;
    std::FILE* file_ = nullptr;
    bool good_ = true;
    uint64_t startNs_ = 0;
    uint64_t lastTime_ = 0;
    bool timeWritten_ = false;
    // 0, 1, or -1 while unknown (written as x).
    std::array<int8_t, 18> levels_{};
};

} // namespace vorbrant
