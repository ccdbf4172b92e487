// The hex editor without its window: typing, the cursor and its wrap, the jump
// target, the clear, and how many rows the view formats.
#include "image/HexEditModel.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace vorbrant;

namespace {

struct Editor {
    Editor()
    {
        model.Open();
    }
    void Type(const std::string& keys)
    {
        for (char c : keys)
            EXPECT_TRUE(model.TypeHexDigit(c)) << c;
    }
    std::unique_ptr<ImageBuffer> image = std::make_unique<ImageBuffer>();
    HexEditModel model{*image};
};

} // namespace

TEST(HexEditModel, TwoDigitsStoreAByteLikeALoadAndMoveOn)
{
    Editor e;
    ImageBuffer& image = *e.image;
    image.StoreByte(0x20, 0x00);   // a loaded byte: range 20..20
    image.StartAddress = image.EndAddress = 0x20;
    image.ImageSize = 1;
    e.model.MoveTo(1, 0);

    EXPECT_FALSE(e.model.TypeHexDigit('G'));
    EXPECT_TRUE(e.model.TypeHexDigit('4'));
    EXPECT_EQ(e.model.PendingDigits(), "4");
    EXPECT_EQ(e.model.HexCell(0, 0), "4_") << "the cell shows what is pending";
    EXPECT_EQ(image.PresentMap[0], 0) << "one digit stores nothing";
    EXPECT_TRUE(e.model.TypeHexDigit('1'));
    EXPECT_EQ(image.ImageData[0], 0x41);
    EXPECT_EQ(image.PresentMap[0], 1);
    EXPECT_EQ(image.PageMap[0], 1);
    EXPECT_EQ(image.StartAddress, 0);
    EXPECT_EQ(image.EndAddress, 0x20);
    EXPECT_EQ(image.ImageSize, 0x21) << "the runs reach the edit and the loaded byte";
    EXPECT_EQ(e.model.HexColumn(), 2);
    EXPECT_EQ(e.model.CharColumn(), 1);
    EXPECT_EQ(e.model.PendingDigits(), "");
    EXPECT_EQ(e.model.HexCell(0, 0), "41");
    EXPECT_EQ(e.model.CharCell(0, 0), 'A');

    // Backspace drops a single pending digit and nothing else.
    EXPECT_FALSE(e.model.Backspace());
    e.Type("c");
    EXPECT_TRUE(e.model.Backspace());
    e.Type("bE");
    EXPECT_EQ(image.ImageData[1], 0xBE);

    // Lower and upper case, at the far end: the end address widens.
    e.model.MoveTo(0x8000 + 1, 5);
    e.Type("fF");
    EXPECT_EQ(image.ImageData[0x80005], 0xFF);
    EXPECT_EQ(image.EndAddress, 0x80005);
    EXPECT_EQ(image.PageMap[0x80005 >> 9], 1);

    // Moving the cursor drops a pending digit.
    e.Type("7");
    e.model.Navigate(HexEditModel::Move::Left);
    EXPECT_EQ(e.model.PendingDigits(), "");
}

TEST(HexEditModel, TypedBytesGoThroughTheStoreHookAndCharactersAre32To127)
{
    auto image = std::make_unique<ImageBuffer>();
    std::vector<std::pair<uint32_t, uint8_t>> stored;
    HexEditModel model(*image, [&](uint32_t a, uint8_t v) { stored.push_back({a, v}); });
    model.Open();
    model.MoveTo(2, 3);
    EXPECT_FALSE(model.TypeChar(31));
    EXPECT_FALSE(model.TypeChar(128));
    EXPECT_TRUE(model.TypeChar('Z'));
    EXPECT_TRUE(model.TypeChar(127));
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0], (std::pair<uint32_t, uint8_t>{0x13, 'Z'}));
    EXPECT_EQ(stored[1], (std::pair<uint32_t, uint8_t>{0x14, 127}));
    EXPECT_EQ(image->PresentMap[0x13], 0) << "the hook stores, not the model";

    EXPECT_EQ(HexEditModel::CharFor(0x7F), '\x7F');
    EXPECT_EQ(HexEditModel::CharFor(0x20), ' ');
    EXPECT_EQ(HexEditModel::CharFor(0x80), '.');
    EXPECT_EQ(HexEditModel::CharFor(0x1F), '.');
    EXPECT_EQ(HexEditModel::AddressCaption(1), "00000");
    EXPECT_EQ(HexEditModel::AddressCaption(HexEditModel::LastRow), "3FFFF0");
    EXPECT_EQ(HexEditModel::HeaderCaption(15), "0F");
    EXPECT_EQ(HexEditModel::RowCount, 262145);
}

