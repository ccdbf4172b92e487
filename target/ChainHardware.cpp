#include "target/ChainHardware.h"

namespace vorbrant {

ChainCheckResult VerifyChainHardware(Adapter& adapter, JtagLink& jtag, const JtagChainList& chain)
{
    ChainCheckResult result;
    if (!adapter.DetectAdapter())
        return result;
    jtag.JtagResetTap();
    // Run-Test/Idle to Shift-DR; TMS stays low and TDI as it is from here.
    jtag.Tms = true;
    jtag.JtagClock();
    jtag.Tms = false;
    jtag.JtagClock();
    jtag.JtagClock();
    result.Kind = ChainCheckKind::Verified;
    for (size_t position = chain.ChainDeviceCount(); position >= 1; --position) {
        uint32_t value = 0;
        for (int bit = 0; bit < 32; ++bit) {
            if (jtag.JtagReadTdo())
                value |= uint32_t{1} << bit;
            jtag.JtagClock();
        }
        if (value != chain.Devices[position - 1].IDCode) {
            result = {ChainCheckKind::Mismatch, position, value};
            break;
        }
    }
    jtag.JtagResetTap();
    return result;
}

} // namespace vorbrant
