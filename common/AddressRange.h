#pragma once
// An inclusive address range as the range dialogs hold it.
#include <cstdint>

namespace vorbrant {

struct AddressRange {
    int32_t Start = 0;
    int32_t End = 0;
};

} // namespace vorbrant
