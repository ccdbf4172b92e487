#include "image/FileSaver.h"

#include "tests/image/ImageTestSupport.h"

#include <sys/stat.h>

using namespace vorbrant;
using namespace vorbrant::testing;

namespace {

std::vector<uint8_t> Counting(size_t n, unsigned seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(i * 3 + seed);
    return v;
}

struct SaveBench {
    std::unique_ptr<ImageBuffer> Image = std::make_unique<ImageBuffer>();
    TempDir Folder;

    void Fill(uint32_t start, uint32_t end)
    {
        for (uint32_t a = start; a <= end; ++a)
            Image->StoreByte(a, static_cast<uint8_t>(a ^ (a >> 8)));
        Image->StartAddress = static_cast<int32_t>(start);
        Image->EndAddress = static_cast<int32_t>(end);
    }
    std::string Save(SaveFormat format, const std::string& name = "out.hex")
    {
        std::string error;
        std::string path = Folder.File(name);
        EXPECT_TRUE(SaveImage(*Image, path, format, error)) << error;
        return TempDir::Read(path);
    }
    std::vector<uint8_t> Data(uint32_t start, uint32_t count) const
    {
        return {Image->ImageData.begin() + start, Image->ImageData.begin() + start + count};
    }
};

} // namespace

TEST(FormatHexRecord, ChecksumAndUpperCaseDigits)
{
    HexRecord r;
    r.RecordType = 4;
    r.DataLength = 2;
    r.Data[0] = 0x00;
    r.Data[1] = 0x01;
    ASSERT_EQ(r.Checksum, 0);
    EXPECT_EQ(FormatHexRecord(r), ":020000040001F9");
    EXPECT_EQ(r.Checksum, 0xF9) << "the formatter fills in the record's checksum";
    EXPECT_EQ(HexRecordChecksum(r), 0xF9);

    r = HexRecord{};
    r.RecordType = 1;
    EXPECT_EQ(FormatHexRecord(r), ":00000001FF");

    r = HexRecord{};
    r.RecordAddress = 0xABCD;
    r.DataLength = 3;
    r.Data[0] = 0xfe;
    r.Data[1] = 0x0a;
    r.Data[2] = 0xb0;
    EXPECT_EQ(FormatHexRecord(r), HexLine(0xABCD, 0, {0xFE, 0x0A, 0xB0}));
    EXPECT_EQ(r.Checksum, (0x100 - ((3 + 0xAB + 0xCD + 0xFE + 0x0A + 0xB0) & 0xFF)) & 0xFF);

    // A length beyond the data array is cut, never read past it.
    r.DataLength = 200;
    EXPECT_EQ(FormatHexRecord(r).size(), 11u + 2 * 128);
}

TEST(SaveImage, TwoFullRecordsWithoutExtendedAddress)
{
    SaveBench t;
    t.Fill(0x0000, 0x003F);
    EXPECT_EQ(t.Save(SaveFormat::Hex), HexLine(0x0000, 0, t.Data(0, 32)) + "\r\n" + HexLine(0x0020, 0, t.Data(0x20, 32)) +
                                   "\r\n:00000001FF\r\n");
}

TEST(SaveImage, RecordsSplitAtA64KiBBoundary)
{
    SaveBench t;
    t.Fill(0xFFF0, 0x1000F);
    EXPECT_EQ(t.Save(SaveFormat::Hex), HexLine(0xFFF0, 0, t.Data(0xFFF0, 16)) + "\r\n:020000040001F9\r\n" +
                                   HexLine(0x0000, 0, t.Data(0x10000, 16)) + "\r\n:00000001FF\r\n");
}

TEST(SaveImage, StartAbove64KiBWritesTheExtendedAddressFirst)
{
    SaveBench t;
    t.Fill(0x18000, 0x1801F);
    EXPECT_EQ(t.Save(SaveFormat::Hex), ":020000040001F9\r\n" + HexLine(0x8000, 0, t.Data(0x18000, 32)) +
                                   "\r\n:00000001FF\r\n");
    // Records are counted from the start, not aligned to 32.
    t.Fill(0x18005, 0x18030);
    EXPECT_EQ(t.Save(SaveFormat::Hex), ":020000040001F9\r\n" + HexLine(0x8005, 0, t.Data(0x18005, 32)) + "\r\n" +
                                   HexLine(0x8025, 0, t.Data(0x18025, 12)) + "\r\n:00000001FF\r\n");
}

TEST(SaveImage, OneAddressRangeSavesOneByte)
{
    SaveBench t;
    t.Fill(0x20005, 0x20005);
    EXPECT_EQ(t.Save(SaveFormat::Hex), ":020000040002F8\r\n" + HexLine(0x0005, 0, t.Data(0x20005, 1)) + "\r\n:00000001FF\r\n");
    EXPECT_EQ(t.Save(SaveFormat::Binary, "one.bin"), std::string(1, static_cast<char>(t.Image->ImageData[0x20005])));
    // An end below the start writes no byte.
    t.Image->EndAddress = 0x20004;
    EXPECT_EQ(t.Save(SaveFormat::Hex), ":020000040002F8\r\n:00000001FF\r\n");
    EXPECT_EQ(t.Save(SaveFormat::Binary, "none.bin"), "");
    // Below 64 KiB, and at a negative start, there is no extended address line.
    t.Image->StartAddress = 0x8000;
    t.Image->EndAddress = 0x7FFF;
    EXPECT_EQ(t.Save(SaveFormat::Hex), ":00000001FF\r\n");
    t.Image->StartAddress = -5;
    t.Image->EndAddress = -10;
    EXPECT_EQ(t.Save(SaveFormat::Hex), ":00000001FF\r\n");
    EXPECT_EQ(t.Save(SaveFormat::Binary, "neg.bin"), "");
}

