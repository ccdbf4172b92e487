#pragma once
#include <cstdint>

namespace vorbrant {

// Addresses from First to Last, both included.
struct AddressSpan {
    uint32_t First = 0;
    uint32_t Last = 0;
};

} // namespace vorbrant
