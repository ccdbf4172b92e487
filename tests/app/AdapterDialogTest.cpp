// The "Adapter..." dialog: what it offers, the stored choice selected
// again, the GPIO lines only for a GPIO chip; and the stored choice used at
// the next start.
#include "app/AdapterDialog.h"
#include "tests/app/AppTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include <gtest/gtest.h>

namespace vorbrant {
namespace {

TEST(AdapterDialog, OffersWhatWasFoundAndStoresTheChoiceForTheNextStart)
{
    testing::EnsureApp();
    const std::vector<FoundAdapter> found = {
        {AdapterKind::Lpt, "LPT1  0x378", "lpt"},
        {AdapterKind::Gpio, "/dev/gpiochip0  pinctrl, 54 lines", "gpio:/dev/gpiochip0:"},
        {AdapterKind::Ft232h, "001/005  serial FT1ABC  C232HM", "ft232h:FT1ABC"},
    };
    AdapterDialog dialog(found, "", "gpio:/dev/gpiochip0:c2ck=17,c2d=27");
    auto* list = dialog.findChild<QListWidget*>("AdapterList");
    auto* lines = dialog.findChild<QLineEdit*>("AdapterLines");
    auto* shown = dialog.findChild<QLabel*>("AdapterChoice");
    ASSERT_TRUE(list && lines && shown);
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(lines->text(), "c2ck=17,c2d=27");
    EXPECT_EQ(dialog.Choice(), "gpio:/dev/gpiochip0:c2ck=17,c2d=27");
    lines->setText("tck=11,tms=25,tdi=10,tdo=9");
    EXPECT_EQ(shown->text(), "--adapter=gpio:/dev/gpiochip0:tck=11,tms=25,tdi=10,tdo=9");
    list->setCurrentRow(2);
    EXPECT_FALSE(lines->isEnabled());
    EXPECT_EQ(dialog.Choice(), "ft232h:FT1ABC");

    // The configuration keeps it; a start without --adapter and --sim uses
    // it, one with either does not, and a value that is no adapter is left.
    test::TempDir dir;
    const std::string ini = dir.Write("vorbrant.INI", "[Adapter]\nOption=" + dialog.Choice() + "\n");
    AdapterOptions plain, given, simulated;
    given.Option = "lpt";
    UseStoredAdapter(plain, false, ini);
    UseStoredAdapter(given, false, ini);
    UseStoredAdapter(simulated, true, ini);
    EXPECT_EQ(plain.Option, std::optional<std::string>("ft232h:FT1ABC"));
    EXPECT_EQ(given.Option, std::optional<std::string>("lpt"));
    EXPECT_FALSE(simulated.Option);
    AdapterOptions bad;
    UseStoredAdapter(bad, false, dir.Write("bad.INI", "[Adapter]\nOption=usb\n"));
    EXPECT_FALSE(bad.Option);
}

} // namespace
} // namespace vorbrant
