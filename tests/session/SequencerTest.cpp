// The operation flow against simulated parts: which bytes each step reads,
// writes, compares and skips, the range notices, the aborts and their exit
// codes.
#include "session/Sequencer.h"

#include "session/ExitCodes.h"
#include "session/RunReport.h"

#include "tests/support/SimRig.h"
#include "common/ScriptedOperator.h"
#include "common/Text.h"
#include "lpt/Clock.h"
#include "sim/PullWatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace vorbrant;
using vorbrant::test::SimRig;

namespace {

// What a run changed on the window besides the operator's words.
struct RecordingView {
    int Idle = 0, Uploaded = 0, BufferInfo = 0;
};

// What a run came to, with its exit code.
struct RunResult {
    bool Success = false;
    bool Cancelled = false;
    int ExitCode = 0;
    RunOutcome Outcome;
};

RunResult ResultOf(const RunOutcome& outcome)
{
    return {outcome.Succeeded(), outcome.Kind == RunOutcomeKind::Cancelled, ToInt(ExitCodeFor(outcome)), outcome};
}

// A part on the simulator, connected, with an image and a sequencer over it.
struct Bench {
    explicit Bench(const std::string& simText) : Rig(simText)
    {
        Connected = Rig.Dev().ConnectTarget().Identified();
        EXPECT_TRUE(Connected) << simText;
    }

    RunResult Run(RunOptions options) { return RunOn(Op, options); }

    // The run as the session reports it: events and outcome in the
    // operator's words. As the session runs it, a mismatch is checked
    // against the part's identity.
    RunResult RunOn(Operator& op, RunOptions options)
    {
        if (!options.SamePartAnswers)
            options.SamePartAnswers = [this] { return Rig.Dev().SamePartAnswers(); };
        if (!options.AskReadRange)
            options.AskReadRange = [&op](AddressRange& range) { return op.AskRange("Load data address range", range); };
        RunReport report(op, options.BatchMode);
        Sequencer sequencer(Image, Rig.Dev().Flash(), Rig.Chip(), Wall, [&](const RunEvent& event) {
            View.Uploaded += event.Kind == RunEventKind::Uploaded;
            View.BufferInfo += event.Kind == RunEventKind::ImageChanged;
            report.Event(event);
        });
        RunOutcome outcome = sequencer.RunOperations(options);
        report.End(outcome, [this] { ++View.Idle; });
        return ResultOf(outcome);
    }

    // Stores bytes the way a file load does, and sets the size from the range.
    void Load(uint32_t first, const std::vector<uint8_t>& bytes)
    {
        Image.ClearImage(true);
        for (size_t i = 0; i < bytes.size(); ++i)
            Image.StoreByte(first + static_cast<uint32_t>(i), bytes[i]);
        Image.ImageSize = Image.EndAddress - Image.StartAddress + 1;
    }

    std::vector<uint8_t>& Flash() { return Rig.Sim->Flash(); }
    uint8_t& Scratchpad(uint32_t offset) { return Flash()[Rig.Chip().FlashSizeKB * 1024u + offset]; }
    std::vector<std::string> Texts() const { return Op.Texts(); }

    SimRig Rig;
    ScriptedOperator Op;
    bool Connected = false;
    ImageBuffer Image;
    RealClock Wall;
    RecordingView View;
};

std::vector<uint8_t> Pattern(size_t n, uint8_t seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 3));
    return v;
}

RunOptions Steps(bool read, bool erase, bool blank, bool program, bool verify, bool data = false)
{
    RunOptions o;
    o.DoRead = read;
    o.DoErase = erase;
    o.DoBlankCheck = blank;
    o.DoProgram = program;
    o.DoVerify = verify;
    o.Area = data ? FlashArea::UserData : FlashArea::Code;
    return o;
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

} // namespace

TEST(Sequencer, ReadAndProgramTogetherAskTheRangeFirstAndWriteTheSameDataBack)
{
    Bench b("F340");
    auto pattern = Pattern(0x100, 3);
    std::copy(pattern.begin(), pattern.end(), b.Flash().begin());
    b.Op.Ranges.push_back(AddressRange{0, 0xFF});

    RunResult r = b.Run(Steps(true, false, false, true, false));

    ASSERT_TRUE(r.Success) << ::testing::PrintToString(b.Texts());
    EXPECT_EQ(b.Op.RangeCaptions, std::vector<std::string>{"Load data address range"});
    EXPECT_TRUE(std::equal(pattern.begin(), pattern.end(), b.Image.ImageData.begin()));
    EXPECT_EQ(b.Image.ImageSize, 0x100);
    EXPECT_TRUE(std::equal(pattern.begin(), pattern.end(), b.Flash().begin())) << "programmed back unchanged";
    ASSERT_EQ(b.Texts().size(), 1u);
    EXPECT_TRUE(StartsWith(b.Texts()[0], "Operation successfull!\r\nTotal duration ")) << b.Texts()[0];
    EXPECT_EQ(b.Op.Beeps, 1);
    EXPECT_EQ(b.View.BufferInfo, 1);
    EXPECT_TRUE(b.Rig.Sim->Violations().empty());
    EXPECT_NE(std::find(b.Op.StatusLines.begin(), b.Op.StatusLines.end(), "Reading..."), b.Op.StatusLines.end());
    EXPECT_EQ(b.Op.Status, "Idle");
}

