#pragma once
// Test doubles for the port layer: a PortIo that records every access and
// answers from a register file, a clock the test sets by hand, and scratch
// folders for fake /proc and /dev trees.
#include "lpt/Clock.h"
#include "lpt/PortIo.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vorbrant::test {

struct Access {
    bool Write;
    uint16_t Port;
    uint8_t Value;
    bool operator==(const Access&) const = default;
};

inline Access In(uint16_t port, uint8_t value) { return {false, port, value}; }
inline Access Out(uint16_t port, uint8_t value) { return {true, port, value}; }

// Registers are plain bytes; unknown addresses read 0xFF. OnWrite lets a test
// model hardware that reacts to a write (an adapter looping data lines back
// to status lines).
class RecordingPort : public PortIo {
public:
    uint8_t PortIn(uint16_t port) override
    {
        auto it = Registers.find(port);
        uint8_t v = it == Registers.end() ? 0xFF : it->second;
        Log.push_back(In(port, v));
        return v;
    }
    void PortOut(uint16_t port, uint8_t value) override
    {
        Registers[port] = value;
        Log.push_back(Out(port, value));
        if (OnWrite)
            OnWrite(*this, port, value);
    }

    std::map<uint16_t, uint8_t> Registers;
    std::vector<Access> Log;
    std::function<void(RecordingPort&, uint16_t, uint8_t)> OnWrite;
};

class ManualClock : public Clock {
public:
    uint64_t NowNs() override { return Now; }
    void SleepMs(uint32_t ms) override { Now += uint64_t{ms} * 1000000u; }
    uint64_t Now = 0;
};

// A scratch folder removed again at the end of the test.
class TempTree {
public:
    TempTree()
    {
        char pattern[] = "/tmp/vorbrant-lpt-XXXXXX";
        Root = mkdtemp(pattern);
    }
    ~TempTree()
    {
        std::error_code ec;
        std::filesystem::remove_all(Root, ec);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // Writes a file below the root, creating its folders.
    std::string Write(const std::string& relative, const std::string& content) const
    {
        std::filesystem::path p = std::filesystem::path(Root) / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    std::string Path(const std::string& relative) const { return (std::filesystem::path(Root) / relative).string(); }

    std::string Root;
};

} // namespace vorbrant::test
