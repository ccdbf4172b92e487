// The lock-byte rules on identified parts: which dialog a part gets, the
// range a security byte protects, and the blocks of the JTAG lock bits.
#include "security/LockBytes.h"

#include "tests/support/SimRig.h"

#include <gtest/gtest.h>

using namespace vorbrant;
using vorbrant::test::SimRig;

namespace {

ChipInfo Identified(const std::string& part)
{
    SimRig rig(part);
    EXPECT_TRUE(rig.Dev().ConnectTarget().Identified()) << part;
    return rig.Chip();
}

} // namespace

TEST(LockBytes, EachFamilyGetsItsDialog)
{
    EXPECT_EQ(SecurityDialogFor(Identified("F020")), SecurityDialog::SecurityBytes);
    EXPECT_EQ(SecurityDialogFor(Identified("F120")), SecurityDialog::SecurityBytes);
    EXPECT_EQ(SecurityDialogFor(Identified("F300")), SecurityDialog::F30xNibbles);
    EXPECT_EQ(SecurityDialogFor(Identified("F340")), SecurityDialog::SecurityByte);
    EXPECT_EQ(SecurityDialogFor(Identified("F410")), SecurityDialog::SecurityByte);
}

TEST(LockBytes, SecuredRangeTextKeepsSixteenBits)
{
    EXPECT_EQ(SecuredRangeText(0, 512), "Device unprotected!");
    EXPECT_EQ(SecuredRangeText(1, 512), "Secured range 0-01FFH");
    EXPECT_EQ(SecuredRangeText(64, 512), "Secured range 0-7FFFH");
    EXPECT_EQ(SecuredRangeText(96, 512), "Secured range 0-0BFFFH");
    // 200 pages are 102400 bytes, 36864 in 16 bits.
    EXPECT_EQ(SecuredRangeText(200, 512), "Secured range 0-8FFFH");
    EXPECT_EQ(SecuredRangeText(4, 1024), "Secured range 0-0FFFH");
}

TEST(LockBytes, PagesCountInThePartsOwnPagesBelowItsLockBytesPage)
{
    struct Case {
        const char* Part;
        uint32_t PageBytes;
        int Highest;
    };
    // The F36x count 1 KB pages; the lock byte's own page is never offered.
    for (const Case& c : {Case{"F310", 512, 30}, Case{"F340", 512, 125}, Case{"F341", 512, 63},
                          Case{"F334", 512, 3}, Case{"F360", 1024, 30}, Case{"F368", 1024, 15}}) {
        ChipInfo chip = Identified(c.Part);
        EXPECT_EQ(SecurityPageBytes(chip), c.PageBytes) << c.Part;
        EXPECT_EQ(HighestSecurityPages(chip), c.Highest) << c.Part;
    }
}

TEST(LockBytes, BlockLabelsFollowTheFlashSize)
{
    ChipInfo f020 = Identified("F020");
    EXPECT_EQ(BlockRangeText(f020, 0), "0000-1FFFH");
    EXPECT_EQ(BlockRangeText(f020, 7), "E000-FFFFH");
    ChipInfo f120 = Identified("F120");
    EXPECT_EQ(BlockRangeText(f120, 3), "C000-FFFFH");
    EXPECT_EQ(BlockRangeText(f120, 4), "10000-13FFFH");
    // A smaller variant has four blocks; its upper bits cover nothing.
    ChipInfo f046 = Identified("F046");
    ASSERT_TRUE(f046.SmallerVariant);
    EXPECT_EQ(LockBlockCount(f046), 4);
    EXPECT_EQ(BlockRangeText(f046, 3), "6000-7FFFH");
    EXPECT_EQ(BlockRangeText(f046, 4), "");
}
