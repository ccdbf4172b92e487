// Files written by srec_cat load to the bytes srec_cat itself extracts, and
// srec_cat reads our saved files back to the bytes we saved.
#include "image/FileSaver.h"

#include "tests/image/ImageTestSupport.h"

#include <random>
#include <sys/wait.h>

using namespace vorbrant;
using namespace vorbrant::testing;

namespace {

bool HaveSrecCat()
{
    return std::system("srec_cat -version >/dev/null 2>&1") == 0;
}

std::string Quote(const std::string& s)
{
    return "'" + s + "'";
}

void RunTool(const std::string& command)
{
    int status = std::system((command + " 2>&1").c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
}

std::string Hex32(uint32_t v)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", v);
    return buffer;
}

struct Chunk {
    uint32_t Address;
    std::string Bytes;
};

class SrecCatInterop : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveSrecCat())
            GTEST_SKIP() << "srec_cat is not installed";
        std::mt19937 random(1234);
        // Holes between the chunks, one chunk across a 64 KiB boundary, one
        // near the top of the buffer.
        for (auto [address, size] : {std::pair<uint32_t, uint32_t>{0x100, 100}, {0x1FFF0, 70000},
                                     {0x35000, 1}, {0x3FFF00, 0x100}}) {
            Chunk c{address, std::string(size, '\0')};
            for (auto& b : c.Bytes)
                b = static_cast<char>(random());
            chunks_.push_back(c);
        }
    }

    // srec_cat command-line inputs of all chunks.
    std::string Inputs()
    {
        std::string inputs;
        for (size_t i = 0; i < chunks_.size(); ++i) {
            const std::string path = folder_.Write("chunk" + std::to_string(i) + ".bin", chunks_[i].Bytes);
            inputs += Quote(path) + " -binary -offset " + Hex32(chunks_[i].Address) + " ";
        }
        return inputs;
    }

    // Loads file with our loader and compares bytes and presence flags with
    // what srec_cat extracts from it (holes filled once with 00, once with FF).
    void ExpectSameAsSrecCat(const std::string& file, const std::string& srecFormat, LoadFormat expectFormat)
    {
        LoadBench t;
        t.State.CurrentFilePath = file;
        t.State.FileFormat = LoadFormat::Detect;
        ASSERT_TRUE(t.LoadCurrent()) << t.Message();
        EXPECT_EQ(t.State.FileFormat, expectFormat);
        const uint32_t start = chunks_.front().Address;
        const uint32_t end = chunks_.back().Address + static_cast<uint32_t>(chunks_.back().Bytes.size()) - 1;
        ASSERT_EQ(t.Image->StartAddress, static_cast<int32_t>(start));
        ASSERT_EQ(t.Image->EndAddress, static_cast<int32_t>(end));
        std::string extracted[2];
        const char* fills[2] = {"0x00", "0xFF"};
        for (int i = 0; i < 2; ++i) {
            const std::string out = folder_.File("extract" + std::to_string(i) + ".bin");
            RunTool("srec_cat '(' " + Quote(file) + " " + srecFormat + " -fill " + fills[i] + " -over " + Quote(file) +
                " " + srecFormat + " ')' -offset -" + Hex32(start) + " -o " + Quote(out) + " -binary");
            extracted[i] = TempDir::Read(out);
            ASSERT_EQ(extracted[i].size(), end - start + 1);
        }
        size_t mismatches = 0;
        for (uint32_t a = start; a <= end && mismatches < 5; ++a) {
            const size_t k = a - start;
            const bool present = extracted[0][k] == extracted[1][k];
            const uint8_t expect = static_cast<uint8_t>(extracted[1][k]);
            if (t.Image->ImageData[a] != expect || (t.Image->PresentMap[a] != 0) != present) {
                ADD_FAILURE() << "at " << Hex32(a) << ": ours " << int(t.Image->ImageData[a]) << "/"
                              << int(t.Image->PresentMap[a]) << ", srec_cat " << int(expect) << "/" << present;
                ++mismatches;
            }
        }
    }

    std::vector<Chunk> chunks_;
    TempDir folder_;
};

} // namespace

TEST_F(SrecCatInterop, IntelHexWithLinearAndSegmentAddresses)
{
    const std::string inputs = Inputs();
    for (const char* length : {"16", "32"}) {
        const std::string linear = folder_.File(std::string("linear") + length + ".hex");
        RunTool("srec_cat " + inputs + "-execution-start-address=0x1234 -o " + Quote(linear) + " -intel -obs=" + length);
        ASSERT_NE(TempDir::Read(linear).find(":020000040001F9"), std::string::npos);
        ExpectSameAsSrecCat(linear, "-intel", LoadFormat::Hex);
    }
    // Type 02 addressing reaches 1 MiB: leave out the chunk at the top.
    chunks_.pop_back();
    const std::string segment = folder_.File("segment.hex");
    RunTool("srec_cat " + Inputs() + "-o " + Quote(segment) + " -intel --address-length=3 -obs=16");
    ASSERT_NE(TempDir::Read(segment).find(":020000021000EC"), std::string::npos);
    ExpectSameAsSrecCat(segment, "-intel", LoadFormat::Hex);
}

