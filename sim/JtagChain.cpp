#include "sim/JtagChain.h"

namespace vorbrant::sim {

void JtagChain::Falling()
{
    if (devices_.empty())
        return;
    const TapState state = devices_.front().State();
    if (state == TapState::UpdateIr) {
        uint32_t expected = 0;
        for (const auto& device : devices_)
            expected += device.IrLength();
        const uint32_t shifted = devices_.front().IrShiftCount();
        if (shifted != expected)
            log_.Add("JTAG instruction scan of a length the chain does not accept", clock_.Now(),
                     std::to_string(shifted) + " bits, the instruction registers hold " + std::to_string(expected));
    }
    if (state != TapState::UpdateDr) {
        for (auto& device : devices_)
            device.Falling(-1);
        return;
    }
    // The length of a data scan as one device saw it: the bits shifted less
    // the registers of the others, when all of those have a fixed length.
    const int shifted = static_cast<int>(devices_.front().DrShiftCount());
    int fixedTotal = 0;
    int variable = 0;
    for (const auto& device : devices_) {
        fixedTotal += device.FixedDrLength();
        variable += device.FixedDrLength() == 0 ? 1 : 0;
    }
    for (auto& device : devices_) {
        int length = -1;
        if (device.FixedDrLength() == 0 && variable == 1)
            length = shifted > fixedTotal ? shifted - fixedTotal : 0;
        device.Falling(length);
    }
}

} // namespace vorbrant::sim
