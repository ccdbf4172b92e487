#pragma once
// What a security dialog works with: the connected target, the operator for
// its boxes, and the reconnect the dialogs run after changing the part (the
// Connect button's action twice: disconnect, connect), so that the part is
// identified afresh.
#include "common/Operator.h"
#include "target/Target.h"

#include <functional>

namespace vorbrant {

struct SecurityContext {
    Target& Dev;
    Operator& Op;
    // Leaves the presence poll as it found it: a connect would start it
    // while the dialog still talks to the part.
    std::function<void()> Reconnect;
    // The main window's presence poll: stopped while a dialog talks to the
    // part, so that no poll runs between its accesses.
    std::function<bool()> PollRunning;
    std::function<void(bool)> SetPoll;
};

// Chip erase of the C2 dialogs: confirm, erase with the busy cursor, and on
// success connect afresh (the busy cursor still shown). False when the
// operator cancelled or the erase failed ("Chip erase failed!" shown).
bool ConfirmAndEraseC2Chip(SecurityContext& context);

// The texts the security dialogs and the batch options share.
inline constexpr const char* ChipEraseQuestion =
    "   This will erase the whole chip!\r\nAre you sure you want to do this?";
inline constexpr const char* CannotReadSecurityText = "Cannot read security byte!";
inline constexpr const char* ChipEraseFailedText = "Chip erase failed!";
inline constexpr const char* LockBitsUnreadableText = "Lock bits reading disabled!";
inline constexpr const char* FullChipEraseFailedText = "Full chip erase failed!";

} // namespace vorbrant
