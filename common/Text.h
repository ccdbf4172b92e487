#pragma once
// Small text helpers shared by every layer.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorbrant {

// Upper-case hexadecimal with at least minDigits digits ("%0*X").
std::string Hex(uint32_t value, int minDigits);
std::string ToUpper(std::string_view s);
std::string ToLower(std::string_view s);
std::string_view Trim(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
// A 32-bit integer the way the configuration file and the dialogs write them:
// optional sign and decimal digits, or "$" / "0x" followed by hex digits.
// nullopt on anything else, an empty text or overflow.
std::optional<int32_t> ParseInt32(std::string_view s);

} // namespace vorbrant
