// Whole batch runs in the process, on a simulated board that keeps its flash
// from one run to the next: every part of the simulator's catalogue taken
// through program, read-back, lock, locked read, chip erase and blank check;
// and a part pulled out at points through its lock phase.
#include "session/ExitCodes.h"
#include "session/Messages.h"
#include "session/BatchRun.h"
#include "session/Session.h"

#include "tests/support/SimRig.h"
#include "common/ScriptedOperator.h"
#include "common/Text.h"
#include "sim/Catalogue.h"
#include "target/IdentTables.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

using namespace vorbrant;
using vorbrant::test::SimRig;
using vorbrant::test::TempDir;

namespace {

// Notes the simulator's access count at each line the run logs.
class CountingOperator : public ScriptedOperator {
public:
    explicit CountingOperator(const sim::Simulator& sim) : sim_(sim) {}
    void Log(const std::string& line) override
    {
        ScriptedOperator::Log(line);
        LoggedAt.push_back(sim_.AccessCount());
    }
    std::vector<uint64_t> LoggedAt;

private:
    const sim::Simulator& sim_;
};

struct RunResult {
    int ExitCode = -1;
    std::vector<std::string> Lines; // what the run logged
    std::vector<std::string> Notes; // its messages
    std::vector<uint64_t> LoggedAt; // the access count at each logged line

    bool Logged(const std::string& line) const { return std::find(Lines.begin(), Lines.end(), line) != Lines.end(); }
    std::string Text() const
    {
        std::string text;
        for (const std::string& n : Notes)
            text += "note: " + n + "\n";
        for (const std::string& l : Lines)
            text += l + "\n";
        return text;
    }
};

// A board on the simulator; each Run is one batch run of the program on it.
struct Board {
    explicit Board(const std::string& simText) : Rig(simText)
    {
        std::ofstream(Dir.File("v.INI")) << "[ENVIRONMENT]\r\nPort=101\r\n";
    }

    RunResult Run(std::vector<std::string> args, BatchSecurity security = {}, const std::string& readBack = "",
                  std::optional<std::vector<Step>> steps = std::nullopt)
    {
        SessionSettings settings;
        settings.Steps = steps;
        settings.IniPath = Dir.File("v.INI");
        settings.Headless = true;
        settings.SimulatedPort = true;
        settings.Security = security;
        settings.ReadBackPath = readBack;
        CountingOperator op(*Rig.Sim);
        ImageBuffer image;
        Session session(*Rig.Stack, image, op, settings);
        BatchRun batch(session);
        args.insert(args.begin(), "-sLPT1");
        RunResult result;
        result.ExitCode = batch.Start(args).value_or(-1);
        session.Close();
        result.Lines = op.LogLines;
        for (const auto& note : op.Notes)
            result.Notes.push_back(note.Text);
        result.LoggedAt = op.LoggedAt;
        return result;
    }

    SimRig Rig;
    TempDir Dir;
};

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

BatchSecurity Lock(LockRequest request, bool show = true) { return BatchSecurity{show, false, request}; }

// The lock each kind of part takes, and the --security lines that show it.
struct LockCase {
    LockRequest Request;
    std::vector<std::string> Lines;
};

LockCase LockFor(const sim::Derivative& d)
{
    LockCase c;
    switch (d.Lock) {
    case sim::LockKind::PageCount: {
        // The most the part can lock: every page below its lock byte's page.
        const uint32_t pages = d.LockAddress / d.PageBytes;
        c.Request.Pages = static_cast<int>(pages);
        c.Lines = {"Security: " + std::to_string(pages) + " pages locked (0x0000-0x" +
                   Hex(pages * d.PageBytes - 1, 4) + ")"};
        break;
    }
    case sim::LockKind::F30xNibbles:
        c.Request.F30xByte = 0xF0;
        c.Lines = {"Security: read/write lock set, write lock clear"};
        break;
    case sim::LockKind::JtagBlocks: {
        const uint32_t block = d.FlashBytes / d.LockBlocks;
        c.Request.ReadLock = 0xFE;
        c.Request.WriteEraseLock = 0x7F;
        const std::string last =
            Hex((d.LockBlocks - 1) * block, 4) + "-" + Hex(d.LockBlocks * block - 1, 4) + "H";
        c.Lines = {"Read lock: FE (block 0000-" + Hex(block - 1, 4) + "H locked)",
                   "Write/erase lock: 7F" + std::string(d.LockBlocks == 8 ? " (block " + last + " locked)" : " (none)")};
        break;
    }
    }
    return c;
}

class CatalogueSweep : public ::testing::TestWithParam<const sim::Derivative*> {};

TEST_P(CatalogueSweep, ProgramReadBackLockShowLockedReadEraseAndBlankCheck)
{
    const sim::Derivative& d = *GetParam();
    Board board(d.Name);
    // A full image up to the lock byte(s), none of its bytes 0xFF.
    const uint32_t end = d.Lock == sim::LockKind::JtagBlocks ? d.LockAddress - 1 : d.LockAddress;
    std::vector<uint8_t> image(end);
    for (uint32_t a = 0; a < end; ++a)
        image[a] = static_cast<uint8_t>((a * 7 + (a >> 8) + 1) % 255);
    const std::string file = board.Dir.File("full.bin");
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());

