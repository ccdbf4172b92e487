#include "session/ExitCodes.h"

namespace vorbrant {

ExitCode ExitCodeFor(const RunOutcome& outcome)
{
    switch (outcome.Kind) {
    case RunOutcomeKind::Success:
    case RunOutcomeKind::Cancelled: return ExitCode::Success;
    case RunOutcomeKind::NoData: return ExitCode::NoData;
    case RunOutcomeKind::OutsideDataArea: return ExitCode::OutsideDataArea;
    case RunOutcomeKind::BlankCheckFailed: return ExitCode::BlankCheckFailed;
    case RunOutcomeKind::VerifyFailed: return ExitCode::VerifyFailed;
    case RunOutcomeKind::ReadFault:
    case RunOutcomeKind::WriteFault: return ExitCode::FlashFault;
    case RunOutcomeKind::DataLeftOut: return ExitCode::DataLeftOut;
    case RunOutcomeKind::Interrupted: return ExitCode::Interrupted;
    }
    return ExitCode::FlashFault;
}

ExitCode FirstFailure(ExitCode code, ExitCode later) { return code == ExitCode::Success ? later : code; }

ExitCode ExitCodeFor(ConnectOutcome outcome)
{
    switch (outcome) {
    case ConnectOutcome::Connected:
    case ConnectOutcome::Locked: return ExitCode::Success;
    case ConnectOutcome::NoAdapter:
    case ConnectOutcome::Unknown: return ExitCode::NotConnected;
    }
    return ExitCode::NotConnected;
}

ExitCode ExitCodeFor(ChainCheckKind outcome)
{
    switch (outcome) {
    case ChainCheckKind::Verified: return ExitCode::Success;
    case ChainCheckKind::NoHardware: return ExitCode::NotConnected;
    case ChainCheckKind::Mismatch: return ExitCode::ChainMismatch;
    }
    return ExitCode::ChainMismatch;
}

} // namespace vorbrant
