#include "common/Text.h"

#include <cstdio>

namespace vorbrant {

std::string Hex(uint32_t value, int minDigits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", minDigits, value);
    return buf;
}

std::string ToUpper(std::string_view s)
{
    std::string r(s);
    for (auto& c : r)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return r;
}

std::string ToLower(std::string_view s)
{
    std::string r(s);
    for (auto& c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return r;
}

std::string_view Trim(std::string_view s)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

std::optional<int32_t> ParseInt32(std::string_view s)
{
    if (s.empty())
        return std::nullopt;
    bool negative = false;
    if (s.front() == '-' || s.front() == '+') {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (!s.empty() && s.front() == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty())
        return std::nullopt;
    int64_t v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return std::nullopt;
        v = v * base + d;
        // Hex may fill all 32 bits (e.g. $FFFFFFFF = -1), decimal may not overflow.
        if (v > (base == 16 ? int64_t{0xFFFFFFFF} : int64_t{0x80000000}))
            return std::nullopt;
    }
    if (base == 16) {
        // Negate in unsigned arithmetic: -$80000000 wraps to itself.
        auto u = static_cast<uint32_t>(v);
        return static_cast<int32_t>(negative ? 0u - u : u);
    }
    if (negative)
        return static_cast<int32_t>(-v);
    if (v > 0x7FFFFFFF)
        return std::nullopt;
    return static_cast<int32_t>(v);
}

} // namespace vorbrant
