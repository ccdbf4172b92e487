#include "target/IdentTables.h"

#include <array>

namespace vorbrant {

namespace {

constexpr uint16_t NoCode = 0xFFFF;

using enum SecurityAccess;
using enum C2SecurityPath;

constexpr std::array<JtagIdentRow, 6> JtagRows{{
    // code, alt,  name,        KB,  end,     base,   scratch, keep probes,          smaller variant
    //   then: F12x set-up, FLASHADR bits (first choice, smaller variant), page size
    // The F12x/F13x family has 1 KB sectors and a 17-bit FLASHADR, its 64 KB
    // members included.
    {0, 2, "F000..017", 32, 0x7DFF, 0x4000, 128, {0x7DFE, 0x7DFF}, "F018/19", 16, 0x3DFF, 0x3DFF,
     false, 16, 16, 512},
    {1, NoCode, "F2XX", 8, 0x1DFF, 0x4000, 128, {NoProbe, NoProbe}, nullptr, 0, 0, NoProbe,
     false, 16, 16, 512},
    {3, NoCode, "F020..23", 64, 0xFDFF, 0x4000, 128, {NoProbe, NoProbe}, nullptr, 0, 0, NoProbe,
     false, 16, 16, 512},
    // The F046/7 and F066/7 keep their lock bytes at the top of their 32 KB;
    // the F060..065 below a reserved area from 0xFC00 on.
    {5, NoCode, "F040..45", 64, 0xFDFF, 0x4000, 128, {0x8200, 0xFDFF}, "F046/7", 32, 0x7FFF, 0x7FFF,
     false, 16, 16, 512},
    {6, NoCode, "F060..065", 64, 0xFBFF, 0x4000, 128, {0x8200, 0xFBFF}, "F066/7", 32, 0x7FFF, NoProbe,
     false, 16, 16, 512},
    {7, NoCode, "F120..131", 128, 0x1FBFF, 0x3000, 256, {0x10000, 0x1FBFF}, "F132/133", 64, 0xFFFF, 0xFFFF,
     true, 17, 17, 1024},
}};

constexpr C2Result NotIdentified{nullptr, 0, 0, 0};

// After the result rows: whether an unlocked answer ends the locked
// warning, the page size (1 KB on the F36x, 512 bytes elsewhere), and how
// the part keeps and shows its security byte.
constexpr std::array<C2IdentRow, 10> C2Rows{{
    {0x304, 0xB4, {}, 0, C2LockTest::SecurityPath,
     {{0x800, {"F305", 2, 0x7FF, 0x7FF}}, {0x1000, {"F304", 4, 0xFFF, 0xFFF}}}, 2,
     {"F300/1/2/3", 8, 0x1DFF, 0x1DFF}, {"Locked F30x", 8, 1, 0x1DFF}, true,
     512, F30xNibbles, Fpdat},
    {0x308, 0xB4, {}, 0, C2LockTest::ReadFirstByte,
     {{0x2000, {"F312/13/14/15", 8, 0x1FFF, 0x1FFF}}, {}}, 1,
     {"F310/11/6/7", 16, 0x3DFF, 0x3DFF}, {"Locked F31x", 16, 1, 0x7DFF}, false,
     512, C2PageCount, InvertedB5},
    {0x309, 0xB4, {}, 0, C2LockTest::None, {}, 0,
     {"F320/21", 16, 0x3DFF, 0x3DFF}, NotIdentified, false,
     512, C2PageCount, InvertedB5},
    {0x30A, 0xB4, {}, 0, C2LockTest::ReadFirstByte,
     {{0x800, {"F334/5", 2, 0x7FE, 0x7FF}}, {0x1000, {"F332/3", 4, 0xFFE, 0xFFF}}}, 2,
     {"F330/1", 8, 0x1DFF, 0x1DFF}, {"Locked F33x", 8, 1, 0x7DFF}, false,
     512, C2PageCount, Fpdat},
    {0x30B, 0xB4, {}, 0, C2LockTest::ReadFirstByte,
     {{0x2000, {"F350/1/2/3", 8, 0x1DFE, 0x1DFF}}, {}}, 1,
     NotIdentified, {"Locked F35x", 8, 1, 0x7DFF}, true,
     512, C2PageCount, InvertedB5},
    {0x30C, 0xB4, {{0xB2, 0x87}, {}}, 1, C2LockTest::ReadFirstByte,
     {{0x4000, {"F412/13", 16, 0x3FFE, 0x3FFF}}, {}}, 1,
     {"F410/1", 32, 0x7DFE, 0x7DFF}, {"Locked F41x", 32, 1, 0x7DFF}, true,
     512, C2PageCount, WindowB5},
    {0x30D, 0xB4, {}, 0, C2LockTest::None, {}, 0,
     {"F326/7", 16, 0x3DFF, 0x3DFF}, NotIdentified, false,
     512, C2PageCount, Fpdat},
    {0x30F, 0xAD, {{0xB2, 0x83}, {}}, 1, C2LockTest::ReadFirstByte,
     {{0x8000, {"F341/3/5/7", 32, 0x7FFE, 0x7FFF}}, {}}, 1,
     {"F340/2/4/6", 64, 0xFBFE, 0xFBFF}, {"Locked F34x", 64, 0xFBFE, 0xFBFF}, true,
     512, C2PageCount, InvertedB4},
    {0x311, 0xB4, {{0xB2, 0x87}, {0xFF, 0xA0}}, 2, C2LockTest::ReadFirstByte,
     {{0x800, {"F526/7,F536/7", 2, 0x7FE, 0x7FF}}, {0x1000, {"F523/4,F533/4", 4, 0xFFE, 0xFFF}}}, 2,
     {"F520/1,F530/1", 8, 0x1DFF, 0x1DFF}, {"Locked F52x,F53x", 8, 1, 0x1DFF}, false,
     512, C2PageCount, WindowB5},
    {0x312, 0xB4, {{0xB2, 0x83}, {}}, 1, C2LockTest::ReadFirstByte,
     {{0x4000, {"F368/9", 16, 0x3FFE, 0x3FFF}}, {}}, 1,
     {"F360..367", 32, 0x7BFE, 0x7BFF}, {"Locked F36x", 32, 0x7BFE, 0x7BFF}, true,
     1024, C2PageCount, Fpdat},
}};

} // namespace

std::span<const JtagIdentRow> JtagIdentTable()
{
    return JtagRows;
}

std::span<const C2IdentRow> C2IdentTable()
{
    return C2Rows;
}

const JtagIdentRow* FindJtagRow(uint16_t deviceCode)
{
    for (const JtagIdentRow& row : JtagIdentTable())
        if (row.Code == deviceCode || (row.AltCode != NoCode && row.AltCode == deviceCode))
            return &row;
    return nullptr;
}

const C2IdentRow* FindC2Row(uint16_t deviceCode)
{
    for (const C2IdentRow& row : C2IdentTable())
        if (row.Code == deviceCode)
            return &row;
    return nullptr;
}

bool IsKnownJtagPart(uint32_t idCode)
{
    return (idCode & 0xFFFu) == C8051fIdCodeVendorBits && FindJtagRow(static_cast<uint16_t>(idCode >> 12)) != nullptr;
}

} // namespace vorbrant
