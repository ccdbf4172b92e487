#pragma once
// The kernel's GPIO character device over the simulated target: line
// requests, values set and read (uAPI v2 of <linux/gpio.h>) land on the
// target's pins through the header wiring below. Each ioctl on a line
// request is one access on the virtual clock, with the cost measured on a
// Raspberry Pi: about 0.6 us to set lines, 1.7 us to read them.
#include "gpio/GpioCalls.h"

#include <cstdint>

namespace vorbrant::sim {

class Simulator;

// Which header line reaches which target pin (line offsets of gpiochip0).
struct GpioWiring {
    uint32_t C2ck = 17, C2d = 27;
    uint32_t Tck = 11, Tms = 25, Tdi = 10, Tdo = 9;
};

class GpioShim final : public GpioCalls {
public:
    static constexpr uint64_t SetNs = 600;
    static constexpr uint64_t GetNs = 1700;
    static constexpr int ChipFd = 1000;
    static constexpr int RequestFd = 1001;
    static constexpr uint32_t ChipLines = 54;

    GpioShim(Simulator& sim, GpioWiring wiring) : sim_(sim), wiring_(wiring) {}

    int Open(const char* path) override;
    int Ioctl(int fd, unsigned long request, void* arg) override;
    void Close(int fd) override;

private:
    enum Pin : uint8_t { C2ck, C2d, Tck, Tms, Tdi, Tdo, None };
    struct Line {
        Pin Target = None;
        bool Output = false;
        bool OpenDrain = false;
        bool Value = true;
    };
    Pin PinOf(uint32_t offset) const;
    void Apply(uint64_t ns);
    void ReleaseAll();

    Simulator& sim_;
    GpioWiring wiring_;
    bool chipOpen_ = false;
    bool requested_ = false;
    Line lines_[GPIO_V2_LINES_MAX];
    uint32_t count_ = 0;
};

} // namespace vorbrant::sim
