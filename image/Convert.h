#pragma once
// `vorbrant --convert IN OUT`: loads IN as -f would and writes the loaded
// range to OUT as Intel HEX, or binary when OUT ends in ".bin" (any case).
#include <cstdio>
#include <string>

namespace vorbrant {

enum class ConvertResult {
    Written,
    InputNotLoaded,   // missing or unloadable IN ("Error: <text>" on err)
    OutputNotWritten, // OUT cannot be written (found before IN is read, or at the end)
};

ConvertResult RunConvert(const std::string& in, const std::string& out, std::FILE* err);

} // namespace vorbrant
