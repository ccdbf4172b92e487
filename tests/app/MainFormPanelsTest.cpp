#include "tests/app/AppTestSupport.h"

#include "common/IniFile.h"
#include "image/ui/OffsetDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace vorbrant;
using namespace vorbrant::testing;

TEST(MainFormOptions, ReadExcludesTheWritingStepsAndTheyExcludeRead)
{
    FormRig rig;
    rig.Start();
    TMainForm& f = *rig.Form;
    f.DoBlankCheck->setChecked(true);
    f.DoVerify->setChecked(true);
    f.DoRead->click();
    EXPECT_TRUE(f.DoRead->isChecked());
    EXPECT_FALSE(f.DoErase->isChecked() || f.DoBlankCheck->isChecked() || f.DoProgram->isChecked() ||
                 f.DoVerify->isChecked());

    f.DoProgram->click();
    EXPECT_TRUE(f.DoRead->isChecked()) << "Read and Program may run together";
    EXPECT_TRUE(f.DoProgram->isChecked());

    for (QCheckBox* box : {f.DoErase, f.DoBlankCheck, f.DoVerify}) {
        f.DoRead->setChecked(true); // the program ticking a box cascades too
        box->setChecked(true);
        EXPECT_FALSE(f.DoRead->isChecked()) << box->objectName().toStdString();
    }
}

TEST(MainFormOptions, AreaButtonsEnableAndTickTheirSteps)
{
    FormRig rig;
    rig.Start();
    TMainForm& f = *rig.Form;
    f.DoRead->setChecked(true);
    for (QCheckBox* box : {f.DoErase, f.DoBlankCheck, f.DoProgram})
        box->setEnabled(false);
    f.SelectData->setEnabled(true);
    f.SelectData->click();
    EXPECT_TRUE(f.DoErase->isEnabled() && f.DoErase->isChecked());
    EXPECT_TRUE(f.DoBlankCheck->isEnabled() && f.DoBlankCheck->isChecked());
    EXPECT_TRUE(f.DoProgram->isEnabled());
    EXPECT_FALSE(f.DoRead->isChecked()) << "ticking Erase unticks Read";

    for (QCheckBox* box : {f.DoErase, f.DoBlankCheck, f.DoProgram})
        box->setEnabled(false);
    f.SelectCode->setChecked(true);
    EXPECT_TRUE(f.DoErase->isEnabled() && f.DoBlankCheck->isEnabled() && f.DoProgram->isEnabled());
    EXPECT_FALSE(f.SelectData->isChecked());
}

TEST(MainFormOptions, ClearUnticksOnlyEnabledBoxes)
{
    // No step box is ever disabled by the program today: the rule is the
    // options' own.
    OperationOptions rules;
    rules.SetChecked(Step::Verify, true);
    rules.SetEnabled(Step::Erase, false);
    rules.ClearEnabledSteps();
    EXPECT_TRUE(rules.Checked(Step::Erase));
    EXPECT_FALSE(rules.Checked(Step::Program) || rules.Checked(Step::Verify) || rules.Checked(Step::BlankCheck));

    FormRig rig;
    rig.Start();
    TMainForm& f = *rig.Form;
    f.DoVerify->setChecked(true);
    f.KeyClear->click();
    EXPECT_FALSE(f.DoErase->isChecked() || f.DoProgram->isChecked() || f.DoVerify->isChecked() ||
                 f.DoBlankCheck->isChecked());
    RunOptions options = f.S.CurrentRunOptions();
    EXPECT_FALSE(options.DoErase || options.DoProgram || options.Area == FlashArea::UserData || options.BatchMode);
}

