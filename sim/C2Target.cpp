#include "sim/C2Target.h"

#include <algorithm>
#include <string>

namespace vorbrant::sim {

namespace {
constexpr uint8_t RegDeviceId = 0x00;
constexpr uint8_t RegRevId = 0x01;
constexpr uint8_t RegFpctl = 0x02;
constexpr uint8_t RegSfrPage = 0xA7;
constexpr uint8_t RegB4 = 0xB4;
constexpr uint8_t RegB5 = 0xB5;
constexpr uint8_t FpiVersion = 0x12;

std::string BlockText(uint32_t first, uint32_t count)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 12; shift >= 0; shift -= 4)
        text += Digits[(first >> shift) & 0xF];
    return text + ", " + std::to_string(count) + " bytes";
}
} // namespace

C2Target::C2Target(const Derivative& part, FlashArray& flash, const SimDeviceConfig& config, SimClock& clock,
                   ViolationLog& log)
    : part_(part), flash_(flash), clock_(clock), log_(log), busyFault_(config.Busy), busyUntilNs_(uint64_t{config.BusyMs} * 1000000),
      revision_(config.Revision.value_or(part.Revision))
{
}

uint64_t C2Target::Now() const { return clock_.Now(); }

bool C2Target::BusyFault() const { return busyFault_ || Now() < busyUntilNs_; }

void C2Target::Reset()
{
    phase_ = Phase::Idle;
    Output(false, true);
    address_ = 0;
    sfr_.fill(0);
    keyStep_ = 0;
    piEnabled_ = false;
    fpi_ = Fpi::Idle;
    outValid_ = false;
    inBusyUntil_ = 0;
    inBusyStuck_ = false;
}

uint8_t C2Target::Status() const
{
    uint64_t now = Now();
    uint8_t status = 0;
    if (outValid_ && !BusyFault() && now >= outReadyAt_)
        status |= 0x01; // OutReady
    if (inBusyStuck_ || now < inBusyUntil_)
        status |= 0x02; // InBusy
    if (now < flashBusyUntil_)
        status |= 0x80; // FLBusy
    return status;
}

void C2Target::Strobe(bool hostDrives, bool sample)
{
    const uint32_t bit = sample ? 1u : 0u;
    switch (phase_) {
    case Phase::Idle:
        // START: a strobe with C2D high. The part sees only the level; a
        // host that drives it high instead of releasing it is noted.
        if (sample) {
            if (hostDrives)
                log_.Add("C2 START with C2D driven by the host", Now());
            phase_ = Phase::Ins0;
        }
        break;
    case Phase::Ins0:
        ins_ = static_cast<uint8_t>(bit);
        phase_ = Phase::Ins1;
        break;
    case Phase::Ins1:
        ins_ |= static_cast<uint8_t>(bit << 1);
        count_ = 0;
        shift_ = 0;
        switch (ins_) {
        case 3: phase_ = Phase::AddressWriteBits; break;
        case 2: phase_ = Phase::AddressReadBits; break;
        case 1: write_ = true; phase_ = Phase::LengthBits; break;
        default: write_ = false; phase_ = Phase::LengthBits; break;
        }
        break;
    case Phase::AddressWriteBits:
        shift_ |= bit << count_;
        if (++count_ == 8)
            phase_ = Phase::Stop;
        break;
    case Phase::AddressReadBits:
        if (count_ == 0)
            shift_ = Status();
        Output(true, (shift_ >> count_) & 1u);
        if (++count_ == 8)
            phase_ = Phase::Stop;
        break;
    case Phase::LengthBits:
        shift_ |= bit << count_;
        if (++count_ == 2) {
            bytes_ = static_cast<uint8_t>(shift_ + 1);
            shift_ = 0;
            count_ = 0;
            phase_ = write_ ? Phase::DataWriteBits : Phase::ReadWait;
        }
        break;
    case Phase::DataWriteBits:
        shift_ |= bit << count_;
        if (++count_ == 8 * bytes_)
            phase_ = Phase::WriteWait;
        break;
    case Phase::WriteWait:
        // WAIT: 0 until the register has taken the data, then 1.
        if (WriteReady()) {
            for (uint8_t i = 0; i < bytes_; ++i)
                WriteRegister(static_cast<uint8_t>(shift_ >> (8 * i)));
            Output(true, true);
            phase_ = Phase::Stop;
        } else {
            Output(true, false);
        }
        break;
    case Phase::ReadWait:
        if (ReadReady()) {
            shift_ = 0;
            for (uint8_t i = 0; i < bytes_; ++i)
                shift_ |= uint32_t{ReadRegister()} << (8 * i);
            count_ = 0;
            Output(true, true);
            phase_ = Phase::DataReadBits;
        } else {
            Output(true, false);
        }
        break;
    case Phase::DataReadBits:
        Output(true, (shift_ >> count_) & 1u);
        if (++count_ == 8 * bytes_)
            phase_ = Phase::Stop;
        break;
    case Phase::Stop:
        if (hostDrives)
            log_.Add("C2 STOP with C2D driven by the host", Now());
        if (ins_ == 3)
            address_ = static_cast<uint8_t>(shift_);
        Output(false, true);
        phase_ = Phase::Idle;
        break;
    }
}

