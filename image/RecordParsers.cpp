#include "image/RecordParsers.h"

#include "image/HexDigits.h"

#include <algorithm>
#include <cstring>

namespace vorbrant {

using hexdigits::Pair;

void StoreBytes(ImageBuffer& image, uint32_t address, const uint8_t* data, uint32_t count)
{
    if (count == 0)
        return;
    std::memcpy(image.ImageData.data() + address, data, count);
    std::memset(image.PresentMap.data() + address, 1, count);
    const uint32_t last = address + count - 1;
    for (uint32_t page = address >> ImageBuffer::PageShift; page <= last >> ImageBuffer::PageShift; ++page)
        image.PageMap[page] = 1;
    if (static_cast<int32_t>(last) > image.EndAddress)
        image.EndAddress = static_cast<int32_t>(last);
    if (static_cast<int32_t>(address) < image.StartAddress)
        image.StartAddress = static_cast<int32_t>(address);
}

namespace {

// Decodes count pairs from p into out; false on any non-hex character.
// Returns the byte sum through sum.
bool DecodePairs(const char* p, int count, uint8_t* out, unsigned& sum)
{
    unsigned s = 0;
    for (int i = 0; i < count; ++i) {
        int v = Pair(p + 2 * i);
        if (v < 0)
            return false;
        out[i] = static_cast<uint8_t>(v);
        s += static_cast<unsigned>(v);
    }
    sum = s;
    return true;
}

// Four hex digits at p (two pairs); -1 when not hex.
int Word(const char* p)
{
    int hi = Pair(p);
    int lo = Pair(p + 2);
    return (hi | lo) < 0 ? -1 : (hi << 8) | lo;
}

} // namespace

int ParseHexRecord(std::string_view line, HexParseState& state, ImageBuffer& image)
{
    const char* s = line.data();
    const size_t n = line.size();
    if (n == 0 || s[0] != ':')
        return RecordInvalid;
    // Only this exact line ends the file; lower case or trailing blanks do not.
    if (line == ":00000001FF")
        return RecordEnd;
    // ":" count(2) address(4) type(2) checksum(2)
    if (n < 11)
        return RecordInvalid;
    const int count = Pair(s + 1);
    const int type = Pair(s + 7);
    if (count < 0 || type < 0)
        return RecordInvalid;
    if (n < 1 + 2 * static_cast<size_t>(count + 5))
        return RecordInvalid;   // the line ends before the count says it does
    uint8_t bytes[255 + 5];
    unsigned sum = 0;
    if (!DecodePairs(s + 1, count + 5, bytes, sum))
        return RecordInvalid;
    if ((sum & 0xFF) != 0)
        return RecordChecksumError;

    switch (type) {
    case 0x00: {
        if (count == 0)
            return 0;
        const int64_t address = int64_t{(bytes[1] << 8) | bytes[2]} + int64_t{state.LoadOffset} +
                                int64_t{state.ExtendedAddress};
        if (!FitsInBuffer(address, static_cast<uint32_t>(count)))
            return RecordOutsideBuffer;
        StoreBytes(image, static_cast<uint32_t>(address), bytes + 4, static_cast<uint32_t>(count));
        return count;
    }
    case 0x02:
    case 0x04: {
        // The value is the four digits after the type, wherever the count is.
        if (n < 13)
            return RecordInvalid;
        int value = Word(s + 9);
        if (value < 0)
            return RecordInvalid;
        state.ExtendedAddress = type == 0x04 ? static_cast<uint32_t>(value) << 16
                                             : static_cast<uint32_t>(value) * 16u;
        return 0;
    }
    case 0x03:
    case 0x05:
        return 0;
    default:   // 01 in any other form than the end line, and unknown types
        return RecordInvalid;
    }
}

int ParseSRecord(std::string_view line, SRecordState& state, ImageBuffer& image)
{
    state.LastWasMatchingCount = false;
    const char* s = line.data();
    const size_t n = line.size();
    if (n == 0 || s[0] != 'S')
        return RecordInvalid;
    if (n < 4)
        return RecordInvalid;
    const int count = Pair(s + 2);
    if (count < 0)
        return RecordInvalid;
    if (n < 2 + 2 * static_cast<size_t>(count + 1))
        return RecordInvalid;
    uint8_t bytes[256];
    unsigned sum = 0;
    if (!DecodePairs(s + 2, count + 1, bytes, sum))
        return RecordInvalid;
    if ((sum & 0xFF) != 0xFF)
        return RecordChecksumError;

    int addressBytes;
    switch (s[1]) {
    case '0':   // header
        return 0;
    case '5':
    case '6': { // the count of S1/S2/S3 records, in 16 or 24 bits
        const int countBytes = s[1] == '5' ? 2 : 3;
        if (count == countBytes + 1) {
            uint32_t records = 0;
            for (int i = 1; i <= countBytes; ++i)
                records = (records << 8) | bytes[i];
            state.LastWasMatchingCount = records == state.DataRecords;
        }
        return 0;
    }
    case '7':
    case '8':
    case '9':
        return RecordEnd;
    case '1': addressBytes = 2; break;
    case '2': addressBytes = 3; break;
    case '3': addressBytes = 4; break;
    default:
        return RecordInvalid;
    }
    // The count must at least cover the address and the checksum.
    if (count < addressBytes + 1)
        return RecordInvalid;
    ++state.DataRecords;
    int64_t address = 0;
    for (int i = 1; i <= addressBytes; ++i)
        address = (address << 8) | bytes[i];
    const int dataCount = count - addressBytes - 1;
    if (dataCount == 0)
        return 0;
    if (!FitsInBuffer(address, static_cast<uint32_t>(dataCount)))
        return RecordOutsideBuffer;
    StoreBytes(image, static_cast<uint32_t>(address), bytes + 1 + addressBytes, static_cast<uint32_t>(dataCount));
    return dataCount;
}

int ParseDatRecord(std::string_view line, ImageBuffer& image)
{
    // "[AAAAAAAA] HHLL": the address is 0x20000000 above the buffer address.
    const char* s = line.data();
    const size_t n = line.size();
    if (n < 11 || s[0] != '[' || s[9] != ']' || s[10] != ' ')
        return RecordInvalid;
    if (n < 15)
        return RecordInvalid;
    int a3 = Pair(s + 1), a2 = Pair(s + 3), a1 = Pair(s + 5), a0 = Pair(s + 7);
    int high = Pair(s + 11), low = Pair(s + 13);
    if ((a3 | a2 | a1 | a0 | high | low) < 0)
        return RecordInvalid;
    const int64_t address = (int64_t{a3} << 24 | int64_t{a2} << 16 | int64_t{a1} << 8 | int64_t{a0}) - 0x20000000;
    if (!FitsInBuffer(address, 2))
        return RecordOutsideBuffer;
    const uint8_t word[2] = {static_cast<uint8_t>(low), static_cast<uint8_t>(high)};
    StoreBytes(image, static_cast<uint32_t>(address), word, 2);
    return 2;
}

} // namespace vorbrant
