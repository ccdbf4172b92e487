#include "image/Convert.h"

#include "tests/image/ImageTestSupport.h"

using namespace vorbrant;
using namespace vorbrant::testing;

namespace {

// Runs RunConvert and returns what it printed.
std::string Convert(const std::string& in, const std::string& out, ConvertResult& code)
{
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* err = open_memstream(&buffer, &size);
    code = RunConvert(in, out, err);
    std::fclose(err);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

} // namespace

TEST(Convert, HexToBinaryOverTheLoadedRange)
{
    TempDir f;
    const std::string in = f.Write("in.hex", HexLine(0x100, 0, {1, 2}) + "\n" + HexLine(0x110, 0, {3}) + "\n:00000001FF\n");
    ConvertResult code{};
    EXPECT_EQ(Convert(in, f.File("out.BIN"), code), "");
    EXPECT_EQ(code, ConvertResult::Written);
    std::string expect(0x11, '\xFF');
    expect[0] = 1;
    expect[1] = 2;
    expect[0x10] = 3;
    EXPECT_EQ(TempDir::Read(f.File("out.BIN")), expect);

    EXPECT_EQ(Convert(in, f.File("out.hex"), code), "");
    EXPECT_EQ(code, ConvertResult::Written);
    EXPECT_EQ(TempDir::Read(f.File("out.hex")),
              HexLine(0x100, 0, {1, 2, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                 0xFF, 3}) +
                  "\r\n:00000001FF\r\n");
}

TEST(Convert, DatByExtensionBinaryByDetectionEmptyImage)
{
    TempDir f;
    ConvertResult code{};
    Convert(f.Write("w.DAT", "[20000004] BEEF\n"), f.File("o.bin"), code);
    EXPECT_EQ(code, ConvertResult::Written);
    EXPECT_EQ(TempDir::Read(f.File("o.bin")), "\xEF\xBE");

    Convert(f.Write("raw", std::string("A\0C", 3)), f.File("o.hex"), code);
    EXPECT_EQ(code, ConvertResult::Written);
    EXPECT_EQ(TempDir::Read(f.File("o.hex")), HexLine(0, 0, {'A', 0, 'C'}) + "\r\n:00000001FF\r\n");

    // A file without data records converts to an empty image.
    Convert(f.Write("e.hex", ":00000001FF\n"), f.File("e.bin"), code);
    EXPECT_EQ(code, ConvertResult::Written);
    EXPECT_EQ(TempDir::Read(f.File("e.bin")), "");
}

TEST(Convert, LoadAndWriteFailures)
{
    TempDir f;
    ConvertResult code{};
    EXPECT_EQ(Convert(f.File("missing.hex"), f.File("o.bin"), code), "Error: no such file: " + f.File("missing.hex") + "\n");
    EXPECT_EQ(code, ConvertResult::InputNotLoaded);
    EXPECT_EQ(Convert(f.Write("bad.hex", ":0100000000FE\n"), f.File("o.bin"), code), "Error: Checksum error in HEX file !\n");
    EXPECT_EQ(code, ConvertResult::InputNotLoaded);
    EXPECT_FALSE(std::filesystem::exists(f.File("o.bin")));
    const std::string good = f.Write("good.hex", ":00000001FF\n");
    EXPECT_EQ(Convert(good, f.File("x/o.bin"), code),
              "Error: Can't write file " + f.File("x/o.bin") + ": No such file or directory\n");
    EXPECT_EQ(code, ConvertResult::OutputNotWritten);
}
