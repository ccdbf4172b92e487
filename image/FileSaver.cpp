#include "image/FileSaver.h"

#include "common/AtomicFile.h"
#include "common/StdStreams.h"
#include "common/Text.h"
#include "image/FileFormats.h"
#include "image/SrecWriter.h"

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

OutputFormat OutputFormatFor(const std::string& path, std::optional<SaveFormat> chosen)
{
    static constexpr struct {
        const char* Extension;
        SaveFormat Format;
        unsigned AddressBytes;
    } Extensions[] = {
        {".S19", SaveFormat::SRecord, 2}, {".S28", SaveFormat::SRecord, 3}, {".S37", SaveFormat::SRecord, 4},
        {".SREC", SaveFormat::SRecord, 0}, {".MOT", SaveFormat::SRecord, 0}, {".BIN", SaveFormat::Binary, 0},
        {".HEX", SaveFormat::Hex, 0}, {".IHX", SaveFormat::Hex, 0},
    };
    const std::string name = ToUpper(FileNamePart(path));
    OutputFormat format;
    for (const auto& row : Extensions)
        if (name.size() > std::string_view(row.Extension).size() && name.ends_with(row.Extension))
            format = {row.Format, row.AddressBytes};
    if (chosen) {
        // The extension still says how wide S-record addresses are.
        format.SrecAddressBytes = *chosen == SaveFormat::SRecord ? format.SrecAddressBytes : 0;
        format.Format = *chosen;
    }
    return format;
}

bool FormatImageFile(const ImageBuffer& image, int32_t start, uint32_t count, OutputFormat format, std::string& out,
                     std::string& error)
{
    if (!CheckRange(start, count, error))
        return false;
    const uint8_t* data = image.ImageData.data() + (count ? start : 0);
    out.clear();
    // A negative start is below every 64 KiB boundary: an empty range there
    // gets no extended address line (a non-empty one was refused above).
    const uint32_t first = start < 0 ? 0u : static_cast<uint32_t>(start);
    switch (format.Format) {
    case SaveFormat::Hex: AppendHexImage(out, data, first, count); break;
    case SaveFormat::SRecord: AppendSrecImage(out, data, first, count, format.SrecAddressBytes); break;
    case SaveFormat::Binary: out.assign(reinterpret_cast<const char*>(data), count); break;
    }
    return true;
}

bool SaveRange(const ImageBuffer& image, int32_t start, uint32_t count, const std::string& path, SaveFormat saveFormat,
               std::string& error)
{
    return SaveRange(image, start, count, path, OutputFormat{saveFormat, 0}, error);
}

bool SaveRange(const ImageBuffer& image, int32_t start, uint32_t count, const std::string& path, OutputFormat format,
               std::string& error)
{
    if (!CheckRange(start, count, error))
        return false;
    std::string reason;
    bool written;
    if (format.Format != SaveFormat::Binary || IsStdStream(path)) {
        std::string text;
        FormatImageFile(image, start, count, format, text, error);
        written = IsStdStream(path) ? WriteStdout(text, reason) : WriteFileAtomically(path, text, reason);
    } else {
        // Binary straight from the buffer, no copy.
        std::string_view bytes(reinterpret_cast<const char*>(image.ImageData.data()) + (count ? start : 0), count);
        written = WriteFileAtomically(path, bytes, reason);
    }
    if (!written) {
        error = IsStdStream(path) ? "Can't write to standard output: " + reason : "Can't write file " + path + ": " + reason;
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
