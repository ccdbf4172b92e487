#pragma once
// NOR flash cells of one simulated part: code flash followed by the
// scratchpad. Programming can only clear bits; erasing sets bytes to 0xFF.
// Injected faults: a cell that refuses every write, a cell with a bit stuck
// at 0.
#include <cstdint>
#include <optional>
#include <vector>

namespace vorbrant::sim {

class FlashArray {
public:
    FlashArray(uint32_t codeBytes, uint32_t scratchpadBytes);

    uint32_t CodeBytes() const { return codeBytes_; }
    uint32_t ScratchpadBytes() const { return static_cast<uint32_t>(Bytes.size()) - codeBytes_; }
    uint32_t Size() const { return static_cast<uint32_t>(Bytes.size()); }

    // Programs one cell (index into Bytes): cell = cell AND value. False when
    // the cell is the failing one (it is then left unchanged).
    bool Program(uint32_t index, uint8_t value);
    // Sets count cells from first to 0xFF (stuck bits stay 0).
    void Erase(uint32_t first, uint32_t count);

    void SetFailingCell(std::optional<uint32_t> index) { failIndex_ = index; }
    void SetStuckBit(std::optional<uint32_t> index, uint8_t bit);
    // Re-applies the stuck bit after Bytes were changed from outside.
    void ApplyStuckBit();

    std::vector<uint8_t> Bytes;

private:
    uint32_t codeBytes_;
    std::optional<uint32_t> failIndex_;
    std::optional<uint32_t> stuckIndex_;
    uint8_t stuckMask_ = 0xFF; // AND mask of the stuck cell
};

} // namespace vorbrant::sim
