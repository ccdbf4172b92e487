#include "security/LockBytes.h"

#include "common/Text.h"

namespace vorbrant {

SecurityDialog SecurityDialogFor(const ChipInfo& chip)
{
    switch (chip.Security) {
    case SecurityAccess::JtagBlocks: return SecurityDialog::SecurityBytes;
    case SecurityAccess::F30xNibbles: return SecurityDialog::F30xNibbles;
    case SecurityAccess::C2PageCount: return SecurityDialog::SecurityByte;
    }
    return SecurityDialog::SecurityByte;
}

uint8_t HighestSecurityPages(const ChipInfo& chip)
{
    return static_cast<uint8_t>(2 * chip.FlashSizeKB - 1);
}

uint16_t ProtectedBytes(uint8_t pages)
{
    return static_cast<uint16_t>(pages * SecurityPageBytes);
}

std::string SecuredRangeText(uint8_t pages)
{
    uint16_t bytes = ProtectedBytes(pages);
    if (bytes == 0)
        return "Device unprotected!";
    std::string end = Hex(static_cast<uint16_t>(bytes - 1), 4);
    if (end.front() >= 'A')
        end.insert(0, "0");
    return "Secured range 0-" + end + "H";
}

int LockBlockCount(const ChipInfo& chip) { return chip.SmallerVariant ? 4 : 8; }

uint32_t LockBlockSize(const ChipInfo& chip)
{
    return uint32_t{chip.FlashSizeKB} / static_cast<uint32_t>(LockBlockCount(chip)) * 1024u;
}

std::string BlockRangeText(const ChipInfo& chip, int bit)
{
    if (bit < 0 || bit >= LockBlockCount(chip))
        return "";
    uint32_t size = LockBlockSize(chip);
    uint32_t start = static_cast<uint32_t>(bit) * size;
    return Hex(start, 4) + "-" + Hex(start + size - 1, 4) + "H";
}

} // namespace vorbrant
