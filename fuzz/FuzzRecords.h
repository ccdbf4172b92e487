#pragma once
// Shared body of the record-format fuzzers: parse the input as a whole file
// of one format and check what a finished parse must always satisfy.
#include "image/FileFormats.h"
#include "image/HexDigits.h"
#include "image/ImageBuffer.h"
#include "image/ImageTexts.h"
#include "image/LineReader.h"
#include "image/RecordParsers.h"
#include "image/RecordStream.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace vorbrant::fuzzing {

// Where the data of one record lands, worked out apart from the parsers, in
// 64 bits: first address and byte count (count 0: the record stores nothing).
struct RecordPlace {
    int64_t First = 0;
    int64_t Count = 0;
};

inline int64_t Digits(std::string_view line, size_t at, size_t pairs)
{
    int64_t v = 0;
    for (size_t i = 0; i < pairs; ++i)
        v = (v << 8) | hexdigits::Pair(line.data() + at + 2 * i);
    return v;
}

// Only called for lines the parser accepted, so their fields are well formed.
inline RecordPlace PlaceOf(LoadFormat format, std::string_view line, int64_t offset, int64_t& extended)
{
    RecordPlace place;
    if (format == LoadFormat::Hex) {
        if (line.size() < 11 || line == ":00000001FF")
            return place;
        const int64_t count = Digits(line, 1, 1), type = Digits(line, 7, 1);
        if (type == 0)
            place = {Digits(line, 3, 2) + offset + extended, count};
        else if (type == 4)
            extended = Digits(line, 9, 2) << 16;
        else if (type == 2)
            extended = Digits(line, 9, 2) * 16;
    } else if (format == LoadFormat::SRecord) {
        const char kind = line.size() > 1 ? line[1] : '0';
        if (kind < '1' || kind > '3')
            return place;
        const size_t addressBytes = static_cast<size_t>(kind - '0') + 1;
        place = {Digits(line, 4, addressBytes), Digits(line, 2, 1) - static_cast<int64_t>(addressBytes) - 1};
    } else {
        place = {Digits(line, 1, 4) - 0x20000000, 2};
    }
    return place;
}

// S-records and DAT files take no load offset; one is set all the same, so
// that a parser applying it would show.
inline int32_t IgnoredOffset(size_t size)
{
    const int32_t offsets[] = {0, 0x100, -0x10, 0x3FFF00};
    return offsets[size % 4];
}

inline bool Inside(const RecordPlace& p)
{
    return p.First >= 0 && p.First + p.Count <= int64_t{ImageBuffer::Capacity};
}

inline void FuzzRecordFormat(LoadFormat format, const uint8_t* data, size_t size, int32_t offset)
{
    // One image for the whole run: clearing 8 MiB per input would drown the
    // fuzzer; the checks below hold whatever the image held before.
    static std::unique_ptr<ImageBuffer> image = std::make_unique<ImageBuffer>();
    image->StartAddress = 0x3FFFFF;
    image->EndAddress = 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    LineReader reader(text);
    RecordParseOutcome outcome = ParseRecordLines(format, reader, *image, offset);

    if (outcome.Result >= 0 || outcome.Result < RecordOutsideBuffer)
        std::abort();   // a finished parse ends with RecordEnd or one of the errors
    if (image->StartAddress <= image->EndAddress &&
        (image->StartAddress < 0 || image->EndAddress >= static_cast<int32_t>(ImageBuffer::Capacity)))
        std::abort();   // the range left the buffer
    if (image->PageMap[ImageBuffer::PageCount - 1] != 0)
        std::abort();   // the spare page flag is never set
    if (RecordErrorText(format, outcome.Result).empty())
        std::abort();

    // The stored range is the one the records give in 64 bits: every
    // accepted record lies inside the buffer, a record refused as outside
    // really is, and the image's range spans exactly the accepted records.
    LineReader again(text);
    std::string_view line;
    int64_t extended = 0, low = INT64_MAX, high = -1;
    for (uint64_t number = 1; again.Next(line) && number <= outcome.Line; ++number) {
        const bool failing = number == outcome.Line && outcome.Result != RecordEnd;
        if (failing && outcome.Result != RecordOutsideBuffer)
            break;
        const RecordPlace place = PlaceOf(format, line, offset, extended);
        if (failing) {
            if (Inside(place))
                std::abort();   // refused although it fits
            break;
        }
        if (place.Count == 0)
            continue;
        if (!Inside(place))
            std::abort();   // stored although it lies outside: an address wrapped
        low = std::min(low, place.First);
        high = std::max(high, place.First + place.Count - 1);
    }
    if (high >= 0 && (image->StartAddress != low || image->EndAddress != high))
        std::abort();
    if (high < 0 && (image->StartAddress != 0x3FFFFF || image->EndAddress != 0))
        std::abort();
}

} // namespace vorbrant::fuzzing