bool C2Target::WriteReady() const
{
    if (address_ == part_.FpdatAddress && piEnabled_)
        return !(inBusyStuck_ || Now() < inBusyUntil_);
    return true;
}

bool C2Target::ReadReady() const
{
    if (address_ == part_.FpdatAddress && piEnabled_ && Now() >= piReadyAt_) {
        if (BusyFault())
            return false;
        return !outValid_ || Now() >= outReadyAt_;
    }
    return true;
}

void C2Target::WriteRegister(uint8_t value)
{
    if (address_ == part_.FpdatAddress) {
        if (!piEnabled_) {
            log_.Add("FPI command before the programming interface was enabled", Now());
            return;
        }
        if (Now() < piReadyAt_) {
            log_.Add("FPI command before the programming interface settled", Now());
            return;
        }
        FpiWrite(value);
        return;
    }
    switch (address_) {
    case RegDeviceId:
    case RegRevId:
        return; // read-only
    case RegFpctl:
        WriteFpctl(value);
        return;
    default:
        sfr_[address_] = value;
    }
}

uint8_t C2Target::ReadRegister()
{
    if (address_ == part_.FpdatAddress)
        return (piEnabled_ && Now() >= piReadyAt_) ? FpiRead() : fpdat_;
    switch (address_) {
    case RegDeviceId:
        return static_cast<uint8_t>(part_.DeviceCode);
    case RegRevId:
        return revision_;
    case RegFpctl:
        return 0;
    default:
        break;
    }
    if ((part_.SecurityReg == SecurityRegister::B5 && address_ == RegB5) ||
        (part_.SecurityReg == SecurityRegister::B4 && address_ == RegB4) ||
        (part_.SecurityReg == SecurityRegister::PagedB5 && address_ == RegB5 && sfr_[RegSfrPage] == 1))
        return SecurityRegisterValue();
    return sfr_[address_];
}

void C2Target::WriteFpctl(uint8_t value)
{
    // Unlock keys after a reset: 0x02, 0x01, or 0x02, 0x04, 0x01.
    bool enable = false;
    if (keyStep_ == 1 && value == 0x04) {
        keyStep_ = 2;
        return;
    }
    if ((keyStep_ == 1 || keyStep_ == 2) && value == 0x01)
        enable = true;
    keyStep_ = value == 0x02 ? 1 : 0;
    if (enable && !piEnabled_) {
        piEnabled_ = true;
        piReadyAt_ = Now() + C2Timing::SettleNs;
        fpi_ = Fpi::Idle;
        outValid_ = false;
    }
}

uint32_t C2Target::LockedPages() const { return static_cast<uint8_t>(~LockByte()); }

bool C2Target::CanRead(uint32_t address) const
{
    if (address > part_.ReadableEnd)
        return false;
    if (part_.Lock == LockKind::F30xNibbles) {
        // The read/write lock nibble leaves only the lock byte itself readable.
        if ((LockByte() & 0x0F) != 0x0F)
            return address == part_.LockAddress;
        return true;
    }
    uint32_t locked = LockedPages();
    if (locked == 0)
        return true;
    uint32_t page = address / part_.PageBytes;
    return page >= locked && page != part_.LockAddress / part_.PageBytes;
}

