#pragma once
// The port double of the tests: a PortIo that records every access, keeps
// what was written as a register file (unknown addresses read 0xFF), and
// answers status reads with scripted pin-11 levels, the one line a target
// drives (C2D or TDO). Finalize() fails the test when scripted levels were
// left unread, so a host that reads less than the test expects is caught;
// the destructor does the same check for tests that do not call it.
//
//   ScriptedPort port;                 // parallel port at 0x378
//   port.Script({1});                  // the next status read: pin 11 high
//   port.ScriptByte(0x0D);             // then eight levels, bit 0 first
//   ... run the host code on port ...
//   EXPECT_EQ(port.Trace(mark), "F7 F6 F2 ... s1 ...");
//   port.Finalize();
#include "lpt/PortIo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorbrant::test {

// One port access as the host made it.
struct Access {
    bool Out; // a write (true) or a read
    uint16_t Port;
    uint8_t Value; // written, or what the read returned
    bool operator==(const Access&) const = default;
};

inline Access In(uint16_t port, uint8_t value) { return {false, port, value}; }
inline Access Out(uint16_t port, uint8_t value) { return {true, port, value}; }

inline void PrintTo(const Access& a, std::ostream* os)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s(0x%04X, 0x%02X)", a.Out ? "Out" : "In", a.Port, a.Value);
    *os << buffer;
}

class ScriptedPort : public PortIo {
public:
    // base: the parallel port whose status register (base + 1) takes the
    // scripted levels and whose registers Trace() names.
    explicit ScriptedPort(uint16_t base = 0x378) : PortBase(base) {}
    ~ScriptedPort() override { Finalize(); }
    ScriptedPort(const ScriptedPort&) = delete;
    ScriptedPort& operator=(const ScriptedPort&) = delete;

    uint8_t PortIn(uint16_t port) override
    {
        uint8_t value = Answer(port);
        if (port == StatusPort()) {
            std::optional<bool> level = NextPin11();
            if (level)
                value = *level ? static_cast<uint8_t>(value & 0x7F) : static_cast<uint8_t>(value | 0x80); // inverted line
        }
        Log.push_back(In(port, value));
        return value;
    }

    void PortOut(uint16_t port, uint8_t value) override
    {
        Store(port, value);
        Log.push_back(Out(port, value));
        if (OnWrite)
            OnWrite(*this, port, value);
    }

    // Pin-11 levels for the coming status reads, in order (non-zero = high).
    void Script(std::initializer_list<int> levels)
    {
        for (int l : levels)
            Pin11.push_back(l != 0);
    }
    // The levels of a byte as a target sends it, least significant bit first.
    void ScriptByte(uint8_t value)
    {
        for (int i = 0; i < 8; ++i)
            Pin11.push_back(((value >> i) & 1) != 0);
    }

    // Fails the test when scripted levels are left over, and drops them.
    void Finalize()
    {
        if (Pin11.empty())
            return;
        std::string left;
        for (bool level : Pin11)
            left += level ? '1' : '0';
        ADD_FAILURE() << Pin11.size() << " scripted pin-11 level(s) never read: " << left;
        Pin11.clear();
    }

    // The log from entry `from` on, one token per access: "F6" a data write,
    // "c=02" a control write, "c?" a control read, "s1"/"s0" a status read
    // that found pin 11 high/low, "d?" a data read, "w1234=56"/"r1234" an
    // access outside the port.
    std::string Trace(size_t from = 0) const
    {
        std::string out;
        char buffer[16];
        for (size_t i = from; i < Log.size(); ++i) {
            const Access& a = Log[i];
            if (!out.empty())
                out += ' ';
            if (a.Port == PortBase && a.Out)
                std::snprintf(buffer, sizeof buffer, "%02X", a.Value);
            else if (a.Port == PortBase)
                std::snprintf(buffer, sizeof buffer, "d?");
            else if (a.Port == ControlPort() && a.Out)
                std::snprintf(buffer, sizeof buffer, "c=%02X", a.Value);
            else if (a.Port == ControlPort())
                std::snprintf(buffer, sizeof buffer, "c?");
            else if (a.Port == StatusPort() && !a.Out)
                std::snprintf(buffer, sizeof buffer, "s%d", (a.Value & 0x80) ? 0 : 1);
            else if (a.Out)
                std::snprintf(buffer, sizeof buffer, "w%04X=%02X", a.Port, a.Value);
            else
                std::snprintf(buffer, sizeof buffer, "r%04X", a.Port);
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

    const uint16_t PortBase;
    std::map<uint16_t, uint8_t> Registers;
    std::vector<Access> Log;
    // Levels still to come; when none are left, DefaultPin11 (or, unset, bit
    // 7 of the status register as stored).
    std::deque<bool> Pin11;
    std::optional<bool> DefaultPin11;
    // Hardware that reacts to a write, e.g. an adapter looping data lines back
    // to status lines.
    std::function<void(ScriptedPort&, uint16_t, uint8_t)> OnWrite;

protected:
    uint16_t StatusPort() const { return static_cast<uint16_t>(PortBase + 1); }
    uint16_t ControlPort() const { return static_cast<uint16_t>(PortBase + 2); }

    // What a read finds before pin 11 is applied, and where a write goes;
    // a model of particular hardware replaces these.
    virtual uint8_t Answer(uint16_t port)
    {
        auto it = Registers.find(port);
        return it == Registers.end() ? 0xFF : it->second;
    }
    virtual void Store(uint16_t port, uint8_t value) { Registers[port] = value; }

private:
    std::optional<bool> NextPin11()
    {
        if (Pin11.empty())
            return DefaultPin11;
        bool level = Pin11.front();
        Pin11.pop_front();
        return level;
    }
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
