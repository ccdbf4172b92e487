#include "target/JtagChainList.h"

namespace vorbrant {

ChainFill FillAround(const JtagChainList& chain, uint8_t position)
{
    ChainFill fill;
    size_t count = chain.ChainDeviceCount();
    if (position == 0 || position > count)
        return fill;
    // In bypass every other device holds one DR bit and its whole IR.
    fill.DrAfter = static_cast<uint32_t>(position - 1);
    fill.DrBefore = static_cast<uint32_t>(count - position);
    for (size_t n = 1; n <= count; ++n) {
        uint32_t length = chain.Devices[n - 1].IRLength;
        if (n > position)
            fill.IrBefore += length;
        else if (n < position)
            fill.IrAfter += length;
    }
    return fill;
}

} // namespace vorbrant