C2Target::BlockCheck C2Target::CheckReadBlock(uint32_t first, uint32_t count) const
{
    // A block is refused as a whole when any of its bytes cannot be read.
    // One whose first byte is unreadable is how a host asks whether an
    // address exists or is locked; one that starts on a readable byte and
    // runs on past the readable end or into a locked page asked for bytes
    // the part does not give.
    if (!CanRead(first))
        return BlockCheck::Refused;
    for (uint32_t a = first + 1; a < first + count; ++a) {
        if (a > part_.ReadableEnd)
            return BlockCheck::PastTheEnd;
        if (!CanRead(a))
            return BlockCheck::IntoLockedPage;
    }
    return BlockCheck::Accepted;
}

bool C2Target::CanWrite(uint32_t address) const
{
    if (address > part_.ReadableEnd)
        return false;
    if (part_.Lock == LockKind::F30xNibbles)
        return LockByte() == 0xFF;
    return CanRead(address);
}

bool C2Target::CanErasePage(uint32_t page) const
{
    // Page numbers count the part's own pages; one beyond the part (or in
    // its reserved area) is refused.
    if (page * part_.PageBytes > part_.ReadableEnd)
        return false;
    if (part_.Lock == LockKind::F30xNibbles)
        return LockByte() == 0xFF;
    return CanRead(page * part_.PageBytes);
}

uint8_t C2Target::SecurityRegisterValue() const
{
    if (part_.SecurityReg == SecurityRegister::PagedB5)
        return LockByte();
    // Holds the complement of (top page - locked pages); 0xFF when nothing is
    // locked. A count equal to the top page number reads as unlocked: the
    // register cannot show it.
    uint32_t top = (2 * (part_.FlashBytes / 1024) - 1) & 0xFF;
    uint32_t locked = LockedPages();
    if (locked == 0)
        return 0xFF;
    uint32_t distance = locked >= top ? 0 : top - locked;
    return static_cast<uint8_t>(~distance);
}

void C2Target::Respond(uint8_t value, uint64_t delayNs)
{
    outValid_ = true;
    outValue_ = value;
    outReadyAt_ = Now() + delayNs;
}

void C2Target::StartCommand(uint8_t command)
{
    outValid_ = false; // a new command overwrites a status nobody read
    opFailed_ = false;
    switch (command) {
    case 0x06: fpi_ = Fpi::ReadAddrHi; break;
    case 0x07: fpi_ = Fpi::WriteAddrHi; break;
    case 0x08: fpi_ = Fpi::ErasePageNumber; break;
    case 0x03: fpi_ = Fpi::EraseKey1; break;
    case 0x01: fpi_ = Fpi::VersionByte; break;
    case 0x02: fpi_ = Fpi::DerivativeByte; break;
    default:
        fpi_ = Fpi::Idle;
        Respond(FpiInvalidCommand, C2Timing::ResponseNs);
        return;
    }
    Respond(FpiOk, C2Timing::ResponseNs);
}

