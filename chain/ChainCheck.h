#pragma once
// What the operator is told about a chain's hardware check.
#include "common/Operator.h"
#include "target/ChainCheckResult.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorbrant {

struct ChainCheckMessage {
    MessageKind Kind;
    std::string Text;
};
ChainCheckMessage MessageFor(const ChainCheckResult& result);

} // namespace vorbrant