TEST(Sequencer, ReadClearsTheMapsButKeepsBytesOutsideTheRange)
{
    Bench b("F340");
    b.Image.StoreByte(0x5000, 0x12);
    b.Op.Ranges.push_back(AddressRange{0x10, 0x1F});
    ASSERT_TRUE(b.Run(Steps(true, false, false, false, false)).Success);
    EXPECT_EQ(b.Image.ImageData[0x5000], 0x12);
    EXPECT_EQ(b.Image.PresentMap[0x5000], 0);
    EXPECT_EQ(b.Image.PageMap[0x5000 >> 9], 0);
    EXPECT_EQ(b.Image.PresentMap[0x10], 1);
    EXPECT_EQ(b.Image.PresentMap[0x0F], 0);
    EXPECT_EQ(b.Image.StartAddress, 0x10);
    EXPECT_EQ(b.Image.EndAddress, 0x1F);
    EXPECT_EQ(b.Image.ImageSize, 0x10);
}

TEST(Sequencer, ReadBeyondTheChipIsClampedWithOneNotice)
{
    Bench b("F340");
    b.Op.Ranges.push_back(AddressRange{0xFB00, 0x1FFFF});
    ASSERT_TRUE(b.Run(Steps(true, false, false, false, false)).Success);
    ASSERT_GE(b.Texts().size(), 1u);
    EXPECT_EQ(b.Texts()[0], "End address exceeds chip address range.End address set to 0xFBFE");
    // The F340's code ends at 0xFBFE, below its lock byte: every byte that
    // Program can write is read back, the lock byte is not.
    EXPECT_EQ(b.Image.PresentMap[0xFBFE], 1);
    EXPECT_EQ(b.Image.PresentMap[0xFBFF], 0);
    EXPECT_EQ(b.Image.ImageSize, 0x1FFFF - 0xFB00 + 1) << "the size is the dialog's range";

    // A JTAG part's read stops below its read-lock byte at the top.
    Bench jtag("F020");
    jtag.Op.Ranges.push_back(AddressRange{0xFD00, 0xFFFF});
    ASSERT_TRUE(jtag.Run(Steps(true, false, false, false, false)).Success);
    EXPECT_EQ(jtag.Image.PresentMap[0xFDFE], 1);
    EXPECT_EQ(jtag.Image.PresentMap[0xFDFF], 0) << "the top of the code area is not read";
}

TEST(Sequencer, CancellingTheRangeDialogEndsTheRunWithoutAStep)
{
    Bench b("F340");
    b.Load(0, Pattern(16, 1));
    b.Op.Ranges.push_back(std::nullopt);
    uint64_t before = b.Rig.Sim->AccessCount();
    RunResult r = b.Run(Steps(true, false, false, true, false));
    EXPECT_TRUE(r.Cancelled);
    EXPECT_TRUE(b.Texts().empty());
    EXPECT_EQ(b.Rig.Sim->AccessCount(), before);
    EXPECT_EQ(b.View.Idle, 1);
}

TEST(Sequencer, TwoNoticesInOneRunShowOnlyTheFirst)
{
    Bench b("F020");
    b.Load(0, Pattern(200, 9));
    RunResult r = b.Run(Steps(false, true, false, true, true, true));
    // The 72 bytes beyond the 128-byte User data area were never written.
    EXPECT_EQ(r.ExitCode, 10) << ::testing::PrintToString(b.Texts());
    auto texts = b.Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "End address exceeds chip FLASH area.End address set to 0x007F"), 1);
    ASSERT_EQ(texts.size(), 2u) << "the notice and what was left out, no success box";
    EXPECT_EQ(texts[1], "72 bytes of the file at 0x0080-0x00C7 were not programmed (outside the part)");
    EXPECT_EQ(b.Op.Messages[1].Kind, MessageKind::Warning);
}

TEST(Sequencer, LockBytesAreNeverProgrammedAndTheWarningComesEveryRun)
{
    Bench b("F020"); // code area ends at 0xFDFF
    b.Load(0xFD00, Pattern(0x100, 5));
    for (int run = 0; run < 2; ++run) {
        b.Op.Messages.clear();
        // The file's two lock bytes were not programmed: the run says so.
        ASSERT_EQ(b.Run(Steps(false, false, false, true, false)).ExitCode, 10);
        ASSERT_EQ(b.Texts().size(), 2u);
        EXPECT_EQ(b.Texts()[0], "To program flash lock bits use security menu!");
        EXPECT_EQ(b.Op.Messages[0].Kind, MessageKind::Warning);
        EXPECT_EQ(b.Texts()[1], "2 bytes of the file at 0xFDFE-0xFDFF were not programmed (outside the part)");
    }
    EXPECT_EQ(b.Flash()[0xFDFD], b.Image.ImageData[0xFDFD]);
    EXPECT_EQ(b.Flash()[0xFDFE], 0xFF);
    EXPECT_EQ(b.Flash()[0xFDFF], 0xFF);
}

TEST(Sequencer, CodeBlankCheckLooksOnlyAtBytesTheImageHolds)
{
    Bench b("F340");
    b.Flash()[0x10] = 0x00;
    std::vector<uint8_t> bytes(0x20, 0x55);
    b.Load(0, bytes);
    b.Image.PresentMap[0x10] = 0; // a hole in the file
    EXPECT_TRUE(b.Run(Steps(false, false, true, false, false)).Success);

    b.Image.StoreByte(0x10, 0x55);
    b.Op.Messages.clear();
    RunOptions batch = Steps(false, false, true, false, false);
    batch.BatchMode = true;
    RunResult r = b.Run(batch);
    EXPECT_FALSE(r.Success);
    EXPECT_EQ(r.ExitCode, 3);
    ASSERT_EQ(b.Op.Notes.size(), 1u);
    EXPECT_EQ(b.Op.Notes[0].Text, "Blank check failed at 0x0010!");
    EXPECT_EQ(b.Op.Notes[0].Kind, MessageKind::Information);
    EXPECT_TRUE(b.Op.Messages.empty()) << "a batch run shows no box";
}