void C2Target::FpiWrite(uint8_t value)
{
    const uint64_t now = Now();
    inBusyUntil_ = now + C2Timing::AcceptNs;
    if (BusyFault())
        inBusyStuck_ = true;
    switch (fpi_) {
    case Fpi::ReadAddrHi:
    case Fpi::WriteAddrHi:
        opAddress_ = uint32_t{value} << 8;
        fpi_ = fpi_ == Fpi::ReadAddrHi ? Fpi::ReadAddrLo : Fpi::WriteAddrLo;
        return;
    case Fpi::ReadAddrLo:
    case Fpi::WriteAddrLo:
        opAddress_ |= value;
        fpi_ = fpi_ == Fpi::ReadAddrLo ? Fpi::ReadLength : Fpi::WriteLength;
        return;
    case Fpi::ReadLength: {
        opRemaining_ = value == 0 ? 256 : value;
        const BlockCheck check = CheckReadBlock(opAddress_, opRemaining_);
        if (check == BlockCheck::Accepted) {
            Respond(FpiOk, C2Timing::ResponseNs);
            fpi_ = Fpi::ReadStream; // the bytes follow once the status is read
            return;
        }
        if (check != BlockCheck::Refused)
            log_.Add(check == BlockCheck::PastTheEnd ? "C2 block read past the readable end"
                                                     : "C2 block read into a locked page",
                     now, BlockText(opAddress_, opRemaining_));
        Respond(FpiRefused, C2Timing::ResponseNs);
        fpi_ = Fpi::Idle;
        return;
    }
    case Fpi::WriteLength: {
        opRemaining_ = value == 0 ? 256 : value;
        bool writable = true;
        for (uint32_t a = opAddress_; a < opAddress_ + opRemaining_ && writable; ++a)
            writable = CanWrite(a);
        Respond(writable ? FpiOk : FpiRefused, C2Timing::ResponseNs);
        fpi_ = writable ? Fpi::WriteStream : Fpi::Idle;
        return;
    }
    case Fpi::WriteStream: {
        // FPDAT holds one byte in front of the flash: the interface takes it
        // (InBusy clears) once the byte before it is programmed, and then
        // programs it while the host sends the next.
        const uint64_t accepted = std::max(now + C2Timing::AcceptNs, flashBusyUntil_);
        if (!flash_.Program(opAddress_, value))
            opFailed_ = true;
        ++opAddress_;
        inBusyUntil_ = accepted;
        flashBusyUntil_ = accepted + C2Timing::ByteWriteNs;
        if (--opRemaining_ == 0) {
            Respond(opFailed_ ? FpiFlashError : FpiOk, flashBusyUntil_ - now);
            fpi_ = Fpi::Idle;
        }
        return;
    }
    case Fpi::ErasePageNumber:
        opAddress_ = uint32_t{value} * part_.PageBytes;
        if (CanErasePage(value)) {
            Respond(FpiOk, C2Timing::ResponseNs);
            fpi_ = Fpi::ErasePageGo;
        } else {
            Respond(FpiRefused, C2Timing::ResponseNs);
            fpi_ = Fpi::Idle;
        }
        return;
    case Fpi::ErasePageGo:
        fpi_ = Fpi::Idle;
        if (value != 0) {
            Respond(FpiRefused, C2Timing::ResponseNs);
            return;
        }
        flash_.Erase(opAddress_, part_.PageBytes);
        flashBusyUntil_ = now + C2Timing::PageEraseNs;
        Respond(FpiOk, C2Timing::PageEraseNs);
        return;
    case Fpi::EraseKey1:
    case Fpi::EraseKey2:
        keys_[fpi_ == Fpi::EraseKey1 ? 0 : 1] = value;
        fpi_ = fpi_ == Fpi::EraseKey1 ? Fpi::EraseKey2 : Fpi::EraseKey3;
        return;
    case Fpi::EraseKey3:
        keys_[2] = value;
        fpi_ = Fpi::Idle;
        if (keys_[0] != 0xDE || keys_[1] != 0xAD || keys_[2] != 0xA5) {
            Respond(FpiRefused, C2Timing::ResponseNs);
            return;
        }
        flash_.Erase(0, flash_.CodeBytes());
        flashBusyUntil_ = now + C2Timing::DeviceEraseNs;
        Respond(FpiOk, C2Timing::DeviceEraseNs);
        return;
    case Fpi::Idle:
    case Fpi::ReadStream:
    case Fpi::VersionByte:
    case Fpi::DerivativeByte:
        StartCommand(value);
        return;
    }
}

uint8_t C2Target::FpiRead()
{
    if (!outValid_ || BusyFault() || Now() < outReadyAt_)
        return fpdat_;
    fpdat_ = outValue_;
    outValid_ = false;
    ProduceNext();
    return fpdat_;
}

void C2Target::ProduceNext()
{
    switch (fpi_) {
    case Fpi::ReadStream: {
        // Bytes past the readable end read as 0xFF.
        uint8_t value = 0xFF;
        if (opAddress_ < flash_.CodeBytes() && CanRead(opAddress_))
            value = flash_.Bytes[opAddress_];
        ++opAddress_;
        Respond(value, C2Timing::ByteReadNs);
        if (--opRemaining_ == 0)
            fpi_ = Fpi::Idle;
        return;
    }
    case Fpi::VersionByte:
        Respond(FpiVersion, C2Timing::ResponseNs);
        fpi_ = Fpi::Idle;
        return;
    case Fpi::DerivativeByte:
        Respond(static_cast<uint8_t>(part_.DeviceCode), C2Timing::ResponseNs);
        fpi_ = Fpi::Idle;
        return;
    default:
        return;
    }
}

} // namespace vorbrant::sim
