#pragma once
// The hardware check of a JTAG chain: after a TAP reset every device holds
// its IDCODE register, so one long DR scan returns them all, the device
// nearest the adapter's data input (the last position) first.
#include "chain/ChainCheck.h"
#include "chain/JtagChainList.h"
#include "target/AdapterSignals.h"
#include "target/JtagLink.h"

#include <optional>
#include <vector>

namespace vorbrant {

// 32 bits per position from one DR scan after a TAP reset, returned in
// chain order (position 1 first); nullopt, with no JTAG traffic, when the
// adapter does not answer. Leaves the TAPs reset.
std::optional<std::vector<uint32_t>> ReadChainIdCodes(AdapterSignals& adapter, JtagLink& jtag, size_t count);

// Compares each entry's IDCODE with what the board answered, last position
// first, and reports the first difference. The chain position of the link
// is not used.
ChainCheckResult VerifyChainHardware(AdapterSignals& adapter, JtagLink& jtag, const JtagChainList& chain);

// The same check for one 1-based position only: what sits there must be
// the device its entry names before anything is written to it.
ChainCheckResult CheckChainPosition(AdapterSignals& adapter, JtagLink& jtag, const JtagChainList& chain, size_t position);

} // namespace vorbrant
