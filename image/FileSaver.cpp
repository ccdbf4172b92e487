#include "image/FileSaver.h"

#include "common/AtomicFile.h"

#include <string_view>

namespace vorbrant {

namespace {

bool CheckRange(int32_t start, uint32_t count, std::string& error)
{
    if (count == 0)
        return true;
    if (start < 0 || !(static_cast<uint32_t>(start) < ImageBuffer::Capacity &&
                       count <= ImageBuffer::Capacity - static_cast<uint32_t>(start))) {
        error = "The address range " + BufferInfoText(start) + ".." +
                BufferInfoText(static_cast<int32_t>(static_cast<uint32_t>(start) + count - 1)) +
                " lies outside the buffer";
        return false;
    }
    return true;
}

} // namespace

bool FormatImageFile(const ImageBuffer& image, int32_t start, uint32_t count, SaveFormat saveFormat, std::string& out,
                     std::string& error)
{
    if (!CheckRange(start, count, error))
        return false;
    const uint8_t* data = image.ImageData.data() + (count ? start : 0);
    out.clear();
    // A negative start is below every 64 KiB boundary: an empty range there
    // gets no extended address line (a non-empty one was refused above).
    if (saveFormat == SaveFormat::Hex)
        AppendHexImage(out, data, start < 0 ? 0u : static_cast<uint32_t>(start), count);
    else
        out.assign(reinterpret_cast<const char*>(data), count);
    return true;
}

bool SaveRange(const ImageBuffer& image, int32_t start, uint32_t count, const std::string& path, SaveFormat saveFormat,
               std::string& error)
{
    if (!CheckRange(start, count, error))
        return false;
    std::string reason;
    bool written;
    if (saveFormat == SaveFormat::Hex) {
        std::string text;
        FormatImageFile(image, start, count, saveFormat, text, error);
        written = WriteFileAtomically(path, text, reason);
    } else {
        // Binary straight from the buffer, no copy.
        std::string_view bytes(reinterpret_cast<const char*>(image.ImageData.data()) + (count ? start : 0), count);
        written = WriteFileAtomically(path, bytes, reason);
    }
    if (!written) {
        error = "Can't write file " + path + ": " + reason;
        return false;
    }
    return true;
}

bool SaveImage(const ImageBuffer& image, const std::string& path, SaveFormat saveFormat, std::string& error)
{
    // A range of one address is one byte; an end below the start is none.
    const int64_t count = int64_t{image.EndAddress} - int64_t{image.StartAddress} + 1;
    if (count > int64_t{ImageBuffer::Capacity}) {
        error = "The address range " + BufferInfoText(image.StartAddress) + ".." + BufferInfoText(image.EndAddress) +
                " lies outside the buffer";
        return false;
    }
    return SaveRange(image, image.StartAddress, count > 0 ? static_cast<uint32_t>(count) : 0u, path, saveFormat,
                     error);
}

} // namespace vorbrant
