#include "sim/JtagDevice.h"

#include <algorithm>

namespace vorbrant::sim {

namespace {
constexpr uint64_t Mask(int bits) { return bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1; }
constexpr uint16_t IdCodeInstruction = 0x004;
constexpr uint8_t ConRead = 0x0F;
constexpr uint8_t ConWrite = 0x10;
constexpr uint8_t ConErase = 0x20;
constexpr uint8_t ConScratch = 0x80;
constexpr uint8_t EraseKey = 0xA5;
constexpr uint32_t ScratchSectorBytes = 128;
} // namespace

const char* TapStateName(TapState state)
{
    static constexpr const char* Names[] = {
        "Test-Logic-Reset", "Run-Test/Idle", "Select-DR-Scan", "Capture-DR", "Shift-DR", "Exit1-DR", "Pause-DR",
        "Exit2-DR", "Update-DR", "Select-IR-Scan", "Capture-IR", "Shift-IR", "Exit1-IR", "Pause-IR", "Exit2-IR",
        "Update-IR"};
    return Names[static_cast<size_t>(state)];
}

JtagDevice::JtagDevice(const SimDeviceConfig& config, const Derivative* part, FlashArray* flash, SimClock& clock,
                       ViolationLog& log, int position)
    : part_(part), flash_(flash), clock_(clock), log_(log), position_(position), busyFault_(config.Busy), busyUntilNs_(uint64_t{config.BusyMs} * 1000000)
{
    if (part_) {
        irLength_ = 16;
        idCode_ = JtagIdCode(*part_, config.Revision.value_or(part_->Revision));
        hasIdCode_ = true;
        name_ = config.Name.empty() ? part_->Name : config.Name;
    } else {
        irLength_ = config.IrLength;
        idCode_ = config.IdCode.value_or(0);
        hasIdCode_ = config.IdCode.has_value();
        name_ = config.Name.empty() ? "generic" : config.Name;
    }
    name_ = "device " + std::to_string(position_) + " (" + name_ + ")";
    ResetTap();
}

void JtagDevice::ResetTap()
{
    // Test-Logic-Reset selects IDCODE (BYPASS on a device without one).
    instruction_ = hasIdCode_ ? (part_ ? 0x1000u | IdCodeInstruction : static_cast<uint32_t>(Mask(irLength_)))
                              : static_cast<uint32_t>(Mask(irLength_));
    Select();
    if (!part_ && hasIdCode_) {
        selected_ = Selected::IdCode;
        drLength_ = 32;
    }
}

void JtagDevice::Select()
{
    selected_ = Selected::Bypass;
    drLength_ = 1;
    if (!part_)
        return; // a generic device knows only BYPASS once an instruction is loaded
    const uint16_t low = instruction_ & 0xFFF;
    const uint16_t state = instruction_ & 0xF000;
    if (low == IdCodeInstruction) {
        selected_ = Selected::IdCode;
        drLength_ = 32;
    } else if ((low >= RegFlashCon && low <= RegFlashScl && state == part_->FlashRegBase) ||
               (low == RegF12xSetup && part_->FlashRegBase == 0x3000 && state == 0x3000)) {
        selected_ = Selected::Indirect;
        indirectReg_ = low;
        drLength_ = 64; // takes scans of any length; the last bits in decide
    }
}

void JtagDevice::CaptureDr()
{
    drCount_ = 0;
    switch (selected_) {
    case Selected::Bypass: dr_ = 0; break;
    case Selected::IdCode: dr_ = idCode_; break;
    case Selected::Indirect:
        dr_ = (uint64_t{readout_} << 1) | (clock_.Now() < indirectBusyUntil_ ? 1u : 0u);
        break;
    }
}

void JtagDevice::UpdateIr()
{
    instruction_ = static_cast<uint32_t>(irShift_ & Mask(irLength_));
    Select();
}

uint16_t JtagDevice::RegisterWidth(uint16_t reg) const
{
    switch (reg) {
    case RegFlashAdr: return part_->FlashAdrBits;
    case RegF12xSetup: return 17;
    default: return 8;
    }
}

bool JtagDevice::AcceptsWriteLength(uint16_t reg, int dataBits) const
{
    return dataBits == RegisterWidth(reg);
}

bool JtagDevice::AcceptsReadLength(uint16_t reg, int length) const
{
    if (length == 1)
        return true; // busy poll
    switch (reg) {
    case RegFlashDat: return length == 3 || length == 11; // status only, or status and data
    default: return length == RegisterWidth(reg) + 1;
    }
}

void JtagDevice::Violation(const char* kind, const std::string& detail)
{
    log_.Add(kind, clock_.Now(), name_ + ": " + detail);
}

void JtagDevice::UpdateDr(int length)
{
    if (selected_ != Selected::Indirect)
        return;
    const uint16_t reg = indirectReg_;
    uint64_t value = 0;
    unsigned code = 0;
    if (length >= 1) {
        int bits = length > 64 ? 64 : length;
        value = bits == 64 ? dr_ : dr_ >> (64 - bits);
        code = length >= 2 ? static_cast<unsigned>(value >> (bits - 2)) & 3u : 0u;
    } else {
        code = static_cast<unsigned>(dr_ >> 62);
    }
    auto what = [&] {
        static constexpr char Digits[] = "0123456789ABCDEF";
        std::string text = "register 0x";
        text += Digits[(reg >> 8) & 0xF];
        text += Digits[(reg >> 4) & 0xF];
        text += Digits[reg & 0xF];
        return text + ", " + std::to_string(length) + " bits";
    };
    if (length == 0) {
        Violation("JTAG data scan of a length the device does not accept", "empty scan of " + what());
        return;
    }
    if (code == 3) { // write
        const int dataBits = length >= 2 ? length - 2 : RegisterWidth(reg);
        if (length >= 0 && !AcceptsWriteLength(reg, dataBits)) {
            Violation("JTAG data scan of a length the device does not accept", "write to " + what());
            return;
        }
        uint32_t data = length >= 2 ? static_cast<uint32_t>(value & Mask(dataBits))
                                    : static_cast<uint32_t>((dr_ >> (62 - dataBits)) & Mask(dataBits));
        WriteIndirect(reg, data);
    } else if (code == 2) { // read request
        if (length >= 0 && length != 2) {
            Violation("JTAG data scan of a length the device does not accept", "read request to " + what());
            return;
        }
        ReadRequest(reg);
    } else if (length >= 0 && !AcceptsReadLength(reg, length)) {
        Violation("JTAG data scan of a length the device does not accept", "poll of " + what());
    }
}

void JtagDevice::WriteIndirect(uint16_t reg, uint32_t data)
{
    indirectBusyUntil_ = clock_.Now() + JtagTiming::IndirectNs;
    switch (reg) {
    case RegFlashCon: flashCon_ = static_cast<uint8_t>(data); break;
    case RegFlashAdr: flashAdr_ = data & static_cast<uint32_t>(Mask(part_->FlashAdrBits)); break;
    case RegFlashScl: flashScl_ = static_cast<uint8_t>(data); break;
    case RegF12xSetup: setup_ = data; break;
    case RegFlashDat:
        if (flashCon_ & ConErase)
            EraseFlash(static_cast<uint8_t>(data));
        else if (flashCon_ & ConWrite)
            ProgramFlashByte(static_cast<uint8_t>(data));
        break;
    default: break;
    }
}

void JtagDevice::ReadRequest(uint16_t reg)
{
    indirectBusyUntil_ = clock_.Now() + JtagTiming::IndirectNs;
    switch (reg) {
    case RegFlashDat:
        // Returns the result of the last flash read and starts the next one.
        readout_ = FlashStatus();
        if ((flashCon_ & ConRead) && !(flashCon_ & (ConWrite | ConErase)) && !FlashBusy())
            StartFlashRead();
        break;
    case RegFlashCon: readout_ = flashCon_; break;
    case RegFlashAdr: readout_ = flashAdr_; break;
    case RegFlashScl: readout_ = flashScl_; break;
    case RegF12xSetup: readout_ = setup_; break;
    default: readout_ = 0; break;
    }
}

bool JtagDevice::FlashBusy() const
{
    return busyFault_ || clock_.Now() < busyUntilNs_ || clock_.Now() < flashBusyUntil_;
}

uint16_t JtagDevice::FlashStatus() const
{
    return static_cast<uint16_t>(uint32_t{flashData_} << 2 | (flashFail_ ? 2u : 0u) | (FlashBusy() ? 1u : 0u));
}

int64_t JtagDevice::CellIndex(uint32_t address, bool scratchArea) const
{
    const uint32_t scratch = part_->ScratchpadBytes;
    if (scratchArea)
        return address < scratch ? int64_t{flash_->CodeBytes()} + address : -1;
    if (address <= part_->ReadableEnd)
        return address;
    // Parts of up to 32 KB show the scratchpad right above the code flash.
    if (part_->FlashBytes <= 32768 && address >= part_->FlashBytes && address < part_->FlashBytes + scratch)
        return int64_t{flash_->CodeBytes()} + (address - part_->FlashBytes);
    return -1;
}

bool JtagDevice::ReadLocked(uint32_t address) const
{
    // The lock bytes themselves stay readable and programmable, so a part can
    // always be inspected and locked further.
    if (address == part_->LockAddress || address == part_->LockAddress - 1)
        return false;
    uint32_t block = address / (part_->FlashBytes / part_->LockBlocks);
    return block < part_->LockBlocks && !((flash_->Bytes[part_->LockAddress] >> block) & 1u);
}

bool JtagDevice::WriteLocked(uint32_t address) const
{
    if (address == part_->LockAddress || address == part_->LockAddress - 1)
        return false;
    uint32_t block = address / (part_->FlashBytes / part_->LockBlocks);
    return block < part_->LockBlocks && !((flash_->Bytes[part_->LockAddress - 1] >> block) & 1u);
}

void JtagDevice::StartFlashRead()
{
    const bool scratch = (flashCon_ & ConScratch) != 0;
    const int64_t index = CellIndex(flashAdr_, scratch);
    if (index < 0 || (index < flash_->CodeBytes() && ReadLocked(flashAdr_))) {
        flashFail_ = true;
        flashData_ = 0x00;
    } else {
        flashFail_ = false;
        flashData_ = flash_->Bytes[static_cast<size_t>(index)];
    }
    flashBusyUntil_ = clock_.Now() + JtagTiming::FlashReadNs;
    flashAdr_ = (flashAdr_ + 1) & static_cast<uint32_t>(Mask(part_->FlashAdrBits));
}

void JtagDevice::ProgramFlashByte(uint8_t value)
{
    const bool scratch = (flashCon_ & ConScratch) != 0;
    const int64_t index = CellIndex(flashAdr_, scratch);
    flashFail_ = index < 0 || (index < flash_->CodeBytes() && WriteLocked(flashAdr_)) ||
                 !flash_->Program(static_cast<uint32_t>(index), value);
    flashBusyUntil_ = clock_.Now() + JtagTiming::ByteWriteNs;
    flashAdr_ = (flashAdr_ + 1) & static_cast<uint32_t>(Mask(part_->FlashAdrBits));
}

void JtagDevice::EraseFlash(uint8_t key)
{
    const uint64_t now = clock_.Now();
    flashFail_ = false;
    if (key != EraseKey) {
        flashFail_ = true;
        flashBusyUntil_ = now + JtagTiming::IndirectNs;
        return;
    }
    const bool scratch = (flashCon_ & ConScratch) != 0;
    const uint32_t scratchBytes = flash_->ScratchpadBytes();
    // The scratchpad erases in sectors of 128 bytes (the 256 bytes of the
    // F12x/F13x are two of them): the low bits of the address pick one.
    auto eraseScratchSector = [&](uint32_t offset) {
        const uint32_t sector = offset % scratchBytes / ScratchSectorBytes * ScratchSectorBytes;
        flash_->Erase(flash_->CodeBytes() + sector, std::min(ScratchSectorBytes, scratchBytes - sector));
    };
    if (scratch) {
        if (scratchBytes == 0)
            flashFail_ = true;
        else
            eraseScratchSector(flashAdr_);
        flashBusyUntil_ = now + JtagTiming::PageEraseNs;
        return;
    }
    if (flashAdr_ == part_->LockAddress) {
        // An erase at the read-lock byte erases the whole code flash.
        flash_->Erase(0, flash_->CodeBytes());
        flashBusyUntil_ = now + JtagTiming::ChipEraseNs;
        return;
    }
    const int64_t index = CellIndex(flashAdr_, false);
    if (index < 0) {
        flashFail_ = true;
    } else if (index >= flash_->CodeBytes()) {
        eraseScratchSector(static_cast<uint32_t>(index - flash_->CodeBytes()));
    } else {
        const uint32_t pageBytes = part_->PageBytes;
        const uint32_t page = flashAdr_ / pageBytes;
        // The page of the lock bytes can always be erased: that is how locks are undone.
        if (page != part_->LockAddress / pageBytes && WriteLocked(page * pageBytes))
            flashFail_ = true;
        else
            flash_->Erase(page * pageBytes, pageBytes);
    }
    flashBusyUntil_ = now + JtagTiming::PageEraseNs;
}

} // namespace vorbrant::sim