TEST(Sequencer, UserDataBlankCheckExaminesTheWholeArea)
{
    Bench b("F020");
    b.Scratchpad(100) = 0x00;
    b.Load(0, {0xAA}); // one byte: the area is checked whole all the same
    RunResult r = b.Run(Steps(false, false, true, false, false, true));
    EXPECT_FALSE(r.Success);
    EXPECT_EQ(b.Texts(), std::vector<std::string>{"Blank check failed at 0x0064!"});
}

TEST(Sequencer, VerifyIgnoresDifferencesWhereTheImageHoldsNothing)
{
    Bench b("F340");
    b.Load(0, Pattern(0x40, 2));
    ASSERT_TRUE(b.Run(Steps(false, true, false, true, false)).Success);
    b.Image.PresentMap[0x20] = 0;
    b.Image.ImageData[0x20] ^= 0xFF;
    EXPECT_TRUE(b.Run(Steps(false, false, false, false, true)).Success);

    b.Image.PresentMap[0x20] = 1;
    RunOptions batch = Steps(false, false, false, false, true);
    batch.BatchMode = true;
    RunResult r = b.Run(batch);
    EXPECT_EQ(r.ExitCode, 5);
    ASSERT_FALSE(b.Op.Notes.empty());
    EXPECT_EQ(b.Op.Notes.back().Text, "Verify failed at 0x0020!");
}

TEST(Sequencer, JtagSkipsBytesTheImageDoesNotHoldWhileC2WritesThem)
{
    for (const char* part : {"F020", "F340"}) {
        Bench b(part);
        b.Load(0, Pattern(10, 4));
        b.Image.PresentMap[4] = 0;
        b.Image.ImageData[4] = 0x00;
        ASSERT_TRUE(b.Run(Steps(false, true, false, true, false)).Success) << part;
        bool c2 = b.Rig.Chip().C2Mode;
        EXPECT_EQ(b.Flash()[4], c2 ? 0x00 : 0xFF) << part;
        EXPECT_EQ(b.Flash()[5], b.Image.ImageData[5]) << part << ": the run goes on after the hole";
        EXPECT_TRUE(b.Rig.Sim->Violations().empty()) << part;
    }
}

TEST(Sequencer, UserDataAreaRoundTripOnEveryMappedSize)
{
    // 8, 32, 64 and 128 KB JTAG parts keep their User data in three different places.
    for (const char* part : {"F206", "F005", "F020", "F120"}) {
        Bench b(part);
        const uint16_t size = b.Rig.Chip().ScratchpadSize;
        ASSERT_GT(size, 0) << part;
        auto data = Pattern(size, 11);
        b.Load(0, data);
        RunResult r = b.Run(Steps(false, true, true, true, true, true));
        ASSERT_TRUE(r.Success) << part << ": " << ::testing::PrintToString(b.Texts());
        for (uint32_t i = 0; i < size; ++i)
            ASSERT_EQ(b.Scratchpad(i), data[i]) << part << " offset " << i;

        // Read it back into a cleared image.
        b.Image.ClearImage(true);
        b.Op.Ranges.push_back(AddressRange{0, size - 1});
        ASSERT_TRUE(b.Run(Steps(true, false, false, false, false, true)).Success) << part;
        EXPECT_TRUE(std::equal(data.begin(), data.end(), b.Image.ImageData.begin())) << part;
        EXPECT_EQ(b.View.Uploaded, 1) << part;
        EXPECT_TRUE(b.Rig.Sim->Violations().empty()) << part;
    }
}

TEST(Sequencer, UserDataReadStartsAFreshRunAfterIdentification)
{
    // Identification leaves a JTAG run open on the code area; reading the
    // scratchpad must not continue it.
    Bench b("F020");
    for (uint32_t i = 0; i < 128; ++i)
        b.Scratchpad(i) = static_cast<uint8_t>(0x80 + i);
    b.Op.Ranges.push_back(AddressRange{0, 0x7F});
    ASSERT_TRUE(b.Run(Steps(true, false, false, false, false, true)).Success);
    for (uint32_t i = 0; i < 128; ++i)
        ASSERT_EQ(b.Image.ImageData[i], 0x80 + i) << i;
}

TEST(Sequencer, UserDataWithoutAMappingIsRefusedBeforeAnyAccess)
{
    Bench b("F020");
    b.Rig.Chip().UserData.Mapped = false; // as on a size without a User data mapping
    b.Load(0, Pattern(8, 1));
    uint64_t before = b.Rig.Sim->AccessCount();
    RunOptions o = Steps(false, false, false, true, false, true);
    o.BatchMode = true;
    RunResult r = b.Run(o);
    EXPECT_EQ(r.ExitCode, 4);
    EXPECT_EQ(b.Op.Notes.at(0).Text, "Start address out of data FLASH area!");
    // Beginning a run is a no-op over JTAG: the port stays quiet.
    EXPECT_EQ(b.Rig.Sim->AccessCount(), before);
}

TEST(Sequencer, EmptyImageRefusesStepsThatNeedData)
{
    Bench b("F340");
    RunOptions o = Steps(false, true, false, true, true);
    o.BatchMode = true;
    RunResult r = b.Run(o);
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_EQ(b.Op.Notes.at(0).Text, "Can't perform operation - load data file first!");
}

TEST(Sequencer, AFailedClosingC2BlockIsAWriteFaultNamingTheBlock)
{
    // The last 256-byte block is written by the closing flush; its failure
    // must not pass as success.
    Bench b("F340,fail-write=0x180");
    b.Load(0, Pattern(0x200, 6));
    RunOptions o = Steps(false, true, false, true, false);
    o.BatchMode = true;
    RunResult r = b.Run(o);
    EXPECT_EQ(r.ExitCode, 16);
    ASSERT_EQ(b.Op.Notes.size(), 1u);
    EXPECT_EQ(b.Op.Notes[0].Text, "C2 code area write fault at address 0x0100 Aborting!");
}

