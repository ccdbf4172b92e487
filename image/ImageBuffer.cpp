#include "image/ImageBuffer.h"

#include "common/Text.h"

#include <algorithm>
#include <sys/mman.h>

namespace vorbrant {

namespace {

// A 4 MiB array filled with one value. Filling fresh memory page by page
// costs a page fault per 4 KiB, which is most of what a conversion of a full
// image spends; so the array asks for transparent huge pages first (where
// the system hands them out on request). Huge pages come only in whole,
// aligned 2 MiB blocks inside the allocation, hence the 2 MiB of room
// reserved behind the end: the block holding the array's tail then lies
// inside it too. Untouched room costs address space only.
std::vector<uint8_t> FilledArray(size_t size, uint8_t value)
{
    constexpr uintptr_t HugePage = uintptr_t{2} << 20;
    std::vector<uint8_t> array;
    array.reserve(size + HugePage);
    const uintptr_t start = reinterpret_cast<uintptr_t>(array.data());
    const uintptr_t first = (start + HugePage - 1) & ~(HugePage - 1);
    const uintptr_t last = (start + size + HugePage) & ~(HugePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);   // a hint; failure is harmless
    array.assign(size, value);
    return array;
}

} // namespace

ImageBuffer::ImageBuffer()
    : ImageData(FilledArray(Capacity, 0xFF)), PresentMap(FilledArray(Capacity, 0)), PageMap(PageCount, 0)
{
}

void ImageBuffer::ClearImage(bool textFormat)
{
    std::fill(ImageData.begin(), ImageData.end(), 0xFF);
    ClearMaps();
    StartAddress = textFormat ? 0x3FFFFF : 0;
    EndAddress = 0;
}

void ImageBuffer::StoreEditedByte(uint32_t address, uint8_t value)
{
    const int32_t start = StartAddress;
    const int32_t end = EndAddress;
    StoreByte(address, value);
    const bool widened = StartAddress != start || EndAddress != end;
    const bool beyondCount = int64_t{address} >= int64_t{StartAddress} + std::max<int32_t>(ImageSize, 0);
    if (widened || beyondCount)
        ImageSize = EndAddress - StartAddress + 1;
}

void ImageBuffer::ClearMaps()
{
    std::fill(PresentMap.begin(), PresentMap.end(), 0);
    std::fill(PageMap.begin(), PageMap.end(), 0);
}

std::string BufferInfoText(int32_t value)
{
    return Hex(static_cast<uint32_t>(value), 6) + "H";
}

bool ParseAddressText(const std::string& text, int32_t& value)
{
    std::string t = ToUpper(Trim(text));
    if (t.find('H') != std::string::npos) {
        t.pop_back();
        if (t.empty())
            return false;
        // Leading zeros are fine; only a value beyond 32 bits overflows.
        uint32_t v = 0;
        for (char c : t) {
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                return false;
            if (v > 0x0FFFFFFFu)
                return false;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        value = static_cast<int32_t>(v);
        return true;
    }
    auto v = ParseInt32(t);
    if (!v)
        return false;
    value = *v;
    return true;
}

} // namespace vorbrant
