#pragma once
// Intel HEX output: one record formatter and the layout of a saved range
// (32-byte data records counted from the start, an extended linear address
// line at every 64 KiB boundary, CR LF line ends).
#include <array>
#include <cstdint>
#include <string>

namespace vorbrant {

struct HexRecord {
    uint8_t RecordType = 0;          // 00 data, 01 end of file, 04 extended linear address
    uint16_t RecordAddress = 0;      // low 16 bits of the byte address
    std::array<uint8_t, 128> Data{};
    uint8_t Checksum = 0;            // what FormatHexRecord puts on the line
    uint8_t DataLength = 0;          // valid bytes in Data (more than 128 are not written)
};

// The two's complement of the sum of length, type, both address bytes and the data.
uint8_t HexRecordChecksum(const HexRecord& record);
// The record as one line without line end, upper-case digits; fills in the
// record's Checksum with the value it wrote.
std::string FormatHexRecord(HexRecord& record);
// The same, appended to out (no allocation when out has room).
void AppendHexRecord(std::string& out, HexRecord& record);

// The whole Intel HEX text of count bytes of data starting at address start
// (data points at the byte for start), end line included.
void AppendHexImage(std::string& out, const uint8_t* data, uint32_t start, uint32_t count);

} // namespace vorbrant
