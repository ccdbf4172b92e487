#include "image/HexWriter.h"

#include "image/HexDigits.h"

#include <algorithm>

namespace vorbrant {

using hexdigits::PutPair;

namespace {

constexpr size_t MaxRecordLength = 128;
constexpr uint32_t RecordBytes = 32;        // data bytes per saved record
constexpr uint32_t SegmentSize = 0x10000;   // an extended address line at each boundary

// Writes one record line at out, no line end; returns the end.
char* PutRecord(char* out, uint8_t type, uint16_t address, const uint8_t* data, size_t length)
{
    unsigned sum = static_cast<unsigned>(length) + type + (address & 0xFF) + (address >> 8);
    *out++ = ':';
    out = PutPair(out, static_cast<uint8_t>(length));
    out = PutPair(out, static_cast<uint8_t>(address >> 8));
    out = PutPair(out, static_cast<uint8_t>(address & 0xFF));
    out = PutPair(out, type);
    for (size_t i = 0; i < length; ++i) {
        sum += data[i];
        out = PutPair(out, data[i]);
    }
    return PutPair(out, static_cast<uint8_t>(-sum));
}

char* PutExtendedAddressLine(char* out, uint32_t address)
{
    const uint8_t value[2] = {static_cast<uint8_t>(address >> 24), static_cast<uint8_t>((address >> 16) & 0xFF)};
    out = PutRecord(out, 0x04, 0, value, 2);
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

} // namespace

uint8_t HexRecordChecksum(const HexRecord& record)
{
    const size_t length = std::min<size_t>(record.DataLength, MaxRecordLength);
    unsigned sum = static_cast<unsigned>(length) + record.RecordType + (record.RecordAddress & 0xFF) + (record.RecordAddress >> 8);
    for (size_t i = 0; i < length; ++i)
        sum += record.Data[i];
    return static_cast<uint8_t>(-sum);
}

void AppendHexRecord(std::string& out, HexRecord& record)
{
    record.Checksum = HexRecordChecksum(record);
    const size_t length = std::min<size_t>(record.DataLength, MaxRecordLength);
    const size_t old = out.size();
    out.resize(old + 11 + 2 * length);
    char* end = PutRecord(out.data() + old, record.RecordType, record.RecordAddress, record.Data.data(), length);
    out.resize(static_cast<size_t>(end - out.data()));
}

std::string FormatHexRecord(HexRecord& record)
{
    std::string line;
    AppendHexRecord(line, record);
    return line;
}

void AppendHexImage(std::string& out, const uint8_t* data, uint32_t start, uint32_t count)
{
    // Room for every line: data lines, one extended address line per
    // segment touched plus the first, the end line.
    const size_t records = count / RecordBytes + count / SegmentSize + 2;
    const size_t lines = records + count / SegmentSize + 2;
    const size_t old = out.size();
    out.resize(old + 2 * static_cast<size_t>(count) + records * 13 + lines * 17 + 13);
    char* p = out.data() + old;

    if (start >= SegmentSize)
        p = PutExtendedAddressLine(p, start);
    uint32_t address = start;
    uint32_t left = count;
    while (left > 0) {
        // A record holds up to 32 bytes and never crosses a 64 KiB boundary.
        uint32_t toBoundary = SegmentSize - (address & (SegmentSize - 1));
        uint32_t length = std::min({RecordBytes, left, toBoundary});
        p = PutRecord(p, 0x00, static_cast<uint16_t>(address & 0xFFFF), data, length);
        *p++ = '\r';
        *p++ = '\n';
        data += length;
        address += length;
        left -= length;
        if ((address & (SegmentSize - 1)) == 0 && address != 0)
            p = PutExtendedAddressLine(p, address);
    }
    static constexpr char EndLine[] = ":00000001FF\r\n";
    p = std::copy(EndLine, EndLine + sizeof EndLine - 1, p);
    out.resize(static_cast<size_t>(p - out.data()));
}

} // namespace vorbrant
