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

std::optional<AddressSpan> C2FlashLink::BufferedBlock() const
{
    if (link_.WriteBufferBase() == C2Link::NoBase || link_.WriteBufferCount() == 0)
        return std::nullopt;
    return AddressSpan{link_.WriteBufferBase(), link_.WriteBufferBase() + link_.WriteBufferCount() - 1u};
}

bool C2FlashLink::WriteFlashByte(uint32_t address, uint8_t value, uint8_t /*areaFlags*/)
{
    // A byte that opens a new block sends the one before: when that fails,
    // the fault is the earlier block's, not this byte's.
    std::optional<AddressSpan> pending = BufferedBlock();
    lostBlock_.reset();
    if (!lost_ && address <= 0xFFFF && Checked(link_.C2BufferedWrite(address, value)))
        return true;
    if (pending && (address < pending->First || address > (pending->First | 0xFF)))
        lostBlock_ = pending;
    return false;
}

std::optional<uint32_t> C2FlashLink::EndFlashAccess()
{
    // The block still buffered goes out now; if the part refuses it, its
    // bytes are lost and its base is what the caller reports.
    std::optional<AddressSpan> pending = BufferedBlock();
    uint32_t pendingBase = link_.WriteBufferBase();
    bool flushed = lost_ ? link_.WriteBufferCount() == 0 : Checked(link_.C2FlushWriteBuffer());
    link_.EmptyReadCache();
    link_.ClearWriteBuffer();
    lostBlock_.reset();
    if (flushed)
        return std::nullopt;
    lostBlock_ = pending;
    return pendingBase;
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
