// The chain windows in the main window: "Multiple JTAG Chain", the "JTAG
// Chain Setup" dialog with a JCF file of a simulated three-device board, and
// the "JTAG Device Description" dialog writing the device list.
#include "AppTestSupport.h"

#include "chain/ui/ChainSetupDialog.h"
#include "chain/ui/DeviceDescriptionDialog.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vorbrant::testing {
namespace {

using ::testing::Contains;

void Type(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

struct BoardFiles {
    BoardFiles()
    {
        Ini = Dir.Write("board.ini", "[Device1]\nPart=F020\n[Device2]\nPart=F120\n[Device3]\nIRLength=8\nIDCode=0123A0F1\n");
        Dir.Write("two.hex", ":03100000A1B2C3D7\n:00000001FF\n");
        Jcf = Dir.Write("board.jcf", "[JTAG Chain]\r\nVersion=1.0\r\nDevice_1=C8051F020(16,0,12867) \r\n"
                                     "Device_2=C8051F120(16,0,268464707) two.hex\r\nDevice_3=CPLD(8,0,19112177) \r\n");
    }
    TempDir Dir;
    std::string Ini;
    std::string Jcf;
};

TEST(ChainDialogs, TheChosenPositionIsConnectedWithItsFile)
{
    BoardFiles board;
    SimWindow w("@" + board.Ini);
    TMainForm& form = *w.Form;
    form.EnableJTAGChain->setChecked(true);
    EXPECT_FALSE(form.EditJTAGChain->isHidden());
    EXPECT_FALSE(form.KeyConnect->isEnabled());

    TJTAGChainSetup& dialog = form.ChainSetupDialog();
    dialog.Dialogs.OpenJcf = [&](QWidget*) { return QString::fromStdString(board.Jcf); };
    WhenModal([&](QWidget* modal) {
        EXPECT_EQ(modal, &dialog);
        EXPECT_FALSE(dialog.Button8->isEnabled());
        dialog.LoadJCF->click();
        ASSERT_EQ(dialog.ChainDeviceList->topLevelItemCount(), 3);
        EXPECT_EQ(dialog.ChainDeviceList->topLevelItem(1)->text(2), "two.hex");
        EXPECT_EQ(dialog.ChainDeviceList->topLevelItem(2)->text(2), "<none>");
        EXPECT_EQ(dialog.windowTitle(), "JTAG Chain Setup - board.jcf");
        EXPECT_EQ(dialog.ChainReport->text(), "JTAG chain consists of 3 devices with total IR length of 40.");
        dialog.VerifyJtagChain->click();
        dialog.ChainDeviceList->setCurrentItem(dialog.ChainDeviceList->topLevelItem(1));
        dialog.KeyOK->click();
    });
    form.EditJTAGChainClick();

    EXPECT_THAT(w.Op.Texts(), Contains("JTAG Chain verified by hardware check."));
    EXPECT_TRUE(form.KeyConnect->isEnabled());
    EXPECT_EQ(form.KeyConnect->text(), "Connect to Device #2");
    EXPECT_EQ(w.Image.ImageData[0x1000], 0xA1);
    EXPECT_EQ(w.Sess->Config.ReadString("ENVIRONMENT", "JTAG Chain File", ""), board.Jcf);
    form.KeyConnectClick();
    ASSERT_TRUE(w.Sess->Connected()) << ::testing::PrintToString(w.Op.Texts());
    EXPECT_EQ(w.Sess->Stack.Dev.Chip.DerivativeName, "F120..131");

    // Unticked: a single device again, and Connect says so.
    form.KeyConnectClick();
    form.EnableJTAGChain->setChecked(false);
    EXPECT_TRUE(form.EditJTAGChain->isHidden());
    EXPECT_EQ(form.KeyConnect->text(), "Connect");
}

TEST(ChainDialogs, TheDeviceListDialogAddsAnEntryToTheConfiguration)
{
    SimWindow w("F020");
    TJTAGDeviceDescription& dialog = w.Form->ChainSetupDialog().DeviceDialog();
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    WhenModal([&](QWidget*) {
        Type(dialog.DeviceName, "NEW");
        EXPECT_EQ(dialog.KeyChange->text(), "Add");
        EXPECT_FALSE(dialog.KeyDelete->isEnabled());
        dialog.IRLength->setText("8");
        dialog.BSLength->setText("0");
        dialog.IDCode->setText("F000000G");
        EXPECT_FALSE(dialog.KeyChange->isEnabled());
        dialog.IDCode->setText("F0000001");
        dialog.KeyChange->click();
        EXPECT_EQ(dialog.DeviceList->count(), 1);
        EXPECT_EQ(dialog.KeyChange->text(), "Change");
        dialog.KeyOK->click();
    });
    dialog.Run(0);
    EXPECT_NE(ReadText(w.Sess->Settings.IniPath).find("Device_1=NEW(8,0,4026531841)"), std::string::npos)
        << ReadText(w.Sess->Settings.IniPath);

    // Cancel drops what was typed.
    WhenModal([&](QWidget*) {
        dialog.DeviceList->setCurrentRow(0);
        dialog.IRLength->setText("9");
        dialog.KeyChange->click();
        dialog.KeyCancel->click();
    });
    dialog.Run(0);
    EXPECT_EQ(w.Sess->Devices.Entries.at(0).IRLength, 8);
}

} // namespace
} // namespace vorbrant::testing
