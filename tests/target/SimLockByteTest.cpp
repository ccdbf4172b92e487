// The lock bytes through the flash interface against the simulator, as the
// security dialogs use them: a byte written is what the part then enforces,
// and reads back as the dialog shows it.
#include "tests/support/SimRig.h"

#include "target/JtagFlashLink.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vorbrant {
namespace {

using test::SimRig;
using ::testing::IsEmpty;

TEST(SimLockByteTest, C2SecurityByteReadsBackAsTheCountOfLockedPages)
{
    SimRig rig("F340");
    ASSERT_EQ(rig.Dev().ConnectTarget().Kind, ConnectOutcome::Connected);
    FlashLink& flash = rig.Dev().Flash();
    uint8_t pages = 0xAA;
    ASSERT_TRUE(flash.ReadLockByte(LockByte::Security, pages));
    EXPECT_EQ(pages, 0);

    ASSERT_TRUE(flash.WriteLockByte(LockByte::Security, 0xFC)); // pages 0..2
    EXPECT_EQ(rig.Sim->Flash()[0xFBFF], 0xFC);
    ASSERT_TRUE(flash.ReadLockByte(LockByte::Security, pages));
    EXPECT_EQ(pages, 3);

    // The part enforces it: the first pages no longer read, and the next
    // connect finds it locked.
    uint8_t value = 0;
    flash.BeginRun();
    EXPECT_FALSE(flash.ReadFlashByte(0x0000, value, 0));
    EXPECT_EQ(rig.Dev().ConnectTarget().Kind, ConnectOutcome::Locked);

    // The JTAG bytes are not a C2 part's: refused without any traffic.
    uint64_t before = rig.Sim->AccessCount();
    EXPECT_FALSE(flash.ReadLockByte(LockByte::ReadLock, value));
    EXPECT_FALSE(flash.WriteLockByte(LockByte::WriteEraseLock, 0x00));
    EXPECT_EQ(rig.Sim->AccessCount(), before);
    EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
}

TEST(SimLockByteTest, JtagLockBytesAreWrittenAndReadBackAtTheTopOfTheCodeArea)
{
    SimRig rig("F020");
    ASSERT_EQ(rig.Dev().ConnectTarget().Kind, ConnectOutcome::Connected);
    FlashLink& flash = rig.Dev().Flash();
    std::vector<uint8_t>& cells = rig.Sim->Flash();

    ASSERT_TRUE(flash.WriteLockByte(LockByte::ReadLock, 0xFE)); // block 0 (0x0000..0x1FFF)
    ASSERT_TRUE(flash.WriteLockByte(LockByte::WriteEraseLock, 0xFD)); // block 1
    EXPECT_EQ(cells[0xFDFF], 0xFE);
    EXPECT_EQ(cells[0xFDFE], 0xFD);
    uint8_t value = 0;
    ASSERT_TRUE(flash.ReadLockByte(LockByte::ReadLock, value));
    EXPECT_EQ(value, 0xFE);
    ASSERT_TRUE(flash.ReadLockByte(LockByte::WriteEraseLock, value));
    EXPECT_EQ(value, 0xFD);
    EXPECT_FALSE(rig.Dev().JtagFlash().StreamOpen()); // each access closes its run

    // The part enforces them.
    flash.BeginRun();
    EXPECT_FALSE(flash.ReadFlashByte(0x0000, value, 0));
    flash.BeginRun();
    EXPECT_TRUE(flash.ReadFlashByte(0x2000, value, 0));
    flash.EndFlashAccess();
    EXPECT_FALSE(flash.EraseFlash(EraseKind::Pages, 0x2000, 0x21FF));

    // The C2 security byte is not a JTAG part's.
    uint64_t before = rig.Sim->AccessCount();
    EXPECT_FALSE(flash.ReadLockByte(LockByte::Security, value));
    EXPECT_FALSE(flash.WriteLockByte(LockByte::Security, 0x00));
    EXPECT_EQ(rig.Sim->AccessCount(), before);
    EXPECT_THAT(rig.Sim->Violations(), IsEmpty());
}

} // namespace
} // namespace vorbrant
