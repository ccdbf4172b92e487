#pragma once
// The hardware check of a JTAG chain: after a TAP reset every device holds
// its IDCODE register, so one long DR scan returns them all, the device
// nearest the adapter's data input (the last position) first.
#include "chain/ChainCheck.h"
#include "chain/JtagChainList.h"
#include "lpt/Adapter.h"
#include "target/JtagLink.h"

namespace vorbrant {

// Reads 32 bits per chain entry, last position first, and compares each
// with the entry's IDCODE; stops at the first difference. Leaves the TAPs
// reset; the chain position of the link is not used.
ChainCheckResult VerifyChainHardware(Adapter& adapter, JtagLink& jtag, const JtagChainList& chain);

} // namespace vorbrant
