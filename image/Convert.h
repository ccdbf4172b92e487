#pragma once
// `vorbrant --convert IN OUT`: loads IN as -f would and writes the loaded
// range to OUT as Intel HEX, or binary when OUT ends in ".bin" (any case).
#include <cstdio>
#include <string>

namespace vorbrant {

// Exit codes: 0 written, 2 IN could not be loaded ("Error: <text>" on err),
// 1 OUT could not be written.
int RunConvert(const std::string& in, const std::string& out, std::FILE* err);

} // namespace vorbrant
