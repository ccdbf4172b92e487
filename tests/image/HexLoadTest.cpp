#include "tests/image/ImageTestSupport.h"

using namespace vorbrant;
using namespace vorbrant::testing;

namespace {
const std::string End = ":00000001FF\r\n";
std::string L(const std::string& line) { return line + "\r\n"; }
} // namespace

TEST(HexLoad, StoresDataRecordsAndSetsRangeMapsAndSize)
{
    LoadBench t;
    ASSERT_TRUE(t.Load(L(HexLine(0x0100, 0, {1, 2, 3, 4})) + L(HexLine(0x0200, 0, {5, 6})) + End));
    EXPECT_EQ(t.State.FileFormat, LoadFormat::Hex) << "detection keeps the detected format";
    EXPECT_EQ(t.State.LoadedName, "data.hex");
    EXPECT_EQ(t.Image->StartAddress, 0x100);
    EXPECT_EQ(t.Image->EndAddress, 0x201);
    EXPECT_EQ(t.Image->ImageSize, 0x102);
    EXPECT_EQ(t.Bytes(0x100, 4), (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(t.Bytes(0x200, 2), (std::vector<uint8_t>{5, 6}));
    // The hole between the records stays erased and unflagged.
    EXPECT_EQ(t.Image->ImageData[0x150], 0xFF);
    EXPECT_EQ(t.Image->PresentMap[0x150], 0);
    EXPECT_EQ(t.Image->PresentMap[0x103], 1);
    EXPECT_EQ(t.Image->PresentMap[0x104], 0);
    EXPECT_EQ(t.Image->PageMap[0], 1);
    EXPECT_EQ(t.Image->PageMap[1], 1);
    EXPECT_EQ(t.Image->PageMap[2], 0);
    EXPECT_TRUE(t.Op.Messages.empty());
}

TEST(HexLoad, ExtendedLinearAndSegmentAddressesAreEquivalent)
{
    LoadBench t;
    ASSERT_TRUE(t.Load(L(HexLine(0, 4, {0x00, 0x01})) + L(HexLine(0, 0, {0xAA})) + End));
    EXPECT_EQ(t.Image->ImageData[0x10000], 0xAA);
    EXPECT_EQ(t.Image->StartAddress, 0x10000);

    LoadBench s;
    ASSERT_TRUE(s.Load(L(HexLine(0, 2, {0x10, 0x00})) + L(HexLine(0, 0, {0xAA})) + End));
    EXPECT_EQ(s.Image->ImageData[0x10000], 0xAA);
    EXPECT_EQ(s.Image->PresentMap[0], 0);

    // A later 04 record replaces an earlier 02 value; 03 and 05 change nothing.
    LoadBench u;
    ASSERT_TRUE(u.Load(L(HexLine(0, 2, {0x10, 0x00})) + L(HexLine(0, 4, {0x00, 0x02})) +
                       L(HexLine(0, 3, {0, 0, 0, 0})) + L(HexLine(0, 5, {0, 0, 0, 0})) +
                       L(HexLine(0x0010, 0, {0x55})) + End));
    EXPECT_EQ(u.Image->ImageData[0x20010], 0x55);
    EXPECT_EQ(u.Image->ImageSize, 1);

    // Every load starts at extended address 0, whatever the last load ended with.
    ASSERT_TRUE(u.Load(L(HexLine(0x0010, 0, {0x66})) + End));
    EXPECT_EQ(u.Image->ImageData[0x10], 0x66);
    EXPECT_EQ(u.Image->StartAddress, 0x10);
}

TEST(HexLoad, LoadOffsetMovesHexDataOnly)
{
    LoadBench t;
    t.Image->LoadOffset = 0x100;
    ASSERT_TRUE(t.Load(L(HexLine(0x0010, 0, {0x42})) + End));
    EXPECT_EQ(t.Image->ImageData[0x110], 0x42);
    EXPECT_EQ(t.Image->PresentMap[0x10], 0);

    ASSERT_TRUE(t.Load(L(SLine('1', 0x0010, 2, {0x42})) + "S9030000FC\r\n"));
    EXPECT_EQ(t.Image->ImageData[0x10], 0x42);
    EXPECT_EQ(t.Image->PresentMap[0x110], 0) << "the S-record load replaced the image";

    // A negative offset may move data down to address 0, not below it.
    t.Image->LoadOffset = -0x10;
    ASSERT_TRUE(t.Load(L(HexLine(0x0010, 0, {0x43})) + End));
    EXPECT_EQ(t.Image->ImageData[0], 0x43);
    t.Image->LoadOffset = -0x11;
    EXPECT_FALSE(t.Load(L(HexLine(0x0010, 0, {0x43})) + End));
    EXPECT_EQ(t.Message(), "File too big for the selected FLASH memory!");

    // Address, offset and extended address beyond 2^32 must not wrap round
    // into the buffer (0xFFFF0000 + 0xFFFF + 0x10 would land at 0x0F).
    LoadBench w;
    w.Image->LoadOffset = 0x10;
    EXPECT_FALSE(w.Load(":02000004FFFFFC\r\n:01FFFF00AA57\r\n" + End));
    EXPECT_EQ(w.Message(), "File too big for the selected FLASH memory!");
    EXPECT_EQ(w.Image->PresentMap[0x0F], 0);
}

TEST(HexLoad, LastBufferAddressLoadsOneBeyondFails)
{
    LoadBench t;
    // 0x3FFFF0..0x3FFFFF
    std::string ext = L(HexLine(0, 4, {0x00, 0x3F}));
    ASSERT_TRUE(t.Load(ext + L(HexLine(0xFFF0, 0, std::vector<uint8_t>(16, 0x11))) + End));
    EXPECT_EQ(t.Image->EndAddress, 0x3FFFFF);
    EXPECT_EQ(t.Image->ImageSize, 16);
    EXPECT_EQ(t.Image->PageMap[8191], 1);
    EXPECT_EQ(t.Image->PageMap[8192], 0);

    // 0x3FFFF1..0x400000
    EXPECT_FALSE(t.Load(ext + L(HexLine(0xFFF1, 0, std::vector<uint8_t>(16, 0x11))) + End));
    EXPECT_EQ(t.Message(), "File too big for the selected FLASH memory!");
    EXPECT_EQ(t.Image->ImageSize, 0);

    // An address that wraps past 2^32 is outside as well.
    EXPECT_FALSE(t.Load(L(HexLine(0, 4, {0xFF, 0xFF})) + L(HexLine(0xFFFF, 0, {1, 2})) + End));
    EXPECT_EQ(t.Message(), "File too big for the selected FLASH memory!");
}

TEST(HexLoad, EndLineMustBeExact)
{
    LoadBench t;
    const std::string data = L(HexLine(0, 0, {1}));
    EXPECT_FALSE(t.Load(data + ":00000001ff\r\n"));
    EXPECT_EQ(t.Message(), "Invalid HEX file !");
    EXPECT_FALSE(t.Load(data + ":00000001FF \r\n")) << "trailing blank";
    EXPECT_EQ(t.Message(), "Invalid HEX file !");
    EXPECT_FALSE(t.Load(data + L(HexLine(0x1234, 1, {}))));
    EXPECT_EQ(t.Message(), "Invalid HEX file !");
    EXPECT_FALSE(t.Load(data + L(HexLine(0, 1, {0x00}))));
    EXPECT_EQ(t.Message(), "Invalid HEX file !");
    EXPECT_FALSE(t.Load(data)) << "no end line";
    EXPECT_EQ(t.Message(), "Invalid HEX file !");
    // The end line without a line end still ends the file.
    EXPECT_TRUE(t.Load(data + ":00000001FF"));
}

TEST(HexLoad, LinesAfterTheEndLineAreNotRead)
{
    LoadBench t;
    ASSERT_TRUE(t.Load(L(HexLine(0, 0, {1})) + End + "garbage\r\n" + L(HexLine(0x10, 0, {2}))));
    EXPECT_EQ(t.Image->EndAddress, 0);
    EXPECT_EQ(t.Image->PresentMap[0x10], 0);
}

TEST(HexLoad, AByteOrderMarkAndBlankLinesBeforeTheFirstRecordAreNoData)
{
    const std::string body = L(HexLine(0x0010, 0, {0x12, 0x34})) + End;
    for (const std::string& start : {std::string("\xEF\xBB\xBF"), std::string("\r\n\n"), std::string("  \t"),
                                     std::string("\xEF\xBB\xBF\r\n ")}) {
        LoadBench t;
        ASSERT_TRUE(t.Load(start + body)) << t.Message();
        EXPECT_EQ(t.State.FileFormat, LoadFormat::Hex) << "detected past the start";
        EXPECT_EQ(t.Bytes(0x10, 2), (std::vector<uint8_t>{0x12, 0x34}));
        EXPECT_EQ(t.Image->ImageSize, 2);
    }
}

TEST(HexLoad, MalformedRecordsGiveTheirMessage)
{
    const std::string good = HexLine(0x0010, 0, {0x12, 0x34});   // :020010001234A8
    ASSERT_EQ(good, ":020010001234A8");
    struct Case {
        std::string Line;
        const char* Message;
    } cases[] = {
        {"", "Invalid HEX file !"},                                  // empty line between records
        {"020010001234A8", "Invalid HEX file !"},                    // no colon
        {" :020010001234A8", "Invalid HEX file !"},                  // leading blank after the first record
        {":02001000123", "Invalid HEX file !"},                      // truncated
        {":020010001234A", "Invalid HEX file !"},                    // odd digit count, checksum cut
        {":0200100012G4A8", "Invalid HEX file !"},                   // non-hex data
        {":0X0010001234A8", "Invalid HEX file !"},                   // non-hex count
        {":03001000123456", "Invalid HEX file !"},                   // count larger than the line
        {":020010001234A9", "Checksum error in HEX file !"},
        {":020010001234a8", "Invalid HEX file !"},                   // lower-case end of a data line is fine ...
        {HexLine(0, 6, {1}), "Invalid HEX file !"},                  // unknown type
        {HexLine(0, 0xFF, {}), "Invalid HEX file !"},
        {std::string(":0200100012") + '\0' + "4A8", "Invalid HEX file !"},   // NUL byte
        {":00000004FC", "Invalid HEX file !"},                       // type 04 without its value
    };
    for (const auto& c : cases) {
        LoadBench t;
        bool ok = t.Load(L(good) + L(c.Line) + End, LoadFormat::Hex);
        if (c.Line == ":020010001234a8") {
            // ... because hex digits of either case are accepted.
            EXPECT_TRUE(ok) << c.Line;
            continue;
        }
        EXPECT_FALSE(ok) << c.Line;
        EXPECT_EQ(t.Message(), c.Message) << c.Line;
    }
}

TEST(HexLoad, CountSmallerThanTheLineIgnoresTheRest)
{
    LoadBench t;
    ASSERT_TRUE(t.Load(":01001000559A trailing text\r\n" + End));
    EXPECT_EQ(t.Image->ImageData[0x10], 0x55);
    EXPECT_EQ(t.Image->PresentMap[0x11], 0);
}

TEST(HexLoad, LineEndsOfEveryKind)
{
    const std::string a = HexLine(0, 0, {1}), b = HexLine(1, 0, {2});
    for (const char* eol : {"\n", "\r\n", "\r"}) {
        LoadBench t;
        ASSERT_TRUE(t.Load(a + eol + b + eol + ":00000001FF" + eol)) << int(eol[0]);
        EXPECT_EQ(t.Bytes(0, 2), (std::vector<uint8_t>{1, 2}));
    }
    // An empty line between records is an invalid record.
    LoadBench t;
    EXPECT_FALSE(t.Load(a + "\r\n\r\n" + End));
    EXPECT_EQ(t.Message(), "Invalid HEX file !");
}

TEST(HexLoad, FileWithoutDataRecordsIsAnEmptyImage)
{
    LoadBench t;
    ASSERT_TRUE(t.Load(L(HexLine(0, 4, {0, 1})) + L(HexLine(0x20, 0, {})) + End));
    EXPECT_EQ(t.Image->StartAddress, 0);
    EXPECT_EQ(t.Image->EndAddress, 0);
    EXPECT_EQ(t.Image->ImageSize, 0);
    EXPECT_EQ(t.Image->PresentMap[0], 0);
}

TEST(HexLoad, LongestRecordAndOverlongLines)
{
    std::vector<uint8_t> data(255);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i);
    LoadBench t;
    ASSERT_TRUE(t.Load(L(HexLine(0, 0, data)) + End));
    EXPECT_EQ(t.Bytes(0, 255), data);

    // A record followed by 100 000 characters of comment still loads.
    ASSERT_TRUE(t.Load(L(HexLine(0, 0, data) + std::string(100000, 'x')) + End));
    EXPECT_EQ(t.Image->ImageSize, 255);
}
