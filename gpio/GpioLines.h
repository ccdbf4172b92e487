#pragma once
// The lines of one GPIO adapter, taken from the kernel in one request:
// C2CK, TCK, TMS and TDI as outputs, C2D as an open-drain output whose
// level is read back (a 1 releases it to the pull-up and the target), TDO
// as an input. Released (every line an input, the request closed) by
// Close, by the destructor and by a signal that ends the program.
//
//   GpioLines lines(calls);
//   if (!lines.Open(wiring, error)) ...
//   lines.Write(RoleBit(GpioRole::C2ck), 0);            // C2CK low
//   bool c2d = lines.Read(RoleBit(GpioRole::C2d)) != 0;
#include "gpio/GpioCalls.h"
#include "gpio/GpioWiring.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace vorbrant {

constexpr uint8_t RoleBit(GpioRole role) { return static_cast<uint8_t>(1u << static_cast<unsigned>(role)); }

class GpioLines {
public:
    explicit GpioLines(GpioCalls& calls) : calls_(calls) {}
    ~GpioLines() { Close(); }
    GpioLines(const GpioLines&) = delete;
    GpioLines& operator=(const GpioLines&) = delete;

    // c2dOpenDrain false drives C2D push-pull: only for showing what that
    // does to a target that answers on C2D.
    bool Open(const GpioWiring& wiring, std::string& error, bool c2dOpenDrain = true);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Roles as RoleBit masks; roles without a line are ignored. One ioctl
    // each. False when the kernel refused (the line request is gone).
    bool Write(uint8_t roles, uint8_t levels);
    // The levels of roles (0 where the kernel refused; Failed() tells).
    uint8_t Read(uint8_t roles);
    bool Failed() const { return failed_; }

private:
    uint64_t Mask(uint8_t roles) const;

    GpioCalls& calls_;
    int fd_ = -1;
    int signalSlot_ = -1;
    bool failed_ = false;
    std::array<int8_t, GpioRoleCount> index_{}; // role -> line index in the request, -1 none
    // Lives while the request does: the signal handler reads it.
    std::unique_ptr<GpioSignalRelease> release_;
    // The handlers stand while lines are taken.
    std::unique_ptr<SignalCleanupScope> scope_;
};

} // namespace vorbrant
