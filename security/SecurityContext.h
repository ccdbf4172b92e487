#pragma once
// What a security dialog works with: the connected target and the reconnect
// the dialogs run after changing the part (the Connect button's action
// twice: disconnect, connect), so that the part is identified afresh. What
// an action came to is a list of notes; the dialog puts them into words
// (SecurityTexts.h) and asks its questions itself.
#include "target/Target.h"

#include <functional>
#include <vector>

namespace vorbrant {

struct SecurityContext {
    Target& Dev;
    // Leaves the presence poll as it found it: a connect would start it
    // while the dialog still talks to the part.
    std::function<void()> Reconnect;
    // The main window's presence poll: stopped while a dialog talks to the
    // part, so that no poll runs between its accesses.
    std::function<bool()> PollRunning;
    std::function<void(bool)> SetPoll;
};

// What a lock-byte dialog has to say after an action, in order.
enum class SecurityNote : uint8_t {
    Unreadable,          // the part does not let its protection be read
    F30xLocked,          // an F30x part holds a lock
    ReadLockWritten,     // the JTAG read-lock byte was written
    ReadLockNotWritten,
    WriteLockWritten,    // the JTAG write/erase-lock byte was written
    WriteLockNotWritten,
    ChipEraseFailed,     // a C2 part's chip erase
    FullChipErased,      // a JTAG part's chip erase
    FullChipEraseFailed,
    LockPageErased,      // a JTAG part's lock-bit page erase
    LockPageEraseFailed,
};
using SecurityNotes = std::vector<SecurityNote>;

// Chip erase of the C2 dialogs (the dialog asked first): on success the
// part is connected afresh. False when the erase failed.
bool EraseC2Chip(SecurityContext& context);

} // namespace vorbrant
