// Flash blocks as one batch each, for adapters that answer reads only at a
// flush (USB). Reads: the run is opened and the rest of the 256-byte block
// fetched, each FLASHDAT read given idle clocks for the part's access
// instead of busy polls. Writes: a block of consecutive bytes is collected
// and sent with a status read after each byte. What came back is checked;
// a byte the part did not answer in time is done again the polled way.
#include "target/JtagFlashLink.h"

#include "target/JtagInstructions.h"
#include "target/JtagLink.h"

#include <algorithm>

namespace vorbrant {

namespace {
using JtagIr::BusyBit;
using JtagIr::FailBit;
using JtagIr::FlashAdr;
using JtagIr::FlashCon;
using JtagIr::FlashDat;
using JtagIr::FlashScl;
using JtagIr::ReadControl;
using JtagIr::WriteControl;
// Idle clocks at the adapter's clock (2 MHz: 0.5 us each): a register
// access takes the part a few microseconds, a byte's programming 40 to
// 70 us (the scans around it add some 20 us).
constexpr int RegisterIdleClocks = 10;
constexpr int ReadIdleClocks = 8; // with the scans' own clocks: 5 us from the op to the capture
constexpr int WriteIdleClocks = 100;
} // namespace

ReadTicket JtagFlashLink::QueueRegister(uint8_t code, uint32_t data, int width, int idleClocks)
{
    return link_.QueueWriteIndirect(FlashRegister(code), data, width, idleClocks);
}

bool JtagFlashLink::QueueOpenRun(uint32_t address, uint8_t control, std::vector<ReadTicket>& polls)
{
    polls.push_back(QueueRegister(FlashScl, 0x85, 8, RegisterIdleClocks));
    polls.push_back(QueueRegister(FlashAdr, address, chip_.FlashAdrBits, RegisterIdleClocks));
    polls.push_back(QueueRegister(FlashCon, control, 8, RegisterIdleClocks));
    return true;
}

std::optional<uint8_t> JtagFlashLink::ReadAhead(uint32_t address, uint8_t areaFlags)
{
    if (aheadCount_ && areaFlags == aheadFlags_ && address >= aheadBase_ && address - aheadBase_ < aheadCount_)
        return ahead_[address - aheadBase_];
    const uint32_t count = 256 - (address & 0xFF);
    std::vector<ReadTicket> polls;
    QueueOpenRun(address, static_cast<uint8_t>(areaFlags | ReadControl), polls);
    // The first FLASHDAT read starts the stream; each one after it returns
    // a byte and starts the next.
    link_.QueueReadIndirect(FlashRegister(FlashDat), 0, RegisterIdleClocks);
    std::vector<ReadTicket> reads(count);
    for (ReadTicket& t : reads)
        t = link_.QueueReadIndirect(FlashRegister(FlashDat), 10, ReadIdleClocks);
    link_.Flush();
    FlashStreamOpen = false; // the polled way opens its own run
    aheadBase_ = address;
    aheadFlags_ = areaFlags;
    aheadCount_ = 0;
    if (std::any_of(polls.begin(), polls.end(), [&](ReadTicket t) { return link_.Level(t); }))
        return std::nullopt;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t raw = link_.Bits(reads[i], 11);
        const uint32_t r = raw >> 1;
        if ((raw & 1) != 0 || (r & (BusyBit | FailBit)) != 0)
            break; // not ready in time, or refused: the polled way tells
        ahead_[i] = static_cast<uint8_t>(r >> 2);
        ++aheadCount_;
    }
    if (aheadCount_ == 0)
        return std::nullopt;
    return ahead_[0];
}

bool JtagFlashLink::WriteBehind(uint32_t address, uint8_t value, uint8_t areaFlags)
{
    lostBlock_.reset();
    const bool continues = behindCount_ && areaFlags == behindFlags_ && address == behindBase_ + behindCount_ &&
                           (address & 0xFF) != 0;
    if (behindCount_ && !continues && !SendWriteBlock())
        return false;
    if (behindCount_ == 0) {
        behindBase_ = address;
        behindFlags_ = areaFlags;
    }
    behind_[behindCount_++] = value;
    // A full block goes out at once.
    if (((address + 1) & 0xFF) == 0)
        return SendWriteBlock();
    return true;
}

bool JtagFlashLink::SendWriteBlock()
{
    const uint32_t base = behindBase_, count = behindCount_;
    const uint8_t flags = behindFlags_;
    behindCount_ = 0;
    if (count == 0)
        return true;
    std::vector<ReadTicket> polls, status(count);
    QueueOpenRun(base, static_cast<uint8_t>(flags | WriteControl), polls);
    for (uint32_t i = 0; i < count; ++i) {
        polls.push_back(QueueRegister(FlashDat, behind_[i], 8, WriteIdleClocks));
        status[i] = link_.QueueReadIndirect(FlashRegister(FlashDat), 2, RegisterIdleClocks);
    }
    link_.Flush();
    FlashStreamOpen = false;
    uint32_t done = 0;
    const bool opened = std::none_of(polls.begin(), polls.begin() + 3, [&](ReadTicket t) { return link_.Level(t); });
    for (; opened && done < count; ++done) {
        const uint32_t raw = link_.Bits(status[done], 3);
        if (link_.Level(polls[3 + done]) || (raw & 1) != 0 || ((raw >> 1) & BusyBit) != 0)
            break; // not answered in time: from here on the polled way
        if (((raw >> 1) & FailBit) != 0) {
            lostBlock_ = AddressSpan{base + done, base + count - 1};
            return false; // the part refused this byte
        }
    }
    // The bytes the batch did not confirm, again and one by one (NOR flash
    // takes the same value twice).
    polled_ = true;
    bool ok = true;
    for (uint32_t i = done; i < count && ok; ++i) {
        if (i == done)
            FlashStreamOpen = false;
        ok = WriteFlashByte(base + i, behind_[i], flags);
        if (!ok)
            lostBlock_ = AddressSpan{base + i, base + count - 1};
    }
    polled_ = false;
    return ok;
}

} // namespace vorbrant
