#include "security/LockBytes.h"

#include "security/SecurityTexts.h"

#include "common/Text.h"

#include <algorithm>

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

uint32_t SecurityPageBytes(const ChipInfo& chip) { return chip.PageSize != 0 ? chip.PageSize : 512u; }

uint8_t HighestSecurityPages(const ChipInfo& chip)
{
    return static_cast<uint8_t>(std::min<uint32_t>(chip.LockByteAddress / SecurityPageBytes(chip), 0xFF));
}

uint16_t ProtectedBytes(uint8_t pages, uint32_t pageBytes)
{
    return static_cast<uint16_t>(pages * pageBytes);
}

std::string SecuredRangeText(uint8_t pages, uint32_t pageBytes)
{
    uint16_t bytes = ProtectedBytes(pages, pageBytes);
    if (bytes == 0)
        return DeviceUnprotectedText;
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
