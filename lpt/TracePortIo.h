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
//
// The file is written as every output is (common/AtomicFile.h): to a
// temporary beside it, put in place by Close. Until then the old file of
// that name stays; a run that recorded nothing, or whose trace could not be
// written completely, leaves it. A signal that ends the process closes the
// trace where it stands, as a valid dump, and puts it in place.
#include "common/AtomicFile.h"
#include "lpt/Clock.h"
#include "lpt/PortIo.h"
#include "lpt/PortTable.h"

#include <array>
#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

namespace vorbrant {

class TracePortIo : public PortIo {
public:
    TracePortIo(PortIo& inner, Clock& clock, const PortTable& ports);
    ~TracePortIo() override;
    TracePortIo(const TracePortIo&) = delete;
    TracePortIo& operator=(const TracePortIo&) = delete;

    // Creates the temporary and writes the header; false with a reason on
    // failure (a target that is no regular file is refused, nothing blocks).
    bool Open(const std::string& vcdPath, std::string& error);
    // Ends the dump at the current time and puts the file in place.
    void Close();
    bool IsOpen() const { return open_; }
    // False once a write to the file failed (disk full...); the accesses
    // themselves still go through.
    bool Good() const { return good_; }

    uint8_t PortIn(uint16_t port) override;
    void PortOut(uint16_t port, uint8_t value) override;

private:
    // Records the levels of the pins held in this register.
    void Record(uint8_t reg, uint8_t value);
    void Emit(const char* text);
    void Append(const char* text, size_t length);
    void Flush();
    // What a signal handler finishes the file from: only plain data.
    struct SignalView {
        int Fd = -1;
        const char* Data = nullptr;
        volatile size_t Committed = 0;   // bytes of whole lines in Data
        volatile uint64_t LastTime = 0;  // the last time stamp written
        volatile sig_atomic_t Recorded = 0;
        char Target[signal_cleanup::MaxPath] = {};
    };
    static void FinishOnSignal(const char* temporary, void* context);

    PortIo& inner_;
    Clock& clock_;
    const PortTable& ports_;
    PendingFile file_;
    std::vector<char> buffer_;
    SignalView signal_;
    bool open_ = false;
    bool good_ = true;
    uint64_t startNs_ = 0;
    uint64_t lastTime_ = 0;
    bool timeWritten_ = false;
    // 0, 1, or -1 while unknown (written as x).
    std::array<int8_t, 18> levels_{};
};

} // namespace vorbrant
