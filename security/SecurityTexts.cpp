#include "security/SecurityTexts.h"

namespace vorbrant {

SecurityMessage SecurityNoteMessage(SecurityNote note, SecurityAccess access)
{
    switch (note) {
    case SecurityNote::Unreadable:
        // The JTAG dialog only warns: its boxes stay as they were.
        return access == SecurityAccess::JtagBlocks ? SecurityMessage{MessageKind::Warning, LockBitsUnreadableText}
                                                    : SecurityMessage{MessageKind::Error, CannotReadSecurityText};
    case SecurityNote::F30xLocked: return {MessageKind::Warning, F30xLockedText};
    case SecurityNote::ReadLockWritten: return {MessageKind::Information, ReadLockWrittenText};
    case SecurityNote::ReadLockNotWritten: return {MessageKind::Error, ReadLockNotWrittenText};
    case SecurityNote::WriteLockWritten: return {MessageKind::Information, WriteLockWrittenText};
    case SecurityNote::WriteLockNotWritten: return {MessageKind::Error, WriteLockNotWrittenText};
    case SecurityNote::ChipEraseFailed: return {MessageKind::Error, ChipEraseFailedText};
    case SecurityNote::FullChipErased: return {MessageKind::Information, FullChipEraseDoneText};
    case SecurityNote::FullChipEraseFailed: return {MessageKind::Error, FullChipEraseFailedText};
    case SecurityNote::LockPageErased: return {MessageKind::Information, LockPageEraseDoneText};
    case SecurityNote::LockPageEraseFailed: return {MessageKind::Error, LockPageEraseFailedText};
    }
    return {MessageKind::Error, ""};
}

} // namespace vorbrant