TEST(Sequencer, AFailingJtagWriteAbortsAtItsAddress)
{
    Bench b("F020,fail-write=0x23");
    b.Load(0, Pattern(0x40, 6));
    RunResult r = b.Run(Steps(false, true, false, true, false));
    EXPECT_FALSE(r.Success);
    EXPECT_EQ(b.Texts(), std::vector<std::string>{"JTAG code area write fault at address 0x0023 Aborting!"});
    EXPECT_EQ(b.View.Idle, 1);
    EXPECT_EQ(b.Op.Status, "Idle");
}

TEST(Sequencer, ATargetRemovedMidRunGivesAFaultNotAHang)
{
    for (const char* part : {"F340,remove-after=60000", "F020,remove-after=60000"}) {
        Bench b(part);
        b.Load(0, Pattern(0x2000, 8));
        RunOptions o = Steps(false, true, false, true, true);
        o.BatchMode = true;
        RunResult r = b.Run(o);
        EXPECT_EQ(r.ExitCode, 16) << part;
        ASSERT_EQ(b.Op.Notes.size(), 1u) << part;
        EXPECT_NE(b.Op.Notes[0].Text.find("fault at address 0x"), std::string::npos) << b.Op.Notes[0].Text;
    }
}

namespace {

// Records every gauge range and every position the run sets.
class GaugeOperator : public ScriptedOperator {
public:
    void ShowProgress(int maximum) override
    {
        ScriptedOperator::ShowProgress(maximum);
        Maxima.push_back(maximum);
        Positions.clear();
    }
    void SetProgress(int value) override
    {
        ScriptedOperator::SetProgress(value);
        Positions.push_back(value);
    }
    std::vector<int> Maxima;
    std::vector<int> Positions; // of the last gauge shown
};

RunResult RunWith(Bench& b, Operator& op, RunOptions options)
{
    return b.RunOn(op, options);
}

std::vector<int> Counting(int from, int to)
{
    std::vector<int> v;
    for (int i = from; i <= to; ++i)
        v.push_back(i);
    return v;
}

} // namespace

TEST(Sequencer, RangeNoticesFollowTheirOwnConditions)
{
    // A 32 KB part with User data: a program image reaching into it warns
    // that the scratchpad will be overwritten, then stops below the lock bytes.
    {
        Bench b("F005");
        const uint32_t flashEnd = b.Rig.Chip().FlashEnd;
        b.Load(0x7D00, Pattern(0x310, 1)); // 0x7D00..0x800F
        ASSERT_EQ(b.Run(Steps(false, true, false, true, false)).ExitCode, 10) << ::testing::PrintToString(b.Texts());
        auto texts = b.Texts();
        ASSERT_EQ(texts.size(), 3u) << ::testing::PrintToString(texts);
        EXPECT_EQ(texts[0], "Scratchpad area will be overwritten!");
        EXPECT_EQ(b.Op.Messages[0].Kind, MessageKind::Information);
        EXPECT_EQ(texts[1], "To program flash lock bits use security menu!");
        EXPECT_EQ(texts[2], "528 bytes of the file at 0x7DFE-0x800F were not programmed (outside the part)");
        EXPECT_EQ(b.Flash()[flashEnd - 2], b.Image.ImageData[flashEnd - 2]);
        EXPECT_EQ(b.Flash()[flashEnd - 1], 0xFF);
        EXPECT_EQ(b.Flash()[flashEnd], 0xFF);
        EXPECT_EQ(b.Scratchpad(0), 0xFF) << "nothing above the lock bytes is written";

        // Verify alone clamps at FlashEnd and says so; with Program ticked it does not.
        b.Op.Messages.clear();
        b.Run(Steps(false, false, false, false, true));
        ASSERT_FALSE(b.Texts().empty());
        EXPECT_EQ(b.Texts()[0], "End address exceeds chip FLASH area.End address set to 0x" + Hex(flashEnd, 4));
    }

    // A Read whose notice Program keeps quiet leaves the notice to Program.
    {
        Bench b("F340");
        const uint32_t flashEnd = b.Rig.Chip().FlashEnd;
        b.Op.Ranges.push_back(AddressRange{0xF000, 0x1FFFF});
        ASSERT_TRUE(b.Run(Steps(true, false, false, true, false)).Success) << ::testing::PrintToString(b.Texts());
        auto texts = b.Texts();
        ASSERT_EQ(texts.size(), 3u) << ::testing::PrintToString(texts);
        EXPECT_EQ(texts[0], "End address exceeds chip FLASH area.End address set to 0x" + Hex(flashEnd, 4));
        EXPECT_EQ(texts[1], "To program flash lock bits use security menu!");
        EXPECT_TRUE(StartsWith(texts[2], "Operation successfull!"));
    }

    // User data: Read with Program ticked is quiet, and Program then gives its own notice.
    {
        Bench b("F020");
        for (uint32_t i = 0; i < 0x80; ++i)
            b.Scratchpad(i) = static_cast<uint8_t>(i ^ 0x5A);
        b.Op.Ranges.push_back(AddressRange{0, 0xFF});
        ASSERT_TRUE(b.Run(Steps(true, false, false, true, false, true)).Success) << ::testing::PrintToString(b.Texts());
        auto texts = b.Texts();
        ASSERT_EQ(texts.size(), 2u) << ::testing::PrintToString(texts);
        EXPECT_EQ(texts[0], "End address exceeds chip FLASH area.End address set to 0x007F");
        EXPECT_EQ(b.Image.ImageData[0x7F], 0x7F ^ 0x5A);
        EXPECT_EQ(b.Image.ImageSize, 0x100);

        // Read alone names the data area.
        b.Op.Messages.clear();
        b.Op.Ranges.push_back(AddressRange{0, 0xFF});
        ASSERT_TRUE(b.Run(Steps(true, false, false, false, false, true)).Success);
        ASSERT_FALSE(b.Texts().empty());
        EXPECT_EQ(b.Texts()[0], "End address exceeds data FLASH area.End address set to 0x007F");
    }
}

