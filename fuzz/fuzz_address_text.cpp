// The address text of the offset and range dialogs. Whatever parses must
// come back unchanged through the panel's own notation.
#include "image/ImageBuffer.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    int32_t value = 0x5A5A5A5A;
    if (!vorbrant::ParseAddressText(text, value)) {
        if (value != 0x5A5A5A5A)
            std::abort();   // a failed parse must leave the value alone
        return 0;
    }
    int32_t again = 0;
    if (!vorbrant::ParseAddressText(vorbrant::BufferInfoText(value), again) || again != value)
        std::abort();
    return 0;
}
