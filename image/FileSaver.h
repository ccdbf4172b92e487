#pragma once
// Writing a range of the image to a file, as Intel HEX or binary. The file
// is written beside its place and renamed into it, so a failure leaves any
// old file as it was.
#include "image/HexWriter.h"
#include "image/ImageBuffer.h"

#include <cstdint>
#include <string>

namespace vorbrant {

enum class SaveFormat : uint8_t { Hex, Binary };

// Writes StartAddress..EndAddress (EndAddress - StartAddress + 1 bytes when
// EndAddress >= StartAddress, none otherwise). False with a reason naming
// the path when the range leaves the buffer, the file cannot be written.
bool SaveImage(const ImageBuffer& image, const std::string& path, SaveFormat saveFormat, std::string& error);

// The same for count bytes from start (count 0: a HEX file holds only its
// end line, preceded by the extended address line when start >= 0x10000).
bool SaveRange(const ImageBuffer& image, int32_t start, uint32_t count, const std::string& path, SaveFormat saveFormat,
               std::string& error);

// The bytes of the file SaveRange would write (for the writer's callers and tests).
bool FormatImageFile(const ImageBuffer& image, int32_t start, uint32_t count, SaveFormat saveFormat, std::string& out,
                     std::string& error);

} // namespace vorbrant
