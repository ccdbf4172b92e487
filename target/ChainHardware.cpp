#include "target/ChainHardware.h"

namespace vorbrant {

std::optional<std::vector<uint32_t>> ReadChainIdCodes(Adapter& adapter, JtagLink& jtag, size_t count)
{
    if (!adapter.DetectAdapter())
        return std::nullopt;
    jtag.JtagResetTap();
    // Run-Test/Idle to Shift-DR; TMS stays low and TDI as it is from here.
    jtag.Tms = true;
    jtag.JtagClock();
    jtag.Tms = false;
    jtag.JtagClock();
    jtag.JtagClock();
    std::vector<uint32_t> ids(count);
    for (size_t position = count; position >= 1; --position) {
        uint32_t value = 0;
        for (int bit = 0; bit < 32; ++bit) {
            if (jtag.JtagReadTdo())
                value |= uint32_t{1} << bit;
            jtag.JtagClock();
        }
        ids[position - 1] = value;
    }
    jtag.JtagResetTap();
    return ids;
}

ChainCheckResult VerifyChainHardware(Adapter& adapter, JtagLink& jtag, const JtagChainList& chain)
{
    std::optional<std::vector<uint32_t>> ids = ReadChainIdCodes(adapter, jtag, chain.ChainDeviceCount());
    if (!ids)
        return {};
    for (size_t position = chain.ChainDeviceCount(); position >= 1; --position)
        if ((*ids)[position - 1] != chain.Devices[position - 1].IDCode)
            return {ChainCheckKind::Mismatch, position, (*ids)[position - 1]};
    return {ChainCheckKind::Verified, 0, 0};
}

ChainCheckResult CheckChainPosition(Adapter& adapter, JtagLink& jtag, const JtagChainList& chain, size_t position)
{
    std::optional<std::vector<uint32_t>> ids = ReadChainIdCodes(adapter, jtag, chain.ChainDeviceCount());
    if (!ids)
        return {};
    // A position outside the chain holds nothing that could match.
    const bool inChain = position >= 1 && position <= ids->size();
    const uint32_t read = inChain ? (*ids)[position - 1] : 0;
    if (!inChain || read != chain.Devices[position - 1].IDCode)
        return {ChainCheckKind::Mismatch, position, read};
    return {ChainCheckKind::Verified, 0, 0};
}

} // namespace vorbrant
