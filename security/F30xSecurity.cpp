#include "security/F30xSecurity.h"

namespace vorbrant {

SecurityNotes F30xSecurity::Open()
{
    ctx_.SetPoll(false);
    return ReadF30xLock();
}

void F30xSecurity::Close() { ctx_.SetPoll(true); }

SecurityNotes F30xSecurity::ReadF30xLock()
{
    uint8_t value = 0;
    if (!ctx_.Dev.Flash().ReadLockByte(LockByte::Security, value)) {
        ControlsEnabled = false;
        return {SecurityNote::Unreadable};
    }
    F30xLockByte = static_cast<uint8_t>(~value);
    ControlsEnabled = true;
    ReadLockChecked = (F30xLockByte & 0x0F) != 0x0F;
    WriteLockChecked = (F30xLockByte & 0xF0) != 0xF0;
    if (F30xLockByte != 0xFF)
        return {SecurityNote::F30xLocked};
    return {};
}

SecurityNotes F30xSecurity::Update(bool readLockChecked, bool writeLockChecked)
{
    if (readLockChecked)
        F30xLockByte &= 0xF0;
    if (writeLockChecked)
        F30xLockByte &= 0x0F;
    // Not reported: the read-back shows what the part holds.
    ctx_.Dev.Flash().WriteLockByte(LockByte::Security, F30xLockByte);
    return ReadF30xLock();
}

SecurityNotes F30xSecurity::ChipErase()
{
    if (!EraseC2Chip(ctx_))
        return {SecurityNote::ChipEraseFailed};
    return ReadF30xLock();
}

} // namespace vorbrant
