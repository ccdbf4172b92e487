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
