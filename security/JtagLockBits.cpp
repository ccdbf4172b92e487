#include "security/JtagLockBits.h"

#include "security/LockBytes.h"
#include "security/Protection.h"

namespace vorbrant {

SecurityNotes JtagLockBits::Open()
{
    ctx_.SetPoll(false);
    const ChipInfo& chip = ctx_.Dev.Chip;
    // A smaller variant has four blocks: its upper boxes cover nothing.
    for (int bit = 0; bit < 8; ++bit) {
        Labels[static_cast<size_t>(bit)] = BlockRangeText(chip, bit);
        if (bit >= 4)
            for (LockColumn column : {LockColumn::Read, LockColumn::WriteErase})
                At(column, bit).Enabled = !chip.SmallerVariant;
    }
    SecurityNotes notes;
    RefreshLockBits(notes);
    return notes;
}

void JtagLockBits::Close() { ctx_.SetPoll(true); }

void JtagLockBits::ShowColumn(LockColumn column, uint8_t value)
{
    const int blocks = LockBlockCount(ctx_.Dev.Chip);
    for (int bit = 0; bit < 8; ++bit) {
        bool unlocked = ((value >> bit) & 1) != 0;
        Box& box = At(column, bit);
        box.Checked = !unlocked;
        // Locking is one way here: a locked block cannot be unticked.
        box.Enabled = unlocked && bit < blocks;
    }
}

void JtagLockBits::RefreshLockBits(SecurityNotes& notes)
{
    std::optional<Protection> read = ReadProtection(ctx_.Dev);
    if (!read) {
        notes.push_back(SecurityNote::Unreadable);
        return;
    }
    const Protection& held = *read;
    PanelsEnabled = true;
    ReadLockShadow = held.ReadLock;
    EraseLockShadow = held.WriteEraseLock;
    ShowColumn(LockColumn::Read, held.ReadLock);
    ShowColumn(LockColumn::WriteErase, held.WriteEraseLock);
}

void JtagLockBits::BoxClicked(LockColumn column, int bit, bool checked)
{
    At(column, bit).Checked = checked;
    uint8_t locked = 0;
    for (int k = 0; k < 8; ++k)
        if (At(column, k).Checked)
            locked = static_cast<uint8_t>(locked | (1u << k));
    Shadow(column) = static_cast<uint8_t>(~locked);
}

SecurityNotes JtagLockBits::UpdateColumn(LockColumn column, SecurityNote done, SecurityNote failed)
{
    LockByte which = column == LockColumn::Read ? LockByte::ReadLock : LockByte::WriteEraseLock;
    SecurityNotes notes{ctx_.Dev.Flash().WriteLockByte(which, Shadow(column)) ? done : failed};
    RefreshLockBits(notes);
    return notes;
}

SecurityNotes JtagLockBits::UpdateRead()
{
    return UpdateColumn(LockColumn::Read, SecurityNote::ReadLockWritten, SecurityNote::ReadLockNotWritten);
}

SecurityNotes JtagLockBits::UpdateWriteErase()
{
    return UpdateColumn(LockColumn::WriteErase, SecurityNote::WriteLockWritten, SecurityNote::WriteLockNotWritten);
}

SecurityNotes JtagLockBits::Erase(bool wholeChip)
{
    const bool polling = ctx_.PollRunning();
    ctx_.SetPoll(false);
    SecurityNotes notes;
    EraseKind kind = wholeChip ? EraseKind::Chip : EraseKind::LockPage;
    if (!ctx_.Dev.Flash().EraseFlash(kind, 0, 0)) {
        notes.push_back(wholeChip ? SecurityNote::FullChipEraseFailed : SecurityNote::LockPageEraseFailed);
    } else {
        RefreshLockBits(notes);
        notes.push_back(wholeChip ? SecurityNote::FullChipErased : SecurityNote::LockPageErased);
    }
    ctx_.SetPoll(polling);
    return notes;
}

} // namespace vorbrant
