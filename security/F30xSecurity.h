#pragma once
// The "C8051F30x Security" dialog without its widgets: the two lock nibbles
// of the F30x lock byte as two check boxes. Update only ever clears bits;
// Chip erase is the only way back.
#include "security/SecurityContext.h"

#include <cstdint>

namespace vorbrant {

class F30xSecurity {
public:
    static constexpr const char* Caption = "C8051F30x Security";

    explicit F30xSecurity(SecurityContext context) : ctx_(std::move(context)) {}

    SecurityNotes Open();
    void Close();
    // Locks what the two boxes ask for (AND only), then reads the byte back.
    SecurityNotes Update(bool readLockChecked, bool writeLockChecked);
    // Erases the whole chip (the dialog asked first), reconnects and reads
    // the byte again.
    SecurityNotes ChipErase();

    // The byte as stored in the part.
    uint8_t F30xLockByte = 0xFF;
    bool ReadLockChecked = false;  // "Read/Write Lock": bits 3..0 not all ones
    bool WriteLockChecked = false; // "Write Lock": bits 7..4 not all ones
    bool ControlsEnabled = true;   // both boxes and Update

private:
    SecurityNotes ReadF30xLock();

    SecurityContext ctx_;
};

} // namespace vorbrant
