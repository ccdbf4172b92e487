#pragma once
// The result of comparing a chain with the IDCODEs read from the board.
#include <cstddef>
#include <cstdint>

namespace vorbrant {

enum class ChainCheckKind : uint8_t {
    Verified,
    NoHardware, // the adapter did not answer: no JTAG traffic at all
    Mismatch,   // Position read IdRead, which is not its entry's IDCODE
};

struct ChainCheckResult {
    ChainCheckKind Kind = ChainCheckKind::NoHardware;
    size_t Position = 0;
    uint32_t IdRead = 0;
};

} // namespace vorbrant