TEST(HexEditModel, TheCursorWrapsToTheNextRowAndScrollsOneRow)
{
    Editor e;
    e.model.MoveTo(16, 15);   // the bottom row of the first screen, offset 0F
    EXPECT_EQ(e.model.TopRow(), 1);
    for (int i = 0; i < HexEditModel::VisibleRows; ++i)
        e.model.VisibleRow(i);
    const uint64_t before = e.model.RowsFormatted();
    e.Type("AB");
    EXPECT_EQ(e.model.Row(), 17);
    EXPECT_EQ(e.model.HexColumn(), 1);
    EXPECT_EQ(e.model.CharColumn(), 0);
    EXPECT_EQ(e.model.TopRow(), 2) << "the new row scrolls into view";
    for (int i = 0; i < HexEditModel::VisibleRows; ++i)
        e.model.VisibleRow(i);
    EXPECT_EQ(e.model.RowsFormatted() - before, 2u) << "the edited row and the new bottom row";
    EXPECT_EQ(e.model.StatusText(), "Address: 000100H");

    // The image's last byte: the cursor stays on it.
    e.model.Navigate(HexEditModel::Move::Last);
    EXPECT_EQ(e.model.CursorAddress(), 0x3FFFFFu);
    EXPECT_TRUE(e.model.TypeChar('x'));
    EXPECT_EQ(e.image->ImageData[0x3FFFFF], 'x');
    EXPECT_EQ(e.model.CursorAddress(), 0x3FFFFFu);
    EXPECT_EQ(e.model.TopRow(), HexEditModel::LastTopRow);
}

TEST(HexEditModel, PagingFormatsOneScreenPerPageAndOpeningStartsAfresh)
{
    Editor e;
    auto screen = [&] {
        for (int i = 0; i < HexEditModel::VisibleRows; ++i)
            e.model.VisibleRow(i);
    };
    screen();
    EXPECT_EQ(e.model.RowsFormatted(), 16u);
    screen();
    EXPECT_EQ(e.model.RowsFormatted(), 16u) << "a repaint formats nothing";
    e.model.Navigate(HexEditModel::Move::PageDown);
    screen();
    EXPECT_EQ(e.model.RowsFormatted(), 32u);
    EXPECT_EQ(e.model.TopRow(), 17);
    EXPECT_EQ(e.model.Row(), 17);
    e.model.SetTopRow(18);
    screen();
    EXPECT_EQ(e.model.RowsFormatted(), 33u) << "one row down, one new row";
    e.model.SetTopRow(1 << 30);
    EXPECT_EQ(e.model.TopRow(), HexEditModel::LastTopRow);
    EXPECT_EQ(e.model.VisibleRow(15).Caption, "3FFFF0");

    e.image->ImageData[0x3FFFF0] = 0x12;   // changed while the editor was closed
    e.model.Open();
    EXPECT_EQ(e.model.TopRow(), 1);
    EXPECT_EQ(e.model.CursorAddress(), 0u);
    e.model.SetTopRow(HexEditModel::LastTopRow);
    EXPECT_EQ(e.model.HexCell(15, 0), "12");
}

TEST(HexEditModel, JumpTargetsRowsAndTheLastFullScreen)
{
    Editor e;
    ASSERT_TRUE(e.model.Jump("1234H"));
    EXPECT_EQ(e.model.Row(), 292);
    EXPECT_EQ(e.model.HexColumn(), 5);
    EXPECT_EQ(e.model.CharColumn(), 4);
    EXPECT_EQ(e.model.TopRow(), 292);

    ASSERT_TRUE(e.model.Jump("500000H"));
    EXPECT_EQ(e.model.ViewTop(), 0x3FFF00u);
    EXPECT_EQ(e.model.CursorAddress(), 0x3FFF00u);
    ASSERT_TRUE(e.model.Jump("3FFF0AH"));
    EXPECT_EQ(e.model.CursorAddress(), 0x3FFF00u) << "above the last screen's top: its top";
    ASSERT_TRUE(e.model.Jump(" 4660 "));
    EXPECT_EQ(e.model.CursorAddress(), 0x1234u) << "decimal without an H";
    ASSERT_TRUE(e.model.Jump("$10"));
    EXPECT_EQ(e.model.CursorAddress(), 0x10u);
    ASSERT_TRUE(e.model.Jump("1H2"));
    EXPECT_EQ(e.model.CursorAddress(), 0x12u) << "the first H goes, wherever it stands";
    ASSERT_TRUE(e.model.Jump("ffh"));
    EXPECT_EQ(e.model.CursorAddress(), 0xFFu);

    for (const char* no : {"", "H", "12G4H", "-16", "-10H", "80000000H", "123456789H", "zz"}) {
        EXPECT_FALSE(e.model.Jump(no)) << no;
        EXPECT_EQ(e.model.CursorAddress(), 0xFFu) << no;
    }
}

TEST(HexEditModel, ClearBufferEmptiesTheImageAndGoesBackToTheTop)
{
    Editor e;
    ImageBuffer& image = *e.image;
    image.StoreByte(0x100, 0x55);
    image.StartAddress = 0x100;
    image.EndAddress = 0x1FF;
    image.ImageSize = 0x100;
    image.LoadOffset = 0x10;
    e.model.Jump("100H");

    EXPECT_EQ(e.model.CursorAddress(), 0x100u);
    e.model.ClearBuffer();
    EXPECT_EQ(image.ImageData[0x100], 0xFF);
    EXPECT_EQ(image.PresentMap[0x100], 0);
    EXPECT_EQ(image.PageMap[0], 0);
    EXPECT_EQ(image.StartAddress, 0);
    EXPECT_EQ(image.EndAddress, 0);
    EXPECT_EQ(image.ImageSize, 0);
    EXPECT_EQ(image.LoadOffset, 0);
    EXPECT_EQ(e.model.CursorAddress(), 0u);
    EXPECT_EQ(e.model.TopRow(), 1);
}
