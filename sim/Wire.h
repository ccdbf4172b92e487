#pragma once
// Hand-written register sequences for driving the simulated adapter from the
// host's side in the simulator's tests and benches: C2 strobes and transfers,
// JTAG clocks and scans. Kept apart from the program's own protocol code on
// purpose; nothing in the simulator includes it.
#include "sim/SimConfig.h"
#include "sim/Simulator.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vorbrant::sim::test {

constexpr uint16_t Data = 0x378;
constexpr uint16_t Status = 0x379;
constexpr uint16_t Control = 0x37A;

inline std::string Hex2(uint8_t v)
{
    static const char* d = "0123456789ABCDEF";
    return std::string{d[v >> 4], d[v & 15]};
}

inline SimConfig Config(const std::string& simText)
{
    SimConfig config;
    std::string error;
    if (!ParseSimSpec(simText, config, error))
        throw std::runtime_error(error);
    return config;
}

class Wire {
public:
    explicit Wire(Simulator& sim) : sim_(sim) {}

    // Pin 14 (control bit 1, inverted).
    void ModeLine(bool high)
    {
        uint8_t c = sim_.PortIn(Control);
        sim_.PortOut(Control, high ? (c & ~0x02) : (c | 0x02));
    }
    void Write(uint8_t v)
    {
        sim_.PortOut(Data, v);
        shadow_ = v;
    }
    bool Pin(int pin)
    {
        uint8_t s = sim_.PortIn(Status);
        switch (pin) {
        case 10: return s & 0x40;
        case 11: return !(s & 0x80);
        case 13: return s & 0x10;
        default: return false;
        }
    }

    // ---- C2 ----
    // One strobe with C2D as it is; the driver state the next bit needs is
    // set in a write of its own after the rising edge.
    void Strobe(bool keepDriving)
    {
        uint8_t v = 0x74 | (released_ ? 0x80 : 0) | (level_ ? 0x02 : 0);
        sim_.PortOut(Data, v);
        sim_.PortOut(Data, v & ~0x04);
        sim_.PortOut(Data, v); // C2D holds still through the rising edge
        if (keepDriving) {
            v &= ~0x80;
            released_ = false;
        } else {
            v |= 0x80;
            released_ = true;
        }
        Write(v);
    }
    void Release()
    {
        released_ = true;
        Write(shadow_ | 0x80);
    }
    void Drive(bool level)
    {
        released_ = false;
        level_ = level;
        Write(static_cast<uint8_t>((shadow_ & ~0x82) | (level ? 0x02 : 0)));
    }
    bool C2d() { return Pin(11); }
    void Bit(bool b, bool keep)
    {
        level_ = b;
        if (!released_)
            Drive(b);
        Strobe(keep);
    }
    void Start()
    {
        Release();
        Strobe(false);
    }
    void AddressWrite(uint8_t a)
    {
        Start();
        level_ = true;
        Drive(true);
        Strobe(true);
        Strobe(true);
        for (int i = 0; i < 8; ++i) {
            Drive((a >> i) & 1);
            Strobe(i != 7);
        }
        Strobe(false); // STOP
    }
    uint8_t AddressRead()
    {
        Start();
        Drive(false);
        Strobe(true);
        Drive(true);
        Strobe(false);
        uint8_t v = 0;
        for (int i = 0; i < 8; ++i) {
            Strobe(false);
            if (C2d())
                v |= 1 << i;
        }
        Strobe(false);
        return v;
    }
    // Returns the number of WAIT strobes, -1 when the wait ran out.
    int DataWrite(uint8_t d, int maxWait = 50000)
    {
        Start();
        Drive(true);
        Strobe(true);
        Drive(false);
        Strobe(true);
        Strobe(true); // length 00
        Strobe(true);
        for (int i = 0; i < 8; ++i) {
            Drive((d >> i) & 1);
            Strobe(i != 7);
        }
        for (int n = 1; n <= maxWait; ++n) {
            Strobe(false);
            if (C2d()) {
                Strobe(false);
                return n;
            }
        }
        return -1;
    }
    // -1 when the wait ran out.
    int DataRead(int maxWait = 10000)
    {
        Start();
        Drive(false);
        Strobe(true);
        Strobe(true);
        Strobe(true);
        Strobe(false); // length 00, released after the last
        bool ready = false;
        for (int n = 0; n < maxWait && !ready; ++n) {
            Strobe(false);
            ready = C2d();
        }
        if (!ready)
            return -1;
        int v = 0;
        for (int i = 0; i < 8; ++i) {
            Strobe(false);
            if (C2d())
                v |= 1 << i;
        }
        Strobe(false);
        return v;
    }
    void C2Reset()
    {
        ModeLine(true);
        Write(0xBF);
        ModeLine(false);
        for (int i = 0; i < 100; ++i)
            Write(0xBF);
        ModeLine(true);
        Write(0x77);
        level_ = true;
        released_ = false;
        Release();
    }
    void EnterProgramming()
    {
        C2Reset();
        sim_.GetClock().SleepMs(20);
        AddressWrite(0x02);
        DataWrite(0x02);
        DataWrite(0x01);
        sim_.GetClock().SleepMs(30);
    }
    bool WaitInBusyClear()
    {
        for (int i = 0; i < 249; ++i)
            if (!(AddressRead() & 0x02))
                return true;
        return false;
    }
    bool WaitOutReady()
    {
        for (int i = 0; i < 250; ++i) {
            if (AddressRead() & 0x01)
                return true;
            sim_.GetClock().SleepMs(1);
        }
        return false;
    }
    bool Send(uint8_t b)
    {
        DataWrite(b);
        return WaitInBusyClear();
    }
    // Waits for OutReady and reads FPDAT; -1 when nothing came.
    int Response()
    {
        if (!WaitOutReady())
            return -1;
        return DataRead();
    }

