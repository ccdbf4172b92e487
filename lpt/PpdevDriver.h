#pragma once
// Port access through the kernel's ppdev driver: each discovered port is
// opened as <devRoot>/parportN and claimed for the whole run.
//
//   PpdevDriver driver(std::make_unique<LinuxPpdevCalls>(), "/proc/sys/dev/parport", "/dev");
//   driver.Start(ports);          // ports that cannot be claimed leave the table;
//                                 // no usable port: a message says how to get one
//   driver.PortOut(ports.LptBase, 0x8F);
//
// An access at base, base + 1 or base + 2 of a claimed port reaches its data,
// status or control register; any other address reads 0xFF and writes
// nothing (nothing is attached there).
#include "lpt/PortDriver.h"
#include "lpt/PpdevCalls.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>

namespace vorbrant {

class PpdevDriver : public PortDriver {
public:
    PpdevDriver(std::unique_ptr<PpdevCalls> calls, std::string procRoot, std::string devRoot);
    ~PpdevDriver() override;
    PpdevDriver(const PpdevDriver&) = delete;
    PpdevDriver& operator=(const PpdevDriver&) = delete;

    StartResult Start(PortTable& ports) override;
    void Shutdown() override;
    // Access is per port here: unclaimed addresses are simply empty.
    bool IoAccessGranted() const override { return true; }

    uint8_t PortIn(uint16_t port) override;
    void PortOut(uint16_t port, uint8_t value) override;

    size_t ClaimedCount() const { return claimedCount_; }

    // Control bits 4 (interrupt enable) and 5 (data direction) belong to the
    // kernel driver; ppdev reverses the data lines when bit 5 is written.
    static constexpr uint8_t ControlWriteMask = 0x0F;

private:
    struct ClaimedPort {
        uint32_t Base = 0; // 32 bits: base + 2 of a port at 0xFFFF must not wrap
        int Fd = -1;
    };

    // The claimed port whose registers cover this address, or nullptr.
    const ClaimedPort* Find(uint16_t port);

    std::unique_ptr<PpdevCalls> calls_;
    std::string procRoot_;
    std::string devRoot_;
    std::array<ClaimedPort, 8> claimed_{};
    size_t claimedCount_ = 0;
    size_t lastHit_ = 0;
};

} // namespace vorbrant
