#pragma once
// Serial numbers patched into the image of each board:
// --serial=ADDR:FIRST[:STEP][:BYTES][:le|be], with --serial-file=FILE
// holding the next number. The number goes into the image before Program
// and Verify; the file moves on (through the safe writer) only after a run
// that succeeded, so a failed board does not use a number up.
#include "image/ImageBuffer.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vorbrant {

struct SerialFormat {
    uint32_t Address = 0;
    uint64_t First = 0;
    uint64_t Step = 1;
    unsigned Bytes = 4;       // 1..8
    bool BigEndian = false;   // default least significant byte first, as the 8051 compilers store
};

// Parses the option's value; nullopt with a reason in error.
std::optional<SerialFormat> ParseSerialFormat(const std::string& text, std::string& error);

class SerialCounter {
public:
    SerialCounter(SerialFormat format, std::string path) : format_(format), path_(std::move(path)) {}

    // The number for the next board: the serial file's (when it exists),
    // else FIRST; false with a reason when the file holds no number or the
    // number does not fit in BYTES.
    bool Next(uint64_t& number, std::string& error);
    // Stores number at ADDR in the image, the working range and the byte
    // count widened to reach it.
    void Patch(ImageBuffer& image, uint64_t number) const;
    // After a good board: the file (if any) holds number + STEP; false with
    // a reason when it could not be written.
    bool Advance(uint64_t number, std::string& error);

    const SerialFormat& Format() const { return format_; }

private:
    SerialFormat format_;
    std::string path_;
    std::optional<uint64_t> next_; // without a file: the number after the last good board
};

} // namespace vorbrant
