#pragma once
// `vorbrant --convert IN OUT`: loads IN as -f would and writes the loaded
// range to OUT in the format its name says (image/FileSaver.h), or the one
// --out-format chooses. OUT "-" is standard output.
#include "image/FileFormats.h"
#include "image/FileSaver.h"

#include <cstdio>
#include <optional>
#include <string>

namespace vorbrant {

enum class ConvertResult {
    Written,
    InputNotLoaded,   // missing or unloadable IN ("Error: <text>" on err)
    OutputNotWritten, // OUT cannot be written (found before IN is read, or at the end)
};

// format (--format) reads IN as that format instead of detecting it;
// outFormat (--out-format) writes OUT in that format; loadOffset (--offset)
// places a binary IN (and HEX data records) that much higher.
ConvertResult RunConvert(const std::string& in, const std::string& out, std::FILE* err,
                         std::optional<LoadFormat> format = std::nullopt,
                         std::optional<SaveFormat> outFormat = std::nullopt, int32_t loadOffset = 0);

} // namespace vorbrant
