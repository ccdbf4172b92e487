#pragma once
// The system calls the ppdev driver makes, behind a small interface so the
// claim/release bookkeeping and the register mapping can be tested with a fake.
//
//   LinuxPpdevCalls calls;
//   int fd = calls.Open("/dev/parport0");     // fd, or -errno
//   if (fd >= 0 && calls.Claim(fd) == 0) { ...ReadRegister / WriteRegister...;
//       calls.Release(fd); }
//   calls.Close(fd);
#include "lpt/PinMap.h"

#include <cstdint>
#include <string>

namespace vorbrant {

class PpdevCalls {
public:
    virtual ~PpdevCalls() = default;
    // A file descriptor, or -errno.
    virtual int Open(const std::string& path) = 0;
    // 0, or an errno (EBUSY when another program keeps the port).
    virtual int Claim(int fd) = 0;
    virtual void Release(int fd) = 0;
    virtual void Close(int fd) = 0;
    // PPRDATA, PPRSTATUS, PPRCONTROL. False when the call failed.
    virtual bool ReadRegister(int fd, PortRegister reg, uint8_t& value) = 0;
    // PPWDATA, PPWCONTROL (the status register cannot be written).
    virtual void WriteRegister(int fd, PortRegister reg, uint8_t value) = 0;
};

// The real calls: open(2) and the ppdev ioctls. A claim that waits for
// another program to let the port go gives up after ClaimTimeoutMs with EBUSY.
class LinuxPpdevCalls : public PpdevCalls {
public:
    static constexpr uint32_t ClaimTimeoutMs = 1000;

    int Open(const std::string& path) override;
    int Claim(int fd) override;
    void Release(int fd) override;
    void Close(int fd) override;
    bool ReadRegister(int fd, PortRegister reg, uint8_t& value) override;
    void WriteRegister(int fd, PortRegister reg, uint8_t value) override;
};

} // namespace vorbrant