TEST(MainFormBufferInfo, ShowsSixDigitsAndMarksANonZeroOffset)
{
    FormRig rig;
    rig.Start();
    TMainForm& f = *rig.Form;
    rig.Image.StartAddress = 0x1234;
    rig.Image.EndAddress = 0x3FFFFF;
    rig.Image.ImageSize = 0x12345678;
    rig.Image.LoadOffset = 0x10;
    f.ShowBufferInfo();
    EXPECT_EQ(f.LStartAddress->text(), "001234H");
    EXPECT_EQ(f.LEndAddress->text(), "3FFFFFH");
    EXPECT_EQ(f.LoadedSize->text(), "12345678H");
    EXPECT_EQ(f.LoadedOffset->text(), "000010H");
    EXPECT_TRUE(f.LoadedOffset->font().bold());
    EXPECT_EQ(f.LoadedOffset->palette().color(QPalette::WindowText), QColor(Qt::red));

    rig.Image.LoadOffset = -1;
    f.ShowBufferInfo();
    EXPECT_EQ(f.LoadedOffset->text(), "FFFFFFFFH") << "printed as unsigned";

    rig.Image.LoadOffset = 0;
    f.ShowBufferInfo();
    EXPECT_EQ(f.LoadedOffset->text(), "000000H");
    EXPECT_FALSE(f.LoadedOffset->font().bold());
    EXPECT_EQ(f.LoadedOffset->palette().color(QPalette::WindowText), QColor(Qt::black));
}

TEST(MainFormBufferInfo, ClickingTheOffsetOpensTheOffsetDialog)
{
    FormRig rig;
    rig.Start();
    TMainForm& f = *rig.Form;
    QString caption;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TForm3*>(modal);
        ASSERT_NE(dialog, nullptr);
        caption = dialog->windowTitle();
        dialog->Edit1->setText("100H");
        dialog->OKButton->click();
    });
    QMouseEvent click(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(f.Label14, &click);
    EXPECT_EQ(caption, "Offset address");
    EXPECT_EQ(rig.Image.LoadOffset, 0x100);
    EXPECT_EQ(f.LoadedOffset->text(), "000100H");
    EXPECT_TRUE(f.LoadedOffset->font().bold());
}

TEST(MainFormPorts, UserAddressDialogBorrowsTheOffsetDialog)
{
    FormRig rig;
    rig.WriteIni("[ENVIRONMENT]\nPort=104,888\n");
    rig.Start();
    TMainForm& f = *rig.Form;
    QString caption, prompt, text;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TForm3*>(modal);
        ASSERT_NE(dialog, nullptr);
        caption = dialog->windowTitle();
        prompt = dialog->Label5->text();
        text = dialog->Edit1->text();
        dialog->Edit1->setText("2bch");
        dialog->CancelButton->click();
    });
    f.Userdefined1Click();
    EXPECT_EQ(caption, "User LPT port address");
    EXPECT_EQ(prompt, "LPT port address");
    EXPECT_EQ(text, "378H");
    EXPECT_EQ(f.OffsetDialog().windowTitle(), "Offset address");
    EXPECT_EQ(f.OffsetDialog().Label5->text(), "Offset address:");
    // Cancel keeps the earlier port, whatever was typed.
    EXPECT_EQ(ToInt(f.S.State().PortSelection), 104);
    EXPECT_EQ(f.S.State().UserLptAddress, 0x378);
    EXPECT_EQ(rig.Stack.Ports.LptBase, 0x378);

    WhenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<TForm3*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->Edit1->setText("2bch");
        dialog->OKButton->click();
    });
    f.Userdefined1Click();
    EXPECT_EQ(ToInt(f.S.State().PortSelection), 104);
    EXPECT_EQ(f.S.State().UserLptAddress, 0x2BC);
    EXPECT_EQ(f.SelectedPort->text(), "2BCH");
    EXPECT_EQ(rig.Stack.Ports.LptBase, 0x2BC);
    EXPECT_TRUE(f.Userdefined1->isChecked());
    EXPECT_TRUE(f.S.State().LptMode);
    EXPECT_EQ(f.SelectedPort->toolTip(), "Click to change port address");
    EXPECT_TRUE(rig.Op.Messages.empty());

    // A decimal address, through a click on the port label.
    WhenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<TForm3*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->Edit1->setText("956");
        dialog->OKButton->click();
    });
    QMouseEvent click(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(f.SelectedPort, &click);
    EXPECT_EQ(f.S.State().UserLptAddress, 0x3BC);
    EXPECT_EQ(f.SelectedPort->text(), "3BCH");
}

