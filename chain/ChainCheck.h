#pragma once
// The result of comparing a chain with the IDCODEs read from the board, and
// what the operator is told about it.
#include "common/Operator.h"

#include <cstddef>
#include <cstdint>
#include <string>

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

struct ChainCheckMessage {
    MessageKind Kind;
    std::string Text;
};
ChainCheckMessage MessageFor(const ChainCheckResult& result);

} // namespace vorbrant
