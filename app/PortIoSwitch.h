#pragma once
// A PortIo that forwards to another one chosen after construction: the
// programmer stack is built first, and the trace recorder, which needs the
// stack's port table, is put in front of the driver afterwards.
#include "lpt/PortIo.h"

namespace vorbrant {

class PortIoSwitch : public PortIo {
public:
    void SetTarget(PortIo* target) { target_ = target; }

    // Nothing attached reads as a floating port.
    uint8_t PortIn(uint16_t port) override { return target_ ? target_->PortIn(port) : 0xFF; }
    void PortOut(uint16_t port, uint8_t value) override
    {
        if (target_)
            target_->PortOut(port, value);
    }

private:
    PortIo* target_ = nullptr;
};

} // namespace vorbrant