TEST(SaveImage, BinaryWritesEveryByteOfTheRange)
{
    SaveBench t;
    t.Fill(0x100, 0x1FF);
    t.Image->EndAddress = 0x2FF;   // bytes never stored come out as FF
    std::string bin = t.Save(SaveFormat::Binary, "a.bin");
    ASSERT_EQ(bin.size(), 0x200u);
    EXPECT_EQ(static_cast<uint8_t>(bin[0x1FF]), t.Image->ImageData[0x2FF]);
    EXPECT_EQ(static_cast<uint8_t>(bin[0x100]), 0xFF);
    EXPECT_EQ(bin, std::string(reinterpret_cast<const char*>(t.Image->ImageData.data()) + 0x100, 0x200));
}

TEST(SaveImage, LastByteOnABoundaryAndWholeBuffer)
{
    SaveBench t;
    t.Fill(0xFFE0, 0xFFFF);
    EXPECT_EQ(t.Save(SaveFormat::Hex), HexLine(0xFFE0, 0, t.Data(0xFFE0, 32)) + "\r\n:020000040001F9\r\n:00000001FF\r\n");

    t.Image->StartAddress = 0;
    t.Image->EndAddress = 0x3FFFFF;
    const std::string text = t.Save(SaveFormat::Hex);
    EXPECT_EQ(text.size(), 131072u * 77 + 64 * 17 + 13);
    EXPECT_EQ(text.substr(text.size() - 13 - 17 - 77, 9), ":20FFE000");
}

TEST(SaveImage, RoundTripThroughTheLoader)
{
    SaveBench t;
    auto data = Counting(0x30000, 5);
    for (uint32_t i = 0; i < data.size(); ++i)
        t.Image->StoreByte(0x2FF00 + i, data[i]);
    t.Image->StartAddress = 0x2FF00;
    t.Image->EndAddress = 0x2FF00 + 0x30000 - 1;
    std::string error;
    const std::string path = t.Folder.File("round.hex");
    ASSERT_TRUE(SaveImage(*t.Image, path, SaveFormat::Hex, error)) << error;

    auto back = std::make_unique<ImageBuffer>();
    FileState state;
    state.CurrentFilePath = path;
    ASSERT_TRUE(LoadFile(*back, state).Loaded());
    EXPECT_EQ(back->ImageData, t.Image->ImageData);
    EXPECT_EQ(back->StartAddress, t.Image->StartAddress);
    EXPECT_EQ(back->EndAddress, t.Image->EndAddress);
    EXPECT_EQ(back->ImageSize, 0x30000);
}

TEST(SaveImage, FailuresNameThePathAndKeepTheOldFile)
{
    SaveBench t;
    t.Fill(0, 15);
    std::string error;
    const std::string missing = t.Folder.File("no/such/folder/x.hex");
    EXPECT_FALSE(SaveImage(*t.Image, missing, SaveFormat::Hex, error));
    EXPECT_EQ(error, "Can't write file " + missing + ": No such file or directory");

    // Writing over a folder fails and leaves the folder and no stray file.
    const std::string folder = t.Folder.File("sub");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    t.Folder.Write("sub/keep", "old");
    EXPECT_FALSE(SaveImage(*t.Image, folder, SaveFormat::Binary, error));
    EXPECT_NE(error.find("Can't write file " + folder + ": "), std::string::npos) << error;
    EXPECT_EQ(TempDir::Read(t.Folder.File("sub/keep")), "old");
    size_t entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(t.Folder.Path))
        ++entries;
    EXPECT_EQ(entries, 1u) << "no temporary file left behind";
}

TEST(SaveImage, RangesOutsideTheBufferAreRefused)
{
    SaveBench t;
    std::string error;
    const std::string path = t.Folder.File("x.hex");
    t.Image->StartAddress = 0x3FFFF0;
    t.Image->EndAddress = 0x400000;
    EXPECT_FALSE(SaveImage(*t.Image, path, SaveFormat::Hex, error));
    EXPECT_EQ(error, "The address range 3FFFF0H..400000H lies outside the buffer");
    t.Image->StartAddress = -1;
    t.Image->EndAddress = 0x10;
    EXPECT_FALSE(SaveImage(*t.Image, path, SaveFormat::Binary, error));
    EXPECT_EQ(error, "The address range FFFFFFFFH..000010H lies outside the buffer");
    t.Image->StartAddress = INT32_MIN;
    t.Image->EndAddress = INT32_MAX;
    EXPECT_FALSE(SaveImage(*t.Image, path, SaveFormat::Hex, error));
    EXPECT_FALSE(std::filesystem::exists(path));
}
