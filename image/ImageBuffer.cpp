#include "image/ImageBuffer.h"

#include "common/Text.h"

#include <algorithm>

namespace vorbrant {

ImageBuffer::ImageBuffer()
    : ImageData(Capacity, 0xFF), PresentMap(Capacity, 0), PageMap(PageCount, 0)
{
}

void ImageBuffer::ClearImage(bool textFormat)
{
    std::fill(ImageData.begin(), ImageData.end(), 0xFF);
    ClearMaps();
    StartAddress = textFormat ? 0x3FFFFF : 0;
    EndAddress = 0;
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
