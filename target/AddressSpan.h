#pragma once
#include <cstdint>

namespace vorbrant {

// Addresses from First to Last, both included.
struct AddressSpan {
    uint32_t First = 0;
    uint32_t Last = 0;
};

// The span that holds both.
constexpr AddressSpan Spanning(AddressSpan a, AddressSpan b)
{
    return {a.First < b.First ? a.First : b.First, a.Last > b.Last ? a.Last : b.Last};
}

} // namespace vorbrant