    // ---- JTAG ----
    void JtagMode()
    {
        shadow_ = 0xFF;
        ModeLine(false);
    }
    void Clock(bool tms, bool tdi)
    {
        uint8_t v = 0x8C | (tms ? 0x02 : 0) | (tdi ? 0x40 : 0);
        if (v != shadow_)
            Write(v);
        sim_.PortOut(Data, v | 0x01);
        sim_.PortOut(Data, v);
    }
    bool Tdo() { return Pin(11); }
    void ResetTap()
    {
        JtagMode();
        for (int i = 0; i < 5; ++i)
            Clock(true, false);
        Clock(false, false);
    }
    // From and back to Run-Test/Idle; fill bits all ones for IR (BYPASS in
    // the other devices), zeros for DR.
    uint64_t ShiftIr(uint64_t value, int bits, int fillBefore = 0, int fillAfter = 0)
    {
        return Shift(true, value, bits, fillBefore, fillAfter);
    }
    uint64_t ShiftDr(uint64_t value, int bits, int fillBefore = 0, int fillAfter = 0)
    {
        return Shift(false, value, bits, fillBefore, fillAfter);
    }
    void WriteIndirect(uint16_t ir, uint32_t data, int width)
    {
        ShiftIr(ir, 16, irBefore, irAfter);
        ShiftDr(data | (uint64_t{3} << width), width + 2, drBefore, drAfter);
        ShiftDr(0, 1, drBefore, drAfter);
        for (int i = 0; i < 1000 && (ShiftDr(0, 1, drBefore, drAfter) & 1); ++i) {
        }
    }
    uint32_t ReadIndirect(uint16_t ir, int width)
    {
        ShiftIr(ir, 16, irBefore, irAfter);
        ShiftDr(2, 2, drBefore, drAfter);
        ShiftDr(0, 1, drBefore, drAfter);
        for (int i = 0; i < 1000 && (ShiftDr(0, 1, drBefore, drAfter) & 1); ++i) {
        }
        return static_cast<uint32_t>(ShiftDr(0, width + 1, drBefore, drAfter) >> 1);
    }
    int irBefore = 0, irAfter = 0, drBefore = 0, drAfter = 0;

private:
    uint64_t Shift(bool ir, uint64_t value, int bits, int fillBefore, int fillAfter)
    {
        Clock(true, false); // Select-DR-Scan
        if (ir)
            Clock(true, false); // Select-IR-Scan
        Clock(false, false);
        Clock(false, false);
        for (int i = 0; i < fillBefore; ++i)
            Clock(false, ir);
        uint64_t out = 0;
        for (int i = 0; i < bits; ++i) {
            if (Tdo())
                out |= uint64_t{1} << i;
            Clock(i == bits - 1 && fillAfter == 0, (value >> i) & 1);
        }
        for (int i = 0; i < fillAfter; ++i)
            Clock(i == fillAfter - 1, ir);
        Clock(true, false);
        Clock(false, false);
        return out;
    }
    Simulator& sim_;
    uint8_t shadow_ = 0xFF;
    bool released_ = true;
    bool level_ = true;
};

} // namespace vorbrant::sim::test
