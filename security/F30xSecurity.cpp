#include "security/F30xSecurity.h"

namespace vorbrant {

void F30xSecurity::Open()
{
    ctx_.SetPoll(false);
    ReadF30xLock();
}

void F30xSecurity::Close() { ctx_.SetPoll(true); }

void F30xSecurity::ReadF30xLock()
{
    uint8_t value = 0;
    if (!ctx_.Dev.Flash().ReadLockByte(LockByte::Security, value)) {
        ctx_.Op.ShowMessage(MessageKind::Error, CannotReadSecurityText);
        ControlsEnabled = false;
        return;
    }
    F30xLockByte = static_cast<uint8_t>(~value);
    ControlsEnabled = true;
    ReadLockChecked = (F30xLockByte & 0x0F) != 0x0F;
    WriteLockChecked = (F30xLockByte & 0xF0) != 0xF0;
    if (F30xLockByte != 0xFF)
        ctx_.Op.ShowMessage(MessageKind::Warning, "Device is locked! To unlock, erase whole chip!");
}

void F30xSecurity::Update(bool readLockChecked, bool writeLockChecked)
{
    if (readLockChecked)
        F30xLockByte &= 0xF0;
    if (writeLockChecked)
        F30xLockByte &= 0x0F;
    // Not reported: the read-back shows what the part holds.
    ctx_.Dev.Flash().WriteLockByte(LockByte::Security, F30xLockByte);
    ReadF30xLock();
}

void F30xSecurity::ChipErase()
{
    if (!ConfirmAndEraseC2Chip(ctx_))
        return;
    ReadF30xLock();
    ctx_.Op.SetBusy(false);
}

} // namespace vorbrant
