#include "lpt/PpdevDriver.h"

#include "lpt/DriverErrors.h"
#include "lpt/IdleLines.h"

#include <cerrno>
#include <utility>

namespace vorbrant {

PpdevDriver::PpdevDriver(std::unique_ptr<PpdevCalls> calls, std::string procRoot, std::string devRoot)
    : calls_(std::move(calls)), procRoot_(std::move(procRoot)), devRoot_(std::move(devRoot))
{
}

PpdevDriver::~PpdevDriver()
{
    Shutdown();
}

PortDriver::StartResult PpdevDriver::Start(PortTable& ports)
{
    Shutdown(); // a second start begins from nothing claimed
    StartResult result;
    ports.DiscoverParallelPorts(procRoot_, true);

    int firstError = 0;
    bool anyPort = false;
    for (uint8_t n = 1; n <= 8; ++n) {
        uint16_t base = ports.LptAddresses[n];
        if (base == 0)
            continue;
        anyPort = true;
        // LPT n is parport n-1, and ppdev numbers its devices the same way.
        int fd = calls_->Open(devRoot_ + "/parport" + std::to_string(n - 1));
        int error = fd < 0 ? -fd : calls_->Claim(fd);
        if (error != 0) {
            if (fd >= 0)
                calls_->Close(fd);
            if (firstError == 0)
                firstError = error;
            ports.SetAddress(n, 0);
            continue;
        }
        claimed_[claimedCount_++] = ClaimedPort{base, fd};
    }
    lastHit_ = 0;

    // Every port refused (a port held by another program excepted), or none
    // at all: say how to get one.
    if (anyPort && claimedCount_ == 0) {
        result.Message = DriverStartFailureText(firstError);
        if (firstError != EBUSY)
            result.Message += std::string("\n") + ParallelPortHelpText;
    } else if (!anyPort) {
        result.Message = std::string(NoParallelPortText) + "\n" + ParallelPortHelpText;
    }
    ports.SelectFirstPort();
    return result;
}

void PpdevDriver::Shutdown()
{
    for (size_t i = 0; i < claimedCount_; ++i) {
        ClaimedPort& p = claimed_[i];
        LeavePortIdle(*this, static_cast<uint16_t>(p.Base));
        calls_->Release(p.Fd);
        calls_->Close(p.Fd);
    }
    // Cleared only now: LeavePortIdle above still needs the ports mapped.
    claimed_.fill(ClaimedPort{});
    claimedCount_ = 0;
    lastHit_ = 0;
}

const PpdevDriver::ClaimedPort* PpdevDriver::Find(uint16_t port)
{
    // The bit engines stay on one port; look there first.
    if (lastHit_ < claimedCount_) {
        const ClaimedPort& p = claimed_[lastHit_];
        if (port >= p.Base && port <= p.Base + 2)
            return &p;
    }
    for (size_t i = 0; i < claimedCount_; ++i) {
        const ClaimedPort& p = claimed_[i];
        if (port >= p.Base && port <= p.Base + 2) {
            lastHit_ = i;
            return &p;
        }
    }
    return nullptr;
}

uint8_t PpdevDriver::PortIn(uint16_t port)
{
    const ClaimedPort* p = Find(port);
    if (p == nullptr)
        return 0xFF;
    uint8_t value = 0xFF;
    if (!calls_->ReadRegister(p->Fd, static_cast<PortRegister>(port - p->Base), value))
        return 0xFF;
    return value;
}

void PpdevDriver::PortOut(uint16_t port, uint8_t value)
{
    const ClaimedPort* p = Find(port);
    if (p == nullptr)
        return;
    auto reg = static_cast<PortRegister>(port - p->Base);
    if (reg == PortRegister::Status)
        return;
    if (reg == PortRegister::Control)
        value &= ControlWriteMask;
    calls_->WriteRegister(p->Fd, reg, value);
}

} // namespace vorbrant
