#include "security/JtagLockBits.h"

#include "security/LockBytes.h"
#include "security/Protection.h"

namespace vorbrant {

void JtagLockBits::Open()
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
    RefreshLockBits();
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

void JtagLockBits::RefreshLockBits()
{
    Protection held;
    std::string error;
    if (!ReadProtection(ctx_.Dev, held, error)) {
        ctx_.Op.ShowMessage(MessageKind::Warning, error);
        return;
    }
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

void JtagLockBits::UpdateColumn(LockColumn column, const char* done, const char* failed)
{
    LockByte which = column == LockColumn::Read ? LockByte::ReadLock : LockByte::WriteEraseLock;
    if (ctx_.Dev.Flash().WriteLockByte(which, Shadow(column)))
        ctx_.Op.ShowMessage(MessageKind::Information, done);
    else
        ctx_.Op.ShowMessage(MessageKind::Error, failed);
    RefreshLockBits();
}

void JtagLockBits::UpdateRead()
{
    UpdateColumn(LockColumn::Read, "FLASH Read lock bits writing successfull!", "FLASH Read lock bits writing failed!");
}

void JtagLockBits::UpdateWriteErase()
{
    UpdateColumn(LockColumn::WriteErase, "FLASH Write/Erase lock bits writing successfull!",
                 "FLASH Write/Erase lock bits writing failed!");
}

void JtagLockBits::Erase(bool wholeChip)
{
    const bool polling = ctx_.PollRunning();
    ctx_.SetPoll(false);
    const char* question = wholeChip ? "This will erase the whole chip!\r\nAre you sure you want to do this?"
                                     : "This will erase lock bit page!\r\nAre you sure you want to do this?";
    if (ctx_.Op.AskOkCancel(question, false)) {
        ctx_.Op.SetBusy(true);
        EraseKind kind = wholeChip ? EraseKind::Chip : EraseKind::LockPage;
        if (!ctx_.Dev.Flash().EraseFlash(kind, 0, 0)) {
            ctx_.Op.ShowMessage(MessageKind::Error, wholeChip ? FullChipEraseFailedText : "Lock bit page erase failed!");
        } else {
            RefreshLockBits();
            ctx_.Op.ShowMessage(MessageKind::Information,
                                wholeChip ? "Full chip erase successfull!" : "Lock bit page erase successfull!");
        }
        ctx_.Op.SetBusy(false);
    }
    ctx_.SetPoll(polling);
}

} // namespace vorbrant
