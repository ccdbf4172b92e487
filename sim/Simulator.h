#pragma once
// The simulated hardware behind the parallel port: the adapter and its target
// (one C2 part, or a JTAG chain), reacting only to the register bytes written
// through PortIo, on a virtual clock. Written from the device's side; it knows
// nothing of the host's protocol code.
#include "lpt/PortIo.h"
#include "sim/SimClock.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace vorbrant::sim {

struct SimConfig; // sim/SimConfig.h
class C2Target;
class JtagChain;

// The target's pins as an adapter without the parallel-port circuit drives
// them (a GPIO header, an FT232H): C2CK and C2D for a C2 part, TCK, TMS and
// TDI for a JTAG chain. C2D is driven by the adapter only while C2dDriven.
struct PinLines {
    bool C2ck = true;
    bool C2dDriven = false;
    bool C2dLevel = true;
    bool Tck = false;
    bool Tms = true;
    bool Tdi = true;
};

class Simulator : public PortIo {
public:
    static constexpr uint16_t BasePort = 0x378;

    explicit Simulator(const SimConfig& config);
    ~Simulator() override;
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    uint8_t PortIn(uint16_t port) override;
    void PortOut(uint16_t port, uint8_t value) override;

    // The pin side (adapter=gpio or ft232h). Each call is one access of the
    // adapter taking ns of virtual time (stalls and the unplugging count
    // them as port accesses); the lines change, or are read, at its end.
    void DriveLines(const PinLines& lines, uint64_t ns);
    bool ReadC2d(uint64_t ns);
    bool ReadTdo(uint64_t ns);
    // The lines as the adapter last set them, and C2D/TDO now, without an
    // access (the MPSSE engine watches its inputs between its own steps).
    const PinLines& Lines() const;
    bool C2dNow();
    bool TdoNow() const;
    // Time passes on the pins with nothing changed (an adapter's own work).
    void Elapse(uint64_t ns) { clock_.Advance(ns); }
    // A note from the adapter's model for the violation log.
    void AddViolation(const std::string& what, const std::string& detail = "");

    SimClock& GetClock() { return clock_; }
    const SimConfig& Config() const;
    uint64_t AccessCount() const { return accesses_; }
    // Protocol violations seen so far ("C2D driven by both sides", ...), one
    // line per kind, with the virtual time it first happened.
    const std::vector<std::string>& Violations() const;
    uint64_t ViolationCount() const;

    // Test access to device n of the target (0 for a C2 part or the first
    // JTAG device): code flash followed by the scratchpad. Empty for a
    // generic JTAG device.
    std::vector<uint8_t>& Flash(size_t device = 0);
    size_t DeviceCount() const;
    // Writes flash files back (flash=FILE) whose flash changed; false with a
    // reason on failure.
    bool SaveFlash(std::string& error);
    // A flash file that could not be loaded at start (empty when all went
    // well). Such a file is never written back, so nothing is lost.
    const std::string& StartError() const;
    // The start failed because another program holds a flash file.
    bool FlashFileInUse() const;
    // How long a flash file held by another program is waited for.
    static constexpr int FlashLockWaitMs = 2000;

    // For tests of the wire: the C2 target (null on a JTAG set-up) and the
    // chain (empty on a C2 set-up).
    C2Target* C2();
    JtagChain& Chain();
    bool TargetRemoved() const;

    // "N port accesses, X ms on a real port" and the violations, for the end
    // of a headless run.
    std::string Report() const;
    void PrintReport(std::FILE* out) const;

private:
    // One access's time, a stall's included when it lands before the
    // access; returns the stall time that lands after it.
    uint64_t CountAccess(uint64_t ns);

    struct Impl;
    std::unique_ptr<Impl> impl_;
    SimClock clock_;
    uint64_t accesses_ = 0;
};

} // namespace vorbrant::sim
