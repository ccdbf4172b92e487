#include "tests/image/ImageTestSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vorbrant;
using namespace vorbrant::testing;

TEST(LoadFile, MissingFileNamesThePathWithoutABlank)
{
    LoadBench t;
    t.State.CurrentFilePath = t.Folder.File("nothere.hex");
    t.State.LoadedName = "old.hex";
    t.Image->ImageSize = 5;
    EXPECT_FALSE(t.LoadCurrent());
    EXPECT_EQ(t.Message(), "There's no file" + t.Folder.File("nothere.hex"));
    EXPECT_EQ(t.State.LoadedName, "");
    EXPECT_EQ(t.Image->ImageSize, 0);

    // A folder is not a file, and neither is an empty path.
    t.Op.Messages.clear();
    t.State.CurrentFilePath = t.Folder.Path;
    EXPECT_FALSE(t.LoadCurrent());
    EXPECT_EQ(t.Message(), "There's no file" + t.Folder.Path);
    t.Op.Messages.clear();
    t.State.CurrentFilePath.clear();
    EXPECT_FALSE(t.LoadCurrent());
    EXPECT_EQ(t.Message(), "There's no file");
}

TEST(LoadFile, EmptyFileInEveryFormat)
{
    for (LoadFormat format : {LoadFormat::Hex, LoadFormat::SRecord, LoadFormat::Binary, LoadFormat::Detect, LoadFormat::Dat}) {
        LoadBench t;
        EXPECT_FALSE(t.Load("", format)) << static_cast<int>(format);
        EXPECT_EQ(t.Message(), "File is empty!") << static_cast<int>(format);
        EXPECT_EQ(t.State.LoadedName, "");
    }
}

TEST(LoadFile, DetectionFromTheFirstCharacter)
{
    LoadBench t;
    EXPECT_FALSE(t.Load(":zz"));
    EXPECT_EQ(t.State.FileFormat, LoadFormat::Hex) << "the detected format stays even when the load fails";
    EXPECT_EQ(t.Message(), "Invalid HEX file !");
    EXPECT_FALSE(t.Load("Szz"));
    EXPECT_EQ(t.State.FileFormat, LoadFormat::SRecord);
    EXPECT_EQ(t.Message(), "Invalid S-record !");
    EXPECT_TRUE(t.Load("s1 lower case", LoadFormat::Detect, "data.bin"));
    EXPECT_EQ(t.State.FileFormat, LoadFormat::Binary);
    // An explicit format is not second-guessed.
    EXPECT_FALSE(t.Load(":00000001FF\n", LoadFormat::SRecord));
    EXPECT_EQ(t.Message(), "Invalid S-record !");
}

TEST(LoadFile, FailedLoadKeepsThePreviousImage)
{
    LoadBench t;
    ASSERT_TRUE(t.Load(HexLine(0x1000, 0, {0xDE, 0xAD}) + "\n:00000001FF\n"));
    ASSERT_EQ(t.Image->ImageSize, 2);
    const std::vector<uint8_t> bytes = t.Image->ImageData, present = t.Image->PresentMap, pages = t.Image->PageMap;

    // The first record of the new file is good, the second is not.
    EXPECT_FALSE(t.Load(HexLine(0x2000, 0, {1, 2, 3}) + "\n:0100000000FE\n:00000001FF\n"));
    EXPECT_EQ(t.Message(), "Checksum error in HEX file !");
    EXPECT_EQ(t.Image->ImageData, bytes);
    EXPECT_EQ(t.Image->PresentMap, present);
    EXPECT_EQ(t.Image->PageMap, pages);
    EXPECT_EQ(t.Image->StartAddress, 0x1000);
    EXPECT_EQ(t.Image->EndAddress, 0x1001);
    EXPECT_EQ(t.Image->ImageSize, 0) << "Go must refuse until a good load";
    EXPECT_EQ(t.State.LoadedName, "");

    // The next good load replaces everything.
    ASSERT_TRUE(t.Load("[20000000] 0102", LoadFormat::Dat, "w.dat"));
    EXPECT_EQ(t.Image->PresentMap[0x1000], 0);
    EXPECT_EQ(t.Image->ImageData[0x1000], 0xFF);
    EXPECT_EQ(t.Image->ImageSize, 2);
    EXPECT_EQ(t.State.LoadedName, "w.dat");
}

TEST(LoadFile, HugeFilesEndBoundedWithTheirMessage)
{
    // 200 MB without a single line end, sparse so the test writes nothing.
    LoadBench t;
    const std::string path = t.Folder.File("huge.hex");
    {
        int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, ":", 1), 1);
        ASSERT_EQ(ftruncate(fd, 200LL * 1000 * 1000), 0);
        close(fd);
    }
    t.State.CurrentFilePath = path;
    t.State.FileFormat = LoadFormat::Hex;
    EXPECT_FALSE(t.LoadCurrent());
    EXPECT_EQ(t.Message(), "Invalid HEX file !");

    t.Op.Messages.clear();
    t.State.FileFormat = LoadFormat::Detect;
    EXPECT_FALSE(t.LoadCurrent());
    EXPECT_EQ(t.State.FileFormat, LoadFormat::Hex);

    t.Op.Messages.clear();
    t.State.FileFormat = LoadFormat::Binary;
    EXPECT_FALSE(t.LoadCurrent());
    EXPECT_EQ(t.Message(), "File too big for the selected FLASH memory!");
}

TEST(LoadFile, FifoInPlaceOfTheFileDoesNotHang)
{
    LoadBench t;
    const std::string path = t.Folder.File("fifo.hex");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    t.State.CurrentFilePath = path;
    EXPECT_FALSE(t.LoadCurrent());
    EXPECT_EQ(t.Message(), "Can't read file " + path + ": not a regular file");
    EXPECT_EQ(t.Image->ImageSize, 0);
}

TEST(LoadFile, RecordsSpanningReadBlocks)
{
    // More than one read block (1 MiB) of records with mixed line ends;
    // every byte must arrive.
    const char* ends[] = {"\r\n", "\n", "\r"};
    size_t lineNo = 0;
    std::string text;
    std::vector<uint8_t> expect;
    uint32_t address = 0;
    while (text.size() < 3u * 1024 * 1024) {
        std::vector<uint8_t> data(1 + address % 31);
        for (auto& b : data)
            b = static_cast<uint8_t>(address * 13 + expect.size());
        if ((address & 0xFFFF) + data.size() > 0x10000)
            data.resize(0x10000 - (address & 0xFFFF));
        if ((address & 0xFFFF) == 0)
            text += HexLine(0, 4, {static_cast<uint8_t>(address >> 24), static_cast<uint8_t>(address >> 16)}) + ends[lineNo++ % 3];
        text += HexLine(address & 0xFFFF, 0, data) + ends[lineNo++ % 3];
        expect.insert(expect.end(), data.begin(), data.end());
        address += static_cast<uint32_t>(data.size());
    }
    text += ":00000001FF\r";
    LoadBench t;
    ASSERT_TRUE(t.Load(text, LoadFormat::Hex)) << t.Message();
    EXPECT_EQ(t.Image->ImageSize, static_cast<int32_t>(expect.size()));
    EXPECT_EQ(t.Bytes(0, static_cast<uint32_t>(expect.size())), expect);
}