TEST(Sequencer, UserDataStartBeyondTheAreaIsRefusedWithoutWriting)
{
    Bench b("F020");
    b.Load(0x80, Pattern(4, 1)); // offset 0x80 = ScratchpadSize: outside
    for (bool verify : {false, true}) {
        b.Op.Notes.clear();
        RunOptions o = Steps(false, false, false, !verify, verify, true);
        o.BatchMode = true;
        RunResult r = b.Run(o);
        EXPECT_EQ(r.ExitCode, 4);
        ASSERT_EQ(b.Op.Notes.size(), 1u);
        EXPECT_EQ(b.Op.Notes[0].Text, "Start address out of data FLASH area!");
        EXPECT_EQ(b.Op.Notes[0].Kind, MessageKind::Error);
    }
    for (uint32_t i = 0; i < 0x80; ++i)
        ASSERT_EQ(b.Scratchpad(i), 0xFF) << i;

    b.Op.Ranges.push_back(AddressRange{0x81, 0x90});
    RunResult r = b.Run(Steps(true, false, false, false, false, true));
    EXPECT_FALSE(r.Success);
    EXPECT_EQ(b.Texts(), std::vector<std::string>{"Start address out of data FLASH area!"});
    EXPECT_EQ(b.View.Uploaded, 0);
    EXPECT_EQ(b.Op.Status, "Idle");
    EXPECT_FALSE(b.Op.Busy);
}

TEST(Sequencer, EraseTouchesOnlyThePagesTheImageUses)
{
    // Code area of a 32 KB part: pages 1 and 64 (its User data seen from the
    // code space) are in the image, page 3 is not.
    {
        Bench b("F005");
        std::fill(b.Flash().begin() + 0x200, b.Flash().begin() + 0x800, 0x00);
        b.Scratchpad(5) = 0x00;
        b.Load(0x300, {1, 2, 3});
        b.Image.StoreByte(0x8001, 4);
        b.Image.ImageSize = 3;
        GaugeOperator op;
        ASSERT_TRUE(RunWith(b, op, Steps(false, true, false, false, false)).Success) << ::testing::PrintToString(op.Texts());
        EXPECT_EQ(b.Flash()[0x200], 0xFF);
        EXPECT_EQ(b.Flash()[0x3FF], 0xFF);
        EXPECT_EQ(b.Flash()[0x400], 0x00) << "page 2 is not in the image";
        EXPECT_EQ(b.Flash()[0x600], 0x00) << "page 3 is not in the image";
        EXPECT_EQ(b.Scratchpad(5), 0xFF);
        EXPECT_EQ(op.Maxima, std::vector<int>{64}) << "pages 0 .. FlashSizeKB * 2";
        EXPECT_EQ(op.Positions, Counting(0, 64));
        EXPECT_FALSE(op.ProgressVisible);
    }
    // User data area: only the scratchpad.
    {
        Bench b("F020");
        b.Flash()[0] = 0x00;
        b.Scratchpad(0x10) = 0x00;
        b.Load(0, {0x11});
        ASSERT_TRUE(b.Run(Steps(false, true, true, false, false, true)).Success) << ::testing::PrintToString(b.Texts());
        EXPECT_EQ(b.Scratchpad(0x10), 0xFF);
        EXPECT_EQ(b.Flash()[0], 0x00);
    }
}

TEST(Sequencer, EachPageOfAOneKilobytePageIsErasedOnce)
{
    // An image over both 512-byte halves of the F36x page 0x0400..0x07FF
    // costs the same single page erase as an image in one half.
    uint64_t eraseMs[2] = {};
    for (int halves = 1; halves <= 2; ++halves) {
        Bench b("F360");
        std::fill(b.Flash().begin(), b.Flash().begin() + 0x1000, 0x00);
        b.Load(0x0400, Pattern(halves * 0x200, 9));
        uint64_t start = b.Rig.NowMs();
        ASSERT_TRUE(b.Run(Steps(false, true, false, false, false)).Success) << ::testing::PrintToString(b.Texts());
        eraseMs[halves - 1] = b.Rig.NowMs() - start;
        EXPECT_EQ(b.Flash()[0x03FF], 0x00);
        EXPECT_TRUE(std::all_of(b.Flash().begin() + 0x400, b.Flash().begin() + 0x800, [](uint8_t v) { return v == 0xFF; }));
        EXPECT_EQ(b.Flash()[0x0800], 0x00);
        EXPECT_TRUE(b.Rig.Sim->Violations().empty()) << b.Rig.Sim->Violations()[0];
    }
    EXPECT_EQ(eraseMs[1], eraseMs[0]);
}

