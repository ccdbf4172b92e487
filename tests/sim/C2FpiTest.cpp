// The flash programming interface behind FPDAT: block read and write, page
// and device erase, refusals, lock semantics and the security registers.
#include "sim/Wire.h"

#include "sim/C2Target.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <vector>

namespace vorbrant::sim::test {
namespace {

struct Fpi {
    explicit Fpi(const std::string& simText) : Sim(Config(simText)), W(Sim)
    {
        W.EnterProgramming();
        Fpdat = Sim.C2() && simText.rfind("F34", 0) == 0 ? 0xAD : 0xB4;
    }
    // Command and its status.
    int Command(uint8_t c)
    {
        W.AddressWrite(Fpdat);
        if (!W.Send(c))
            return -1;
        return W.Response();
    }
    // Block read: the header status, then the bytes when it was accepted.
    int Read(uint16_t address, int count, std::vector<int>* bytes = nullptr)
    {
        if (Command(0x06) != 0x0D)
            return -1;
        W.Send(address >> 8);
        W.Send(address & 0xFF);
        W.Send(static_cast<uint8_t>(count));
        int status = W.Response();
        if (status == 0x0D && bytes)
            for (int i = 0; i < (count == 0 ? 256 : count); ++i)
                bytes->push_back(W.Response());
        return status;
    }
    // Block write; returns the header status, final status in *final.
    int Write(uint16_t address, const std::vector<uint8_t>& data, int* final = nullptr)
    {
        if (Command(0x07) != 0x0D)
            return -1;
        W.Send(address >> 8);
        W.Send(address & 0xFF);
        W.Send(static_cast<uint8_t>(data.size()));
        int status = W.Response();
        if (status != 0x0D)
            return status;
        for (uint8_t b : data)
            W.Send(b);
        int f = W.Response();
        if (final)
            *final = f;
        return status;
    }
    int ErasePage(uint8_t page)
    {
        if (Command(0x08) != 0x0D)
            return -1;
        W.Send(page);
        int status = W.Response();
        if (status != 0x0D)
            return status;
        W.Send(0x00);
        return W.Response();
    }
    int EraseDevice(uint8_t a = 0xDE, uint8_t b = 0xAD, uint8_t c = 0xA5)
    {
        if (Command(0x03) != 0x0D)
            return -1;
        W.Send(a);
        W.Send(b);
        W.Send(c);
        return W.Response();
    }
    Simulator Sim;
    Wire W;
    uint8_t Fpdat;
};

TEST(SimC2Fpi, BlockReadReturnsFlashBytes)
{
    Fpi f("F340");
    for (int i = 0; i < 256; ++i)
        f.Sim.Flash()[0x1200 + i] = static_cast<uint8_t>(i ^ 0x5A);
    std::vector<int> bytes;
    ASSERT_EQ(f.Read(0x1200, 0, &bytes), 0x0D) << "length 0 means 256";
    ASSERT_EQ(bytes.size(), 256u);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(bytes[i], i ^ 0x5A) << i;
    bytes.clear();
    ASSERT_EQ(f.Read(0x1203, 1, &bytes), 0x0D);
    EXPECT_EQ(bytes, std::vector<int>{3 ^ 0x5A});
    EXPECT_TRUE(f.Sim.Violations().empty()) << f.Sim.Violations()[0];
}

TEST(SimC2Fpi, ReadsRefusedOutsideTheReadableArea)
{
    // The probes of identification tell the parts apart by these refusals.
    struct Case {
        const char* Part;
        uint16_t Inside, Outside;
    };
    for (Case c : {Case{"F305", 0x7FF, 0x800}, Case{"F304", 0xFFF, 0x1000}, Case{"F300", 0x1DFF, 0x1E00},
                   Case{"F312", 0x1DFF, 0x2000}, Case{"F310", 0x3DFF, 0x3E00}, Case{"F334", 0x7FF, 0x800},
                   Case{"F332", 0xFFF, 0x1000}, Case{"F350", 0x1DFF, 0x2000}, Case{"F412", 0x3FFF, 0x4000},
                   Case{"F410", 0x7DFF, 0x7E00}, Case{"F341", 0x7FFF, 0x8000}, Case{"F340", 0xFBFF, 0xFC00},
                   Case{"F526", 0x7FF, 0x800}, Case{"F523", 0xFFF, 0x1000}, Case{"F368", 0x3FFF, 0x4000},
                   Case{"F360", 0x7BFF, 0x7C00}}) {
        Fpi f(c.Part);
        EXPECT_EQ(f.Read(c.Inside, 1), 0x0D) << c.Part;
        EXPECT_EQ(f.Read(c.Outside, 1), FpiRefused) << c.Part;
    }
}

TEST(SimC2Fpi, BlockWriteIsNorProgramming)
{
    Fpi f("F340");
    int final = -1;
    ASSERT_EQ(f.Write(0x0100, {0x12, 0x34, 0xF0}, &final), 0x0D);
    EXPECT_EQ(final, 0x0D);
    EXPECT_EQ(f.Sim.Flash()[0x100], 0x12);
    EXPECT_EQ(f.Sim.Flash()[0x101], 0x34);
    EXPECT_EQ(f.Sim.Flash()[0x102], 0xF0);
    EXPECT_EQ(f.Sim.Flash()[0x103], 0xFF);
    // Programming again only clears bits.
    ASSERT_EQ(f.Write(0x0102, {0x0F}), 0x0D);
    EXPECT_EQ(f.Sim.Flash()[0x102], 0x00);
    std::vector<int> bytes;
    ASSERT_EQ(f.Read(0x100, 3, &bytes), 0x0D);
    EXPECT_EQ(bytes, (std::vector<int>{0x12, 0x34, 0x00}));
    EXPECT_EQ(f.Write(0xFC00, {0x00}), FpiRefused) << "the reserved area cannot be written";
}

TEST(SimC2Fpi, PageAndDeviceErase)
{
    Fpi f("F340");
    std::fill(f.Sim.Flash().begin(), f.Sim.Flash().begin() + 0x800, uint8_t{0});
    EXPECT_EQ(f.ErasePage(1), 0x0D);
    EXPECT_EQ(f.Sim.Flash()[0x1FF], 0x00);
    EXPECT_EQ(f.Sim.Flash()[0x200], 0xFF);
    EXPECT_EQ(f.Sim.Flash()[0x3FF], 0xFF);
    EXPECT_EQ(f.Sim.Flash()[0x400], 0x00);
    EXPECT_EQ(f.ErasePage(0x7E), FpiRefused) << "page in the reserved area";
    // A wrong key refuses the device erase.
    EXPECT_EQ(f.EraseDevice(0xDE, 0xAD, 0x00), FpiRefused);
    EXPECT_EQ(f.Sim.Flash()[0x0], 0x00);
    EXPECT_EQ(f.EraseDevice(), 0x0D);
    EXPECT_EQ(f.Sim.Flash()[0x0], 0xFF);
    EXPECT_EQ(f.Sim.Flash()[0x7FF], 0xFF);
}

TEST(SimC2Fpi, PagesOfTheF36xAreOneKilobyte)
{
    Fpi f("F360");
    std::fill(f.Sim.Flash().begin(), f.Sim.Flash().begin() + 0x1000, uint8_t{0});
    EXPECT_EQ(f.ErasePage(1), 0x0D);
    EXPECT_EQ(f.Sim.Flash()[0x03FF], 0x00);
    EXPECT_EQ(f.Sim.Flash()[0x0400], 0xFF);
    EXPECT_EQ(f.Sim.Flash()[0x07FF], 0xFF);
    EXPECT_EQ(f.Sim.Flash()[0x0800], 0x00);
    EXPECT_EQ(f.ErasePage(30), 0x0D) << "0x7800..0x7BFF, the lock-byte page";
    EXPECT_EQ(f.ErasePage(31), FpiRefused) << "0x7C00 is reserved";
    EXPECT_EQ(f.ErasePage(32), FpiRefused) << "beyond the part";
    // The lock byte counts the same pages.
    Fpi locked("F360,lock=FE");
    EXPECT_EQ(locked.Read(0x03FF, 1), FpiRefused);
    EXPECT_EQ(locked.Read(0x0400, 1), 0x0D);
    EXPECT_TRUE(f.Sim.Violations().empty()) << f.Sim.Violations()[0];
}

TEST(SimC2Fpi, BlockReadsAreCheckedOverTheirWholeRange)
{
    Fpi f("F340");
    EXPECT_EQ(f.Read(0xFB00, 0), 0x0D) << "ends on the lock byte";
    EXPECT_EQ(f.Read(0xFC00, 1), FpiRefused) << "a probe of the reserved area";
    EXPECT_TRUE(f.Sim.Violations().empty()) << f.Sim.Violations()[0];
    EXPECT_EQ(f.Read(0xFBF0, 0), FpiRefused) << "0xFBF0..0xFCEF runs into the reserved area";
    ASSERT_EQ(f.Sim.Violations().size(), 1u);
    EXPECT_NE(f.Sim.Violations()[0].find("C2 block read past the readable end: 0xFBF0, 256 bytes"),
              std::string::npos)
        << f.Sim.Violations()[0];

    // Pages 0 and 1 locked, and with them the lock-byte page 0x3C00..0x3DFF.
    Fpi locked("F310,lock=FD");
    EXPECT_EQ(locked.Read(0x0000, 0), FpiRefused) << "the lock test";
    EXPECT_TRUE(locked.Sim.Violations().empty()) << locked.Sim.Violations()[0];
    EXPECT_EQ(locked.Read(0x3BF0, 32), FpiRefused);
    ASSERT_EQ(locked.Sim.Violations().size(), 1u);
    EXPECT_NE(locked.Sim.Violations()[0].find("C2 block read into a locked page"), std::string::npos);
}

TEST(SimC2Fpi, UnknownCommandAndOverwrittenStatus)
{
    Fpi f("F320");
    EXPECT_EQ(f.Command(0x55), FpiInvalidCommand);
    // A block write whose final status is never read: the next command's
    // status replaces it.
    ASSERT_EQ(f.Command(0x07), 0x0D);
    f.W.Send(0x00);
    f.W.Send(0x10);
    f.W.Send(1);
    ASSERT_EQ(f.W.Response(), 0x0D);
    f.W.Send(0xAB);
    ASSERT_TRUE(f.W.WaitOutReady());
    EXPECT_EQ(f.Command(0x06), 0x0D);
    EXPECT_EQ(f.Sim.Flash()[0x10], 0xAB);
}

TEST(SimC2Fpi, PageCountLocking)
{
    // Lock byte 0xFD: pages 0 and 1 locked, and with them the lock-byte page.
    Fpi f("F310,lock=FD");
    EXPECT_EQ(f.Read(0x0000, 1), FpiRefused);
    EXPECT_EQ(f.Read(0x03FF, 1), FpiRefused);
    EXPECT_EQ(f.Read(0x0400, 1), 0x0D);
    EXPECT_EQ(f.Read(0x3DFF, 1), FpiRefused) << "the lock-byte page is locked too";
    EXPECT_EQ(f.Write(0x0000, {0x00}), FpiRefused);
    EXPECT_EQ(f.Write(0x0400, {0x00}), 0x0D);
    EXPECT_EQ(f.ErasePage(0), FpiRefused);
    EXPECT_EQ(f.ErasePage(0x3C00 / 512), FpiRefused);
    EXPECT_EQ(f.ErasePage(2), 0x0D);
    // Only a device erase unlocks.
    EXPECT_EQ(f.EraseDevice(), 0x0D);
    EXPECT_EQ(f.Sim.C2()->LockByte(), 0xFF);
    EXPECT_EQ(f.Read(0x0000, 1), 0x0D);
    // An unlocked part can program its lock byte; afterwards it is locked.
    EXPECT_EQ(f.Write(0x3DFF, {0xFE}), 0x0D);
    EXPECT_EQ(f.Read(0x0000, 1), FpiRefused);
}

TEST(SimC2Fpi, F30xLockNibbles)
{
    {
        Fpi f("F300,lock=F0"); // read/write lock
        EXPECT_EQ(f.Read(0x0000, 1), FpiRefused) << "the lock test finds it locked";
        std::vector<int> bytes;
        EXPECT_EQ(f.Read(0x1DFF, 1, &bytes), 0x0D) << "the lock byte itself stays readable";
        EXPECT_EQ(bytes, std::vector<int>{0xF0});
        EXPECT_EQ(f.Write(0x0100, {0x00}), FpiRefused);
    }
    {
        Fpi f("F300,lock=0F"); // write lock only
        EXPECT_EQ(f.Read(0x0000, 1), 0x0D);
        EXPECT_EQ(f.Write(0x0100, {0x00}), FpiRefused);
        EXPECT_EQ(f.ErasePage(0), FpiRefused);
        EXPECT_EQ(f.EraseDevice(), 0x0D);
        EXPECT_EQ(f.Write(0x0100, {0x00}), 0x0D);
    }
    {
        Fpi f("F305");
        EXPECT_EQ(f.Read(0x0000, 1), 0x0D);
        EXPECT_EQ(f.Write(0x07FF, {0xF0}), 0x0D) << "lock byte of the 2 KB part";
        EXPECT_EQ(f.Read(0x0000, 1), FpiRefused);
    }
}

TEST(SimC2Fpi, LockedPagesRefuseEveryBlockThatTouchesThem)
{
    {
        // Pages 0 and 1 locked, and with them the lock-byte page 0x3C00..0x3DFF.
        Fpi f("F310,lock=FD");
        f.Sim.Flash()[0x3BFF] = 0x5A;
        EXPECT_EQ(f.Read(0x3B00, 0), 0x0D) << "the page below the lock-byte page is free";
        EXPECT_EQ(f.Read(0x3BF0, 32), FpiRefused) << "a read running into the lock-byte page";
        EXPECT_EQ(f.Read(0x0200, 0), FpiRefused);
        EXPECT_EQ(f.Write(0x3BFF, {0x00, 0x00}), FpiRefused) << "a write running into the lock-byte page";
        EXPECT_EQ(f.Sim.Flash()[0x3BFF], 0x5A) << "nothing of a refused write is programmed";
        // Once written, the lock byte changes only through a device erase.
        EXPECT_EQ(f.Read(0x3DFF, 1), FpiRefused);
        EXPECT_EQ(f.Write(0x3DFF, {0x00}), FpiRefused);
        EXPECT_EQ(f.Sim.C2()->LockByte(), 0xFD);
        EXPECT_EQ(f.EraseDevice(), 0x0D);
        EXPECT_EQ(f.Read(0x3BF0, 32), 0x0D);
        EXPECT_EQ(f.Read(0x3DFF, 1), 0x0D);
    }
    {
        Fpi f("F300,lock=F0"); // read/write lock
        EXPECT_EQ(f.Read(0x1DF0, 16), FpiRefused) << "ends on the lock byte, starts in locked flash";
        EXPECT_EQ(f.Read(0x1DFF, 1), 0x0D);
        EXPECT_EQ(f.ErasePage(0), FpiRefused);
    }
    {
        Fpi f("F300,lock=0F"); // write lock only
        std::vector<int> bytes;
        EXPECT_EQ(f.Read(0x1D00, 0, &bytes), 0x0D) << "reads stay free";
        EXPECT_EQ(bytes.back(), 0x0F);
        EXPECT_EQ(f.ErasePage(0x1DFF / 512), FpiRefused);
        EXPECT_EQ(f.Write(0x0000, {0x00}), FpiRefused);
        EXPECT_EQ(f.Sim.Flash()[0], 0xFF);
    }
}

TEST(SimC2Fpi, LockByteIsKeptInTheFlashFile)
{
    struct Case {
        const char* Part;
        const char* Lock;
        uint16_t LockAddress;
        uint8_t Value;
    };
    for (Case c : {Case{"F310", "FD", 0x3DFF, 0xFD}, Case{"F300", "F0", 0x1DFF, 0xF0}}) {
        SCOPED_TRACE(c.Part);
        vorbrant::test::TempDir dir;
        const std::string file = dir.File("part.bin");
        const std::string part = std::string(c.Part) + ",flash=" + file;
        std::string error;
        {
            Fpi f(part + ",lock=" + c.Lock);
            ASSERT_TRUE(f.Sim.SaveFlash(error)) << error;
        }
        EXPECT_EQ(vorbrant::test::TempDir::Read(file)[c.LockAddress], static_cast<char>(c.Value));
        {
            Fpi f(part); // no lock= now: the file brings the lock back
            EXPECT_EQ(f.Read(0x0000, 1), FpiRefused);
            EXPECT_EQ(f.EraseDevice(), 0x0D);
            ASSERT_TRUE(f.Sim.SaveFlash(error)) << error;
        }
        Fpi f(part);
        EXPECT_EQ(f.Read(0x0000, 1), 0x0D) << "the device erase was kept as well";
    }
}

// The host's security-byte reads of the register families.
int RegisterSecurity(Fpi& f, uint8_t reg)
{
    f.W.AddressWrite(reg);
    return f.W.DataRead();
}

TEST(SimC2Fpi, SecurityRegistersFollowTheLockByte)
{
    auto decode = [](int raw, int flashKb) {
        int r = ~raw & 0xFF;
        int m = (2 * flashKb - 1) & 0xFF;
        int v = r & m;
        return v ? m - v : 0;
    };
    {
        Fpi f("F310");
        EXPECT_EQ(RegisterSecurity(f, 0xB5), 0xFF);
        EXPECT_EQ(decode(0xFF, 16), 0);
    }
    {
        Fpi f("F310,lock=E1"); // 30 pages
        EXPECT_EQ(RegisterSecurity(f, 0xB5), 0xFE) << "raw 0xFE reads back as 30 pages";
        EXPECT_EQ(decode(0xFE, 16), 30);
    }
    for (int pages : {1, 5, 64, 100}) {
        Fpi f("F340,lock=" + Hex2(static_cast<uint8_t>(~pages)));
        EXPECT_EQ(decode(RegisterSecurity(f, 0xB4), 64), pages) << pages;
    }
    {
        Fpi f("F320,lock=F7");
        EXPECT_EQ(decode(RegisterSecurity(f, 0xB5), 16), 8);
    }
    {
        // F41x/F52x: register 0xB5 with the page register 0xA7 = 1 holds the byte.
        Fpi f("F410,lock=F8");
        f.W.AddressWrite(0xA7);
        f.W.DataWrite(1);
        EXPECT_EQ(RegisterSecurity(f, 0xB5), 0xF8);
        f.W.AddressWrite(0xA7);
        f.W.DataWrite(0);
        EXPECT_NE(RegisterSecurity(f, 0xB5), 0xF8) << "without the page register it is another register";
    }
    {
        // The other families: the lock byte through an FPI read.
        Fpi f("F330,lock=FC");
        std::vector<int> bytes;
        ASSERT_EQ(f.Read(0x1DFF, 1, &bytes), FpiRefused) << "the lock-byte page is locked";
        Fpi g("F330");
        ASSERT_EQ(g.Read(0x1DFF, 1, &bytes), 0x0D);
        EXPECT_EQ(bytes, std::vector<int>{0xFF});
    }
}

} // namespace
} // namespace vorbrant::sim::test
