#pragma once
// The exit codes of the program: the one table of them in the code (the
// README shows the same table).
#include "chain/ChainCheck.h"
#include "session/Outcomes.h"
#include "target/Target.h"

namespace vorbrant {

enum class ExitCode : int {
    Success = 0,
    NotConnected = 1,
    NoData = 2,
    BlankCheckFailed = 3,
    OutsideDataArea = 4,
    VerifyFailed = 5,
    DriverFailed = 6,
    CommandLineError = 8,
    ReadBackNotWritten = 9,
    SecurityUnreadable = 11,
    LockMismatch = 12,
    ChainMismatch = 13,
    FlashFault = 16,
};

constexpr int ToInt(ExitCode code) { return static_cast<int>(code); }

// A cancelled read ends nothing: it has no code (Success is returned).
ExitCode ExitCodeFor(const RunOutcome& outcome);
// Any connect that does not leave an identified part is NotConnected.
ExitCode ExitCodeFor(ConnectOutcome outcome);
// The hardware check of a JTAG chain.
ExitCode ExitCodeFor(ChainCheckKind outcome);

} // namespace vorbrant
