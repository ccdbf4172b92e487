// Flash operations of both links: byte reads and writes in sequential runs,
// page, lock-page and chip erase, the scratchpad erase and the end of a run.
#include "target/C2Link.h"
#include "target/JtagLink.h"
#include "target/Target.h"

namespace vorbrant {

namespace {

constexpr uint8_t FlashCon = 0x82;
constexpr uint8_t FlashDat = 0x83;
constexpr uint8_t FlashAdr = 0x84;
constexpr uint8_t FlashScl = 0x85;

constexpr uint8_t ReadControl = 0x01;
constexpr uint8_t WriteControl = 0x10;
constexpr uint8_t EraseControl = 0x20;

constexpr uint32_t BusyBit = 0x01;
constexpr uint32_t FailBit = 0x02;

} // namespace

Target::Target(Adapter& adapter, Clock& clock, Operator& op, const JtagChainList& chain)
    : adapter_(adapter), clock_(clock), operator_(op), chain_(chain),
      c2_(std::make_unique<C2Link>(adapter, clock, Chip)), jtag_(std::make_unique<JtagLink>(adapter, clock, chain))
{
}

Target::~Target() = default;

void Target::SetChainPosition(uint8_t position)
{
    jtag_->SetChainPosition(position);
}

bool Target::OpenJtagRun(uint32_t address, uint8_t control)
{
    JtagLink& j = *jtag_;
    return j.JtagWriteIndirect(FlashRegister(FlashScl), 0x85, 8)
        && j.JtagWriteIndirect(FlashRegister(FlashAdr), address, FlashAddressWidth())
        && j.JtagWriteIndirect(FlashRegister(FlashCon), control, 8);
}

bool Target::PollFlashData(int width, uint64_t limitMs, uint32_t& result)
{
    uint64_t start = clock_.NowNs();
    for (;;) {
        if (!jtag_->JtagReadIndirect(FlashRegister(FlashDat), width, result))
            return false; // the register never answered: no data, not a 0
        if ((result & BusyBit) == 0)
            return true;
        if (clock_.NowNs() - start > limitMs * 1000000u)
            return false;
    }
}

bool Target::ReadFlashByte(uint32_t address, uint8_t& value, uint8_t areaFlags)
{
    if (Chip.C2Mode) {
        // C2 addresses are 16 bits wide: a wider one would wrap onto the
        // wrong byte (and outside the cache).
        if (address > 0xFFFF || !c2_->C2BlockRead(static_cast<uint16_t>(address), 256))
            return false;
        value = c2_->CachedByte(address);
        return true;
    }
    if (!FlashStreamOpen) {
        uint32_t ignored = 0;
        if (!OpenJtagRun(address, static_cast<uint8_t>(areaFlags | ReadControl))
            || !jtag_->JtagReadIndirect(FlashRegister(FlashDat), 0, ignored))
            return false;
        FlashStreamOpen = true;
    }
    uint32_t r = 0;
    if (!PollFlashData(10, FlashBusyLimitMs, r))
        return false;
    value = static_cast<uint8_t>(r >> 2);
    return (r & FailBit) == 0;
}

bool Target::WriteFlashByte(uint32_t address, uint8_t value, uint8_t areaFlags)
{
    if (Chip.C2Mode)
        return address <= 0xFFFF && c2_->C2BufferedWrite(address, value);
    if (!FlashStreamOpen) {
        if (!OpenJtagRun(address, static_cast<uint8_t>(areaFlags | WriteControl)))
            return false;
        FlashStreamOpen = true;
    }
    if (!jtag_->JtagWriteIndirect(FlashRegister(FlashDat), value, 8))
        return false;
    uint32_t r = 0;
    return PollFlashData(2, FlashBusyLimitMs, r) && (r & FailBit) == 0;
}

bool Target::JtagErasePageWithin(uint32_t address, uint8_t areaFlags, uint64_t limitMs)
{
    JtagLink& j = *jtag_;
    bool sent = j.JtagWriteIndirect(FlashRegister(FlashScl), 0x85, 8)
        && j.JtagWriteIndirect(FlashRegister(FlashCon), static_cast<uint8_t>(areaFlags | EraseControl), 8)
        && j.JtagWriteIndirect(FlashRegister(FlashAdr), address, FlashAddressWidth())
        && j.JtagWriteIndirect(FlashRegister(FlashDat), 0xA5, 8);
    bool idle = j.JtagWriteIndirect(FlashRegister(FlashCon), 0, 8);
    if (!sent || !idle)
        return false;
    uint32_t r = 0;
    return PollFlashData(10, limitMs, r) && (r & FailBit) == 0;
}

bool Target::JtagErasePage(uint32_t address, uint8_t areaFlags)
{
    return JtagErasePageWithin(address, areaFlags, FlashBusyLimitMs);
}

bool Target::EraseFlash(uint8_t kind, uint32_t first, uint32_t last)
{
    bool result = false;
    switch (kind) {
    case ErasePages: {
        result = true;
        // 16-bit page numbers; the wider counter cannot wrap at page 0xFFFF.
        uint32_t firstPage = static_cast<uint16_t>(first / 512);
        uint32_t lastPage = static_cast<uint16_t>(last / 512);
        for (uint32_t page = firstPage; page <= lastPage; ++page) {
            bool erased = Chip.C2Mode ? c2_->C2PageErase(page * 512) : JtagErasePage(page * 512, 0);
            result = result && erased; // every page is attempted
        }
        break;
    }
    case EraseLockPage:
        result = Chip.C2Mode ? c2_->C2DeviceErase() : JtagErasePage(Chip.FlashEnd - 254, 0);
        break;
    case EraseChip:
        result = Chip.C2Mode ? c2_->C2DeviceErase() : JtagErasePageWithin(Chip.FlashEnd, 0, ChipEraseBusyLimitMs);
        break;
    default:
        result = false;
        break;
    }
    EndFlashAccess();
    return result;
}

bool Target::EraseScratchpad()
{
    if (Chip.C2Mode)
        return true; // C2 parts have no scratchpad
    bool result = false;
    switch (Chip.FlashSizeKB) {
    case 8: result = JtagErasePage(0x2000, 0); break;
    case 16: result = JtagErasePage(0x4000, 0); break;
    case 32: result = JtagErasePage(0x8000, 0); break;
    case 64: result = JtagErasePage(0x0000, 0x80); break;
    case 128: result = JtagErasePage(0x20400, 0x80); break;
    default: result = false; break;
    }
    EndFlashAccess();
    return result;
}

bool Target::EndFlashAccess()
{
    if (Chip.C2Mode) {
        bool flushed = c2_->C2FlushWriteBuffer();
        c2_->EmptyReadCache();
        c2_->ClearWriteBuffer(); // a failed flush drops the buffered bytes
        return flushed;
    }
    FlashStreamOpen = false;
    jtag_->JtagWriteIndirect(FlashRegister(FlashCon), 0, 8);
    return true;
}

} // namespace vorbrant