TEST(Sequencer, BlocksThatHoldNothingOfTheFileCostNoTraffic)
{
    // Four bytes near each end of the part: the C2 program step writes its
    // whole span, but the blocks between are all 0xFF and need no writing,
    // and Verify and Blank check have nothing to compare there. The two
    // islands cost about what one costs twice, not the 62 KB between them.
    for (const char* part : {"F340", "F020"}) {
        SCOPED_TRACE(part);
        uint64_t accesses[2] = {};
        for (int islands = 1; islands <= 2; ++islands) {
            Bench b(part);
            b.Image.ClearImage(true);
            for (uint32_t i = 0; i < 4; ++i) {
                b.Image.StoreByte(0x0010 + i, static_cast<uint8_t>(0x10 + i));
                if (islands == 2)
                    b.Image.StoreByte(0xFBF0 + i, static_cast<uint8_t>(0xF0 + i));
            }
            b.Image.ImageSize = b.Image.EndAddress - b.Image.StartAddress + 1;
            uint64_t start = b.Rig.Sim->AccessCount();
            RunResult r = b.Run(Steps(false, false, true, true, true));
            ASSERT_TRUE(r.Success) << ::testing::PrintToString(b.Texts());
            EXPECT_EQ(r.Outcome.Programmed, 4u * islands);
            EXPECT_EQ(r.Outcome.Verified, 4u * islands);
            accesses[islands - 1] = b.Rig.Sim->AccessCount() - start;
            EXPECT_EQ(b.Flash()[0x0013], 0x13);
            if (islands == 2) {
                EXPECT_EQ(b.Flash()[0xFBF3], 0xF3);
            }
            EXPECT_TRUE(b.Rig.Sim->Violations().empty()) << b.Rig.Sim->Violations()[0];
        }
        EXPECT_LT(accesses[1], 3 * accesses[0]) << accesses[0] << " for one island";
    }
}

TEST(Sequencer, ProgressGaugeRanges)
{
    Bench b("F340");
    GaugeOperator op;

    // Fewer than 100 addresses: 0..last-first, one step per address.
    b.Load(0x100, std::vector<uint8_t>(0x40, 0xAA));
    ASSERT_TRUE(RunWith(b, op, Steps(false, false, true, false, false)).Success);
    EXPECT_EQ(op.Maxima, std::vector<int>{0x3F});
    EXPECT_EQ(op.Positions, Counting(1, 0x40));

    // More: 0..100, one step at each multiple of (last-first)/100.
    op.Maxima.clear();
    b.Load(0, std::vector<uint8_t>(0x1000, 0xAA));
    ASSERT_TRUE(RunWith(b, op, Steps(false, false, true, false, false)).Success);
    EXPECT_EQ(op.Maxima, std::vector<int>{100});
    EXPECT_EQ(op.Positions, Counting(1, 0xFFF / 40 + 1)) << "a step of 0xFFF / 100 = 40";
    EXPECT_FALSE(op.ProgressVisible);

    // User data: the Read runs from first to last, the blank check from 0 to ScratchpadSize.
    Bench d("F020");
    GaugeOperator dop;
    dop.Ranges.push_back(AddressRange{0x10, 0x2F});
    ASSERT_TRUE(RunWith(d, dop, Steps(true, false, false, false, false, true)).Success);
    EXPECT_EQ(dop.Maxima, std::vector<int>{0x1F});
    EXPECT_EQ(dop.Positions, Counting(0, 0x1F));

    dop.Maxima.clear();
    ASSERT_TRUE(RunWith(d, dop, Steps(false, false, true, false, false, true)).Success);
    EXPECT_EQ(dop.Maxima, std::vector<int>{128});
    EXPECT_EQ(dop.Positions, Counting(0, 127));
}

TEST(Sequencer, UserDataFaultsNameTheOffsetAndEndWithSixteen)
{
    // A failed write into the User data area.
    {
        Bench b("F020,fail-write=0x10005"); // the sixth scratchpad cell
        b.Load(0, Pattern(0x20, 3));
        RunOptions o = Steps(false, false, false, true, false, true);
        o.BatchMode = true;
        RunResult r = b.Run(o);
        EXPECT_EQ(r.ExitCode, 16);
        ASSERT_EQ(b.Op.Notes.size(), 1u);
        EXPECT_EQ(b.Op.Notes[0].Text, "JTAG scratchpad write fault...Aborting!");
        EXPECT_EQ(b.Op.Notes[0].Kind, MessageKind::Error);
    }
    // A target that goes away half way through a User data read.
    uint64_t connect = 0, read = 0;
    {
        Bench probe("F020");
        connect = probe.Rig.Sim->AccessCount();
        probe.Op.Ranges.push_back(AddressRange{0, 0x7F});
        ASSERT_TRUE(probe.Run(Steps(true, false, false, false, false, true)).Success);
        read = probe.Rig.Sim->AccessCount() - connect;
    }
    Bench b("F020,remove-after=" + std::to_string(connect + read / 2));
    b.Op.Ranges.push_back(AddressRange{0, 0x7F});
    RunResult r = b.Run(Steps(true, false, false, false, false, true));
    EXPECT_FALSE(r.Success);
    EXPECT_EQ(r.ExitCode, 16);
    ASSERT_EQ(b.Texts().size(), 1u);
    const std::string text = b.Texts()[0];
    ASSERT_TRUE(StartsWith(text, "JTAG fault at address 0x00")) << text;
    EXPECT_LT(std::stoul(text.substr(24, 4), nullptr, 16), 0x80u) << "the offset, not the target address: " << text;
    EXPECT_EQ(text.substr(28), "! Aborting!");
    EXPECT_EQ(b.View.Uploaded, 0);
    EXPECT_EQ(b.Op.Status, "Idle");
    EXPECT_FALSE(b.Op.ProgressVisible);
}

TEST(Sequencer, PartsWithoutUserDataRefuseTheUserDataArea)
{
    // The presence poll may have found another part since Connect enabled
    // "Scratchpad": a part without the area must not report success for it.
    Bench b("F340");
    b.Load(0, Pattern(8, 1));
    uint64_t before = b.Rig.Sim->AccessCount();
    RunResult r = b.Run(Steps(false, true, true, false, false, true));
    EXPECT_FALSE(r.Success);
    EXPECT_EQ(b.Texts(), std::vector<std::string>{"Start address out of data FLASH area!"});
    EXPECT_EQ(b.Rig.Sim->AccessCount(), before);
}

