// The three lock-byte dialogs and the Security menu, driven through their
// widgets over simulated parts: that the widgets reach the dialogs' models,
// the questions they ask and the presence poll around them. The rules
// themselves are tested without widgets in tests/security.
#include "tests/app/AppTestSupport.h"

#include "security/ui/F30xSecurityDialog.h"
#include "security/ui/SecurityByteDialog.h"
#include "security/ui/SecurityBytesDialog.h"
#include "security/ui/UpDown.h"
#include "sim/C2Target.h"
#include "sim/SimConfig.h"
#include "sim/Simulator.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace vorbrant;
using namespace vorbrant::testing;

namespace {

// A main window whose LPT1 is the simulator, connected to the part.
struct LockWindow : SimWindowOf<> {
    explicit LockWindow(const std::string& simText, bool connect = true) : SimWindowOf(simText, connect) {}
    uint8_t FlashAt(uint32_t address) { return Sim->Flash()[address]; }
    bool PollRunning() const { return Form->Timer1->isActive(); }
};

std::string Text(const QLabel* label) { return label->text().toStdString(); }

void PressKey(QWidget* widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

// Types into a field the way the keyboard does: every keystroke is a change.
void Type(QLineEdit* field, const QString& text)
{
    field->clear();
    for (QChar c : text)
        field->insert(QString(c));
}

} // namespace

// --- "Security byte" -----------------------------------------------------------

TEST(SecurityByteDialog, ShowsTheProtectedRangeOfTheChosenPageCount)
{
    LockWindow f("F310");
    TC2_Security& d = f.Form->C2SecurityDialog();
    ASSERT_TRUE(f.PollRunning());
    d.show();
    EXPECT_FALSE(f.PollRunning()) << "no presence poll while the dialog talks to the part";
    EXPECT_EQ(d.windowTitle().toStdString(), "Security byte");
    EXPECT_EQ(Text(d.SecuredRange), "Device unprotected!");
    EXPECT_TRUE(d.SecuredRange->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(d.ProtectedArea->value(), 0) << "an empty bar";
    EXPECT_EQ(d.ProtectedArea->maximum(), 16 * 1024);
    EXPECT_FALSE(d.ProtectedArea->isTextVisible());
    EXPECT_EQ(d.Edit1->text().toStdString(), "0");
    EXPECT_EQ(d.Changer->maximum(), 30) << "every page below the lock byte's page 0x3C00";
    EXPECT_TRUE(d.Button1->isEnabled());
    EXPECT_EQ(d.Button1->toolTip().toStdString(), "Update security byte");
    EXPECT_EQ(d.Button2->text().toStdString(), "Chip erase");

    Type(d.Edit1, "1");
    EXPECT_EQ(Text(d.SecuredRange), "Secured range 0-01FFH");
    EXPECT_EQ(d.ProtectedArea->value(), 512);
    d.Edit1->setText("007"); // pasted
    EXPECT_EQ(d.Edit1->text().toStdString(), "7") << "the field shows the count in plain decimal";
    EXPECT_EQ(Text(d.SecuredRange), "Secured range 0-0DFFH");

    // Text that is no number is left as typed and changes nothing; Enter
    // takes a number with blanks around it.
    Type(d.Edit1, " 12 ");
    EXPECT_EQ(d.Edit1->text().toStdString(), " 12 ");
    EXPECT_EQ(Text(d.SecuredRange), "Secured range 0-0DFFH");
    PressKey(d.Edit1, Qt::Key_Return);
    EXPECT_EQ(d.Edit1->text().toStdString(), "12");
    EXPECT_EQ(Text(d.SecuredRange), "Secured range 0-17FFH");
    EXPECT_TRUE(d.isVisible()) << "Enter is the field's, not a button's";

    // The arrow keys of the field step like the up-down control.
    PressKey(d.Edit1, Qt::Key_Up);
    EXPECT_EQ(d.Edit1->text().toStdString(), "13");
    d.Changer->Down->click();
    d.Changer->Down->click();
    EXPECT_EQ(d.Edit1->text().toStdString(), "11");
    EXPECT_EQ(Text(d.SecuredRange), "Secured range 0-15FFH");

    // The up-down control keeps to every page below the lock byte's page; a
    // typed count beyond it fills the bar.
    Type(d.Edit1, "29");
    d.Changer->Up->click();
    d.Changer->Up->click();
    EXPECT_EQ(d.Edit1->text().toStdString(), "30");
    Type(d.Edit1, "200");
    EXPECT_EQ(d.ProtectedArea->value(), d.ProtectedArea->maximum()) << "a full bar";
    d.Changer->Down->click();
    EXPECT_EQ(d.Edit1->text().toStdString(), "30");

    EXPECT_TRUE(f.Op.Messages.empty());
    EXPECT_EQ(f.FlashAt(0x3DFF), 0xFF) << "choosing writes nothing";
    f.Op.Answers = {false, false};
    d.Button1->click();
    d.Button2->click();
    EXPECT_EQ(f.Op.Questions,
              (std::vector<std::string>{"This will protect chip from reading!\r\nAre you sure you want to do this?",
                                        "   This will erase the whole chip!\r\nAre you sure you want to do this?"}));
    EXPECT_EQ(f.FlashAt(0x3DFF), 0xFF) << "Cancel writes nothing";
    f.Op.Answers = {true};
    d.Button1->click();
    EXPECT_EQ(f.FlashAt(0x3DFF), 0xE1) << "the complement of 30 pages";
    EXPECT_FALSE(f.PollRunning()) << "the reconnect does not start the poll under the open dialog";
    f.Op.Answers = {true};
    d.Button2->click();
    EXPECT_EQ(f.FlashAt(0x3DFF), 0xFF);
    EXPECT_EQ(Text(d.SecuredRange), "Device unprotected!");
    PressKey(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(f.PollRunning()) << "closing restarts the poll";
}

// --- "C8051F30x Security" ----------------------------------------------------

TEST(F30xSecurityDialog, TheBoxesLockTheNibblesAndEscapeIsExit)
{
    LockWindow f("F300");
    TC30X_security& d = f.Form->F30xSecurityDialog();
    d.show();
    EXPECT_EQ(d.windowTitle().toStdString(), "C8051F30x Security");
    EXPECT_FALSE(d.windowFlags() & Qt::WindowCloseButtonHint) << "no close box";
    EXPECT_FALSE(d.C30x_ReadLock->isChecked());
    EXPECT_FALSE(d.C30x_WriteLock->isChecked());
    EXPECT_TRUE(d.KeyWrite->isEnabled());
    EXPECT_EQ(d.C30x_ReadLock->text().toStdString(), "Read/Write Lock");
    EXPECT_EQ(d.C30x_WriteLock->text().toStdString(), "Write Lock");
    EXPECT_EQ(d.KeyWrite->parentWidget(), d.C30x_ReadLock->parentWidget()) << "Update sits with the boxes";
    EXPECT_TRUE(f.Op.Messages.empty());
    EXPECT_FALSE(f.PollRunning());
    d.C30x_WriteLock->click();
    d.KeyWrite->click();
    EXPECT_EQ(f.FlashAt(0x1DFF), 0x0F);
    EXPECT_TRUE(d.C30x_WriteLock->isChecked()) << "read back from the part";
    EXPECT_EQ(f.Op.Texts(), std::vector<std::string>{"Device is locked! To unlock, erase whole chip!"});
    f.Op.Messages.clear();
    f.Op.Answers = {true};
    d.ChipErase->click();
    EXPECT_EQ(f.FlashAt(0x1DFF), 0xFF);
    EXPECT_FALSE(d.C30x_WriteLock->isChecked());
    EXPECT_TRUE(f.Op.Messages.empty()) << f.Op.Texts().front();
    EXPECT_EQ(f.Form->ChipID->text().toStdString(), "F300/1/2/3") << "identified afresh";
    PressKey(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted) << "Escape is Exit";
    EXPECT_TRUE(f.PollRunning());
}

// --- "Security Bytes" --------------------------------------------------------

TEST(SecurityBytesDialog, AFreshPartShowsSixteenOpenBlocksAndLocksOneWayOnly)
{
    LockWindow f("F020");
    TJTAG_Security& d = f.Form->JtagSecurityDialog();
    EXPECT_TRUE(d.ErasePage->isChecked());
    d.show();
    EXPECT_EQ(d.windowTitle().toStdString(), "Security Bytes");
    EXPECT_EQ(d.ReadPanel->title().toStdString(), "FLASH  Read");
    EXPECT_EQ(d.WritePanel->title().toStdString(), "FLASH Write/Erase");
    EXPECT_TRUE(d.ReadPanel->isEnabled());
    const char* labels[] = {"E000-FFFFH", "C000-DFFFH", "A000-BFFFH", "8000-9FFFH",
                            "6000-7FFFH", "4000-5FFFH", "2000-3FFFH", "0000-1FFFH"};
    for (int n = 1; n <= 16; ++n) {
        auto* box = d.findChild<QCheckBox*>(QString("CheckBox%1").arg(n));
        ASSERT_NE(box, nullptr) << n;
        EXPECT_EQ(box->text().toStdString(), labels[(n - 1) % 8]) << n;
        EXPECT_FALSE(box->isChecked()) << n;
        EXPECT_TRUE(box->isEnabled()) << n;
        EXPECT_EQ(box->parentWidget(), n <= 8 ? d.ReadPanel : d.WritePanel);
    }
    EXPECT_GT(d.CheckBoxes[7]->y(), d.CheckBoxes[0]->y()) << "bit 7 at the top";

    // Update with nothing ticked programs 0xFF.
    d.Button2->click();
    EXPECT_EQ(f.Op.Texts(), std::vector<std::string>{"FLASH Write/Erase lock bits writing successfull!"});
    EXPECT_EQ(f.FlashAt(0xFDFE), 0xFF);

    f.Op.Messages.clear();
    auto* lowest = d.findChild<QCheckBox*>("CheckBox8");
    lowest->click();
    d.Button1->click();
    EXPECT_EQ(f.Op.Texts(), std::vector<std::string>{"FLASH Read lock bits writing successfull!"});
    EXPECT_EQ(f.Op.Messages.front().Kind, MessageKind::Information);
    EXPECT_EQ(f.FlashAt(0xFDFF), 0xFE);
    EXPECT_EQ(f.FlashAt(0xFDFE), 0xFF);
    EXPECT_TRUE(lowest->isChecked());
    EXPECT_FALSE(lowest->isEnabled()) << "a locked block cannot be unticked";

    // The write/erase column: a tick, then an untick before Update, counts as nothing.
    d.findChild<QCheckBox*>("CheckBox9")->click();
    d.findChild<QCheckBox*>("CheckBox10")->click();
    d.findChild<QCheckBox*>("CheckBox10")->click();
    d.Button2->click();
    EXPECT_EQ(f.FlashAt(0xFDFE), 0x7F);
    EXPECT_FALSE(d.findChild<QCheckBox*>("CheckBox9")->isEnabled());
    EXPECT_TRUE(d.findChild<QCheckBox*>("CheckBox10")->isEnabled());
    EXPECT_FALSE(d.findChild<QCheckBox*>("CheckBox10")->isChecked());

    // Erase asks first; a Cancel leaves the poll as it found it, running or not.
    f.Op.Answers = {false};
    d.Button3->click();
    EXPECT_EQ(f.Op.Questions.back(), "This will erase lock bit page!\r\nAre you sure you want to do this?");
    EXPECT_FALSE(f.PollRunning());
    f.Sess->SetPollTimer(true);
    f.Op.Answers = {false};
    d.EraseAll->click();
    d.Button3->click();
    EXPECT_EQ(f.Op.Questions.back(), "This will erase the whole chip!\r\nAre you sure you want to do this?");
    EXPECT_TRUE(f.PollRunning());
    f.Sess->SetPollTimer(false);
    f.Op.Messages.clear();
    f.Op.Answers = {true};
    d.Button3->click();
    EXPECT_EQ(f.Op.Texts(), std::vector<std::string>{"Full chip erase successfull!"});
    EXPECT_EQ(f.FlashAt(0xFDFF), 0xFF);
    EXPECT_FALSE(lowest->isChecked());
    EXPECT_TRUE(f.Sim->Violations().empty());
    d.close();
    EXPECT_TRUE(f.PollRunning());
}


// --- the Security menu -----------------------------------------------------------

TEST(SecurityMenu, OpensTheDialogThatFitsThePartWithThePollStoppedMeanwhile)
{
    struct Case {
        const char* Part;
        const char* Dialog;
    };
    for (Case c : {Case{"F020", "TJTAG_Security"}, Case{"F300", "TC30X_security"}, Case{"F340", "TC2_Security"}}) {
        SCOPED_TRACE(c.Part);
        LockWindow f(c.Part);
        ASSERT_TRUE(f.Form->Security1->isVisible());
        ASSERT_TRUE(f.PollRunning());
        std::string opened;
        bool pollWhileOpen = true;
        WhenModal([&](QWidget* modal) {
            ASSERT_NE(modal, nullptr);
            opened = modal->objectName().toStdString();
            pollWhileOpen = f.PollRunning();
        });
        f.Form->Security1->trigger();
        EXPECT_EQ(opened, c.Dialog);
        EXPECT_FALSE(pollWhileOpen);
        EXPECT_TRUE(f.PollRunning()) << "the poll runs again after the dialog closed";
        EXPECT_EQ(f.Form->Status->text().toStdString(), "Connected");
        EXPECT_TRUE(f.Op.Messages.empty()) << f.Op.Texts().front();
    }
}

TEST(SecurityMenu, TheMainWindowShowsTheReconnectedPartAfterTheDialog)
{
    LockWindow f("F340");
    WhenModal([&](QWidget* modal) {
        auto* d = qobject_cast<TC2_Security*>(modal);
        ASSERT_NE(d, nullptr);
        Type(d->Edit1, "2");
        f.Op.Answers = {true};
        d->Button1->click();
        f.Form->ChipID->setText("stale"); // a panel the session does not hold
        d->Button3->click();
    });
    f.Form->Security1Click();
    EXPECT_EQ(f.FlashAt(0xFBFF), 0xFD);
    EXPECT_EQ(f.Form->ChipID->text().toStdString(), "Locked F34x") << "repainted from the session";
    EXPECT_EQ(f.Op.Texts(), std::vector<std::string>{"Device is locked - autodetecion not possible!\n\r"
                                                     "              Erase chip first!              "});
    EXPECT_EQ(f.Form->KeyConnect->text().toStdString(), "Disconnect");
    EXPECT_TRUE(f.PollRunning());
}
