#pragma once
// The "Security Bytes" dialog without its widgets: the JTAG read-lock and
// write/erase-lock bytes as two columns of eight boxes (bit 7 at the top), a
// locked block checked and disabled, the two Update buttons and the erase of
// the lock-bit page or the whole chip.
#include "security/SecurityContext.h"

#include <array>
#include <cstdint>
#include <string>

namespace vorbrant {

enum class LockColumn : uint8_t { Read, WriteErase };

class JtagLockBits {
public:
    explicit JtagLockBits(SecurityContext context) : ctx_(std::move(context)) {}

    // Labels the blocks, stops the presence poll and reads the bytes.
    SecurityNotes Open();
    void Close();

    // A box of a column changed: the column's shadow follows its boxes.
    void BoxClicked(LockColumn column, int bit, bool checked);
    // Programs the column's shadow, reports, reads the bytes back.
    SecurityNotes UpdateRead();
    SecurityNotes UpdateWriteErase();
    // Erases the lock-bit page or the whole chip (the dialog asked first)
    // and reads the bytes again.
    SecurityNotes Erase(bool wholeChip);

    struct Box {
        bool Checked = false;
        bool Enabled = true;
    };
    // Boxes by column and bit (bit 0 = the lowest block).
    std::array<std::array<Box, 8>, 2> Boxes{};
    std::array<std::string, 8> Labels{};
    uint8_t ReadLockShadow = 0xFF;
    uint8_t EraseLockShadow = 0xFF;
    bool PanelsEnabled = false; // from the first successful read on

    Box& At(LockColumn column, int bit) { return Boxes[static_cast<size_t>(column)][static_cast<size_t>(bit)]; }

private:
    // Reads the bytes; adds Unreadable to notes when they cannot be read.
    void RefreshLockBits(SecurityNotes& notes);
    void ShowColumn(LockColumn column, uint8_t value);
    uint8_t& Shadow(LockColumn column) { return column == LockColumn::Read ? ReadLockShadow : EraseLockShadow; }
    SecurityNotes UpdateColumn(LockColumn column, SecurityNote done, SecurityNote failed);

    SecurityContext ctx_;
};

} // namespace vorbrant
