#include "target/FlashSizeFacts.h"

#include <array>

namespace vorbrant {

namespace {

constexpr uint8_t UserDataArea = 0x80; // FLASHCON: the access goes to the User data area

// Up to 32 KB the User data page sits right above the code flash; the larger
// parts reach it in its own area. The 256 bytes of the F12x/F13x are two
// sectors of 128, each erased at its own address inside the area (an
// address above the code flash would not fit their 17-bit FLASHADR).
constexpr std::array<FlashSizeFacts, 8> Rows{{
    // KB, User data {mapped, base, area flags, erase address},      window above code
    {0, {}, true}, // not identified
    {2, {}, true},
    {4, {}, true},
    {8, {true, 0x2000, 0, 0x2000}, true},
    {16, {true, 0x4000, 0, 0x4000}, true},
    {32, {true, 0x8000, 0, 0x8000}, true},
    {64, {true, 0x0000, UserDataArea, 0x0000}, false},
    {128, {true, 0x0000, UserDataArea, 0x0000}, false},
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
