#pragma once
// The texts of the lock-byte dialogs and the batch run's lock options, in
// one place.
#include "common/Operator.h"
#include "security/SecurityContext.h"
#include "target/ChipInfo.h"

namespace vorbrant {

inline constexpr const char* ChipEraseQuestion =
    "   This will erase the whole chip!\r\nAre you sure you want to do this?";
inline constexpr const char* JtagChipEraseQuestion = "This will erase the whole chip!\r\nAre you sure you want to do this?";
inline constexpr const char* LockPageEraseQuestion = "This will erase lock bit page!\r\nAre you sure you want to do this?";
inline constexpr const char* ProtectQuestion = "This will protect chip from reading!\r\nAre you sure you want to do this?";
inline constexpr const char* CannotReadSecurityText = "Cannot read security byte!";
inline constexpr const char* ChipEraseFailedText = "Chip erase failed!";
inline constexpr const char* LockBitsUnreadableText = "Lock bits reading disabled!";
inline constexpr const char* FullChipEraseFailedText = "Full chip erase failed!";
inline constexpr const char* FullChipEraseDoneText = "Full chip erase successfull!";
inline constexpr const char* LockPageEraseFailedText = "Lock bit page erase failed!";
inline constexpr const char* LockPageEraseDoneText = "Lock bit page erase successfull!";
inline constexpr const char* ReadLockWrittenText = "FLASH Read lock bits writing successfull!";
inline constexpr const char* ReadLockNotWrittenText = "FLASH Read lock bits writing failed!";
inline constexpr const char* WriteLockWrittenText = "FLASH Write/Erase lock bits writing successfull!";
inline constexpr const char* WriteLockNotWrittenText = "FLASH Write/Erase lock bits writing failed!";
inline constexpr const char* F30xLockedText = "Device is locked! To unlock, erase whole chip!";
inline constexpr const char* DeviceLockedRangeText = "DEVICE LOCKED!";
inline constexpr const char* DeviceUnprotectedText = "Device unprotected!";

// Why the part's protection could not be read, by how the part keeps it.
inline const char* ProtectionUnreadableText(SecurityAccess access)
{
    return access == SecurityAccess::JtagBlocks ? LockBitsUnreadableText : CannotReadSecurityText;
}

struct SecurityMessage {
    MessageKind Kind;
    const char* Text;
};
// A dialog's note in words; Unreadable by how the part keeps its lock.
SecurityMessage SecurityNoteMessage(SecurityNote note, SecurityAccess access);

} // namespace vorbrant
