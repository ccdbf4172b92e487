#pragma once
// The flash operations over the JTAG link: the flash registers behind the
// part's indirect-register instructions (FLASHCON, FLASHDAT, FLASHADR,
// FLASHSCL), and the address stream of a run. The part advances FLASHADR by
// itself after each byte, so an open run sends its address only once.
#include "lpt/Clock.h"
#include "target/AdapterSignals.h"
#include "target/ChipInfo.h"
#include "target/FlashLink.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vorbrant {

class JtagLink;

class JtagFlashLink final : public FlashLink {
public:
    // Flash busy polls give up after this much Clock time (per byte or page;
    // a whole-chip erase gets the longer limit).
    static constexpr uint64_t FlashBusyLimitMs = 500;
    static constexpr uint64_t ChipEraseBusyLimitMs = 5000;

    // chip supplies FlashRegBase, FlashAdrBits, PageSize, FlashEnd and UserData.
    JtagFlashLink(JtagLink& link, Clock& clock, const ChipInfo& chip);

    void BeginRun() override;
    void BreakRun() override { FlashStreamOpen = false; }
    // An open run takes the next address whatever address it is given.
    bool ReadFlashByte(uint32_t address, uint8_t& value, uint8_t areaFlags) override;
    bool WriteFlashByte(uint32_t address, uint8_t value, uint8_t areaFlags) override;
    // Idles FLASHCON; never reports a lost block.
    std::optional<uint32_t> EndFlashAccess() override;
    // False on parts whose size has no User data map.
    bool EraseScratchpad() override;
    bool ReadLockByte(LockByte which, uint8_t& value) override;
    bool WriteLockByte(LockByte which, uint8_t value) override;
    bool SkipsAbsentBytes() const override { return true; }
    std::optional<AddressSpan> LostBlock() const override { return lostBlock_; }

    // One page erase (the page holding address), with the page limit.
    bool ErasePage(uint32_t address, uint8_t areaFlags);
    // A run's address stream is open: the next byte needs no address.
    bool StreamOpen() const { return FlashStreamOpen; }

private:
    bool EraseCodePage(uint32_t address) override;
    // The page of the lock bytes.
    bool EraseLockPage() override;
    // The whole code flash: an erase at the read-lock byte.
    bool EraseChip() override;
    uint16_t FlashRegister(uint8_t code) const { return static_cast<uint16_t>(chip_.FlashRegBase | code); }
    bool OpenJtagRun(uint32_t address, uint8_t control);
    // A busy poll ran out: noted for Lost() and as the fault.
    void TimedOut();
    // The FLASHDAT status of a finished operation: false (and the fault)
    // when the flash controller set its fail bit.
    bool Passed(uint32_t flashDat);
    // An indirect register write; a busy poll that timed out is noted.
    bool WriteRegister(uint8_t code, uint32_t data, int width);
    // After a busy poll timed out, the identity is read once: true when
    // nothing answers (the part is gone; lost_ is set).
    bool Lost();
    // Repeats FLASHDAT reads of this width while the busy bit is set; false
    // when a read timed out or the part stayed busy past limitMs.
    bool PollFlashData(int width, uint64_t limitMs, uint32_t& result);
    bool JtagErasePageWithin(uint32_t address, uint8_t areaFlags, uint64_t limitMs);
    // The JTAG lock bytes sit in the code area: their address, or false
    // for the C2 security byte.
    bool LockByteAddress(LockByte which, uint32_t& address) const;
    template <typename Access>
    bool LockByteRun(LockByte which, Access access);

    // Adapters that answer reads only at a flush (JtagFlashQueued.cpp):
    // reads fetch the rest of their 256-byte block in one batch, writes
    // collect a block and send it in one; a byte the part did not answer
    // in time is done again the polled way.
    std::optional<uint8_t> ReadAhead(uint32_t address, uint8_t areaFlags);
    bool WriteBehind(uint32_t address, uint8_t value, uint8_t areaFlags);
    bool SendWriteBlock();
    ReadTicket QueueRegister(uint8_t code, uint32_t data, int width, int idleClocks);
    bool QueueOpenRun(uint32_t address, uint8_t control, std::vector<ReadTicket>& polls);

    std::array<uint8_t, 256> ahead_{};
    uint32_t aheadBase_ = 0;
    uint32_t aheadCount_ = 0;
    uint8_t aheadFlags_ = 0;
    std::array<uint8_t, 256> behind_{};
    uint32_t behindBase_ = 0;
    uint32_t behindCount_ = 0;
    uint8_t behindFlags_ = 0;
    std::optional<AddressSpan> lostBlock_;
    bool polled_ = false; // a byte the batch left unconfirmed goes the polled way

    JtagLink& link_;
    Clock& clock_;
    bool FlashStreamOpen = false;
    bool timedOut_ = false; // a busy poll of this operation ran out
};

} // namespace vorbrant
