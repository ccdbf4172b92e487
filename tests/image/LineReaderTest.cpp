#include "image/LineReader.h"

#include "tests/image/ImageTestSupport.h"

#include <fcntl.h>
#include <unistd.h>

using namespace vorbrant;
using namespace vorbrant::testing;

namespace {

// The lines as a plain reference split sees them: LF, CR LF or CR end a
// line; no empty line after a final line end; lines cut to MaxLine.
std::vector<std::string> ReferenceLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string cur;
    bool open = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\n' || c == '\r') {
            lines.push_back(cur.substr(0, LineReader::MaxLine));
            cur.clear();
            open = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            cur += c;
            open = true;
        }
    }
    if (open)
        lines.push_back(cur.substr(0, LineReader::MaxLine));
    return lines;
}

std::vector<std::string> ReadAll(LineReader& reader)
{
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.Next(line))
        lines.emplace_back(line);
    return lines;
}

std::vector<std::string> ReadFileLines(const std::string& path, size_t block)
{
    int fd = open(path.c_str(), O_RDONLY);
    EXPECT_GE(fd, 0);
    LineReader reader(fd, block);
    auto lines = ReadAll(reader);
    EXPECT_EQ(reader.Error(), 0);
    close(fd);
    return lines;
}

} // namespace

TEST(LineReader, SplitsEveryKindOfLineEnd)
{
    const std::string text = "a\r\nb\nc\rd\n\re\r\r\nf";
    LineReader reader(text);
    EXPECT_EQ(ReadAll(reader), (std::vector<std::string>{"a", "b", "c", "d", "", "e", "", "f"}));
    LineReader empty{std::string_view()};
    EXPECT_TRUE(ReadAll(empty).empty());
    LineReader single{std::string_view("\r\n")};
    EXPECT_EQ(ReadAll(single), (std::vector<std::string>{""}));
}

TEST(LineReader, BlockEdgesFallAnywhereInALine)
{
    // The smallest block is 2 * MaxLine; slide CR LF pairs, lone CRs and an
    // overlong line over every position around the block edges.
    TempDir folder;
    const size_t block = 2 * LineReader::MaxLine;
    for (size_t shift = block - 8; shift <= block + 8; ++shift) {
        std::string text(shift, 'p');
        text += "\r\nq\rr\r\n" + std::string(3000, 'L') + "\r\n" + std::string(block - 3, 'z') + "\r";
        text += std::string(2 * block + 5, 'm');   // long last line without an end
        const std::string path = folder.Write("lines.txt", text);
        EXPECT_EQ(ReadFileLines(path, block), ReferenceLines(text)) << shift;
        LineReader memory(text);
        EXPECT_EQ(ReadAll(memory), ReferenceLines(text)) << shift;
    }
}

TEST(LineReader, ReadErrorIsReported)
{
    int fd = open("/", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    LineReader reader(fd);
    std::string_view line;
    EXPECT_FALSE(reader.Next(line));
    EXPECT_EQ(reader.Error(), EISDIR);
    close(fd);
}
