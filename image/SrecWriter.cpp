#include "image/SrecWriter.h"

#include "image/HexDigits.h"

#include <algorithm>

namespace vorbrant {

namespace {

constexpr uint32_t RecordBytes = 32; // data bytes per record, as in a saved HEX file
constexpr char Header[] = "vorbrant";

// One record: type digit, count, address in addressBytes bytes, data, the
// ones' complement of the sum of count, address and data bytes; CR LF.
void PutRecord(std::string& out, char type, uint32_t address, unsigned addressBytes, const uint8_t* data,
               size_t length)
{
    char line[2 + 2 + 8 + 2 * RecordBytes + 2 + 2];
    char* p = line;
    *p++ = 'S';
    *p++ = type;
    const auto count = static_cast<uint8_t>(addressBytes + length + 1);
    unsigned sum = count;
    p = hexdigits::PutPair(p, count);
    for (unsigned i = addressBytes; i-- > 0;) {
        const auto byte = static_cast<uint8_t>(address >> (8 * i));
        sum += byte;
        p = hexdigits::PutPair(p, byte);
    }
    for (size_t i = 0; i < length; ++i) {
        sum += data[i];
        p = hexdigits::PutPair(p, data[i]);
    }
    p = hexdigits::PutPair(p, static_cast<uint8_t>(~sum));
    *p++ = '\r';
    *p++ = '\n';
    out.append(line, static_cast<size_t>(p - line));
}

} // namespace

unsigned SrecAddressBytes(uint32_t lastAddress, unsigned wanted)
{
    const unsigned needed = lastAddress <= 0xFFFF ? 2 : lastAddress <= 0xFFFFFF ? 3 : 4;
    return std::clamp(std::max(wanted, needed), 2u, 4u);
}

void AppendSrecImage(std::string& out, const uint8_t* data, uint32_t start, uint32_t count, unsigned addressBytes)
{
    const unsigned width = SrecAddressBytes(count ? start + count - 1 : start, addressBytes);
    out.reserve(out.size() + 2 * static_cast<size_t>(count) + (count / RecordBytes + 4) * 20);
    PutRecord(out, '0', 0, 2, reinterpret_cast<const uint8_t*>(Header), sizeof Header - 1);
    const char dataType = static_cast<char>('1' + (width - 2));
    uint32_t records = 0;
    for (uint32_t done = 0; done < count; done += RecordBytes, ++records)
        PutRecord(out, dataType, start + done, width, data + done, std::min(RecordBytes, count - done));
    if (records <= 0xFFFF)
        PutRecord(out, '5', records, 2, nullptr, 0);
    else
        PutRecord(out, '6', records, 3, nullptr, 0);
    // The end record carries the start address 0, as wide as the data records.
    PutRecord(out, static_cast<char>('9' - (width - 2)), 0, width, nullptr, 0);
}

} // namespace vorbrant
