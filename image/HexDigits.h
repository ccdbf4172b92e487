#pragma once
// Hexadecimal digit tables shared by the record readers and writers.
#include <array>
#include <cstdint>

namespace vorbrant::hexdigits {

// Value of a hex digit (either case), -1 for any other byte.
constexpr std::array<int8_t, 256> MakeValueTable()
{
    std::array<int8_t, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[static_cast<size_t>(i)] = -1;
    for (int i = 0; i < 10; ++i)
        t[static_cast<size_t>('0' + i)] = static_cast<int8_t>(i);
    for (int i = 0; i < 6; ++i) {
        t[static_cast<size_t>('A' + i)] = static_cast<int8_t>(10 + i);
        t[static_cast<size_t>('a' + i)] = static_cast<int8_t>(10 + i);
    }
    return t;
}
inline constexpr std::array<int8_t, 256> Value = MakeValueTable();

// Two characters to one byte; -1 when either is not a hex digit.
inline int Pair(const char* p)
{
    int hi = Value[static_cast<uint8_t>(p[0])];
    int lo = Value[static_cast<uint8_t>(p[1])];
    return (hi | lo) < 0 ? -1 : (hi << 4) | lo;
}

// Upper-case digit pairs "00".."FF", two characters per byte value.
constexpr std::array<char, 512> MakePairTable()
{
    const char digits[] = "0123456789ABCDEF";
    std::array<char, 512> t{};
    for (int i = 0; i < 256; ++i) {
        t[static_cast<size_t>(2 * i)] = digits[i >> 4];
        t[static_cast<size_t>(2 * i + 1)] = digits[i & 15];
    }
    return t;
}
inline constexpr std::array<char, 512> UpperPairs = MakePairTable();

inline char* PutPair(char* out, uint8_t value)
{
    out[0] = UpperPairs[2u * value];
    out[1] = UpperPairs[2u * value + 1];
    return out + 2;
}

} // namespace vorbrant::hexdigits