TEST_F(SrecCatInterop, MotorolaS19S28S37WithRecordCounts)
{
    // S19 covers 64 KiB only.
    const std::vector<Chunk> all = chunks_;
    chunks_ = {all[0]};
    const std::string s19 = folder_.File("x.s19");
    RunTool("srec_cat " + Inputs() + "-execution-start-address=0 -o " + Quote(s19) + " -motorola --address-length=2");
    ASSERT_NE(TempDir::Read(s19).find("\nS5"), std::string::npos);
    ExpectSameAsSrecCat(s19, "-motorola", LoadFormat::SRecord);

    chunks_ = all;
    for (const char* length : {"3", "4"}) {
        const std::string file = folder_.File(std::string("x") + length + ".srec");
        RunTool("srec_cat " + Inputs() + "-execution-start-address=0 -o " + Quote(file) +
            " -motorola -obs=32 --address-length=" + length);
        ExpectSameAsSrecCat(file, "-motorola", LoadFormat::SRecord);
    }

    // Without an execution address srec_cat writes no S7/S8/S9 record: its
    // closing count record completes the file.
    for (const char* length : {"2", "3", "4"}) {
        chunks_ = std::string(length) == "2" ? std::vector<Chunk>{all[0]} : all;
        const std::string open = folder_.File(std::string("open") + length + ".srec");
        RunTool("srec_cat " + Inputs() + "-o " + Quote(open) + " -motorola --address-length=" + length);
        ASSERT_EQ(TempDir::Read(open).find("\nS9"), std::string::npos);
        ExpectSameAsSrecCat(open, "-motorola", LoadFormat::SRecord);
    }
}

TEST_F(SrecCatInterop, SrecCatReadsOurSavedFiles)
{
    auto image = std::make_unique<ImageBuffer>();
    for (const auto& c : chunks_)
        for (size_t i = 0; i < c.Bytes.size(); ++i)
            image->StoreByte(c.Address + static_cast<uint32_t>(i), static_cast<uint8_t>(c.Bytes[i]));
    // From inside the first chunk (not 32-aligned) to the end of the buffer.
    image->StartAddress = 0x105;
    image->EndAddress = 0x3FFFFF;
    const std::string expect(reinterpret_cast<const char*>(image->ImageData.data()) + 0x105, 0x400000 - 0x105);
    std::string error;
    const std::string hex = folder_.File("ours.hex");
    const std::string bin = folder_.File("ours.bin");
    ASSERT_TRUE(SaveImage(*image, hex, SaveFormat::Hex, error)) << error;
    ASSERT_TRUE(SaveImage(*image, bin, SaveFormat::Binary, error)) << error;

    const std::string back = folder_.File("back.bin");
    RunTool("srec_cat " + Quote(hex) + " -intel -offset -0x105 -o " + Quote(back) + " -binary");
    EXPECT_TRUE(TempDir::Read(back) == expect) << "srec_cat read our HEX differently";
    RunTool("srec_cat " + Quote(bin) + " -binary -o " + Quote(back) + " -binary");
    EXPECT_TRUE(TempDir::Read(back) == expect) << "srec_cat read our binary differently";
}

TEST_F(SrecCatInterop, SrecCatReadsOurSRecords)
{
    auto image = std::make_unique<ImageBuffer>();
    for (const auto& c : chunks_)
        for (size_t i = 0; i < c.Bytes.size(); ++i)
            image->StoreByte(c.Address + static_cast<uint32_t>(i), static_cast<uint8_t>(c.Bytes[i]));
    // The data records follow the extension, widened where the addresses
    // need it; the count record is S6 beyond 65,535 records.
    const struct {
        const char* Name;
        uint32_t Start, Count;
        const char* Data;  // the data records' type
        const char* Tail;  // count and end records
    } Cases[] = {
        {"low.s19", 0x105, 0x8000, "\nS1", "\nS5030400F8\r\nS9030000FC\r\n"},
        {"low.s37", 0x105, 0x40, "\nS3", "\nS5030002FA\r\nS70500000000FA\r\n"},
        {"all.s19", 0x105, 0x400000 - 0x105, "\nS2", "\nS60401FFF803\r\nS804000000FB\r\n"},
        {"all.srec", 0x105, 0x400000 - 0x105, "\nS2", "\nS60401FFF803\r\nS804000000FB\r\n"},
        {"all.MOT", 0x105, 0x400000 - 0x105, "\nS2", "\nS60401FFF803\r\nS804000000FB\r\n"},
    };
    for (const auto& c : Cases) {
        SCOPED_TRACE(c.Name);
        const std::string file = folder_.File(c.Name);
        std::string error;
        ASSERT_TRUE(SaveRange(*image, static_cast<int32_t>(c.Start), c.Count, file, OutputFormatFor(file), error))
            << error;
        const std::string text = TempDir::Read(file);
        EXPECT_EQ(text.rfind("S00B0000766F726272616E7486\r\n", 0), 0u) << "the header record first";
        EXPECT_NE(text.find(c.Data), std::string::npos);
        EXPECT_TRUE(text.ends_with(c.Tail)) << text.substr(text.size() - 40);
        const std::string back = folder_.File("back.bin");
        RunTool("srec_cat " + Quote(file) + " -motorola -offset -" + Hex32(c.Start) + " -o " + Quote(back) +
                " -binary");
        EXPECT_TRUE(TempDir::Read(back) ==
                    std::string(reinterpret_cast<const char*>(image->ImageData.data()) + c.Start, c.Count))
            << "srec_cat read our S-records differently";
    }
    // --out-format chooses, the extension still says how wide.
    EXPECT_EQ(OutputFormatFor("a.s28", SaveFormat::SRecord).SrecAddressBytes, 3u);
    EXPECT_EQ(OutputFormatFor("a.s28", SaveFormat::Binary).Format, SaveFormat::Binary);
    EXPECT_EQ(OutputFormatFor("-").Format, SaveFormat::Hex);
    EXPECT_EQ(OutputFormatFor("x.ihx").Format, SaveFormat::Hex);
    EXPECT_EQ(OutputFormatFor("/a.s19/x").Format, SaveFormat::Hex) << "a folder's name is no extension";
}
