// A gang of four simulated boards: one slot with a file that is no program,
// one with a part that stays busy; the table tells each slot's end, the
// gang ends with the first failing slot's code, and the good boards are
// programmed as if they had run alone.
#include "tests/session/ProgramRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>

namespace vorbrant {
namespace {

using testing::RunProgram;
using testing::WriteFile;

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(GangRun, FourSimulatedSlotsTableAndFirstFailingCode)
{
    test::TempDir dir;
    const std::string hex = std::string(VORBRANT_SOURCE_DIR) + "/examples/blink.hex";
    WriteFile(dir.File("notes.txt"), "this is no programming file\n");
    WriteFile(dir.File("gang.ini"), "[Board A]\nSim=F340,flash=" + dir.File("a.bin") + "\nFile=" + hex +
                                        "\n[Board B]\nSim=F340,flash=" + dir.File("b.bin") + "\nFile=" +
                                        dir.File("notes.txt") + "\n[Board C]\nSim=F340,busy\nFile=" + hex +
                                        "\n[Board D]\nAdapter=sim\nSim=F020,flash=" + dir.File("d.bin") +
                                        "\nPart=F020\nFile=" + hex + "\n");
    const auto run = RunProgram("--gang=" + dir.File("gang.ini"));
    // Each slot's own run, alone, for the codes the table must show.
    const auto alone = RunProgram("--sim=F340,flash=" + dir.File("b2.bin") + " -f" + dir.File("notes.txt") + " -e -p -v");
    ASSERT_NE(alone.ExitCode, 0);

    const std::regex row(R"((Board [ABCD]) +\| (\S+) +\| (\S+) +\| (success|failed) +\| (\d+) +\| [0-9.]+ s)");
    std::vector<std::tuple<std::string, std::string, std::string, int>> rows;
    for (std::sregex_iterator it(run.Output.begin(), run.Output.end(), row), end; it != end; ++it)
        rows.emplace_back((*it)[1], (*it)[3], (*it)[4], std::stoi((*it)[5]));
    ASSERT_EQ(rows.size(), 4u) << run.Output;
    EXPECT_EQ(rows[0], std::make_tuple("Board A", "F340", "success", 0));
    EXPECT_EQ(rows[1], std::make_tuple("Board B", "F340", "failed", alone.ExitCode));
    EXPECT_EQ(std::get<2>(rows[2]), "failed");
    EXPECT_EQ(std::get<3>(rows[2]), 16);
    EXPECT_EQ(rows[3], std::make_tuple("Board D", "F020", "success", 0));
    EXPECT_EQ(run.ExitCode, alone.ExitCode) << run.Output;
    EXPECT_NE(run.Output.find("Result: failed, exit code " + std::to_string(alone.ExitCode)), std::string::npos);

    // The good boards hold the program; the slot that failed before its run
    // left its board erased.
    const std::vector<uint8_t> a = ReadBytes(dir.File("a.bin")), d = ReadBytes(dir.File("d.bin"));
    ASSERT_EQ(a.size(), 65536u);
    ASSERT_GE(d.size(), 65536u);
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + 0x8000, d.begin())); // one file, two families, same bytes
    EXPECT_NE(std::count(a.begin(), a.end(), 0xFF), 65536);
    const std::vector<uint8_t> b = ReadBytes(dir.File("b.bin"));
    EXPECT_TRUE(b.empty() || std::count(b.begin(), b.end(), 0xFF) == static_cast<long>(b.size()));

    // --no-ini reaches the slots, which then keep no configuration either.
    WriteFile(dir.File("one.ini"), "[Board A]\nSim=F340\nFile=" + hex + "\n");
    const auto bare = RunProgram("--no-ini --gang=" + dir.File("one.ini"));
    EXPECT_EQ(bare.ExitCode, 0) << bare.Output;
}

TEST(GangRun, GangFilesRefusedBeforeAnySlotStarts)
{
    struct Case {
        const char* Text;
        const char* Reason;
    };
    const Case cases[] = {
        {"[A]\nAdapter=LPT1\n[B]\nAdapter=lpt1\n", "slots [A] and [B] both use LPT1"},
        {"[A]\nAdapter=usb\n", "Unknown adapter 'usb'"},
        {"[A]\nFile=x.hex\n", "slot [A] names no Adapter"},
        {"; nothing\n", "has no slots"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        test::TempDir dir;
        WriteFile(dir.File("gang.ini"), c.Text);
        const auto run = RunProgram("--gang=" + dir.File("gang.ini") + " -p");
        EXPECT_EQ(run.ExitCode, 8);
        EXPECT_NE(run.Output.find(c.Reason), std::string::npos) << run.Output;
        EXPECT_EQ(run.Output.find("--- slot"), std::string::npos);
    }
}

} // namespace
} // namespace vorbrant
