// Connection and identification: adapter detection, the C2 or JTAG
// identification word, the probes that tell derivatives apart, the lock tests
// of the C2 families, and releasing the target.
#include "common/Text.h"
#include "target/C2FlashLink.h"
#include "target/C2Link.h"
#include "target/FlashSizeFacts.h"
#include "target/IdentTables.h"
#include "target/JtagFlashLink.h"
#include "target/JtagLink.h"
#include "target/Target.h"

namespace vorbrant {

ConnectResult Target::ConnectTarget()
{
    ConnectResult result;
    if (!adapter_.Detect().Found || !ReadIdentification(result.Id))
        return result;

    // A run left open by an earlier connection ends before the part is known.
    Flash().BreakRun();
    Flash().EndFlashAccess();

    ConnectOutcome kind = ConnectOutcome::Connected;
    if (Chip.C2Mode) {
        kind = IdentifyC2(result.ClearsLockWarning);
    } else {
        Chip.Security = SecurityAccess::JtagBlocks;
        const JtagIdentRow* row = FindJtagRow(Chip.DeviceCode);
        if (row != nullptr && row->NeedsF12xSetup)
            PrepareF12x(*row);
        IdentifyJtag(row);
    }
    ApplyFlashSizeFacts();
    // A locked part stays Locked whatever its row holds: the warning is due.
    if (kind != ConnectOutcome::Locked && Chip.FlashEnd == 0)
        kind = ConnectOutcome::Unknown;
    // A part pulled out half way through fails its probes and would pass
    // for a smaller or locked one: what it found counts only when the part
    // still answers with the word it started with.
    identifiedId_ = -1;
    // A C2 port that stalls too often for a probe or the lock test to get
    // through leaves the part unknown: not locked, not smaller.
    if (ReadIdentityAgain() != result.Id || (Chip.C2Mode && c2_->StallBudgetSpent)) {
        result = ConnectResult{};
        return result;
    }
    identifiedId_ = result.Id;
    result.Kind = kind;
    return result;
}

int32_t Target::ReadIdentityAgain()
{
    // A stall inside the C2 read is recovered by re-arming the programming
    // interface: the steps that follow find it armed.
    if (Chip.C2Mode)
        return c2_->C2ReadDeviceId();
    // The same instruction as at identification, without the system reset
    // in front of it; the flash registers are selected afresh afterwards.
    jtag_->JtagShiftIR(0x1004, 16);
    uint32_t id = jtag_->JtagShiftDR(0, 32);
    jtagFlash_->BreakRun();
    return id == 0xFFFFFFFFu ? -1 : static_cast<int32_t>(id);
}

bool Target::SamePartAnswers()
{
    return identifiedId_ != -1 && identifiedId_ != 0 && ReadIdentityAgain() == identifiedId_;
}

bool Target::ReadIdentification(int32_t& id)
{
    c2_->EmptyReadCache();
    c2_->ClearWriteBuffer();
    c2_->ResetStallCount();
    c2Flash_->ForgetLostTarget();
    jtagFlash_->ForgetLostTarget();

    // A second-generation adapter tries C2 first; a part that does not
    // answer there is asked over JTAG.
    id = 0;
    Chip.C2Mode = false;
    if (adapter_.Detected().SpeaksC2) {
        c2_->CalibratePortAccess();
        c2_->C2Reset();
        id = c2_->C2ReadDeviceId();
        if (id == -1 || id == 0) {
            adapter_.ReleaseLines();
            adapter_.SetModeLine(false);
        } else {
            Chip.C2Mode = true;
            c2_->C2EnterProgramming();
        }
    }

    // What identification fills in starts afresh once something answered.
    auto answered = [this](uint16_t code, uint8_t revision) {
        Chip.ScratchpadSize = 0;
        Chip.FlashEnd = 0;
        Chip.SmallerVariant = false;
        Chip.IdentifiedLocked = false;
        Chip.DeviceCode = code;
        Chip.DeviceRevision = revision;
        return true;
    };
    if (Chip.C2Mode)
        return answered(static_cast<uint16_t>(static_cast<uint32_t>(id) & 0xFFF),
                        static_cast<uint8_t>(static_cast<uint32_t>(id) >> 16));

    JtagLink& j = *jtag_;
    j.JtagResetTap();
    j.JtagShiftIR(0x2FFF, 16);
    j.JtagShiftIR(0x1004, 16);
    uint32_t jtagId = j.JtagShiftDR(0, 32);
    // All zeros or all ones: nothing answering, or a part held in reset.
    if (jtagId == 0 || jtagId == 0xFFFFFFFFu) {
        id = -1;
        return false;
    }
    id = static_cast<int32_t>(jtagId);
    return answered(static_cast<uint16_t>(jtagId >> 12), static_cast<uint8_t>(jtagId >> 28));
}

// The F12x family needs its flash interface set up before the first access.
void Target::PrepareF12x(const JtagIdentRow& row)
{
    Chip.FlashRegBase = row.FlashRegBase;
    JtagLink& j = *jtag_;
    j.JtagResetTap();
    j.JtagShiftIR(0x1801, 16);
    j.JtagShiftIR(0x1804, 16);
    clock_.SleepMs(100);
    for (uint16_t instruction : {0x2804, 0x2004, 0x1004, 0x4004, 0x2FFF, 0x30C1})
        j.JtagShiftIR(instruction, 16);
    for (uint32_t data : {0x8400u, 0xB731u, 0x840Fu, 0x8A83u, 0x8400u})
        j.JtagWriteIndirect(0x30C1, data, 17);
    j.JtagShiftIR(0x1004, 16);
    j.JtagShiftIR(static_cast<uint16_t>(Chip.FlashRegBase | 0x84), 16);
}

void Target::SetNotIdentifiedCode()
{
    const ChipInfo defaults;
    Chip.DerivativeName = "0x" + Hex(Chip.DeviceCode, 4);
    Chip.FlashSizeKB = 0;
    Chip.FlashEnd = 0;
    Chip.ScratchpadSize = 0;
    Chip.LockByteAddress = 0;
    Chip.PageSize = defaults.PageSize;
    Chip.FlashAdrBits = defaults.FlashAdrBits;
    Chip.SecurityPath = defaults.SecurityPath;
}

// A part that answered but was not identified keeps the facts of the size
// it was left with (0, or what an earlier row set): the poll may keep such a
// part connected, and a run on it treats it as before.
void Target::ApplyFlashSizeFacts()
{
    FlashSizeFacts facts = FactsForFlashSize(Chip.FlashSizeKB);
    Chip.UserData = facts.UserData;
    Chip.WindowAboveCode = facts.WindowAboveCode;
}

bool Target::JtagProbe(uint32_t address)
{
    jtagFlash_->BreakRun();
    uint8_t ignored = 0;
    return jtagFlash_->ReadFlashByte(address, ignored, 0);
}

bool Target::ReadsAt(uint32_t address)
{
    if (!Chip.C2Mode)
        return JtagProbe(address);
    c2_->EmptyReadCache();
    const bool read = address <= 0xFFFF && C2Probe(address);
    c2_->EmptyReadCache();
    return read;
}

bool Target::C2Probe(uint32_t address)
{
    // One byte is enough to see whether the part lets the host read there.
    return c2_->C2BlockRead(static_cast<uint16_t>(address), 1);
}

void Target::IdentifyJtag(const JtagIdentRow* row)
{
    if (row == nullptr) {
        SetNotIdentifiedCode();
        return;
    }
    Chip.DerivativeName = row->Name;
    Chip.FlashSizeKB = row->FlashSizeKB;
    Chip.FlashEnd = row->FlashEnd;
    Chip.FlashRegBase = row->FlashRegBase;
    Chip.FlashAdrBits = row->FlashAdrBits;
    Chip.PageSize = row->PageSize;
    Chip.ScratchpadSize = row->ScratchpadSize;
    Chip.LockByteAddress = 0;
    if (row->KeepProbes[0] == NoProbe)
        return;
    for (uint32_t probe : row->KeepProbes)
        if (probe != NoProbe && JtagProbe(probe))
            return;
    Chip.DerivativeName = row->SmallName;
    Chip.FlashSizeKB = row->SmallFlashSizeKB;
    Chip.FlashEnd = row->SmallFlashEnd;
    Chip.FlashAdrBits = row->SmallFlashAdrBits;
    Chip.SmallerVariant = true;
    if (row->SmallConfirmProbe != NoProbe && !JtagProbe(row->SmallConfirmProbe)) {
        Chip.DerivativeName.clear();
        Chip.FlashEnd = 0;
    }
}

void Target::ApplyC2Result(const C2Result& result)
{
    if (result.Name == nullptr) {
        Chip.DerivativeName.clear();
        Chip.FlashEnd = 0;
        return;
    }
    Chip.DerivativeName = result.Name;
    Chip.FlashSizeKB = result.FlashSizeKB;
    Chip.FlashEnd = result.FlashEnd;
    Chip.LockByteAddress = result.LockByteAddress;
}

bool Target::C2LockedByTest(C2LockTest test)
{
    Chip.LockByteAddress = 0;
    switch (test) {
    case C2LockTest::None:
        return false;
    case C2LockTest::SecurityPath: {
        // The unlocked F30x lets the read at address 0 through (status 0x0D
        // after address and length), whatever byte it then returns.
        uint8_t ignored = 0;
        c2_->C2ReadSecurityByte(ignored);
        return !c2_->SecurityAddressAccepted;
    }
    case C2LockTest::ReadFirstByte:
        // Whether the part lets the host read byte 0 is all the test asks:
        // one byte, as for the probes, not a block of 256 at every connect
        // and every presence poll.
        return !C2Probe(0);
    }
    return false;
}

ConnectOutcome Target::IdentifyC2(bool& clearsLockWarning)
{
    const C2IdentRow* row = FindC2Row(Chip.DeviceCode);
    Chip.ScratchpadSize = 0;
    Chip.Security = SecurityAccess::C2PageCount;
    if (row == nullptr) {
        Chip.FpdatAddress = 0xB4;
        SetNotIdentifiedCode();
        return ConnectOutcome::Unknown;
    }
    Chip.FpdatAddress = row->FpdatAddress;
    // The lock test of the F30x reads through the family's security path.
    Chip.PageSize = row->PageSize;
    Chip.Security = row->Security;
    Chip.SecurityPath = row->SecurityPath;
    for (uint8_t i = 0; i < row->PreWriteCount; ++i) {
        c2_->C2AddressWrite(row->PreWrites[i].Register);
        c2_->C2DataWrite(row->PreWrites[i].Value);
    }
    if (C2LockedByTest(row->LockTest)) {
        // A part still busy with an erase or a write fails the test as a
        // locked one does: it gets one more try after the C2 recovery.
        c2_->C2EnterProgramming();
        for (uint8_t i = 0; i < row->PreWriteCount; ++i) {
            c2_->C2AddressWrite(row->PreWrites[i].Register);
            c2_->C2DataWrite(row->PreWrites[i].Value);
        }
        if (C2LockedByTest(row->LockTest)) {
            ApplyC2Result(row->Locked);
            Chip.IdentifiedLocked = true;
            return ConnectOutcome::Locked;
        }
    }
    clearsLockWarning = row->UnlockedClearsWarning;
    for (uint8_t i = 0; i < row->ProbeCount; ++i) {
        if (!C2Probe(row->Probes[i].Address)) {
            ApplyC2Result(row->Probes[i].Result);
            return ConnectOutcome::Connected;
        }
    }
    ApplyC2Result(row->WhenAllProbesPass);
    return ConnectOutcome::Connected;
}

void Target::DisconnectTarget()
{
    if (Chip.C2Mode) {
        c2_->C2Reset();
        adapter_.ReleaseLines();
        adapter_.SetModeLine(true);
    } else {
        jtagFlash_->BreakRun();
        jtag_->JtagShiftIR(0x2FFF, 16);
        jtagFlash_->BreakRun();
        jtag_->JtagShiftIR(0x0FFF, 16);
    }
}

} // namespace vorbrant
