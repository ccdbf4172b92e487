#include "image/ImageBuffer.h"

#include <gtest/gtest.h>

#include <memory>

using namespace vorbrant;

TEST(ParseAddressText, HexSuffixDecimalAndDollar)
{
    int32_t v = -7;
    EXPECT_TRUE(ParseAddressText("  ffh  ", v));
    EXPECT_EQ(v, 255);
    EXPECT_TRUE(ParseAddressText("1234", v));
    EXPECT_EQ(v, 1234);
    EXPECT_TRUE(ParseAddressText("$FF", v));
    EXPECT_EQ(v, 255);
    EXPECT_TRUE(ParseAddressText("1FFH", v));
    EXPECT_EQ(v, 0x1FF);
    EXPECT_TRUE(ParseAddressText("12345678H", v));
    EXPECT_EQ(v, 0x12345678);
    EXPECT_TRUE(ParseAddressText("-5", v));
    EXPECT_EQ(v, -5);
    EXPECT_TRUE(ParseAddressText("0000012345H", v)) << "leading zeros are no overflow";
    EXPECT_EQ(v, 0x12345);
    EXPECT_TRUE(ParseAddressText("FFFFFFFFH", v));
    EXPECT_EQ(v, -1);

    v = 42;
    for (const char* bad : {"12G4H", "", "   ", "H", "h", "123456789H", "100000000H", "12 34", "1FF", "2147483648", "$"}) {
        EXPECT_FALSE(ParseAddressText(bad, v)) << bad;
        EXPECT_EQ(v, 42) << "a failed parse leaves the value alone: " << bad;
    }
}

TEST(BufferInfoText, SixDigitsAtLeastUnsigned)
{
    EXPECT_EQ(BufferInfoText(0), "000000H");
    EXPECT_EQ(BufferInfoText(0x1234), "001234H");
    EXPECT_EQ(BufferInfoText(0x3FFFFF), "3FFFFFH");
    EXPECT_EQ(BufferInfoText(0x12345678), "12345678H");
    EXPECT_EQ(BufferInfoText(-1), "FFFFFFFFH");
}

TEST(ImageBuffer, ClearAndStoreKeepMapsAndRange)
{
    auto image = std::make_unique<ImageBuffer>();
    image->LoadOffset = 3;
    image->ImageSize = 9;
    image->ClearImage(true);
    EXPECT_EQ(image->StartAddress, 0x3FFFFF);
    EXPECT_EQ(image->EndAddress, 0);
    EXPECT_EQ(image->LoadOffset, 3);
    EXPECT_EQ(image->ImageSize, 9);
    image->StoreByte(0x3FFFFF, 1);
    image->StoreByte(0x200, 2);
    EXPECT_EQ(image->StartAddress, 0x200);
    EXPECT_EQ(image->EndAddress, 0x3FFFFF);
    EXPECT_EQ(image->PageMap[8191], 1);
    EXPECT_EQ(image->PageMap[1], 1);
    EXPECT_EQ(image->PageMap[8192], 0);
    image->ClearImage(false);
    EXPECT_EQ(image->StartAddress, 0);
    EXPECT_EQ(image->ImageData[0x200], 0xFF);
    EXPECT_EQ(image->PresentMap[0x200], 0);
    EXPECT_EQ(image->PageMap[1], 0);
}

// An edit reaches the byte count the runs take from StartAddress: a widened
// range, or an edit beyond the count, makes the count span start to end.
TEST(ImageBuffer, AnEditExtendsTheCountTheRunsTake)
{
    struct Case {
        const char* What;
        int32_t Start, End, Size; // before the edit
        uint32_t Edit;
        int32_t NewStart, NewEnd, NewSize;
    } cases[] = {
        {"below the loaded file", 0x100, 0x10F, 0x10, 0x50, 0x50, 0x10F, 0xC0},
        {"above the loaded file", 0x100, 0x10F, 0x10, 0x300, 0x100, 0x300, 0x201},
        {"inside the loaded file", 0x100, 0x10F, 0x10, 0x105, 0x100, 0x10F, 0x10},
        {"an empty buffer, at 0", 0, 0, 0, 0, 0, 0, 1},
        {"an empty buffer, higher up", 0, 0, 0, 0x50, 0, 0x50, 0x51},
        {"a range wider than the count (the save dialog)", 0, 0x3FF, 0x10, 0x200, 0, 0x3FF, 0x400},
        {"after a failed load (count 0, range kept)", 0x100, 0x10F, 0, 0x105, 0x100, 0x10F, 0x10},
    };
    for (const Case& c : cases) {
        auto image = std::make_unique<ImageBuffer>();
        image->StartAddress = c.Start;
        image->EndAddress = c.End;
        image->ImageSize = c.Size;
        image->StoreEditedByte(c.Edit, 0x11);
        EXPECT_EQ(image->ImageData[c.Edit], 0x11) << c.What;
        EXPECT_EQ(image->PresentMap[c.Edit], 1) << c.What;
        EXPECT_EQ(image->StartAddress, c.NewStart) << c.What;
        EXPECT_EQ(image->EndAddress, c.NewEnd) << c.What;
        EXPECT_EQ(image->ImageSize, c.NewSize) << c.What;
    }
}
