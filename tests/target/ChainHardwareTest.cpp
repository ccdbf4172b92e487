// The hardware check of a JTAG chain against simulated boards: every
// device's IDCODE after a TAP reset, the last position first.
#include "target/ChainHardware.h"

#include "tests/support/ChainDevice.h"
#include "tests/target/SimBoard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace vorbrant {
namespace {

using ::testing::IsEmpty;

struct Board : test::SimBoard {
    using SimBoard::SimBoard;
    ChainCheckResult Check() { return VerifyChainHardware(Stack->Pins, Stack->Dev.Jtag(), Stack->Chain); }
};

// Device 1 nearest the adapter's data output, an F020 nearest its input.
const char* const TwoDevices = "[Device1]\nIRLength=8\nIDCode=F0000001\n[Device2]\nPart=F020\n";
constexpr uint32_t F020Id = 0x00003243;

TEST(ChainHardware, TheChainInListOrderIsVerified)
{
    Board board(TwoDevices);
    board.Stack->Chain.Devices = {test::ChainDevice("CPLD", 8, 0xF0000001u), test::ChainDevice("F020", 16, F020Id)};
    ChainCheckResult result = board.Check();
    EXPECT_EQ(result.Kind, ChainCheckKind::Verified);
    EXPECT_THAT(board.Sim->Violations(), IsEmpty());
    // The TAPs are left reset: the part is identified straight after.
    board.Stack->Dev.SetChainPosition(2);
    EXPECT_EQ(board.Stack->Dev.ConnectTarget().Kind, ConnectOutcome::Connected);
}

TEST(ChainHardware, ASwappedChainFailsAtTheLastPositionWithTheIdNearestTheAdapterInput)
{
    Board board(TwoDevices);
    board.Stack->Chain.Devices = {test::ChainDevice("F020", 16, F020Id), test::ChainDevice("CPLD", 8, 0xF0000001u)};
    ChainCheckResult result = board.Check();
    EXPECT_EQ(result.Kind, ChainCheckKind::Mismatch);
    EXPECT_EQ(result.Position, 2u);
    EXPECT_EQ(result.IdRead, F020Id);
}

TEST(ChainHardware, AnEntryWithoutIdCodeFailsAgainstADeviceThatAnswers)
{
    Board board(TwoDevices);
    board.Stack->Chain.Devices = {test::ChainDevice("CPLD", 8, 0xF0000001u), test::ChainDevice("F020", 16, 0)};
    ChainCheckResult result = board.Check();
    EXPECT_EQ(result.Kind, ChainCheckKind::Mismatch);
    EXPECT_EQ(result.Position, 2u);
}

TEST(ChainHardware, AnEmptyChainNeedsOnlyTheAdapter)
{
    Board board(TwoDevices);
    EXPECT_EQ(board.Check().Kind, ChainCheckKind::Verified);

    Board none("[Simulator]\nAdapter=none\n[Device1]\nPart=F020\n");
    none.Stack->Pins.Detect();
    const uint64_t detection = none.Sim->AccessCount();
    EXPECT_EQ(none.Check().Kind, ChainCheckKind::NoHardware);
    EXPECT_EQ(none.Sim->AccessCount(), 2 * detection) << "no JTAG traffic without an adapter";
}

} // namespace
} // namespace vorbrant
