// The chain windows in the main window: "Multiple JTAG Chain", the "JTAG
// Chain Setup" dialog with a JCF file of a simulated three-device board, and
// the "JTAG Device Description" dialog writing the device list.
#include "tests/app/AppTestSupport.h"

#include "chain/ui/ChainSetupDialog.h"
#include "chain/ui/DeviceDescriptionDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>
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

// A mouse click (press and release) on an item of a list or tree.
void ClickAt(QAbstractItemView* view, const QRect& rect)
{
    const QPointF at = rect.center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, view->viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &event);
    }
}
void ClickRow(QListWidget* list, int row) { ClickAt(list, list->visualItemRect(list->item(row))); }
void ClickRow(QTreeWidget* tree, int row) { ClickAt(tree, tree->visualItemRect(tree->topLevelItem(row))); }

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
    EXPECT_EQ(w.Sess->Config().ReadString("ENVIRONMENT", "JTAG Chain File", ""), board.Jcf);
    form.KeyConnectClick();
    ASSERT_TRUE(w.Sess->Connected()) << ::testing::PrintToString(w.Op.Texts());
    EXPECT_EQ(w.Sess->Programmer().Dev.Chip.DerivativeName, "F120..131");

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
    EXPECT_NE(ReadText(w.Sess->Settings().IniPath).find("Device_1=NEW(8,0,4026531841)"), std::string::npos)
        << ReadText(w.Sess->Settings().IniPath);

    // Cancel drops what was typed.
    WhenModal([&](QWidget*) {
        dialog.DeviceList->setCurrentRow(0);
        dialog.IRLength->setText("9");
        dialog.KeyChange->click();
        dialog.KeyCancel->click();
    });
    dialog.Run(0);
    EXPECT_EQ(w.Sess->Devices().Entries.at(0).IRLength, 8);
}

// What the device dialog shows is what Change and Delete act on: showing an
// entry (another one, the same one clicked again, a new opening) judges its
// fields afresh.
TEST(ChainDialogs, TheDeviceListDialogFollowsTheEntryShown)
{
    SimWindow w("F020", false,
                "[JTAG Devices]\r\nDevice_1=C8051F020(16,0,12867)\r\nDevice_2=NEWDEV(4,0,0)\r\n"
                "Device_3=CPLD(8,0,19112177)\r\n");
    TJTAGDeviceDescription& dialog = w.Form->ChainSetupDialog().DeviceDialog();
    WhenModal([&](QWidget*) {
        dialog.IRLength->selectAll();
        Type(dialog.IRLength, "xyz");
        EXPECT_FALSE(dialog.KeyChange->isEnabled());
        ClickRow(dialog.DeviceList, 1);
        EXPECT_TRUE(dialog.KeyChange->isEnabled()) << "another entry";
        dialog.IRLength->selectAll();
        Type(dialog.IRLength, "x");
        ClickRow(dialog.DeviceList, 1);
        EXPECT_EQ(dialog.IRLength->text(), "4") << "the selected entry shown again";
        ClickAt(dialog.DeviceList, QRect(20, dialog.DeviceList->viewport()->height() - 12, 4, 4));
        EXPECT_TRUE(dialog.DeviceList->item(1)->isSelected()) << "a click beside the entries";
        EXPECT_TRUE(dialog.KeyChange->isEnabled());
        Type(dialog.IRLength, "y");
        dialog.KeyCancel->click();
    });
    dialog.Run(0);
    WhenModal([&](QWidget*) {
        EXPECT_TRUE(dialog.KeyChange->isEnabled()) << "opened again";
        dialog.KeyCancel->click();
    });
    dialog.Run(1);
}

// The chain list always has a current row, highlighted, and OK connects
// exactly that one; ten devices fit without scrolling.
TEST(ChainDialogs, TheChainListAlwaysHasTheCurrentRowThatOkTakes)
{
    BoardFiles board;
    SimWindow w("@" + board.Ini, false,
                "[JTAG Devices]\r\nDevice_1=C8051F020(16,0,12867)\r\nDevice_2=C8051F120(16,0,268464707)\r\n"
                "Device_3=CPLD(8,0,19112177)\r\n");
    TMainForm& form = *w.Form;
    form.EnableJTAGChain->setChecked(true);
    TJTAGChainSetup& dialog = form.ChainSetupDialog();
    QTreeWidget* list = dialog.ChainDeviceList;
    dialog.Dialogs.OpenJcf = [&](QWidget*) { return QString::fromStdString(board.Jcf); };
    auto current = [list] { return list->indexOfTopLevelItem(list->currentItem()); };
    WhenModal([&](QWidget*) {
        dialog.LoadJCF->click();
        EXPECT_EQ(current(), 0);
        ClickRow(list, 1);
        EXPECT_EQ(current(), 1);
        ClickAt(list, QRect(40, list->viewport()->height() - 12, 4, 4));   // beside the rows
        EXPECT_EQ(current(), 1);
        EXPECT_TRUE(list->currentItem()->isSelected()) << "still highlighted";
        w.Op.Answers = {true};
        dialog.KeyDelete->click();
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(current(), 1) << "the row that moved up";
        EXPECT_TRUE(list->currentItem()->isSelected());
        EXPECT_EQ(dialog.CurrentDeviceName->currentText(), "CPLD");
        dialog.KeyOK->click();
    });
    form.EditJTAGChainClick();
    EXPECT_EQ(form.KeyConnect->text(), "Connect to Device #2");

    WhenModal([&](QWidget*) {
        w.Op.Answers = {true};
        dialog.KeyDeleteAll->click();
        EXPECT_EQ(current(), -1);
        dialog.CurrentDeviceName->setCurrentText("CPLD");
        for (int n = 0; n < 10; ++n)
            dialog.KeyAdd->click();
        EXPECT_EQ(current(), 0) << "the first after Add";
        QApplication::processEvents();
        EXPECT_EQ(list->topLevelItemCount(), 10);
        EXPECT_EQ(list->verticalScrollBar()->maximum(), 0) << "ten rows fit";
        dialog.KeyCancel->click();
    });
    form.EditJTAGChainClick();
}

} // namespace
} // namespace vorbrant::testing
