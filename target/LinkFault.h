#pragma once
// Why a link operation failed, as the run reports it. None until one fails.
//
//   if (!flash.ReadFlashByte(a, v, 0)) outcome.Fault = flash.Fault();
#include <cstdint>

namespace vorbrant {

enum class LinkFault : uint8_t {
    None,
    TimedOut,         // the part never answered within the bound (a C2 wait or ready poll, a JTAG busy poll)
    StatusNotOk,      // the part answered, with a failure: a C2 status other than 0x0D, the JTAG flash fail bit
    StallBudgetSpent, // port stalls kept resetting the part until the retries ran out
    TargetGone,       // the part no longer answers with its identity
};

} // namespace vorbrant
