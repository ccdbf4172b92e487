#pragma once
// The flash operations of a connected part, one interface over both links.
// A flash run is a series of reads or of writes on ascending addresses; the
// link keeps what a run needs between calls (the open JTAG address stream,
// the C2 read cache and write buffer) and the caller only begins and ends it.
#include "target/AddressSpan.h"
#include "target/ChipInfo.h"
#include "target/LinkFault.h"

#include <cstdint>
#include <optional>

namespace vorbrant {

enum class EraseKind : uint8_t { Pages, LockPage, Chip };

// The lock bytes a part keeps: the one C2 security byte, or the JTAG
// read-lock and write/erase-lock bytes at the top of the code area.
enum class LockByte : uint8_t { Security, ReadLock, WriteEraseLock };

class FlashLink {
public:
    virtual ~FlashLink() = default;

    // Every call that returns false has failed for a reason Fault() gives,
    // except where the call itself refused (an address the link cannot
    // reach, the other link's kind of lock byte: no traffic, no fault).

    // A new run from the next address on: C2 re-enables the programming
    // interface, JTAG drops an address stream left open; no fault yet.
    virtual void BeginRun() = 0;
    // The next read or write is not the neighbour of the last one: JTAG
    // sends its address again; C2 block transfers carry their own.
    virtual void BreakRun() = 0;
    // areaFlags select the User data area on JTAG parts (FLASHCON bit 7).
    // false: value holds nothing read (the part did not answer, refused the
    // address, e.g. a locked page, or is gone).
    virtual bool ReadFlashByte(uint32_t address, uint8_t& value, uint8_t areaFlags) = 0;
    // false: the byte is not programmed, or (a buffering link) the block
    // before it was not taken: LostBlock() tells which.
    virtual bool WriteFlashByte(uint32_t address, uint8_t value, uint8_t areaFlags) = 0;
    // Closes the run. The base address of a closing C2 block write the part
    // refused (its buffered bytes are lost; Fault() says why), else nullopt.
    virtual std::optional<uint32_t> EndFlashAccess() = 0;
    // A link that buffers writes sends a block when the next one begins or
    // the run closes: after a failed WriteFlashByte or EndFlashAccess, the
    // block whose bytes the part did not take, when that is what failed
    // (nullopt when the fault is the byte's own).
    virtual std::optional<AddressSpan> LostBlock() const { return std::nullopt; }

    // Pages: every page from first to last (all attempted, true when all
    // erased). LockPage and Chip ignore the range. Closes the run.
    // false: a page, or the chip, may still hold old bytes.
    bool EraseFlash(EraseKind kind, uint32_t first, uint32_t last);
    // The User data (scratchpad) area; true on parts without one. false as
    // for EraseFlash, or a part whose size has no User data map (no fault).
    virtual bool EraseScratchpad() = 0;

    // The protection as the security dialogs show it: for the C2 security
    // byte the count of locked pages (already complemented), for the JTAG
    // bytes the stored byte.
    // The other link's kind of byte: false, no traffic, no fault. Else
    // false: the byte could not be read (value unchanged) or written.
    virtual bool ReadLockByte(LockByte which, uint8_t& value) = 0;
    virtual bool WriteLockByte(LockByte which, uint8_t value) = 0;

    // A program run leaves out the bytes its image does not hold, starting a
    // new run after each gap (JTAG), or writes every byte of its span (C2:
    // the write buffer sends the gaps as 0xFF within a block anyway).
    virtual bool SkipsAbsentBytes() const = 0;

    // Port stalls: a C2 strobe whose low phase ran long enough to reset the
    // part is detected, the interface re-armed and the block redone. The
    // count since ResetStallCount, which also refills the run's retry
    // budget. JTAG is a static protocol and needs none of this.
    virtual void ResetStallCount() {}
    virtual uint32_t StallsRecovered() const { return 0; }

    // An operation failed, the link read the part's identity once, and
    // nothing answered: the part is gone. Every operation then fails at
    // once, without traffic, until the next run or connect.
    bool TargetLost() const { return lost_; }
    void ForgetLostTarget() { lost_ = false; }

    // Why the latest call that failed since BeginRun failed: a time-out, a
    // status other than OK, the stall retries spent, or the part gone
    // (whenever TargetLost()). None before any failure.
    LinkFault Fault() const { return lost_ ? LinkFault::TargetGone : fault_; }

protected:
    explicit FlashLink(const ChipInfo& chip) : chip_(chip) {}

    // The single erases EraseFlash is made of.
    virtual bool EraseCodePage(uint32_t address) = 0;
    virtual bool EraseLockPage() = 0;
    virtual bool EraseChip() = 0;

    const ChipInfo& chip_;
    bool lost_ = false;
    LinkFault fault_ = LinkFault::None;
};

} // namespace vorbrant