// Port stalls: an access takes 50 us longer, and a C2 strobe whose low
// phase it stretches resets the part. The run notices, re-arms and goes on
// from the last confirmed byte: the chip ends up holding the file.
TEST(Sequencer, StallsOfAnyPeriodAndPlacementEndWithTheChipEqualToTheFile)
{
    // A file with gaps: blocks of nothing but 0xFF are not sent, and the
    // verify passes over blocks the file does not touch.
    std::vector<uint8_t> file = Pattern(0x3000, 0x5C);
    std::fill(file.begin() + 0x0800, file.begin() + 0x1400, uint8_t{0xFF});
    // Fixed periods land at the same point of every try after a re-arm:
    // from about 650 accesses on, a re-arm, a block write command and the
    // byte after the one it resends fit in between. Seeded stalls land
    // anywhere, with the mean period given.
    struct Case {
        int Every;
        const char* At;
        int Seed; // 0: the fixed period
    };
    const Case cases[] = {{650, "before", 0}, {713, "after", 0}, {1000, "both", 0},   {2000, "before", 0},
                          {5003, "after", 0}, {20000, "after", 0}, {300, "before", 1}, {400, "after", 2},
                          {400, "both", 3},   {1000, "both", 4}};
    for (const Case& c : cases) {
        std::string text = "F340,stalls=" + std::to_string(c.Every) + ",stall-at=" + c.At;
        if (c.Seed != 0)
            text += ",stall-seed=" + std::to_string(c.Seed);
        SCOPED_TRACE(text);
        Bench b(text);
        std::fill(b.Flash().begin(), b.Flash().begin() + 0x4000, 0x00);
        b.Load(0x0100, file);
        RunResult r = b.Run(Steps(false, true, false, true, true));
        ASSERT_TRUE(r.Success) << ::testing::PrintToString(b.Texts()) << r.Outcome.StallsRecovered;
        EXPECT_GT(r.Outcome.StallsRecovered, 0u);
        EXPECT_TRUE(std::equal(file.begin(), file.end(), b.Flash().begin() + 0x0100));
        // Read back through the programmer, stalls and all.
        b.Image.ClearImage(true);
        b.Op.Ranges.push_back(AddressRange{0x0100, 0x30FF});
        ASSERT_TRUE(b.Run(Steps(true, false, false, false, false)).Success);
        EXPECT_TRUE(std::equal(file.begin(), file.end(), b.Image.ImageData.begin() + 0x0100));
        EXPECT_TRUE(b.Rig.Sim->Violations().empty()) << b.Rig.Sim->Violations()[0];
    }
}

TEST(Sequencer, APortThatStallsTooOftenEndsInBoundedTimeAndNeverCallsThePartLocked)
{
    // A stall every 300 accesses leaves room for the identification word,
    // never for a block command: the connect gives up on the part instead
    // of calling it locked (which would invite a chip erase).
    SimRig rig("F340,stalls=300");
    ConnectResult result = rig.Dev().ConnectTarget();
    EXPECT_EQ(result.Kind, ConnectOutcome::NoAdapter);
    EXPECT_LT(rig.NowMs(), 60000u);
    EXPECT_TRUE(rig.Sim->Violations().empty()) << rig.Sim->Violations()[0];
}

using sim::PullWatch;

TEST(Sequencer, ATargetPulledAtAnyPointOfARunEndsSixteenWithinASecond)
{
    // Erase, program and verify of a file; the part pulled at points from
    // the end of the connect to the last step. Every busy poll of a part
    // that is gone would wait out its limit: one identity read ends it.
    std::vector<uint8_t> file = Pattern(0x1800, 0x3B);
    for (const char* part : {"F340", "F120"}) {
        uint64_t connected = 0, total = 0;
        auto run = [&](const std::string& simText, uint64_t* pulledAfterNs) {
            SimRig rig(simText);
            PullWatch port(*rig.Sim);
            ProgrammerStack stack(port, rig.Sim->GetClock());
            EXPECT_TRUE(stack.Dev.ConnectTarget().Identified()) << simText;
            connected = rig.Sim->AccessCount();
            ImageBuffer image;
            image.ClearImage(true);
            for (size_t i = 0; i < file.size(); ++i)
                image.StoreByte(0x0200 + static_cast<uint32_t>(i), file[i]);
            image.ImageSize = image.EndAddress - image.StartAddress + 1;
            RealClock wall;
            RunOptions o = Steps(false, true, false, true, true);
            o.BatchMode = true;
            o.SamePartAnswers = [&stack] { return stack.Dev.SamePartAnswers(); };
            Sequencer sequencer(image, stack.Dev.Flash(), stack.Dev.Chip, wall, {});
            RunResult r = ResultOf(sequencer.RunOperations(o));
            total = rig.Sim->AccessCount();
            if (pulledAfterNs && port.PulledAtNs != 0)
                *pulledAfterNs = rig.Sim->GetClock().Now() - port.PulledAtNs;
            EXPECT_TRUE(rig.Sim->Violations().empty()) << rig.Sim->Violations()[0];
            return r;
        };
        ASSERT_EQ(run(part, nullptr).ExitCode, 0) << part;
        const uint64_t start = connected, span = total - connected;
        for (int i = 0; i < 12; ++i) {
            const uint64_t at = start + span * i / 12 + 17;
            SCOPED_TRACE(std::string(part) + " pulled after " + std::to_string(at) + " of " + std::to_string(total));
            uint64_t afterNs = UINT64_MAX;
            RunResult r = run(std::string(part) + ",remove-after=" + std::to_string(at), &afterNs);
            EXPECT_EQ(r.ExitCode, 16) << ::testing::PrintToString(r.Outcome.Kind);
            EXPECT_LE(afterNs, 1000000000u);
        }
    }
}

