#include "target/ChainHardware.h"

#include <algorithm>

namespace vorbrant {

std::optional<std::vector<uint32_t>> ReadChainIdCodes(AdapterSignals& adapter, JtagLink& jtag, size_t count)
{
    if (!adapter.Detect().Found)
        return std::nullopt;
    jtag.JtagResetTap();
    jtag.EnterShiftDr();
    // The last position's IDCODE comes out first.
    std::vector<uint32_t> ids = jtag.ReadIdCodes(count);
    std::reverse(ids.begin(), ids.end());
    jtag.JtagResetTap();
    return ids;
}

ChainCheckResult VerifyChainHardware(AdapterSignals& adapter, JtagLink& jtag, const JtagChainList& chain)
{
    std::optional<std::vector<uint32_t>> ids = ReadChainIdCodes(adapter, jtag, chain.ChainDeviceCount());
    if (!ids)
        return {};
    for (size_t position = chain.ChainDeviceCount(); position >= 1; --position)
        if ((*ids)[position - 1] != chain.Devices[position - 1].IDCode)
            return {ChainCheckKind::Mismatch, position, (*ids)[position - 1]};
    return {ChainCheckKind::Verified, 0, 0};
}

ChainCheckResult CheckChainPosition(AdapterSignals& adapter, JtagLink& jtag, const JtagChainList& chain, size_t position)
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
