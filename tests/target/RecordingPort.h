#pragma once
// Test double for the port seam: records every access at the adapter's three
// registers and answers status reads with scripted pin-11 levels (C2D or TDO).
#include "lpt/PortIo.h"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace vorbrant::test {

class RecordingPort : public PortIo {
public:
    static constexpr uint16_t Base = 0x378;

    struct Access {
        bool Out;
        uint16_t Port;
        uint8_t Value;
    };

    uint8_t PortIn(uint16_t port) override
    {
        uint8_t value = 0xFF;
        if (port == Base) {
            value = Data;
        } else if (port == Base + 1) {
            bool level = DefaultPin11;
            if (!Pin11.empty()) {
                level = Pin11.front();
                Pin11.pop_front();
            }
            value = level ? 0x7F : 0xFF; // pin 11 is high when status bit 7 is clear
            if (AdapterKind != 0) {
                // Pin 10 follows data bits 4 and 5; the second generation
                // also returns data bit 4 on pin 13.
                value &= static_cast<uint8_t>(~0x50);
                if ((Data & 0x30) == 0x30)
                    value |= 0x40;
                if (AdapterKind == 2 && (Data & 0x10) != 0)
                    value |= 0x10;
            }
        } else if (port == Base + 2) {
            value = Control;
        }
        Log.push_back({false, port, value});
        return value;
    }

    void PortOut(uint16_t port, uint8_t value) override
    {
        if (port == Base)
            Data = value;
        else if (port == Base + 2)
            Control = value;
        Log.push_back({true, port, value});
    }

    // The log from entry `from` on, one token per access: "F6" a data write,
    // "c=02" a control write, "c?" a control read, "s1"/"s0" a status read
    // that found pin 11 high/low, "d?" a data read.
    std::string Trace(size_t from = 0) const
    {
        std::string out;
        char buffer[8];
        for (size_t i = from; i < Log.size(); ++i) {
            const Access& a = Log[i];
            if (!out.empty())
                out += ' ';
            if (a.Out && a.Port == Base) {
                std::snprintf(buffer, sizeof buffer, "%02X", a.Value);
            } else if (a.Out) {
                std::snprintf(buffer, sizeof buffer, "c=%02X", a.Value);
            } else if (a.Port == Base + 1) {
                std::snprintf(buffer, sizeof buffer, "s%d", (a.Value & 0x80) ? 0 : 1);
            } else if (a.Port == Base + 2) {
                std::snprintf(buffer, sizeof buffer, "c?");
            } else {
                std::snprintf(buffer, sizeof buffer, "d?");
            }
            out += buffer;
        }
        return out;
    }

    size_t Writes(size_t from = 0) const
    {
        size_t n = 0;
        for (size_t i = from; i < Log.size(); ++i)
            n += Log[i].Out ? 1 : 0;
        return n;
    }
    size_t Reads(size_t from = 0) const { return Log.size() - from - Writes(from); }

    // Pin-11 levels for the coming status reads; DefaultPin11 when used up.
    void Script(std::initializer_list<int> levels)
    {
        for (int l : levels)
            Pin11.push_back(l != 0);
    }
    // Levels of a byte as the target sends it, least significant bit first.
    void ScriptByte(uint8_t value)
    {
        for (int i = 0; i < 8; ++i)
            Pin11.push_back(((value >> i) & 1) != 0);
    }

    // 0: nothing on the port (pin 10 stuck high); 1 or 2: adapter generation.
    int AdapterKind = 0;
    uint8_t Data = 0xFF;
    uint8_t Control = 0x00;
    std::deque<bool> Pin11;
    bool DefaultPin11 = true;
    std::vector<Access> Log;
};

// Repeats a trace fragment n times ("74 70 74" x 3).
inline std::string Repeat(const std::string& fragment, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) {
        if (!out.empty())
            out += ' ';
        out += fragment;
    }
    return out;
}

} // namespace vorbrant::test

#include "lpt/Clock.h"

#include <functional>

