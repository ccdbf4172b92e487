// Connection and identification against the simulator: every derivative of
// its catalogue, locked parts, unknown codes, targets that do not answer,
// and the chip facts identification fills in.
#include "RecordingPort.h"
#include "SimRig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "target/C2Link.h"
#include "target/JtagFlashLink.h"

#include <algorithm>

namespace vorbrant {
namespace {

using test::SimRig;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Expected {
    const char* Part; // simulator catalogue name
    bool C2;
    int32_t Id;       // the identification word ConnectTarget reports
    const char* Name;
    uint16_t FlashSizeKB;
    uint32_t FlashEnd;
    uint16_t LockByteAddress;
    uint16_t ScratchpadSize;
    bool SmallerVariant;
};

// What the identification must find for each simulated part.
constexpr Expected Parts[] = {
    {"F300", true, 0x10304, "F300/1/2/3", 8, 0x1DFF, 0x1DFF, 0, false},
    {"F304", true, 0x10304, "F304", 4, 0xFFF, 0xFFF, 0, false},
    {"F305", true, 0x10304, "F305", 2, 0x7FF, 0x7FF, 0, false},
    {"F310", true, 0x10308, "F310/11/6/7", 16, 0x3DFF, 0x3DFF, 0, false},
    {"F312", true, 0x10308, "F312/13/14/15", 8, 0x1FFF, 0x1FFF, 0, false},
    {"F320", true, 0x10309, "F320/21", 16, 0x3DFF, 0x3DFF, 0, false},
    {"F330", true, 0x1030A, "F330/1", 8, 0x1DFF, 0x1DFF, 0, false},
    {"F332", true, 0x1030A, "F332/3", 4, 0xFFE, 0xFFF, 0, false},
    {"F334", true, 0x1030A, "F334/5", 2, 0x7FE, 0x7FF, 0, false},
    {"F350", true, 0x1030B, "F350/1/2/3", 8, 0x1DFE, 0x1DFF, 0, false},
    {"F410", true, 0x1030C, "F410/1", 32, 0x7DFE, 0x7DFF, 0, false},
    {"F412", true, 0x1030C, "F412/13", 16, 0x3FFE, 0x3FFF, 0, false},
    {"F326", true, 0x1030D, "F326/7", 16, 0x3DFF, 0x3DFF, 0, false},
    {"F340", true, 0x1030F, "F340/2/4/6", 64, 0xFBFE, 0xFBFF, 0, false},
    {"F341", true, 0x1030F, "F341/3/5/7", 32, 0x7FFE, 0x7FFF, 0, false},
    {"F520", true, 0x10311, "F520/1,F530/1", 8, 0x1DFF, 0x1DFF, 0, false},
    {"F523", true, 0x10311, "F523/4,F533/4", 4, 0xFFE, 0xFFF, 0, false},
    {"F526", true, 0x10311, "F526/7,F536/7", 2, 0x7FE, 0x7FF, 0, false},
    {"F360", true, 0x10312, "F360..367", 32, 0x7BFE, 0x7BFF, 0, false},
    {"F368", true, 0x10312, "F368/9", 16, 0x3FFE, 0x3FFF, 0, false},
    {"F005", false, 0x00000243, "F000..017", 32, 0x7DFF, 0, 128, false},
    {"F010", false, 0x00002243, "F000..017", 32, 0x7DFF, 0, 128, false},
    {"F018", false, 0x00002243, "F018/19", 16, 0x3DFF, 0, 128, true},
    {"F206", false, 0x00001243, "F2XX", 8, 0x1DFF, 0, 128, false},
    {"F020", false, 0x00003243, "F020..23", 64, 0xFDFF, 0, 128, false},
    {"F040", false, 0x00005243, "F040..45", 64, 0xFDFF, 0, 128, false},
    {"F046", false, 0x00005243, "F046/7", 32, 0x7FFF, 0, 128, true},
    {"F060", false, 0x00006243, "F060..065", 64, 0xFBFF, 0, 128, false},
    {"F066", false, 0x00006243, "F066/7", 32, 0x7FFF, 0, 128, true},
    {"F120", false, 0x10007243, "F120..131", 128, 0x1FBFF, 0, 256, false},
    {"F132", false, 0x10007243, "F132/133", 64, 0xFFFF, 0, 256, true},
};

TEST(SimIdentifyTest, EveryCataloguedDerivativeIsIdentified)
{
    for (const Expected& e : Parts) {
        SCOPED_TRACE(e.Part);
        SimRig rig(e.Part);
        ConnectResult result = rig.Dev().ConnectTarget();
        int32_t id = result.Id;
        EXPECT_EQ(result.Kind, ConnectOutcome::Connected);
        const ChipInfo& chip = rig.Chip();
        EXPECT_EQ(chip.C2Mode, e.C2);
        if (e.C2) {
            EXPECT_EQ(id, e.Id);
        } else {
            EXPECT_EQ(static_cast<uint32_t>(id) & 0x0FFFFFFFu, static_cast<uint32_t>(e.Id) & 0x0FFFFFFFu);
        }
        EXPECT_EQ(chip.DerivativeName, e.Name);
        EXPECT_EQ(chip.FlashSizeKB, e.FlashSizeKB);
        EXPECT_EQ(chip.FlashEnd, e.FlashEnd);
        if (e.C2) {
            EXPECT_EQ(chip.LockByteAddress, e.LockByteAddress);
        }
        EXPECT_EQ(chip.ScratchpadSize, e.ScratchpadSize);
        EXPECT_EQ(chip.SmallerVariant, e.SmallerVariant);
        EXPECT_EQ(chip.FpdatAddress, e.C2 && (id & 0xFFF) == 0x30F ? 0xAD : 0xB4);
        if (!e.C2) {
            EXPECT_EQ(chip.FlashRegBase, chip.DeviceCode == 7 ? 0x3000 : 0x4000);
        }
        EXPECT_EQ(rig.Stack->Pins.Detected().Name, "Ironquill2");
        EXPECT_THAT(rig.Sim->Violations(), IsEmpty());

        // The two-second watch repeats the connect and finds the same part.
        result = rig.Dev().ConnectTarget();
        EXPECT_EQ(result.Kind, ConnectOutcome::Connected);
        EXPECT_EQ(result.Id, id);
        EXPECT_EQ(rig.Chip().DerivativeName, e.Name);
        EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
    }
}

TEST(SimIdentifyTest, IdentificationFillsInTheChipFacts)
{
    struct Facts {
        const char* Part;
        uint16_t PageSize;
        uint8_t FlashAdrBits;
        bool UserDataMapped;
        uint32_t UserDataBase;
        uint8_t AreaFlags;
        uint32_t EraseAddress;
        bool WindowAboveCode;
        SecurityAccess Security;
        C2SecurityPath SecurityPath; // C2 parts only
    };
    using enum SecurityAccess;
    using enum C2SecurityPath;
    const Facts rows[] = {
        {"F020", 512, 16, true, 0x0000, 0x80, 0x00000, false, JtagBlocks, Fpdat},
        {"F018", 512, 16, true, 0x4000, 0x00, 0x04000, true, JtagBlocks, Fpdat}, // smaller variant: its own size
        {"F046", 512, 16, true, 0x8000, 0x00, 0x08000, true, JtagBlocks, Fpdat},
        {"F206", 512, 16, true, 0x2000, 0x00, 0x02000, true, JtagBlocks, Fpdat},
        {"F120", 1024, 17, true, 0x0000, 0x80, 0x0000, false, JtagBlocks, Fpdat},
        {"F132", 1024, 17, true, 0x0000, 0x80, 0x00000, false, JtagBlocks, Fpdat},
        {"F300", 512, 16, true, 0x2000, 0x00, 0x02000, true, F30xNibbles, Fpdat},
        {"F305", 512, 16, false, 0, 0, 0, true, F30xNibbles, Fpdat},
        {"F310", 512, 16, true, 0x4000, 0x00, 0x04000, true, C2PageCount, InvertedB5},
        {"F340", 512, 16, true, 0x0000, 0x80, 0x00000, false, C2PageCount, InvertedB4},
        {"F410", 512, 16, true, 0x8000, 0x00, 0x08000, true, C2PageCount, WindowB5},
        {"F334", 512, 16, false, 0, 0, 0, true, C2PageCount, Fpdat},
        {"F360", 1024, 16, true, 0x8000, 0x00, 0x08000, true, C2PageCount, Fpdat},
    };
    for (const Facts& f : rows) {
        SCOPED_TRACE(f.Part);
        SimRig rig(f.Part);
        ASSERT_EQ(rig.Dev().ConnectTarget().Kind, ConnectOutcome::Connected);
        const ChipInfo& chip = rig.Chip();
        EXPECT_EQ(chip.PageSize, f.PageSize);
        if (!chip.C2Mode) {
            EXPECT_EQ(chip.FlashAdrBits, f.FlashAdrBits);
        } else {
            EXPECT_EQ(chip.SecurityPath, f.SecurityPath);
        }
        EXPECT_EQ(chip.UserData.Mapped, f.UserDataMapped);
        EXPECT_EQ(chip.UserData.Base, f.UserDataBase);
        EXPECT_EQ(chip.UserData.AreaFlags, f.AreaFlags);
        EXPECT_EQ(chip.UserData.EraseAddress, f.EraseAddress);
        EXPECT_EQ(chip.WindowAboveCode, f.WindowAboveCode);
        EXPECT_EQ(chip.Security, f.Security);
    }

    // A part that answers but is not identified keeps the facts of the
    // size its row left (here the 16 KB member whose confirmation failed).
    SimRig unknown("F010,busy");
    EXPECT_EQ(unknown.Dev().ConnectTarget().Kind, ConnectOutcome::Unknown);
    EXPECT_EQ(unknown.Chip().FlashSizeKB, 16);
    EXPECT_EQ(unknown.Chip().UserData.Base, 0x4000u);
    EXPECT_TRUE(unknown.Chip().WindowAboveCode);
}

TEST(SimIdentifyTest, UnknownC2CodeShowsTheCode)
{
    SimRig rig("F336");
    ConnectResult result = rig.Dev().ConnectTarget();
    EXPECT_EQ(result.Kind, ConnectOutcome::Unknown);
    EXPECT_EQ(result.Id & 0xFFF, 0x314);
    EXPECT_TRUE(rig.Chip().C2Mode);
    EXPECT_EQ(rig.Chip().DerivativeName, "0x0314");
    EXPECT_EQ(rig.Chip().FlashEnd, 0u);
    EXPECT_EQ(rig.Chip().FlashSizeKB, 0);
}

TEST(SimIdentifyTest, SmallerVariantThatFailsItsConfirmationIsNotIdentified)
{
    // A part whose flash never answers: both F000..017 probes and the
    // F018/19 confirmation fail.
    SimRig rig("F010,busy");
    uint64_t start = rig.NowMs();
    ConnectResult result = rig.Dev().ConnectTarget();
    EXPECT_EQ(result.Kind, ConnectOutcome::Unknown);
    EXPECT_EQ(result.Id & 0x0FFFFFFF, 0x2243);
    EXPECT_EQ(rig.Chip().DerivativeName, "");
    EXPECT_EQ(rig.Chip().FlashEnd, 0u);
    EXPECT_TRUE(rig.Chip().SmallerVariant);
    EXPECT_LT(rig.NowMs() - start, 10000u);
}

TEST(SimIdentifyTest, OnlySomeSmallerVariantsNeedTheirConfirmation)
{
    // Flash that never answers fails every probe: the families whose smaller
    // member is confirmed by a probe end up not identified, the F06x family
    // takes its smaller member unconfirmed.
    struct Row {
        const char* SimText;
        const char* Name;
        uint32_t FlashEnd;
    };
    const Row rows[] = {
        {"F040,busy", "", 0},
        {"F060,busy", "F066/7", 0x7FFF},
        {"F120,busy", "", 0},
        {"F005,busy", "", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.SimText);
        SimRig rig(r.SimText);
        ConnectResult result = rig.Dev().ConnectTarget();
        EXPECT_EQ(result.Kind, r.FlashEnd != 0 ? ConnectOutcome::Connected : ConnectOutcome::Unknown);
        EXPECT_EQ(rig.Chip().DerivativeName, r.Name);
        EXPECT_EQ(rig.Chip().FlashEnd, r.FlashEnd);
        EXPECT_TRUE(rig.Chip().SmallerVariant);
    }
    // The F132 keeps the F12x flash register base and scratchpad.
    SimRig f132("F132");
    ASSERT_TRUE(f132.Dev().ConnectTarget().Identified());
    EXPECT_EQ(f132.Chip().FlashRegBase, 0x3000);
    EXPECT_EQ(f132.Chip().ScratchpadSize, 256);
    EXPECT_EQ(f132.Chip().FlashSizeKB, 64);
}

TEST(SimIdentifyTest, JtagPartsOnAFirstGenerationAdapter)
{
    SimRig rig("F020,adapter=ironquill");
    EXPECT_EQ(rig.Dev().ConnectTarget().Id & 0x0FFFFFFF, 0x3243);
    EXPECT_EQ(rig.Stack->Pins.Detected().Name, "Ironquill");
    EXPECT_EQ(rig.Chip().DerivativeName, "F020..23");
    EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
}

TEST(SimIdentifyTest, NoAnswerIsNoAdapter)
{
    auto noAnswer = [](const char* simText) {
        SimRig rig(simText);
        ConnectResult result = rig.Dev().ConnectTarget();
        EXPECT_EQ(result.Kind, ConnectOutcome::NoAdapter) << simText;
        EXPECT_EQ(result.Id, -1) << simText;
        return rig.Chip().C2Mode;
    };
    noAnswer("F340,adapter=none");
    noAnswer("F340,adapter=none-low");
    // A C2 part behind a first-generation adapter is never reached over C2,
    // and nothing answers over JTAG.
    EXPECT_FALSE(noAnswer("F340,adapter=ironquill"));
    noAnswer("F020,tdo=low");
    noAnswer("F020,tdo=high");
}

TEST(SimIdentifyTest, LockedPartIsReportedLockedAtEveryConnect)
{
    // Whether to warn again is the caller's rule; the target reports what it
    // found each time.
    SimRig rig("F410,lock=FE");
    ConnectResult result = rig.Dev().ConnectTarget();
    EXPECT_EQ(result.Kind, ConnectOutcome::Locked);
    EXPECT_TRUE(result.Identified());
    EXPECT_EQ(result.Id, 0x1030C);
    EXPECT_FALSE(result.ClearsLockWarning);
    EXPECT_EQ(rig.Chip().DerivativeName, "Locked F41x");
    EXPECT_EQ(rig.Chip().FlashEnd, 1u);
    EXPECT_EQ(rig.Chip().FlashSizeKB, 32);
    EXPECT_EQ(rig.Chip().LockByteAddress, 0x7DFF);

    EXPECT_EQ(rig.Dev().ConnectTarget().Kind, ConnectOutcome::Locked); // the two-second watch
    EXPECT_EQ(rig.Chip().DerivativeName, "Locked F41x");

    rig.Dev().DisconnectTarget();
    EXPECT_EQ(rig.Dev().ConnectTarget().Kind, ConnectOutcome::Locked);
    EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
}

TEST(SimIdentifyTest, LockedFamiliesKeepOrDropTheirFlashEnd)
{
    struct Row {
        const char* SimText;
        const char* Name;
        uint16_t KB;
        uint32_t FlashEnd;
        uint16_t LockByte;
    };
    const Row rows[] = {
        {"F300,lock=FE", "Locked F30x", 8, 1, 0x1DFF},
        {"F340,lock=FE", "Locked F34x", 64, 0xFBFE, 0xFBFF},
        {"F360,lock=FE", "Locked F36x", 32, 0x7BFE, 0x7BFF},
        {"F310,lock=FE", "Locked F31x", 16, 1, 0x7DFF},
        {"F330,lock=FE", "Locked F33x", 8, 1, 0x7DFF},
        {"F350,lock=FE", "Locked F35x", 8, 1, 0x7DFF},
        {"F520,lock=FE", "Locked F52x,F53x", 8, 1, 0x1DFF},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.SimText);
        SimRig rig(r.SimText);
        EXPECT_EQ(rig.Dev().ConnectTarget().Kind, ConnectOutcome::Locked);
        EXPECT_EQ(rig.Chip().DerivativeName, r.Name);
        EXPECT_EQ(rig.Chip().FlashSizeKB, r.KB);
        EXPECT_EQ(rig.Chip().FlashEnd, r.FlashEnd);
        EXPECT_EQ(rig.Chip().LockByteAddress, r.LockByte);
        EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
    }
}

TEST(SimIdentifyTest, SeeingThePartUnlockedClearsTheWarningOnlyForSomeFamilies)
{
    // Locked, then unlocked, then locked again, all within one connection:
    // the families whose unlocked result clears the warning say so.
    struct Row {
        const char* Part;
        uint32_t LockAddress; // where the simulated part keeps its lock byte
        const char* UnlockedName;
        bool ClearsWarning;
    };
    const Row rows[] = {
        {"F300", 0x1DFF, "F300/1/2/3", true},
        {"F310", 0x3DFF, "F310/11/6/7", false},
        {"F330", 0x1DFF, "F330/1", false},
        {"F350", 0x1DFF, "F350/1/2/3", true},
        {"F410", 0x7DFF, "F410/1", true},
        {"F340", 0xFBFF, "F340/2/4/6", true},
        {"F520", 0x1DFF, "F520/1,F530/1", false},
        {"F360", 0x7BFF, "F360..367", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Part);
        SimRig rig(std::string(r.Part) + ",lock=FE");
        std::vector<uint8_t>& flash = rig.Sim->Flash();
        ConnectResult result = rig.Dev().ConnectTarget();
        EXPECT_EQ(result.Kind, ConnectOutcome::Locked);
        EXPECT_FALSE(result.ClearsLockWarning);
        EXPECT_EQ(rig.Chip().DerivativeName.rfind("Locked ", 0), 0u);

        flash[r.LockAddress] = 0xFF;
        result = rig.Dev().ConnectTarget();
        EXPECT_EQ(result.Kind, ConnectOutcome::Connected);
        EXPECT_EQ(result.ClearsLockWarning, r.ClearsWarning);
        EXPECT_EQ(rig.Chip().DerivativeName, r.UnlockedName);

        flash[r.LockAddress] = 0xFE;
        result = rig.Dev().ConnectTarget();
        EXPECT_EQ(result.Kind, ConnectOutcome::Locked);
        EXPECT_FALSE(result.ClearsLockWarning);
        EXPECT_EQ(rig.Chip().DerivativeName.rfind("Locked ", 0), 0u);
        EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
    }
}

// Passes every access on to the simulator and keeps a log of them, so the
// host's frames can be read back with the recording port's helpers.
class TeePort : public PortIo {
public:
    explicit TeePort(sim::Simulator& sim) : sim_(sim) {}
    uint8_t PortIn(uint16_t port) override
    {
        uint8_t value = sim_.PortIn(port);
        Record.Log.push_back({false, port, value});
        return value;
    }
    void PortOut(uint16_t port, uint8_t value) override
    {
        sim_.PortOut(port, value);
        Record.Log.push_back({true, port, value});
    }
    test::RecordingPort Record;

private:
    sim::Simulator& sim_;
};

// The C2 frames of a connect, up to the first access of the lock test.
std::vector<std::string> C2ConnectFrames(const std::string& part, std::vector<std::string>* violations = nullptr)
{
    SimRig rig(part);
    TeePort tee(*rig.Sim);
    ProgrammerStack stack(tee, rig.Sim->GetClock());
    EXPECT_TRUE(stack.Dev.ConnectTarget().Answered());
    if (violations)
        *violations = rig.Sim->Violations();
    std::vector<std::string> frames = test::HostFrames(tee.Record);
    auto lockTest = std::find(frames.begin(), frames.end(), "DW 06");
    return std::vector<std::string>(frames.begin(), lockTest == frames.end() ? frames.end() : lockTest + 1);
}

TEST(SimIdentifyTest, C2ConnectReadsTheIdEnablesProgrammingOnceThenPreWritesBeforeTheLockTest)
{
    std::vector<std::string> violations;
    EXPECT_THAT(C2ConnectFrames("F520", &violations),
        ElementsAre("AW 00", "DR", "AW 01", "DR",              // identification word
            "AW 02", "DW 02", "DW 01",                         // programming on (closing the run adds none)
            "AW B2", "DW 87", "AW FF", "DW A0",                // the family's pre-writes
            "AW B4", "DW 06"));                                // lock test: block read at 0
    EXPECT_THAT(violations, IsEmpty());
    // The F34x selects its FPDAT at 0xAD from the first access on.
    EXPECT_THAT(C2ConnectFrames("F340"), ElementsAre("AW 00", "DR", "AW 01", "DR", "AW 02", "DW 02", "DW 01",
                                             "AW B2", "DW 83", "AW AD", "DW 06"));
    EXPECT_THAT(C2ConnectFrames("F410"), ElementsAre("AW 00", "DR", "AW 01", "DR", "AW 02", "DW 02", "DW 01",
                                             "AW B2", "DW 87", "AW B4", "DW 06"));
    EXPECT_THAT(C2ConnectFrames("F360"), ElementsAre("AW 00", "DR", "AW 01", "DR", "AW 02", "DW 02", "DW 01",
                                             "AW B2", "DW 83", "AW B4", "DW 06"));
    // No pre-writes; the F30x lock test reads the security byte at 0.
    EXPECT_THAT(C2ConnectFrames("F310"), ElementsAre("AW 00", "DR", "AW 01", "DR", "AW 02", "DW 02", "DW 01",
                                             "AW B4", "DW 06"));
    std::vector<std::string> f300 = C2ConnectFrames("F300");
    ASSERT_GE(f300.size(), 9u);
    EXPECT_EQ(f300[7], "AW B4");
}

TEST(SimIdentifyTest, BeginRunReenablesC2ProgrammingAndDropsAJtagStream)
{
    SimRig rig("F340");
    TeePort tee(*rig.Sim);
    ProgrammerStack stack(tee, rig.Sim->GetClock());
    ASSERT_TRUE(stack.Dev.ConnectTarget().Answered());
    size_t mark = tee.Record.Log.size();
    uint64_t start = rig.NowMs();
    stack.Dev.Flash().BeginRun();
    EXPECT_THAT(test::HostFrames(tee.Record, mark), ElementsAre("AW 02", "DW 02", "DW 01"));
    EXPECT_GE(rig.NowMs() - start, 50u); // the 20 ms and 30 ms settle times

    SimRig jtagRig("F020");
    TeePort jtagTee(*jtagRig.Sim);
    ProgrammerStack jtag(jtagTee, jtagRig.Sim->GetClock());
    ASSERT_TRUE(jtag.Dev.ConnectTarget().Answered());
    uint8_t value = 0;
    ASSERT_TRUE(jtag.Dev.Flash().ReadFlashByte(0, value, 0));
    ASSERT_TRUE(jtag.Dev.JtagFlash().StreamOpen());
    mark = jtagTee.Record.Log.size();
    jtag.Dev.Flash().BeginRun();
    EXPECT_EQ(jtagTee.Record.Log.size(), mark);
    EXPECT_FALSE(jtag.Dev.JtagFlash().StreamOpen());
}

TEST(SimIdentifyTest, DisconnectReleasesTheTarget)
{
    SimRig c2("F340");
    ASSERT_TRUE(c2.Dev().ConnectTarget().Answered());
    c2.Dev().DisconnectTarget();
    EXPECT_EQ(c2.Stack->Pins.DataShadow(), 0xFF);
    EXPECT_TRUE(c2.Stack->Pins.ReadPin(14)); // mode line high again
    EXPECT_THAT(c2.Sim->Violations(), IsEmpty());

    SimRig jtag("F120");
    ASSERT_TRUE(jtag.Dev().ConnectTarget().Answered());
    uint8_t value = 0;
    ASSERT_TRUE(jtag.Dev().Flash().ReadFlashByte(0, value, 0));
    EXPECT_TRUE(jtag.Dev().JtagFlash().StreamOpen()); // a run left open
    jtag.Dev().DisconnectTarget();
    EXPECT_FALSE(jtag.Dev().JtagFlash().StreamOpen());
    EXPECT_THAT(jtag.Sim->Violations(), IsEmpty());
}

TEST(SimIdentifyTest, APartPulledDuringIdentificationIsNeverMistakenForAnother)
{
    // Pulled at any point of the connect, a part is either identified as
    // what it is or not detected: its failing probes must not make it a
    // smaller or a locked one.
    for (const char* part : {"F340", "F410", "F040"}) {
        SimRig whole(part);
        ASSERT_TRUE(whole.Dev().ConnectTarget().Identified()) << part;
        const std::string name = whole.Chip().DerivativeName;
        const uint64_t accesses = whole.Sim->AccessCount();
        for (uint64_t at = accesses / 15; at < accesses; at += accesses / 15) {
            SimRig rig(std::string(part) + ",remove-after=" + std::to_string(at));
            ConnectResult result = rig.Dev().ConnectTarget();
            if (result.Answered()) {
                EXPECT_EQ(result.Kind, ConnectOutcome::Connected) << part << " pulled at " << at;
                EXPECT_EQ(rig.Chip().DerivativeName, name) << part << " pulled at " << at;
            }
        }
    }
}

TEST(SimIdentifyTest, APartStillBusyWhenAskedGetsASecondTryBeforeItIsCalledLocked)
{
    // Busy for 130 ms from power-up: the lock test at about 100 ms fails, the
    // one after the C2 recovery passes.
    SimRig late("F340,busy-ms=130");
    EXPECT_EQ(late.Dev().ConnectTarget().Kind, ConnectOutcome::Connected);
    EXPECT_EQ(late.Chip().DerivativeName, "F340/2/4/6");

    SimRig stuck("F340,busy");
    EXPECT_EQ(stuck.Dev().ConnectTarget().Kind, ConnectOutcome::Locked);
    EXPECT_EQ(stuck.Chip().DerivativeName, "Locked F34x");
}

} // namespace
} // namespace vorbrant
