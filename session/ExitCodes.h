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
    SettingsNotWritten = 7, // the configuration file or the --trace file
    CommandLineError = 8,
    OutputNotWritten = 9,   // --read, --convert or the simulator's flash file
    DataLeftOut = 10,       // bytes of the file lie where the run cannot program them
    SecurityUnreadable = 11,
    LockMismatch = 12,
    ChainMismatch = 13,     // the chain, or a position of it, is not what the JCF file says
    PartMismatch = 14,      // the part on the board is not the one --part names
    FlashFault = 16,
    Interrupted = 130,      // Ctrl-C or SIGTERM: the run stopped, the target released (128 + SIGINT)
};

constexpr int ToInt(ExitCode code) { return static_cast<int>(code); }

// A cancelled read ends nothing: it has no code (Success is returned).
ExitCode ExitCodeFor(const RunOutcome& outcome);
// The code of a run that had already ended with `code` when a later step
// failed with `later`: the first failure stands.
ExitCode FirstFailure(ExitCode code, ExitCode later);
// Any connect that does not leave an identified part is NotConnected.
ExitCode ExitCodeFor(ConnectOutcome outcome);
// The hardware check of a JTAG chain.
ExitCode ExitCodeFor(ChainCheckKind outcome);

} // namespace vorbrant
