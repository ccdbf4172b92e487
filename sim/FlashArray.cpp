#include "sim/FlashArray.h"

#include <algorithm>

namespace vorbrant::sim {

FlashArray::FlashArray(uint32_t codeBytes, uint32_t scratchpadBytes)
    : Bytes(size_t{codeBytes} + scratchpadBytes, 0xFF), codeBytes_(codeBytes)
{
}

bool FlashArray::Program(uint32_t index, uint8_t value)
{
    if (index >= Bytes.size())
        return false;
    if (failIndex_ && *failIndex_ == index)
        return false;
    Bytes[index] &= value;
    if (stuckIndex_ && *stuckIndex_ == index)
        Bytes[index] &= stuckMask_;
    return true;
}

void FlashArray::Erase(uint32_t first, uint32_t count)
{
    if (first >= Bytes.size())
        return;
    uint32_t end = std::min<uint32_t>(Size(), first + count);
    std::fill(Bytes.begin() + first, Bytes.begin() + end, uint8_t{0xFF});
    ApplyStuckBit();
}

void FlashArray::SetStuckBit(std::optional<uint32_t> index, uint8_t bit)
{
    stuckIndex_ = index;
    stuckMask_ = static_cast<uint8_t>(~(1u << (bit & 7)));
    ApplyStuckBit();
}

void FlashArray::ApplyStuckBit()
{
    if (stuckIndex_ && *stuckIndex_ < Bytes.size())
        Bytes[*stuckIndex_] &= stuckMask_;
}

} // namespace vorbrant::sim
