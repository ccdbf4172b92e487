#include "tests/image/ImageTestSupport.h"

using namespace vorbrant;
using namespace vorbrant::testing;

namespace {
std::string L(const std::string& line) { return line + "\n"; }
const std::string S9 = "S9030000FC\n";
} // namespace

TEST(SRecordLoad, StoresS1S2S3AndEndsAtS7S8S9)
{
    LoadBench t;
    ASSERT_TRUE(t.Load("S00600004844521B\n" + L(SLine('1', 0x1234, 2, {1, 2})) +
                       L(SLine('2', 0x012345, 3, {3})) + L(SLine('3', 0x00300000, 4, {4, 5})) +
                       L(SLine('5', 0x0003, 2, {})) + L(SLine('6', 0x000003, 3, {})) + S9 +
                       "not read\n"));
    EXPECT_EQ(t.State.FileFormat, LoadFormat::SRecord);
    EXPECT_EQ(t.Bytes(0x1234, 2), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(t.Image->ImageData[0x12345], 3);
    EXPECT_EQ(t.Bytes(0x300000, 2), (std::vector<uint8_t>{4, 5}));
    EXPECT_EQ(t.Image->StartAddress, 0x1234);
    EXPECT_EQ(t.Image->EndAddress, 0x300001);
    EXPECT_EQ(t.Image->ImageSize, 0x300001 - 0x1234 + 1);

    for (std::string end : {SLine('7', 0, 4, {}), SLine('8', 0, 3, {}), SLine('9', 0, 2, {})}) {
        ASSERT_TRUE(t.Load(L(SLine('1', 0, 2, {9})) + L(end) + L(SLine('1', 1, 2, {8}))));
        EXPECT_EQ(t.Image->EndAddress, 0) << end;
    }
}

TEST(SRecordLoad, ACountRecordThatCountsTheDataCompletesAFileWithoutAnEndRecord)
{
    // As srec_cat writes a file it was given no start address for.
    const std::string data = L(SLine('1', 0x0100, 2, {1, 2})) + L(SLine('1', 0x0102, 2, {3})) + L(SLine('2', 0x010000, 3, {4}));
    LoadBench t;
    ASSERT_TRUE(t.Load("S00600004844521B\n" + data + L(SLine('5', 0x0003, 2, {})), LoadFormat::SRecord)) << t.Message();
    EXPECT_EQ(t.Bytes(0x100, 3), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(t.Image->ImageData[0x10000], 4);
    ASSERT_TRUE(t.Load(data + L(SLine('6', 0x000003, 3, {}))));
    EXPECT_EQ(t.State.FileFormat, LoadFormat::SRecord);

    // A count that does not match, or data after the count, leaves the file unfinished.
    EXPECT_FALSE(t.Load(data + L(SLine('5', 0x0002, 2, {}))));
    EXPECT_EQ(t.Message(), "Invalid S-record !");
    EXPECT_FALSE(t.Load(data + L(SLine('5', 0x0003, 2, {})) + L(SLine('1', 0x0200, 2, {5}))));
    EXPECT_EQ(t.Message(), "Invalid S-record !");
}

TEST(SRecordLoad, TextAfterTheChecksumIsNotReadAndDigitsMayBeLowerCase)
{
    LoadBench t;
    // S1 0x0010 {0xAB, 0xCD}: count 05, checksum FF - (05+00+10+AB+CD) = 72.
    ASSERT_EQ(SLine('1', 0x0010, 2, {0xAB, 0xCD}), "S1050010ABCD72");
    ASSERT_TRUE(t.Load("S1050010abcd72;comment 99\nS9030000FC trailing\n", LoadFormat::SRecord)) << t.Message();
    EXPECT_EQ(t.Bytes(0x10, 2), (std::vector<uint8_t>{0xAB, 0xCD}));
    EXPECT_EQ(t.Image->PresentMap[0x12], 0) << "nothing after the checksum pair is data";
    EXPECT_EQ(t.Image->ImageSize, 2);
}

TEST(SRecordLoad, FailuresGiveTheirMessage)
{
    const std::string good = SLine('1', 0x0010, 2, {0x12});   // S1040010129B? (checksum computed)
    struct Case {
        std::string Text;
        const char* Message;
    } cases[] = {
        {L(good), "Invalid S-record !"},                                     // no end record
        {L(good) + "\n" + S9, "Invalid S-record !"},                         // empty line between records
        {"s1040010" + good.substr(8) + "\n" + S9, "Invalid S-record !"},     // lower-case s
        {L(good.substr(0, good.size() - 1)) + S9, "Invalid S-record !"},     // truncated checksum
        {"S1\n" + S9, "Invalid S-record !"},
        {L(SLine('4', 0, 2, {1})) + S9, "Invalid S-record !"},               // unknown type
        {"S10200FD\n" + S9, "Invalid S-record !"},                           // count too small for S1
        {"S1040010G2" + good.substr(10) + "\n" + S9, "Invalid S-record !"},  // non-hex
        {L(good.substr(0, good.size() - 2) + "00") + S9, "Checksum error in S-record !"},
        {L(SLine('3', 0x003FFFFF, 4, {1, 2})) + S9, "File too big for the selected FLASH memory!"},
        {L(SLine('3', 0xFFFFFFFF, 4, {1})) + S9, "File too big for the selected FLASH memory!"},
    };
    for (const auto& c : cases) {
        LoadBench t;
        EXPECT_FALSE(t.Load(c.Text, LoadFormat::SRecord)) << c.Text;
        EXPECT_EQ(t.Message(), c.Message) << c.Text;
    }
    LoadBench t;
    EXPECT_TRUE(t.Load(L(SLine('3', 0x003FFFFE, 4, {1, 2})) + S9));
}

TEST(DatLoad, StoresLowByteFirstAndEndsAtEndOfFile)
{
    LoadBench t;
    ASSERT_TRUE(t.Load("[20000010] 12AB\n[20000012] cd34 comment\r\n", LoadFormat::Dat, "x.dat"));
    EXPECT_EQ(t.Bytes(0x10, 4), (std::vector<uint8_t>{0xAB, 0x12, 0x34, 0xCD}));
    EXPECT_EQ(t.Image->StartAddress, 0x10);
    EXPECT_EQ(t.Image->EndAddress, 0x13);
    EXPECT_EQ(t.Image->ImageSize, 4);
    // The last word of the buffer fits, one further does not.
    ASSERT_TRUE(t.Load("[203FFFFE] 0102", LoadFormat::Dat));
    EXPECT_EQ(t.Bytes(0x3FFFFE, 2), (std::vector<uint8_t>{0x02, 0x01}));
    EXPECT_FALSE(t.Load("[203FFFFF] 0102", LoadFormat::Dat));
    EXPECT_EQ(t.Message(), "File too big for the selected FLASH memory!");
    EXPECT_FALSE(t.Load("[1FFFFFFF] 0102", LoadFormat::Dat)) << "below the base wraps to the top";
    EXPECT_EQ(t.Message(), "File too big for the selected FLASH memory!");

    // The load offset moves Intel HEX data only.
    t.Image->LoadOffset = 0x100;
    ASSERT_TRUE(t.Load("[20000010] 12AB\n", LoadFormat::Dat));
    EXPECT_EQ(t.Bytes(0x10, 2), (std::vector<uint8_t>{0xAB, 0x12}));
    EXPECT_EQ(t.Image->PresentMap[0x110], 0);
}

TEST(DatLoad, BadFramesAndFields)
{
    for (std::string text : {"[20000010]12AB", "(20000010] 12AB", "[20000010) 12AB", "[2000001] 12AB",
                             "[20000010] 12A", "[2000001G] 12AB", "[20000010] 1xAB", "", "\n", " \r\n\t",
                             "[20000010] 12AB\n\n"}) {
        LoadBench t;
        // Nothing but blanks is no text: an empty file.
        if (text.find_first_not_of(" \r\n\t") == std::string::npos) {
            EXPECT_FALSE(t.Load(text, LoadFormat::Dat));
            EXPECT_EQ(t.Message(), "File is empty!");
            continue;
        }
        EXPECT_FALSE(t.Load(text, LoadFormat::Dat)) << text;
        EXPECT_EQ(t.Message(), "Invalid DAT record !") << text;
    }
}

TEST(DatLoad, DetectionGoesByTheNameWhenTheTextSaysNothing)
{
    // A DAT file starts with neither ':' nor 'S': its name says what it is.
    LoadBench t;
    ASSERT_TRUE(t.Load("[20000010] 12AB\n", LoadFormat::Detect, "x.dat"));
    EXPECT_EQ(t.State.FileFormat, LoadFormat::Dat);
    EXPECT_EQ(t.Bytes(0x10, 2), (std::vector<uint8_t>{0xAB, 0x12}));
    // A text name is never read as binary: a broken HEX file gets the HEX message.
    EXPECT_FALSE(t.Load("garbage\n", LoadFormat::Detect, "fw.ihx"));
    EXPECT_EQ(t.Message(), "Invalid HEX file !");
    EXPECT_FALSE(t.Load("garbage\n", LoadFormat::Detect, "fw.S28"));
    EXPECT_EQ(t.Message(), "Invalid S-record !");
    ASSERT_TRUE(t.Load(std::string("\x02\0\x06", 3), LoadFormat::Detect, "fw.img"));
    EXPECT_EQ(t.State.FileFormat, LoadFormat::Binary);
    // ... but text under any other name is no binary image either.
    EXPECT_FALSE(t.Load("garbage\n", LoadFormat::Detect, "fw.img"));
    EXPECT_TRUE(t.Message().ends_with(" is not a HEX, S-record, DAT or binary image (it looks like text); give "
                                      "--format=bin to program it as raw bytes"))
        << t.Message();
    EXPECT_EQ(ChooseFileFormat("/a/b/x.DaT", LoadFormat::SRecord), LoadFormat::Dat);
    EXPECT_EQ(ChooseFileFormat("/a.dat/b", LoadFormat::SRecord), LoadFormat::SRecord);
    EXPECT_EQ(ChooseFileFormat("/a/b.hex", LoadFormatForFilter(1)), LoadFormat::Hex);
    EXPECT_EQ(LoadFormatForFilter(4), LoadFormat::Dat);
    EXPECT_EQ(LoadFormatForFilter(5), LoadFormat::Detect);
}

TEST(BinaryLoad, StoresAtTheLoadOffsetAndShowsTheRange)
{
    LoadBench t;
    std::string bytes(1024, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    bytes[0] = 'x';   // not ':' or 'S': detected as binary
    ASSERT_TRUE(t.Load(bytes, LoadFormat::Detect, "image.bin"));
    EXPECT_EQ(t.State.FileFormat, LoadFormat::Binary);
    EXPECT_EQ(BufferInfoText(t.Image->StartAddress), "000000H");
    EXPECT_EQ(BufferInfoText(t.Image->EndAddress), "0003FFH");
    EXPECT_EQ(BufferInfoText(t.Image->ImageSize), "000400H");
    EXPECT_EQ(t.Image->ImageData[5], 35);
    EXPECT_EQ(t.Image->PresentMap[1023], 1);
    EXPECT_EQ(t.Image->PresentMap[1024], 0);
    EXPECT_EQ(t.Image->PageMap[1], 1);
    EXPECT_EQ(t.Image->PageMap[2], 0);

    // A raw image built for 0x1000 goes there, as a HEX file's records would.
    t.Image->LoadOffset = 0x1000;
    ASSERT_TRUE(t.Load(bytes, LoadFormat::Binary, "image.bin"));
    EXPECT_EQ(BufferInfoText(t.Image->StartAddress), "001000H");
    EXPECT_EQ(BufferInfoText(t.Image->EndAddress), "0013FFH");
    EXPECT_EQ(t.Image->ImageData[0x1005], 35);
    EXPECT_EQ(t.Image->PresentMap[0x0FFF], 0);
    EXPECT_EQ(t.Image->PageMap[7], 0);
    EXPECT_EQ(t.Image->PageMap[8], 1);
    EXPECT_EQ(t.Image->PageMap[9], 1);
    EXPECT_EQ(t.Image->PageMap[10], 0);

    // Every byte must still land inside the buffer.
    for (int32_t offset : {-1, static_cast<int32_t>(ImageBuffer::Capacity - 1023)}) {
        t.Image->LoadOffset = offset;
        EXPECT_FALSE(t.Load(bytes, LoadFormat::Binary, "image.bin")) << offset;
        EXPECT_EQ(t.Message(), "File too big for the selected FLASH memory!");
    }
    t.Image->LoadOffset = static_cast<int32_t>(ImageBuffer::Capacity - 1024);
    ASSERT_TRUE(t.Load(bytes, LoadFormat::Binary, "image.bin"));
    EXPECT_EQ(t.Image->EndAddress, 0x3FFFFF);
}

TEST(BinaryLoad, FullBufferLoadsOneByteMoreIsTooBig)
{
    LoadBench t;
    std::string full(ImageBuffer::Capacity, '\x5A');
    ASSERT_TRUE(t.Load(full, LoadFormat::Binary, "full.bin"));
    EXPECT_EQ(t.Image->EndAddress, 0x3FFFFF);
    EXPECT_EQ(t.Image->ImageSize, 0x400000);
    EXPECT_EQ(t.Image->PageMap[8191], 1);
    EXPECT_EQ(t.Image->PageMap[8192], 0);

    ASSERT_TRUE(t.Load("\x01\x02", LoadFormat::Binary, "small.bin"));
    EXPECT_FALSE(t.Load(full + "!", LoadFormat::Binary, "big.bin"));
    EXPECT_EQ(t.Message(), "File too big for the selected FLASH memory!");
    EXPECT_EQ(t.Image->ImageSize, 0);
    EXPECT_EQ(t.Image->ImageData[2], 0xFF) << "nothing of the big file was stored";
    EXPECT_EQ(t.Image->EndAddress, 1);
}
