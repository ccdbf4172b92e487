#include "target/C2FlashLink.h"

#include "target/C2Link.h"

#include <algorithm>

namespace vorbrant {

C2FlashLink::C2FlashLink(C2Link& link, const ChipInfo& chip) : FlashLink(chip), link_(link)
{
}

void C2FlashLink::BeginRun()
{
    lost_ = false;
    fault_ = LinkFault::None;
    link_.C2EnterProgramming();
}

bool C2FlashLink::Checked(bool ok)
{
    if (ok)
        return true;
    fault_ = link_.LastFault();
    if (!lost_)
        lost_ = link_.C2ReadDeviceId() <= 0;
    return false;
}

// The block read for a byte: from the byte up to the next 256-byte boundary
// (so that the blocks of a run never straddle a flash page), and never past
// the last byte the part can read. A byte beyond that is asked for alone.
uint16_t C2FlashLink::BlockLength(uint32_t address) const
{
    uint32_t count = 256 - (address & 0xFF);
    const uint32_t last = std::max<uint32_t>(chip_.FlashEnd, chip_.LockByteAddress);
    if (last != 0)
        count = address > last ? 1 : std::min(count, last - address + 1);
    return static_cast<uint16_t>(count);
}

bool C2FlashLink::ReadFlashByte(uint32_t address, uint8_t& value, uint8_t /*areaFlags*/)
{
    if (lost_ || address > 0xFFFF ||
        !Checked(link_.C2BlockRead(static_cast<uint16_t>(address), BlockLength(address))))
        return false;
    value = link_.CachedByte(address);
    return true;
}

bool C2FlashLink::WriteFlashByte(uint32_t address, uint8_t value, uint8_t /*areaFlags*/)
{
    lostBlock_.reset();
    if (lost_ || address > 0xFFFF)
        return false;
    if (Checked(link_.C2BufferedWrite(address, value)))
        return true;
    // A byte that opens a new block sends the ones before: when that fails,
    // the fault is theirs, not this byte's.
    lostBlock_ = link_.TakeLostBlocks();
    return false;
}

std::optional<uint32_t> C2FlashLink::EndFlashAccess()
{
    // The bytes still stored go out now; those the part refuses are lost,
    // and their first address is what the caller reports, as for bytes lost
    // earlier without a write to report them (a block in flight cut off by
    // another operation's failure).
    const std::optional<AddressSpan> unsent = link_.UnsentBlocks();
    const bool gone = lost_; // nothing is sent to a part that has gone
    const bool flushed = gone ? !unsent : Checked(link_.C2FlushWriteBuffer());
    lostBlock_ = link_.TakeLostBlocks();
    if (!flushed && unsent && (gone || !lostBlock_))
        lostBlock_ = lostBlock_ ? Spanning(*lostBlock_, *unsent) : *unsent;
    link_.EmptyReadCache();
    link_.ClearWriteBuffer();
    if (!lostBlock_)
        return std::nullopt;
    return lostBlock_->First;
}

void C2FlashLink::ResetStallCount() { link_.ResetStallCount(); }

uint32_t C2FlashLink::StallsRecovered() const { return link_.StallsRecovered(); }

bool C2FlashLink::EraseCodePage(uint32_t address) { return !lost_ && Checked(link_.C2PageErase(address)); }

// The lock byte's page goes only with the whole device.
bool C2FlashLink::EraseLockPage() { return !lost_ && Checked(link_.C2DeviceErase()); }

bool C2FlashLink::EraseChip() { return !lost_ && Checked(link_.C2DeviceErase()); }

bool C2FlashLink::ReadLockByte(LockByte which, uint8_t& value)
{
    if (which != LockByte::Security)
        return false;
    if (!link_.C2ReadSecurityByte(value)) {
        fault_ = link_.LastFault();
        return false;
    }
    // The registers that count down from the top page cannot show a count
    // that reaches it: it reads as 0, like no lock at all. A part that then
    // refuses to give its first byte has every page locked.
    const bool countsFromTheTop =
        chip_.SecurityPath == C2SecurityPath::InvertedB5 || chip_.SecurityPath == C2SecurityPath::InvertedB4;
    if (value == 0 && countsFromTheTop) {
        link_.EmptyReadCache();
        if (!link_.C2BlockRead(0, 1))
            value = static_cast<uint8_t>(2 * chip_.FlashSizeKB - 1);
        link_.EmptyReadCache();
    }
    return true;
}

bool C2FlashLink::WriteLockByte(LockByte which, uint8_t value)
{
    if (which != LockByte::Security)
        return false;
    bool written = link_.C2WriteSecurityByte(value);
    if (!written)
        fault_ = link_.LastFault();
    // The lock byte's block may be cached from before the write.
    link_.EmptyReadCache();
    return written;
}

} // namespace vorbrant