    RunResult programmed = board.Run({"-e", "-p", "-v", "-f" + file});
    ASSERT_EQ(programmed.ExitCode, 0) << programmed.Text();

    const std::string back = board.Dir.File("back.bin");
    RunResult read = board.Run({"-f" + file}, {}, back);
    ASSERT_EQ(read.ExitCode, 0) << read.Text();
    EXPECT_TRUE(ReadFile(back) == image) << "the read-back is the image";

    const LockCase lock = LockFor(d);
    RunResult locked = board.Run({}, Lock(lock.Request));
    ASSERT_EQ(locked.ExitCode, 0) << locked.Text();
    for (const std::string& line : lock.Lines)
        EXPECT_TRUE(locked.Logged(line)) << line << "\n" << locked.Text();
    // Where the lock byte is locked with the pages, the reads the part
    // refuses confirmed it.
    const bool hidden = d.Lock == sim::LockKind::PageCount && d.SecurityReg == sim::SecurityRegister::None;
    EXPECT_EQ(locked.Logged("Lock confirmed: the part refuses reads of its locked pages"), hidden) << locked.Text();

    RunResult refused = board.Run({}, {}, board.Dir.File("locked.bin"));
    EXPECT_EQ(refused.ExitCode, ToInt(ExitCode::FlashFault)) << refused.Text();
    // The fault at the first address; a part that identifies as locked
    // adds the hint that a chip erase helps.
    const std::string fault = d.Link == sim::SimLink::C2 ? "C2 read fault at address 0x0000"
                                                         : "JTAG fault at address 0x0000";
    const bool showsLocked = refused.Text().find("Connected: Locked") != std::string::npos;
    ASSERT_GE(refused.Notes.size(), showsLocked ? 2u : 1u) << refused.Text();
    const std::string& faultNote = showsLocked ? refused.Notes.end()[-2] : refused.Notes.back();
    EXPECT_EQ(faultNote.rfind(fault, 0), 0u) << refused.Text();
    EXPECT_EQ(refused.Notes.back() == LockedPartHintText, showsLocked) << refused.Text();

    RunResult recovered = board.Run({}, BatchSecurity{false, true, {}});
    EXPECT_EQ(recovered.ExitCode, 0) << recovered.Text();
    EXPECT_TRUE(recovered.Logged("Chip erased")) << recovered.Text();
    RunResult blank = board.Run({"-f" + file}, {}, "", std::vector<Step>{Step::BlankCheck});
    EXPECT_EQ(blank.ExitCode, 0) << blank.Text();
    EXPECT_TRUE(board.Rig.Sim->Violations().empty()) << ::testing::PrintToString(board.Rig.Sim->Violations());
}

// Every part the program identifies (not the one it must show unknown).
std::vector<const sim::Derivative*> KnownParts()
{
    std::vector<const sim::Derivative*> parts;
    for (const sim::Derivative& d : sim::DerivativeTable()) {
        const bool known = d.Link == sim::SimLink::C2 ? FindC2Row(0x300 + d.DeviceCode) != nullptr
                                                      : FindJtagRow(d.DeviceCode) != nullptr;
        if (known)
            parts.push_back(&d);
    }
    return parts;
}

INSTANTIATE_TEST_SUITE_P(EveryPart, CatalogueSweep, ::testing::ValuesIn(KnownParts()),
                         [](const ::testing::TestParamInfo<const sim::Derivative*>& info) {
                             return std::string(info.param->Name);
                         });

TEST(LockPhase, APartPulledOutAnywhereThroughItsLockEndsWithTheReadFault)
{
    // A register part, a part whose lock byte hides with its pages, the F30x
    // and a JTAG part.
    struct Case {
        const char* Part;
        LockRequest Request;
    };
    LockRequest pages, f30x, jtag;
    pages.Pages = 4;
    f30x.F30xByte = 0xF0;
    jtag.ReadLock = 0xFE;
    for (const Case& c : {Case{"F340", pages}, Case{"F330", pages}, Case{"F300", f30x}, Case{"F020", jtag}}) {
        SCOPED_TRACE(c.Part);
        // Where the lock phase begins and ends on this part: it starts where
        // a run that only shows the lock reads it (after the connect and the
        // poll), and ends with the line that shows the lock.
        Board reference(c.Part);
        RunResult show = reference.Run({}, BatchSecurity{true, false, {}});
        ASSERT_EQ(show.ExitCode, 0) << show.Text();
        Board whole(c.Part);
        RunResult locked = whole.Run({}, Lock(c.Request));
        ASSERT_EQ(locked.ExitCode, 0) << locked.Text();
        const uint64_t from = show.LoggedAt.back();
        const uint64_t shown = locked.LoggedAt.back();
        ASSERT_LT(from, shown);
        constexpr int Points = 12;
        for (int i = 0; i < Points; ++i) {
            const uint64_t at = from + (shown - from) * i / Points;
            Board board(std::string(c.Part) + ",remove-after=" + std::to_string(at));
            RunResult r = board.Run({}, Lock(c.Request));
            EXPECT_EQ(r.ExitCode, ToInt(ExitCode::FlashFault)) << "removed after " << at << " accesses\n" << r.Text();
        }
    }
}

} // namespace