TEST(Sequencer, C2PartsProgramEveryCodeByteBelowTheirOneLockByte)
{
    // The whole code area up to the byte below the lock byte programs and
    // verifies, on a part whose FlashEnd is its lock byte and on one whose
    // FlashEnd lies below it.
    for (const char* part : {"F330", "F340"}) {
        Bench b(part);
        const uint32_t lock = b.Rig.Chip().LockByteAddress;
        b.Load(lock - 0x300, Pattern(0x300, 3)); // up to lock - 1
        RunResult r = b.Run(Steps(false, true, false, true, true));
        EXPECT_EQ(r.ExitCode, 0) << part << ::testing::PrintToString(b.Texts());
        ASSERT_EQ(b.Texts().size(), 1u) << part << ::testing::PrintToString(b.Texts());
        EXPECT_TRUE(StartsWith(b.Texts()[0], "Operation successfull!"));
        EXPECT_EQ(b.Flash()[lock - 1], b.Image.ImageData[lock - 1]) << part;
        EXPECT_EQ(b.Flash()[lock], 0xFF) << part;
    }

    // A file that carries the lock byte: Program leaves it, the warning
    // says why, Verify skips it and the run ends with 10, not with a verify
    // failure.
    Bench b("F330");
    const uint32_t lock = b.Rig.Chip().LockByteAddress;
    b.Load(lock - 0xFF, Pattern(0x100, 3));
    b.Image.StoreByte(lock, 0xFC);
    RunOptions both = Steps(false, true, false, true, true);
    both.BatchMode = true;
    RunResult r = b.Run(both);
    EXPECT_EQ(r.ExitCode, 10);
    EXPECT_EQ(r.Outcome.Verified, 0xFFu);
    EXPECT_EQ(b.Texts(), std::vector<std::string>{"To program flash lock bits use security menu!"});
    ASSERT_EQ(b.Op.Notes.size(), 1u);
    EXPECT_EQ(b.Op.Notes[0].Kind, MessageKind::Warning);
    EXPECT_EQ(b.Op.Notes[0].Text, "1 bytes of the file at 0x1DFF-0x1DFF were not programmed (outside the part)");
    EXPECT_EQ(b.Flash()[lock], 0xFF) << "the lock byte belongs to the security dialog";

    // Verify alone still compares what the part holds there.
    RunResult check = b.Run(Steps(false, false, false, false, true));
    EXPECT_EQ(check.ExitCode, 5);
    EXPECT_EQ(check.Outcome.Address, lock);
}

TEST(Sequencer, BytesBeyondThePartCountUnlessErasedFlashHoldsThemAlready)
{
    Bench b("F330");
    b.Load(0, Pattern(0x100, 1));
    for (uint32_t a = 0x8000; a < 0x8100; ++a)
        b.Image.StoreByte(a, 0xFF); // what a read-back of a bigger part carries
    b.Image.ImageSize = b.Image.EndAddress - b.Image.StartAddress + 1;
    RunOptions o = Steps(false, true, false, true, true);
    o.BatchMode = true;
    EXPECT_EQ(b.Run(o).ExitCode, 0);
    EXPECT_TRUE(b.Op.Notes.empty());

    for (uint32_t a = 0x8010; a < 0x8020; ++a)
        b.Image.StoreByte(a, 0x00);
    b.Image.StoreByte(0x9000, 0x42);
    b.Image.ImageSize = b.Image.EndAddress - b.Image.StartAddress + 1;
    RunResult r = b.Run(o);
    EXPECT_EQ(r.ExitCode, 10);
    ASSERT_EQ(b.Op.Notes.size(), 1u);
    EXPECT_EQ(b.Op.Notes[0].Text, "17 bytes of the file at 0x8010-0x9000 were not programmed (outside the part)");
    EXPECT_EQ(r.Outcome.Programmed, 0x100u);

    // Verify alone leaves out the same bytes.
    b.Op.Notes.clear();
    RunOptions verify = Steps(false, false, false, false, true);
    verify.BatchMode = true;
    EXPECT_EQ(b.Run(verify).ExitCode, 10);
}

TEST(Sequencer, ATargetLostMidStepIsAReadFaultNotAMismatchOrABlankPart)
{
    // Where the erase and program of a run end on this part, to pull it out
    // during the step that follows.
    auto accessesAfter = [](const std::string& part, RunOptions steps) {
        Bench probe(part);
        probe.Load(0, Pattern(0x800, 4));
        probe.Run(steps);
        return probe.Rig.Sim->AccessCount();
    };
    const uint64_t programmed = accessesAfter("F340", Steps(false, true, false, true, false));
    for (bool blank : {false, true}) {
        // A removed C2 part reads as 0xFF: verify would see a mismatch, a
        // blank check a blank part.
        const uint64_t removeAt = blank ? accessesAfter("F340", Steps(false, true, false, false, false)) + 20000
                                        : programmed + 20000;
        Bench b("F340,remove-after=" + std::to_string(removeAt));
        b.Load(0, Pattern(0x800, 4));
        RunOptions o = blank ? Steps(false, true, true, false, false) : Steps(false, true, false, true, true);
        o.BatchMode = true;
        RunResult r = b.Run(o);
        EXPECT_EQ(r.ExitCode, 16) << (blank ? "blank check" : "verify");
        ASSERT_EQ(b.Op.Notes.size(), 1u);
        EXPECT_TRUE(StartsWith(b.Op.Notes[0].Text, "C2 read fault at address 0x")) << b.Op.Notes[0].Text;
    }

    // The same part, still there, fails verify as before.
    Bench stuck("F340,stuck-bit=0x13");
    stuck.Load(0, Pattern(0x800, 4));
    EXPECT_EQ(stuck.Run(Steps(false, true, false, true, true)).ExitCode, 5);
}
