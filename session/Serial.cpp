#include "session/Serial.h"

#include "common/AtomicFile.h"
#include "common/BoundedRead.h"
#include "common/Text.h"

#include <charconv>
#include <cstdint>
#include <vector>

namespace vorbrant {

namespace {

// "0x1F00", "1F00H" and "$1F00" are hexadecimal, anything else decimal.
std::optional<uint64_t> Number(std::string_view text)
{
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    } else if (text.starts_with("$")) {
        text.remove_prefix(1);
        base = 16;
    } else if (text.ends_with("H") || text.ends_with("h")) {
        text.remove_suffix(1);
        base = 16;
    }
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool Fits(uint64_t number, unsigned bytes) { return bytes >= 8 || number < (uint64_t{1} << (8 * bytes)); }

} // namespace

std::optional<SerialFormat> ParseSerialFormat(const std::string& text, std::string& error)
{
    std::vector<std::string_view> fields;
    std::string_view rest = text;
    for (;;) {
        size_t colon = rest.find(':');
        fields.push_back(rest.substr(0, colon));
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    SerialFormat format;
    // The last field may name the byte order.
    if (fields.size() > 2 && (fields.back() == "le" || fields.back() == "be")) {
        format.BigEndian = fields.back() == "be";
        fields.pop_back();
    }
    const bool counted = fields.size() >= 2 && fields.size() <= 4;
    const uint64_t address = counted ? Number(fields[0]).value_or(UINT64_MAX) : UINT64_MAX;
    const std::optional<uint64_t> first = counted ? Number(fields[1]) : std::nullopt;
    const std::optional<uint64_t> step = fields.size() > 2 ? Number(fields[2]) : uint64_t{1};
    const uint64_t bytes = fields.size() > 3 ? Number(fields[3]).value_or(0) : 4;
    if (address == UINT64_MAX || !first || !step || bytes == 0) {
        error = "Option --serial needs ADDR:FIRST[:STEP][:BYTES][:le|be], not '" + text + "'";
        return std::nullopt;
    }
    if (bytes > 8 || address >= ImageBuffer::Capacity || address + bytes > ImageBuffer::Capacity) {
        error = "Option --serial: " + std::to_string(bytes) + " bytes at " + text.substr(0, text.find(':')) +
                " do not fit the image (1 to 8 bytes below 0x400000)";
        return std::nullopt;
    }
    format.Address = static_cast<uint32_t>(address);
    format.First = *first;
    format.Step = *step;
    format.Bytes = static_cast<unsigned>(bytes);
    if (!Fits(format.First, format.Bytes)) {
        error = "Option --serial: the first number " + std::to_string(format.First) + " does not fit in " +
                std::to_string(format.Bytes) + " bytes";
        return std::nullopt;
    }
    return format;
}

bool SerialCounter::Next(uint64_t& number, std::string& error)
{
    number = next_.value_or(format_.First);
    if (!path_.empty()) {
        std::string content, readError;
        switch (ReadWholeFile(path_, 64, content, readError)) {
        case ReadResult::Missing: break; // the first board of a new series
        case ReadResult::Failed: error = CannotReadText(path_, readError); return false;
        case ReadResult::Read: {
            std::optional<uint64_t> stored = Number(Trim(content));
            if (!stored) {
                error = "the serial file " + path_ + " holds no number";
                return false;
            }
            number = *stored;
            break;
        }
        }
    }
    if (!Fits(number, format_.Bytes)) {
        error = "the serial number " + std::to_string(number) + " does not fit in " + std::to_string(format_.Bytes) +
                " bytes";
        return false;
    }
    return true;
}

void SerialCounter::Patch(ImageBuffer& image, uint64_t number) const
{
    const bool wasEmpty = image.ImageSize <= 0;
    if (wasEmpty) {
        image.StartAddress = static_cast<int32_t>(format_.Address);
        image.EndAddress = static_cast<int32_t>(format_.Address);
    }
    for (unsigned i = 0; i < format_.Bytes; ++i) {
        const unsigned shift = 8 * (format_.BigEndian ? format_.Bytes - 1 - i : i);
        image.StoreByte(format_.Address + i, static_cast<uint8_t>(shift < 64 ? number >> shift : 0));
    }
    image.ImageSize = image.EndAddress - image.StartAddress + 1;
}

bool SerialCounter::Advance(uint64_t number, std::string& error)
{
    next_ = number + format_.Step;
    if (path_.empty())
        return true;
    std::string reason;
    if (WriteFileAtomically(path_, std::to_string(*next_) + "\n", reason))
        return true;
    error = "Can't write file " + path_ + ": " + reason;
    return false;
}

} // namespace vorbrant
