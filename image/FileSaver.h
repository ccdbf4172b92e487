#pragma once
// Writing a range of the image to a file, as Intel HEX, S-records or binary.
// The file is written beside its place and renamed into it, so a failure
// leaves any old file as it was; the name "-" is standard output.
#include "image/HexWriter.h"
#include "image/ImageBuffer.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vorbrant {

enum class SaveFormat : uint8_t { Hex, Binary, SRecord };

// How an output file is written: its format, and for S-records the address
// bytes of the data records (0: as few as the addresses need).
struct OutputFormat {
    SaveFormat Format = SaveFormat::Hex;
    unsigned SrecAddressBytes = 0;
};

// The format for an output file: chosen (--out-format) wins; otherwise its
// extension, any case: .s19 .s28 .s37 (S1, S2 or S3 records at least) .srec
// .mot S-records, .bin binary, anything else (.hex, .ihx, standard output)
// Intel HEX.
OutputFormat OutputFormatFor(const std::string& path, std::optional<SaveFormat> chosen = std::nullopt);

// Writes StartAddress..EndAddress (EndAddress - StartAddress + 1 bytes when
// EndAddress >= StartAddress, none otherwise). False with a reason naming
// the path when the range leaves the buffer, the file cannot be written.
bool SaveImage(const ImageBuffer& image, const std::string& path, SaveFormat saveFormat, std::string& error);

// The same for count bytes from start (count 0: a HEX file holds only its
// end line, preceded by the extended address line when start >= 0x10000).
bool SaveRange(const ImageBuffer& image, int32_t start, uint32_t count, const std::string& path, SaveFormat saveFormat,
               std::string& error);
bool SaveRange(const ImageBuffer& image, int32_t start, uint32_t count, const std::string& path, OutputFormat format,
               std::string& error);

// The bytes of the file SaveRange would write (for the writer's callers and tests).
bool FormatImageFile(const ImageBuffer& image, int32_t start, uint32_t count, OutputFormat format, std::string& out,
                     std::string& error);

} // namespace vorbrant
