#pragma once
// The port double of the link tests: the shared scripted port (every access
// recorded, status reads answered with scripted pin-11 levels) in front of
// the adapter's three registers, with the adapter's loop-back lines, plus
// decoders that read C2 frames and JTAG scans back out of the log.
#include "tests/support/FakeClock.h"
#include "tests/support/ScriptedPort.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace vorbrant::test {

class RecordingPort : public ScriptedPort {
public:
    static constexpr uint16_t Base = 0x378;
    using Access = test::Access;

    RecordingPort() : ScriptedPort(Base) { DefaultPin11 = true; }

    // 0: nothing on the port (pin 10 stuck high); 1 or 2: adapter generation.
    int AdapterKind = 0;
    uint8_t Data = 0xFF;
    uint8_t Control = 0x00;

protected:
    uint8_t Answer(uint16_t port) override
    {
        if (port == Base)
            return Data;
        if (port == Base + 2)
            return Control;
        uint8_t value = 0xFF;
        if (port == Base + 1 && AdapterKind != 0) {
            // Pin 10 follows data bits 4 and 5; the second generation also
            // returns data bit 4 on pin 13.
            value &= static_cast<uint8_t>(~0x50);
            if ((Data & 0x30) == 0x30)
                value |= 0x40;
            if (AdapterKind == 2 && (Data & 0x10) != 0)
                value |= 0x10;
        }
        return value;
    }
    void Store(uint16_t port, uint8_t value) override
    {
        if (port == Base)
            Data = value;
        else if (port == Base + 2)
            Control = value;
    }
};

// Reads the C2 frames back out of the data-register writes, from the host's
// side only: a strobe is a write with C2CK (bit 2) low; it carries a host bit
// when C2D is driven (bit 7 clear) at that moment. Runs of driven strobes are
// the host parts of the transfers: 1,1 + 8 bits = address write, 1,0,0,0 +
// 8 bits = data write, 0,1 = address read, 0,0,0,0 = data read.
inline std::vector<std::string> HostFrames(const ScriptedPort& port, size_t from = 0)
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
        const Access& a = port.Log[i];
        if (!a.Out || a.Port != port.PortBase || (a.Value & 0x04) != 0)
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
inline std::string TapBits(const ScriptedPort& port, size_t from = 0)
{
    std::string out;
    bool tckHigh = false;
    for (size_t i = from; i < port.Log.size(); ++i) {
        const Access& a = port.Log[i];
        if (!a.Out || a.Port != port.PortBase)
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

// Runs an IEEE 1149.1 TAP on the (TMS, TDI) pairs of the data-register
// writes and lists the completed scans: "IR 1004/16", "DR 0000A5/10" (value
// as shifted in, first bit in bit 0), "RESET" on entering Test-Logic-Reset.
// With instructions = true the TAP is followed from the start of the log
// and every DR scan after from is listed as "<instruction>:<value>/<length>"
// with the instruction the IR held for it (IR scans are left out), so that a
// register access shows whether or not its instruction was loaded just before.
inline std::vector<std::string> JtagScans(const ScriptedPort& port, size_t from = 0, bool instructions = false)
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
    uint64_t instruction = 0;
    for (size_t i = instructions ? 0 : from; i < port.Log.size(); ++i) {
        const Access& a = port.Log[i];
        if (!a.Out || a.Port != port.PortBase)
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
            if (instructions) {
                if (state == UpdIr)
                    instruction = value;
                if (state == Tlr)
                    instruction = 0x1004; // IDCODE with HALT after a TAP reset
                if (state == UpdDr && i >= from) {
                    char buffer[48];
                    std::snprintf(buffer, sizeof buffer, "%llX:%llX/%d", static_cast<unsigned long long>(instruction),
                        static_cast<unsigned long long>(value), length);
                    scans.push_back(buffer);
                }
            } else {
                if (state == UpdDr || state == UpdIr) {
                    char buffer[40];
                    std::snprintf(buffer, sizeof buffer, "%s %llX/%d", state == UpdIr ? "IR" : "DR",
                        static_cast<unsigned long long>(value), length);
                    scans.push_back(buffer);
                }
                if (state == Tlr && was != Tlr)
                    scans.push_back("RESET");
            }
        }
        tckHigh = tck;
    }
    return scans;
}

// A part that answers every IDCODE read after the first scripted one: each
// data scan that starts while the instruction register holds 0x1004 and no
// levels are scripted gets the identification word scripted for it.
inline void AnswerIdcodeAgain(ScriptedPort& port, uint32_t idcode)
{
    enum S { Tlr, Rti, SelDr, CapDr, ShDr, Ex1Dr, PauseDr, Ex2Dr, UpdDr, SelIr, CapIr, ShIr, Ex1Ir, PauseIr, Ex2Ir, UpdIr };
    static constexpr S next[16][2] = {
        {Rti, Tlr}, {Rti, SelDr}, {CapDr, SelIr}, {ShDr, Ex1Dr}, {ShDr, Ex1Dr}, {PauseDr, UpdDr}, {PauseDr, Ex2Dr},
        {ShDr, UpdDr}, {Rti, SelDr}, {CapIr, Tlr}, {ShIr, Ex1Ir}, {ShIr, Ex1Ir}, {PauseIr, UpdIr}, {PauseIr, Ex2Ir},
        {ShIr, UpdIr}, {Rti, SelDr}};
    struct Tap {
        S State = Rti;
        bool TckHigh = false;
        uint32_t Shift = 0;
        int Length = 0;
        uint32_t Ir = 0;
    };
    auto tap = std::make_shared<Tap>();
    port.OnWrite = [tap, idcode](ScriptedPort& p, uint16_t address, uint8_t value) {
        if (address != p.PortBase)
            return;
        bool tck = (value & 0x01) != 0;
        if (tck && !tap->TckHigh) {
            if (tap->State == ShIr) {
                if (tap->Length < 32 && (value & 0x40))
                    tap->Shift |= 1u << tap->Length;
                ++tap->Length;
            }
            S was = tap->State;
            tap->State = next[was][(value & 0x02) ? 1 : 0];
            if (tap->State == CapIr) {
                tap->Shift = 0;
                tap->Length = 0;
            }
            if (tap->State == UpdIr)
                tap->Ir = tap->Shift;
            if (tap->State == CapDr && was != CapDr && tap->Ir == 0x1004 && p.Pin11.empty())
                for (int i = 0; i < 32; ++i)
                    p.Pin11.push_back(((idcode >> i) & 1) != 0);
        }
        tap->TckHigh = tck;
    };
}

} // namespace vorbrant::test
