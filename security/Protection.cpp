#include "security/Protection.h"

#include "common/Text.h"
#include "security/LockBytes.h"
#include "security/SecurityTexts.h"

namespace vorbrant {

namespace {

std::string Hex2(uint8_t value) { return Hex(value, 2); }

// "(block 0000-1FFFH locked)", "(blocks 0000-1FFFH, 2000-3FFFH locked)", "(none)".
std::string LockedBlocks(const ChipInfo& chip, uint8_t lockByte)
{
    std::vector<std::string> blocks;
    for (int bit = 0; bit < LockBlockCount(chip); ++bit)
        if (((lockByte >> bit) & 1) == 0)
            blocks.push_back(BlockRangeText(chip, bit));
    if (blocks.empty())
        return "(none)";
    std::string text = blocks.size() == 1 ? "(block " : "(blocks ";
    for (size_t i = 0; i < blocks.size(); ++i)
        text += (i ? ", " : "") + blocks[i];
    return text + " locked)";
}

const char* SetOrClear(bool set) { return set ? "set" : "clear"; }

// Pages 0..n-1 refuse reads, the pages from n up to the lock byte's page
// read: n is the first page that reads (all pages below the lock byte's page
// when none does). False when page 0 reads, which is no lock that hides the
// lock byte: that byte failed for another reason.
bool CountLockedPagesByReads(Target& dev, uint8_t& pages)
{
    const uint32_t pageBytes = SecurityPageBytes(dev.Chip);
    uint32_t first = 0;
    uint32_t last = HighestSecurityPages(dev.Chip);
    while (first < last) {
        const uint32_t middle = (first + last) / 2;
        if (dev.ReadsAt(middle * pageBytes))
            last = middle;
        else
            first = middle + 1;
    }
    pages = static_cast<uint8_t>(first);
    return first != 0;
}

} // namespace

std::optional<Protection> ReadProtection(Target& dev)
{
    Protection protection;
    protection.Kind = dev.Chip.Security;
    FlashLink& flash = dev.Flash();
    uint8_t value = 0;
    switch (protection.Kind) {
    case SecurityAccess::C2PageCount:
    case SecurityAccess::F30xNibbles:
        if (!flash.ReadLockByte(LockByte::Security, value)) {
            const bool countable = protection.Kind == SecurityAccess::C2PageCount && !dev.Chip.IdentifiedLocked &&
                                   dev.Chip.FlashEnd != 0;
            if (countable && CountLockedPagesByReads(dev, protection.Pages)) {
                protection.CountedByReads = true;
                return protection;
            }
            return std::nullopt;
        }
        if (protection.Kind == SecurityAccess::C2PageCount)
            protection.Pages = value;
        else
            protection.F30xByte = static_cast<uint8_t>(~value);
        return protection;
    case SecurityAccess::JtagBlocks: {
        bool read = flash.ReadLockByte(LockByte::WriteEraseLock, protection.WriteEraseLock) &&
                    flash.ReadLockByte(LockByte::ReadLock, protection.ReadLock);
        // Two bytes of 0x00 cannot be told from a failed read.
        if (!read || (protection.ReadLock == 0 && protection.WriteEraseLock == 0))
            return std::nullopt;
        return protection;
    }
    }
    return std::nullopt;
}

std::vector<std::string> DescribeProtection(const ChipInfo& chip, const Protection& p)
{
    switch (p.Kind) {
    case SecurityAccess::C2PageCount: {
        if (p.Pages == 0)
            return {"Security: unprotected"};
        uint32_t end = uint32_t{p.Pages} * SecurityPageBytes(chip) - 1;
        return {"Security: " + std::to_string(p.Pages) + (p.Pages == 1 ? " page" : " pages") +
                " locked (0x0000-0x" + Hex(end, 4) + ")"};
    }
    case SecurityAccess::F30xNibbles:
        return {std::string("Security: read/write lock ") + SetOrClear((p.F30xByte & 0x0F) != 0x0F) + ", write lock " +
                SetOrClear((p.F30xByte & 0xF0) != 0xF0)};
    case SecurityAccess::JtagBlocks:
        return {"Read lock: " + Hex2(p.ReadLock) + " " + LockedBlocks(chip, p.ReadLock),
                "Write/erase lock: " + Hex2(p.WriteEraseLock) + " " + LockedBlocks(chip, p.WriteEraseLock)};
    }
    return {};
}

void KeepIdentity(ChipInfo& chip, const ChipInfo& before)
{
    if (before.FlashEnd != 0 && !before.IdentifiedLocked && chip.C2Mode == before.C2Mode &&
        chip.DeviceCode == before.DeviceCode)
        chip = before;
}

std::string CheckLockRequest(const ChipInfo& chip, const LockRequest& r, bool erasedFirst)
{
    const SecurityAccess kind = chip.Security;
    if (r.Pages && kind != SecurityAccess::C2PageCount)
        return "--lock-pages is for C2 parts that count locked pages; this " + chip.DerivativeName + " does not";
    if (r.F30xByte && kind != SecurityAccess::F30xNibbles)
        return "--lock-byte is for the C8051F30x family; this part is a " + chip.DerivativeName;
    if ((r.ReadLock || r.WriteEraseLock) && kind != SecurityAccess::JtagBlocks)
        return "--lock-read and --lock-write are for JTAG parts; this " + chip.DerivativeName + " is a C2 part";
    // A locked part shows as its family, not as itself: neither its pages
    // nor its lock byte's address are known, and its lock byte takes no
    // write before a chip erase anyway. The erase identifies it afresh.
    if (r.Any() && chip.IdentifiedLocked)
        return erasedFirst ? ""
                           : "a lock needs the part identified as itself; this one answers as " +
                                 chip.DerivativeName + ": erase it first (--chip-erase)";
    if (r.Pages && (*r.Pages < 0 || *r.Pages > HighestSecurityPages(chip)))
        return "--lock-pages=" + std::to_string(*r.Pages) + " is more than this part can lock (0 to " +
               std::to_string(HighestSecurityPages(chip)) + " pages of " + std::to_string(SecurityPageBytes(chip)) +
               " bytes below its lock byte's page)";
    return "";
}

bool WriteLockRequest(Target& dev, const LockRequest& r)
{
    FlashLink& flash = dev.Flash();
    bool written = true;
    if (r.Pages)
        written = flash.WriteLockByte(LockByte::Security, static_cast<uint8_t>(*r.Pages ^ 0xFF)) && written;
    if (r.F30xByte)
        written = flash.WriteLockByte(LockByte::Security, *r.F30xByte) && written;
    if (r.ReadLock)
        written = flash.WriteLockByte(LockByte::ReadLock, *r.ReadLock) && written;
    if (r.WriteEraseLock)
        written = flash.WriteLockByte(LockByte::WriteEraseLock, *r.WriteEraseLock) && written;
    return written;
}

Protection ExpectedProtection(const Protection& before, const LockRequest& r)
{
    Protection expected = before;
    if (r.Pages)
        expected.Pages = static_cast<uint8_t>(*r.Pages);
    if (r.F30xByte)
        expected.F30xByte = *r.F30xByte;
    if (r.ReadLock)
        expected.ReadLock = *r.ReadLock;
    if (r.WriteEraseLock)
        expected.WriteEraseLock = *r.WriteEraseLock;
    return expected;
}

std::string ProtectionText(const Protection& p)
{
    switch (p.Kind) {
    case SecurityAccess::C2PageCount: return std::to_string(p.Pages) + (p.Pages == 1 ? " page" : " pages");
    case SecurityAccess::F30xNibbles: return Hex2(p.F30xByte);
    case SecurityAccess::JtagBlocks: return "read " + Hex2(p.ReadLock) + ", write/erase " + Hex2(p.WriteEraseLock);
    }
    return "";
}

} // namespace vorbrant
