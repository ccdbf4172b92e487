#pragma once
// What the code flash size of a part says about the rest of its flash: where
// its User data area is reached and erased, and whether a 128-byte window
// shows above the code flash. One row per size of the identification tables.
#include "target/ChipInfo.h"

#include <cstdint>
#include <span>

namespace vorbrant {

struct FlashSizeFacts {
    uint16_t FlashSizeKB;
    UserDataMap UserData;
    bool WindowAboveCode;
};

std::span<const FlashSizeFacts> FlashSizeFactsTable();
// The row of this size; a size without one has no User data map and no window.
FlashSizeFacts FactsForFlashSize(uint16_t flashSizeKB);

} // namespace vorbrant
