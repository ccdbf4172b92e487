#pragma once
// The record readers of the text formats. Each reads one line (one record),
// stores its data bytes into an image and says how it went; none of them
// shows anything; the loader turns the results into messages.
#include "image/ImageBuffer.h"

#include <cstdint>
#include <string_view>

namespace vorbrant {

// Results below zero; zero or more is the number of data bytes stored.
enum RecordResult : int {
    RecordEnd = -1,            // end of the file reached
    RecordChecksumError = -2,
    RecordInvalid = -3,
    RecordOutsideBuffer = -4,  // a byte would land at or beyond the buffer's end
    RecordReadError = -5,      // the file could not be read (not a record result)
};

// What an Intel HEX load carries from record to record.
struct HexParseState {
    int32_t LoadOffset = 0;        // added to every data-record address
    uint32_t ExtendedAddress = 0;  // from the last type 02 or 04 record
};

// What an S-record load carries from record to record: writers that are not
// given a start address (srec_cat, for one) end a file with a count record
// instead of an S7/S8/S9, which completes it when it counts the data records.
struct SRecordState {
    uint32_t DataRecords = 0; // S1, S2 and S3 records so far
    bool LastWasMatchingCount = false;
};

int ParseHexRecord(std::string_view line, HexParseState& state, ImageBuffer& image);
int ParseSRecord(std::string_view line, SRecordState& state, ImageBuffer& image);
int ParseDatRecord(std::string_view line, ImageBuffer& image);

// Stores count bytes from address upwards the way StoreByte does (data,
// presence flags, page flags, range); the caller checked the range.
void StoreBytes(ImageBuffer& image, uint32_t address, const uint8_t* data, uint32_t count);

// True when address..address+count-1 all lie inside the buffer. Addresses
// are computed in 64 bits from their parts (record address, load offset,
// extended address), so no sum can wrap into the buffer.
inline bool FitsInBuffer(int64_t address, uint32_t count)
{
    return address >= 0 && address <= int64_t{ImageBuffer::Capacity} - int64_t{count};
}

} // namespace vorbrant
