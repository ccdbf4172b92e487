#include "target/FlashSizeFacts.h"

#include <array>

namespace vorbrant {

namespace {

constexpr uint8_t UserDataArea = 0x80; // FLASHCON: the access goes to the User data area

// Up to 32 KB the User data page sits right above the code flash; the larger
// parts reach it in its own area, the 128 KB part erasing it through an
// address above its code flash.
constexpr std::array<FlashSizeFacts, 8> Rows{{
    // KB, User data {mapped, base, area flags, erase address},      window above code
    {0, {}, true}, // not identified
    {2, {}, true},
    {4, {}, true},
    {8, {true, 0x2000, 0, 0x2000}, true},
    {16, {true, 0x4000, 0, 0x4000}, true},
    {32, {true, 0x8000, 0, 0x8000}, true},
    {64, {true, 0x0000, UserDataArea, 0x0000}, false},
    {128, {true, 0x0000, UserDataArea, 0x20400}, false},
}};

} // namespace

std::span<const FlashSizeFacts> FlashSizeFactsTable()
{
    return Rows;
}

FlashSizeFacts FactsForFlashSize(uint16_t flashSizeKB)
{
    for (const FlashSizeFacts& row : Rows)
        if (row.FlashSizeKB == flashSizeKB)
            return row;
    return FlashSizeFacts{flashSizeKB, {}, false};
}

} // namespace vorbrant
