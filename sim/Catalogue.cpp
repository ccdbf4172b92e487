#include "sim/Catalogue.h"

#include <array>
#include <cctype>

namespace vorbrant::sim {

namespace {

using enum SimLink;
using enum LockKind;
using enum SecurityRegister;

// Addresses follow the public device data: the F060..065 keep their lock
// bytes at 0xFBFF/0xFBFE below a reserved area (0xFC00 up), the F046/047 and
// F066/067 at the top of their 32 KB, the F312..315 at the top of their 8 KB.
// Flash pages (the unit of a page erase and of the C2 page lock) are 1024
// bytes on the F36x and the F12x/F13x, 512 bytes on every other part.
// The highest readable address of a C2 part is its lock byte: the reserved
// area above it is never reachable over C2.
constexpr std::array<Derivative, 32> Table{{
    // C2 parts.                                        code  rev  flash   readable  lock     kind        scr  fpdat sec ... page
    {"F300", "F300/1/2/3",            C2,   0x04, 1, 8192,   0x1DFF,  0x1DFF,  F30xNibbles, 0,   0xB4, None,    0, 0, 0, 512},
    {"F304", "F304",                  C2,   0x04, 1, 4096,   0x0FFF,  0x0FFF,  F30xNibbles, 0,   0xB4, None,    0, 0, 0, 512},
    {"F305", "F305",                  C2,   0x04, 1, 2048,   0x07FF,  0x07FF,  F30xNibbles, 0,   0xB4, None,    0, 0, 0, 512},
    {"F310", "F310/11/16/17",         C2,   0x08, 1, 16384,  0x3DFF,  0x3DFF,  PageCount,   0,   0xB4, B5,      0, 0, 0, 512},
    {"F312", "F312/13/14/15",         C2,   0x08, 1, 8192,   0x1FFF,  0x1FFF,  PageCount,   0,   0xB4, B5,      0, 0, 0, 512},
    {"F320", "F320/21",               C2,   0x09, 1, 16384,  0x3DFF,  0x3DFF,  PageCount,   0,   0xB4, B5,      0, 0, 0, 512},
    {"F330", "F330/1",                C2,   0x0A, 1, 8192,   0x1DFF,  0x1DFF,  PageCount,   0,   0xB4, None,    0, 0, 0, 512},
    {"F332", "F332/3",                C2,   0x0A, 1, 4096,   0x0FFF,  0x0FFF,  PageCount,   0,   0xB4, None,    0, 0, 0, 512},
    {"F334", "F334/5",                C2,   0x0A, 1, 2048,   0x07FF,  0x07FF,  PageCount,   0,   0xB4, None,    0, 0, 0, 512},
    {"F350", "F350/1/2/3",            C2,   0x0B, 1, 8192,   0x1DFF,  0x1DFF,  PageCount,   0,   0xB4, B5,      0, 0, 0, 512},
    {"F410", "F410/1",                C2,   0x0C, 1, 32768,  0x7DFF,  0x7DFF,  PageCount,   0,   0xB4, PagedB5, 0, 0, 0, 512},
    {"F412", "F412/13",               C2,   0x0C, 1, 16384,  0x3FFF,  0x3FFF,  PageCount,   0,   0xB4, PagedB5, 0, 0, 0, 512},
    {"F326", "F326/7",                C2,   0x0D, 1, 16384,  0x3DFF,  0x3DFF,  PageCount,   0,   0xB4, None,    0, 0, 0, 512},
    {"F340", "F340/2/4/6",            C2,   0x0F, 1, 65536,  0xFBFF,  0xFBFF,  PageCount,   0,   0xAD, B4,      0, 0, 0, 512},
    {"F341", "F341/3/5/7",            C2,   0x0F, 1, 32768,  0x7FFF,  0x7FFF,  PageCount,   0,   0xAD, B4,      0, 0, 0, 512},
    {"F520", "F520/1,F530/1",         C2,   0x11, 1, 8192,   0x1DFF,  0x1DFF,  PageCount,   0,   0xB4, PagedB5, 0, 0, 0, 512},
    {"F523", "F523/4,F533/4",         C2,   0x11, 1, 4096,   0x0FFF,  0x0FFF,  PageCount,   0,   0xB4, PagedB5, 0, 0, 0, 512},
    {"F526", "F526/7,F536/7",         C2,   0x11, 1, 2048,   0x07FF,  0x07FF,  PageCount,   0,   0xB4, PagedB5, 0, 0, 0, 512},
    {"F360", "F360..367",             C2,   0x12, 1, 32768,  0x7BFF,  0x7BFF,  PageCount,   0,   0xB4, None,    0, 0, 0, 1024},
    {"F368", "F368/9",                C2,   0x12, 1, 16384,  0x3FFF,  0x3FFF,  PageCount,   0,   0xB4, None,    0, 0, 0, 1024},
    // A C2 family the program does not know: it must show up unidentified.
    {"F336", "F336/7",                C2,   0x14, 1, 16384,  0x3DFF,  0x3DFF,  PageCount,   0,   0xB4, None,    0, 0, 0, 512},
    // JTAG parts: the read-lock byte is the last code address, the write/erase
    // lock byte the one below. Scratchpad: right above the code flash on parts
    // of up to 32 KB, in its own area (flag 0x80) on the larger ones.
    //                                                  code  rev  flash   readable  lock     kind        scr  fpdat sec   base    adr blocks page
    {"F005", "F000..F017 (F00x)",     Jtag, 0x00, 0, 32768,  0x7DFF,  0x7DFF,  JtagBlocks,  128, 0,    None,  0x4000, 16, 8, 512},
    {"F010", "F010..F017 (F01x)",     Jtag, 0x02, 0, 32768,  0x7DFF,  0x7DFF,  JtagBlocks,  128, 0,    None,  0x4000, 16, 8, 512},
    {"F018", "F018/19",               Jtag, 0x02, 0, 16384,  0x3DFF,  0x3DFF,  JtagBlocks,  128, 0,    None,  0x4000, 16, 4, 512},
    {"F206", "F2xx",                  Jtag, 0x01, 0, 8192,   0x1DFF,  0x1DFF,  JtagBlocks,  128, 0,    None,  0x4000, 16, 8, 512},
    {"F020", "F020..23",              Jtag, 0x03, 0, 65536,  0xFDFF,  0xFDFF,  JtagBlocks,  128, 0,    None,  0x4000, 16, 8, 512},
    {"F040", "F040..45",              Jtag, 0x05, 0, 65536,  0xFDFF,  0xFDFF,  JtagBlocks,  128, 0,    None,  0x4000, 16, 8, 512},
    {"F046", "F046/7",                Jtag, 0x05, 0, 32768,  0x7FFF,  0x7FFF,  JtagBlocks,  128, 0,    None,  0x4000, 16, 4, 512},
    {"F060", "F060..065",             Jtag, 0x06, 0, 65536,  0xFBFF,  0xFBFF,  JtagBlocks,  128, 0,    None,  0x4000, 16, 8, 512},
    {"F066", "F066/7",                Jtag, 0x06, 0, 32768,  0x7FFF,  0x7FFF,  JtagBlocks,  128, 0,    None,  0x4000, 16, 4, 512},
    {"F120", "F120..131",             Jtag, 0x07, 1, 131072, 0x1FBFF, 0x1FBFF, JtagBlocks,  256, 0,    None,  0x3000, 17, 8, 1024},
    {"F132", "F132/133",              Jtag, 0x07, 1, 65536,  0xFFFF,  0xFFFF,  JtagBlocks,  256, 0,    None,  0x3000, 17, 4, 1024},
}};

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

std::span<const Derivative> DerivativeTable() { return Table; }

const Derivative* FindDerivative(std::string_view name)
{
    if (name.size() > 2 && (name.substr(0, 2) == "C8" || name.substr(0, 2) == "c8")) {
        // "C8051F340" is accepted as well as "F340".
        auto pos = name.find_first_of("Ff");
        if (pos != std::string_view::npos)
            name = name.substr(pos);
    }
    for (const auto& d : Table)
        if (SameName(d.Name, name))
            return &d;
    return nullptr;
}

uint32_t JtagIdCode(const Derivative& d, uint8_t revision)
{
    return (uint32_t{revision} & 0xFu) << 28 | uint32_t{d.DeviceCode} << 12 | 0x243u;
}

} // namespace vorbrant::sim