TEST(MainFormPorts, BadUserAddressKeepsTheSelection)
{
    FormRig rig;
    rig.WriteIni("[ENVIRONMENT]\nPort=104,888\n");
    rig.Start();
    TMainForm& f = *rig.Form;
    for (const char* typed : {"zz", "10000H", "70000", "-5", "H"}) {
        WhenModal([typed](QWidget* modal) {
            auto* dialog = qobject_cast<TForm3*>(modal);
            ASSERT_NE(dialog, nullptr);
            dialog->Edit1->setText(typed);
            dialog->OKButton->click();
        });
        f.SelectedPortClick();
        EXPECT_EQ(f.S.State().UserLptAddress, 0x378) << typed;
        EXPECT_EQ(f.SelectedPort->text(), "378H") << typed;
    }
    ASSERT_EQ(rig.Op.Messages.size(), 5u);
    for (const auto& m : rig.Op.Messages)
        EXPECT_EQ(m.Kind, MessageKind::Error);
    EXPECT_EQ(f.OffsetDialog().windowTitle(), "Offset address");
}

TEST(MainFormPorts, BadAddressFromTheMenuKeepsTheEarlierPort)
{
    FormRig rig;
    rig.Stack.Ports.SetAddress(1, 0x378);
    rig.WriteIni("[ENVIRONMENT]\nPort=101\n");
    rig.Start();
    TMainForm& f = *rig.Form;
    ASSERT_EQ(ToInt(f.S.State().PortSelection), 101);
    WhenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<TForm3*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->Edit1->setText("zz");
        dialog->OKButton->click();
    });
    f.Userdefined1->trigger();
    ASSERT_EQ(rig.Op.Messages.size(), 1u);
    EXPECT_EQ(rig.Op.Messages[0].Kind, MessageKind::Error);
    EXPECT_EQ(ToInt(f.S.State().PortSelection), 101);
    EXPECT_TRUE(f.S.State().LptMode);
    EXPECT_TRUE(f.LPT11->isChecked());
    EXPECT_FALSE(f.Userdefined1->isChecked());
    EXPECT_EQ(f.SelectedPort->text(), "LPT1");
    EXPECT_EQ(f.SelectedPort->toolTip(), "");
    EXPECT_EQ(rig.Stack.Ports.LptBase, 0x378);
    f.FormClose();
    EXPECT_EQ(IniFile(rig.IniPath()).ReadString("ENVIRONMENT", "Port", ""), "101");
}

TEST(MainFormPorts, MenuClicksSelectThePortOrWarn)
{
    FormRig rig;
    rig.Stack.Ports.SetAddress(1, 0x378);
    rig.Stack.Ports.SetAddress(2, 0x278);
    rig.Start();
    TMainForm& f = *rig.Form;
    f.LPT21->trigger();
    EXPECT_EQ(ToInt(f.S.State().PortSelection), 102);
    EXPECT_EQ(f.SelectedPort->text(), "LPT2");
    EXPECT_TRUE(f.LPT21->isChecked());
    EXPECT_FALSE(f.LPT11->isChecked());
    EXPECT_EQ(rig.Stack.Ports.LptBase, 0x278);

    f.LPT21->trigger(); // a second click on the checked item keeps it checked
    EXPECT_TRUE(f.LPT21->isChecked());

    f.LPT31->setVisible(true);
    f.LPT31->setEnabled(true);
    f.LPT31->trigger();
    EXPECT_EQ(rig.Op.Texts(), std::vector<std::string>{"LPT3 not available!"});
    EXPECT_EQ(ToInt(f.S.State().PortSelection), 0);
    EXPECT_FALSE(f.LPT31->isChecked());
    EXPECT_FALSE(f.S.State().LptMode);
}

TEST(MainFormPorts, MarksFollowTheSelectionFromAUserPortToAnLptPort)
{
    FormRig rig;
    rig.Stack.Ports.SetAddress(1, 0x378);
    rig.WriteIni("[ENVIRONMENT]\nPort=104,888\n");
    rig.Start();
    TMainForm& f = *rig.Form;
    ASSERT_TRUE(f.Userdefined1->isChecked());
    EXPECT_EQ(f.SelectedPort->toolTip(), "Click to change port address") << "a user port invites a click from the start";
    f.LPT11->trigger();
    EXPECT_EQ(ToInt(f.S.State().PortSelection), 101);
    EXPECT_TRUE(f.LPT11->isChecked());
    EXPECT_FALSE(f.Userdefined1->isChecked()) << "the menu marks one port";
    EXPECT_EQ(f.SelectedPort->toolTip(), "");
}
