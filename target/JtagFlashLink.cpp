#include "target/JtagFlashLink.h"

#include "target/JtagInstructions.h"
#include "target/JtagLink.h"

namespace vorbrant {

namespace {

using JtagIr::BusyBit;
using JtagIr::EraseControl;
using JtagIr::FailBit;
using JtagIr::FlashAdr;
using JtagIr::FlashCon;
using JtagIr::FlashDat;
using JtagIr::FlashScl;
using JtagIr::ReadControl;
using JtagIr::WriteControl;

// The lock-page erase goes to an address inside the page of the lock bytes.
constexpr uint32_t LockPageBelowEnd = 254;

} // namespace

JtagFlashLink::JtagFlashLink(JtagLink& link, Clock& clock, const ChipInfo& chip)
    : FlashLink(chip), link_(link), clock_(clock)
{
}

void JtagFlashLink::BeginRun()
{
    aheadCount_ = 0;
    lost_ = false;
    fault_ = LinkFault::None;
    FlashStreamOpen = false;
    link_.ForgetInstruction();
}

bool JtagFlashLink::WriteRegister(uint8_t code, uint32_t data, int width)
{
    if (link_.JtagWriteIndirect(FlashRegister(code), data, width))
        return true;
    TimedOut();
    return false;
}

void JtagFlashLink::TimedOut()
{
    timedOut_ = true;
    fault_ = LinkFault::TimedOut;
}

bool JtagFlashLink::Passed(uint32_t flashDat)
{
    if ((flashDat & FailBit) == 0)
        return true;
    fault_ = LinkFault::StatusNotOk;
    return false;
}

bool JtagFlashLink::Lost()
{
    if (!lost_ && timedOut_) {
        // A part that went away reads all ones (TDO floats high); one held
        // in reset all zeros. Its busy polls would each wait out their limit.
        link_.JtagShiftIR(JtagIr::HaltIdCode, JtagIr::Bits);
        const uint32_t id = link_.JtagShiftDR(0, 32);
        FlashStreamOpen = false;
        lost_ = id == 0 || id == 0xFFFFFFFFu;
    }
    timedOut_ = false;
    return lost_;
}

bool JtagFlashLink::OpenJtagRun(uint32_t address, uint8_t control)
{
    return WriteRegister(FlashScl, 0x85, 8) && WriteRegister(FlashAdr, address, chip_.FlashAdrBits)
        && WriteRegister(FlashCon, control, 8);
}

bool JtagFlashLink::PollFlashData(int width, uint64_t limitMs, uint32_t& result)
{
    uint64_t start = clock_.NowNs();
    for (;;) {
        if (!link_.JtagReadIndirect(FlashRegister(FlashDat), width, result)) {
            TimedOut();
            return false; // the register never answered: no data, not a 0
        }
        if ((result & BusyBit) == 0)
            return true;
        if (clock_.NowNs() - start > limitMs * 1000000u) {
            TimedOut();
            return false;
        }
    }
}

bool JtagFlashLink::ReadFlashByte(uint32_t address, uint8_t& value, uint8_t areaFlags)
{
    if (lost_)
        return false;
    if (link_.QueuesReads() && areaFlags == 0)
        if (std::optional<uint8_t> ahead = ReadAhead(address, areaFlags)) {
            value = *ahead;
            return true;
        }
    if (!FlashStreamOpen) {
        uint32_t ignored = 0;
        if (!OpenJtagRun(address, static_cast<uint8_t>(areaFlags | ReadControl))
            || !link_.JtagReadIndirect(FlashRegister(FlashDat), 0, ignored)) {
            if (link_.IndirectTimedOut())
                TimedOut();
            Lost();
            return false;
        }
        FlashStreamOpen = true;
    }
    uint32_t r = 0;
    if (!PollFlashData(10, FlashBusyLimitMs, r)) {
        Lost();
        return false;
    }
    value = static_cast<uint8_t>(r >> 2);
    return Passed(r);
}

bool JtagFlashLink::WriteFlashByte(uint32_t address, uint8_t value, uint8_t areaFlags)
{
    if (lost_)
        return false;
    aheadCount_ = 0;
    if (link_.QueuesReads() && !polled_ && areaFlags == 0)
        return WriteBehind(address, value, areaFlags);
    if (!FlashStreamOpen) {
        if (!OpenJtagRun(address, static_cast<uint8_t>(areaFlags | WriteControl))) {
            Lost();
            return false;
        }
        FlashStreamOpen = true;
    }
    uint32_t r = 0;
    if (!WriteRegister(FlashDat, value, 8) || !PollFlashData(2, FlashBusyLimitMs, r)) {
        Lost();
        return false;
    }
    return Passed(r);
}

bool JtagFlashLink::JtagErasePageWithin(uint32_t address, uint8_t areaFlags, uint64_t limitMs)
{
    aheadCount_ = 0;
    if (lost_)
        return false;
    bool sent = WriteRegister(FlashScl, 0x85, 8)
        && WriteRegister(FlashCon, static_cast<uint8_t>(areaFlags | EraseControl), 8)
        && WriteRegister(FlashAdr, address, chip_.FlashAdrBits) && WriteRegister(FlashDat, 0xA5, 8);
    if (!sent && Lost())
        return false;
    bool idle = WriteRegister(FlashCon, 0, 8);
    uint32_t r = 0;
    if (!sent || !idle || !PollFlashData(10, limitMs, r)) {
        Lost();
        return false;
    }
    return Passed(r);
}

bool JtagFlashLink::ErasePage(uint32_t address, uint8_t areaFlags)
{
    return JtagErasePageWithin(address, areaFlags, FlashBusyLimitMs);
}

bool JtagFlashLink::EraseCodePage(uint32_t address) { return ErasePage(address, 0); }

bool JtagFlashLink::EraseLockPage() { return ErasePage(chip_.FlashEnd - LockPageBelowEnd, 0); }

// An erase at the top of the code area takes the whole code flash.
bool JtagFlashLink::EraseChip() { return JtagErasePageWithin(chip_.FlashEnd, 0, ChipEraseBusyLimitMs); }

bool JtagFlashLink::EraseScratchpad()
{
    // Every sector of the area, so that none keeps old bytes.
    bool result = chip_.UserData.Mapped;
    for (uint32_t offset = 0; result && (offset == 0 || offset < chip_.ScratchpadSize); offset += UserDataSectorBytes)
        result = ErasePage(chip_.UserData.EraseAddress + offset, chip_.UserData.AreaFlags);
    EndFlashAccess();
    return result;
}

std::optional<uint32_t> JtagFlashLink::EndFlashAccess()
{
    if (behindCount_ && !SendWriteBlock()) {
        FlashStreamOpen = false;
        return lostBlock_ ? std::optional<uint32_t>(lostBlock_->First) : std::nullopt;
    }
    FlashStreamOpen = false;
    if (!lost_ && !WriteRegister(FlashCon, 0, 8))
        Lost();
    return std::nullopt;
}

bool JtagFlashLink::LockByteAddress(LockByte which, uint32_t& address) const
{
    switch (which) {
    case LockByte::ReadLock:
        address = chip_.ReadLockAddress();
        return true;
    case LockByte::WriteEraseLock:
        address = chip_.WriteEraseLockAddress();
        return true;
    case LockByte::Security:
        break;
    }
    return false;
}

// A lock byte is one byte of a run of its own.
template <typename Access>
bool JtagFlashLink::LockByteRun(LockByte which, Access access)
{
    uint32_t address = 0;
    if (!LockByteAddress(which, address))
        return false;
    BreakRun();
    bool done = access(address);
    EndFlashAccess();
    return done;
}

bool JtagFlashLink::ReadLockByte(LockByte which, uint8_t& value)
{
    return LockByteRun(which, [&](uint32_t address) { return ReadFlashByte(address, value, 0); });
}

bool JtagFlashLink::WriteLockByte(LockByte which, uint8_t value)
{
    // A lock byte's write is answered on its own, never from a batch.
    polled_ = true;
    const bool written = LockByteRun(which, [&](uint32_t address) { return WriteFlashByte(address, value, 0); });
    polled_ = false;
    return written;
}

} // namespace vorbrant
