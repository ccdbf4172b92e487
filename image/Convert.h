#pragma once
// `vorbrant --convert IN OUT`: loads IN as -f would and writes the loaded
// range to OUT as Intel HEX, or binary when OUT ends in ".bin" (any case).
#include "image/FileFormats.h"

#include <cstdio>
#include <optional>
#include <string>

namespace vorbrant {

enum class ConvertResult {
    Written,
    InputNotLoaded,   // missing or unloadable IN ("Error: <text>" on err)
    OutputNotWritten, // OUT cannot be written (found before IN is read, or at the end)
};

// format (--format) reads IN as that format instead of detecting it.
ConvertResult RunConvert(const std::string& in, const std::string& out, std::FILE* err,
                         std::optional<LoadFormat> format = std::nullopt);

} // namespace vorbrant
