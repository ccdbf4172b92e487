#include "target/FlashLink.h"

namespace vorbrant {

bool FlashLink::EraseFlash(EraseKind kind, uint32_t first, uint32_t last)
{
    bool result = false;
    switch (kind) {
    case EraseKind::Pages: {
        result = true;
        // 16-bit page numbers; the wider counter cannot wrap at page 0xFFFF.
        uint32_t firstPage = static_cast<uint16_t>(first / chip_.PageSize);
        uint32_t lastPage = static_cast<uint16_t>(last / chip_.PageSize);
        for (uint32_t page = firstPage; page <= lastPage; ++page) {
            bool erased = EraseCodePage(page * chip_.PageSize);
            result = result && erased; // every page is attempted
        }
        break;
    }
    case EraseKind::LockPage: result = EraseLockPage(); break;
    case EraseKind::Chip: result = EraseChip(); break;
    }
    EndFlashAccess();
    return result;
}

} // namespace vorbrant