namespace vorbrant::test {

// A clock that records sleeps and moves by StepNs at every reading.
class FakeClock : public Clock {
public:
    uint64_t NowNs() override { return Now += StepNs; }
    void SleepMs(uint32_t ms) override
    {
        Sleeps.push_back(ms);
        Now += uint64_t{ms} * 1000000u;
        if (OnSleep)
            OnSleep(ms);
    }
    uint64_t Now = 0;
    uint64_t StepNs = 0;
    std::vector<uint32_t> Sleeps;
    std::function<void(uint32_t)> OnSleep; // e.g. to note where in the traffic a sleep fell
};

// Reads the C2 frames back out of the data-register writes, from the host's
// side only: a strobe is a write with C2CK (bit 2) low; it carries a host bit
// when C2D is driven (bit 7 clear) at that moment. Runs of driven strobes are
// the host parts of the transfers: 1,1 + 8 bits = address write, 1,0,0,0 +
// 8 bits = data write, 0,1 = address read, 0,0,0,0 = data read.
inline std::vector<std::string> HostFrames(const RecordingPort& port, size_t from = 0)
{
    std::vector<std::string> frames;
    std::vector<int> run;
    auto close = [&] {
        if (run.empty())
            return;
        auto byteAt = [&](size_t first) {
            int v = 0;
            for (size_t i = 0; i < 8; ++i)
                v |= run[first + i] << i;
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "%02X", v);
            return std::string(buffer);
        };
        if (run.size() == 10 && run[0] == 1 && run[1] == 1)
            frames.push_back("AW " + byteAt(2));
        else if (run.size() == 12 && run[0] == 1 && run[1] == 0 && run[2] == 0 && run[3] == 0)
            frames.push_back("DW " + byteAt(4));
        else if (run.size() == 2 && run[0] == 0 && run[1] == 1)
            frames.push_back("AR");
        else if (run.size() == 4 && run[0] == 0 && run[1] == 0 && run[2] == 0 && run[3] == 0)
            frames.push_back("DR");
        else
            frames.push_back("?" + std::to_string(run.size()));
        run.clear();
    };
    for (size_t i = from; i < port.Log.size(); ++i) {
        const RecordingPort::Access& a = port.Log[i];
        if (!a.Out || a.Port != RecordingPort::Base || (a.Value & 0x04) != 0)
            continue;
        if ((a.Value & 0x80) == 0)
            run.push_back((a.Value & 0x02) ? 1 : 0);
        else
            close();
    }
    close();
    return frames;
}

// Reads (TMS, TDI) at every TCK rising edge out of the data-register writes.
inline std::string TapBits(const RecordingPort& port, size_t from = 0)
{
    std::string out;
    bool tckHigh = false;
    for (size_t i = from; i < port.Log.size(); ++i) {
        const RecordingPort::Access& a = port.Log[i];
        if (!a.Out || a.Port != RecordingPort::Base)
            continue;
        bool tck = (a.Value & 0x01) != 0;
        if (tck && !tckHigh) {
            out += (a.Value & 0x02) ? 'M' : 'm'; // TMS
            out += (a.Value & 0x40) ? '1' : '0'; // TDI
            out += ' ';
        }
        tckHigh = tck;
    }
    if (!out.empty())
        out.pop_back();
    return out;
}

} // namespace vorbrant::test

namespace vorbrant::test {

// Runs an IEEE 1149.1 TAP on the (TMS, TDI) pairs of the data-register
// writes and lists the completed scans: "IR 1004/16", "DR 0000A5/10" (value
// as shifted in, first bit in bit 0), "RESET" on entering Test-Logic-Reset.
inline std::vector<std::string> JtagScans(const RecordingPort& port, size_t from = 0)
{
    enum S { Tlr, Rti, SelDr, CapDr, ShDr, Ex1Dr, PauseDr, Ex2Dr, UpdDr, SelIr, CapIr, ShIr, Ex1Ir, PauseIr, Ex2Ir, UpdIr };
    static constexpr S next[16][2] = {
        {Rti, Tlr}, {Rti, SelDr}, {CapDr, SelIr}, {ShDr, Ex1Dr}, {ShDr, Ex1Dr}, {PauseDr, UpdDr}, {PauseDr, Ex2Dr},
        {ShDr, UpdDr}, {Rti, SelDr}, {CapIr, Tlr}, {ShIr, Ex1Ir}, {ShIr, Ex1Ir}, {PauseIr, UpdIr}, {PauseIr, Ex2Ir},
        {ShIr, UpdIr}, {Rti, SelDr}};
    std::vector<std::string> scans;
    S state = Rti;
    uint64_t value = 0;
    int length = 0;
    bool tckHigh = false;
    for (size_t i = from; i < port.Log.size(); ++i) {
        const RecordingPort::Access& a = port.Log[i];
        if (!a.Out || a.Port != RecordingPort::Base)
            continue;
        bool tck = (a.Value & 0x01) != 0;
        if (tck && !tckHigh) {
            bool tms = (a.Value & 0x02) != 0;
            bool tdi = (a.Value & 0x40) != 0;
            if (state == ShDr || state == ShIr) {
                if (length < 64 && tdi)
                    value |= uint64_t{1} << length;
                ++length;
            }
            S was = state;
            state = next[state][tms ? 1 : 0];
            if ((state == CapDr || state == CapIr) && was != state) {
                value = 0;
                length = 0;
            }
            if (state == UpdDr || state == UpdIr) {
                char buffer[40];
                std::snprintf(buffer, sizeof buffer, "%s %llX/%d", state == UpdIr ? "IR" : "DR",
                    static_cast<unsigned long long>(value), length);
                scans.push_back(buffer);
            }
            if (state == Tlr && was != Tlr)
                scans.push_back("RESET");
        }
        tckHigh = tck;
    }
    return scans;
}

} // namespace vorbrant::test
