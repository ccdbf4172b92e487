// The lock-byte options of a batch run: the fit check and the chip erase
// before the steps, the lock written, read back and confirmed after them,
// and the report of --security.
#include "session/BatchRun.h"

#include "security/Protection.h"
#include "security/SecurityTexts.h"
#include "session/Messages.h"

namespace vorbrant {

bool BatchRun::RefuseUnfitLock(bool erasedFirst)
{
    std::string why = CheckLockRequest(session_.Programmer().Dev.Chip, settings().Security.Lock, erasedFirst);
    if (why.empty())
        return false;
    session_.Note(MessageKind::Error, why);
    RequestExit(ExitCode::CommandLineError);
    return true;
}

bool BatchRun::PrepareLocks()
{
    // A lock that does not fit the part is refused before anything changes.
    if (RefuseUnfitLock(settings().Security.ChipErase))
        return false;
    if (!settings().Security.ChipErase)
        return true;
    const bool c2 = session_.Programmer().Dev.Chip.C2Mode;
    if (!session_.Programmer().Dev.Flash().EraseFlash(EraseKind::Chip, 0, 0)) {
        session_.Note(MessageKind::Error, c2 ? ChipEraseFailedText : FullChipEraseFailedText);
        RequestExit(ExitCode::FlashFault);
        return false;
    }
    session_.Log(ChipErasedLine);
    // The part is identified afresh: a locked part shows what it is now.
    session_.Reconnect();
    if (!session_.Connected()) {
        RequestExit(ExitCode::NotConnected);
        return false;
    }
    return !RefuseUnfitLock();
}

bool BatchRun::FinishLocks()
{
    if (settings().Security.Lock.Any() && !LockAndConfirm())
        return false;
    if (settings().Security.Show) {
        Protection held;
        if (!ReadProtectionOrExit(held))
            return false;
        for (const std::string& line : DescribeProtection(session_.Programmer().Dev.Chip, held))
            session_.Log(line);
    }
    return true;
}

bool BatchRun::LockAndConfirm()
{
    const LockRequest& lock = settings().Security.Lock;
    const ChipInfo identified = session_.Programmer().Dev.Chip;
    // Not judged by itself: the part is read back.
    WriteLockRequest(session_.Programmer().Dev, lock);
    // Read first while the part may still show what it holds: some parts
    // lock their lock byte's page with the first locked page, some only
    // after a reset.
    std::optional<Protection> held = ReadProtection(session_.Programmer().Dev);
    const bool confirmed = held && *held == ExpectedProtection(*held, lock);
    // Identified afresh, so that a locked part shows what it is now; the
    // check goes on with the identity it had before.
    session_.Reconnect();
    if (!session_.Connected()) {
        // Gone during its lock: a fault of the run, not a lock state.
        RequestExit(ExitCode::FlashFault);
        return false;
    }
    KeepIdentity(session_.Programmer().Dev.Chip, identified);
    if (!confirmed) {
        if (std::optional<Protection> again = ReadProtection(session_.Programmer().Dev))
            held = again;
    }
    if (!LockBytesStillThere())
        return false;
    if (!held)
        return Refuse(ExitCode::SecurityUnreadable, ProtectionUnreadableText(session_.Programmer().Dev.Chip.Security));
    Protection asked = ExpectedProtection(*held, lock);
    if (!(*held == asked))
        return Refuse(ExitCode::LockMismatch, LockStateMismatchText(ProtectionText(*held), ProtectionText(asked)));
    if (held->CountedByReads)
        session_.Log(LockConfirmedByRefusalLine);
    return true;
}

bool BatchRun::ReadProtectionOrExit(Protection& protection)
{
    std::optional<Protection> read = ReadProtection(session_.Programmer().Dev);
    if (!LockBytesStillThere())
        return false;
    if (!read)
        return Refuse(ExitCode::SecurityUnreadable, ProtectionUnreadableText(session_.Programmer().Dev.Chip.Security));
    protection = *read;
    return true;
}

bool BatchRun::LockBytesStillThere()
{
    if (session_.Programmer().Dev.SamePartAnswers())
        return true;
    const ChipInfo& chip = session_.Programmer().Dev.Chip;
    RunOutcome lost;
    lost.Kind = RunOutcomeKind::ReadFault;
    lost.C2 = chip.C2Mode;
    lost.Address = chip.C2Mode ? chip.LockByteAddress : chip.ReadLockAddress();
    OutcomeMessage message = RunOutcomeMessage(lost);
    session_.Note(message.Kind, message.Text);
    RequestExit(ExitCode::FlashFault);
    return false;
}

} // namespace vorbrant
