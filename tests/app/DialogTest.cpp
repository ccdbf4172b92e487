#include "tests/app/AppTestSupport.h"

#include "image/ui/OffsetDialog.h"
#include "image/ui/RangeDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace vorbrant;
using namespace vorbrant::testing;

namespace {

void PressKey(QWidget* widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

// Shows a dialog non-modally and makes it the active window so focus moves
// like on screen.
void ShowActive(QDialog& dialog)
{
    dialog.setModal(false);
    dialog.show();
    dialog.activateWindow();
    QApplication::setActiveWindow(&dialog);
    QApplication::processEvents();
}

// A click with the mouse as the application delivers a real one: the press
// first moves the focus (reason: the mouse), then press and release reach
// the widget.
void MouseClick(QWidget* widget)
{
    if (widget->focusPolicy() & Qt::ClickFocus)
        widget->setFocus(Qt::MouseFocusReason);
    QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QPointF global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

} // namespace

class OffsetDialogTest : public ::testing::Test, public AppReady {
protected:
    ScriptedOperator op;
    TForm3 dialog{op};
    int32_t loadOffset = 0x10;
};

TEST_F(OffsetDialogTest, OpensWithTheOffsetAndRewritesTheFieldWhenLeft)
{
    ShowActive(dialog);
    dialog.BeginOffset(loadOffset);
    EXPECT_EQ(dialog.windowTitle(), "Offset address");
    EXPECT_EQ(dialog.Label5->text(), "Offset address:");
    EXPECT_EQ(dialog.Edit1->text(), "0010H");
    EXPECT_EQ(dialog.Edit1->selectedText(), "0010H");
    EXPECT_TRUE(dialog.Edit1->hasFocus());

    dialog.Edit1->setText(" ffh ");
    dialog.OKButton->setFocus(); // leaving the field parses it
    EXPECT_EQ(dialog.Edit1->text(), "00FFH");
    EXPECT_EQ(loadOffset, 0x10) << "stored only when the dialog closes";
    dialog.OKButton->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(loadOffset, 0xFF);
    EXPECT_TRUE(op.Messages.empty());
}

TEST_F(OffsetDialogTest, BadDigitsWarnAndKeepTheFocusInTheField)
{
    ShowActive(dialog);
    dialog.BeginOffset(loadOffset);
    dialog.Edit1->setText("12G4H");
    dialog.OKButton->setFocus();
    ASSERT_EQ(op.Texts(), std::vector<std::string>{"Invalid digit!"});
    EXPECT_EQ(op.Messages[0].Kind, MessageKind::Warning);
    EXPECT_TRUE(dialog.Edit1->hasFocus());
    EXPECT_EQ(dialog.Edit1->text(), "12G4H");

    // OK with the bad text stays open as well.
    dialog.OKButton->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(op.Messages.size(), 2u);
    dialog.reject();
    EXPECT_EQ(loadOffset, 0x10);
}

TEST_F(OffsetDialogTest, OneMouseClickOnOkWithBadDigitsWarnsOnce)
{
    ShowActive(dialog);
    dialog.BeginOffset(loadOffset);
    dialog.Edit1->setText("12G4H");
    MouseClick(dialog.OKButton);
    EXPECT_EQ(op.Texts(), std::vector<std::string>{"Invalid digit!"});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.Edit1->hasFocus());

    dialog.Edit1->setText("30H");
    MouseClick(dialog.OKButton);
    EXPECT_EQ(op.Messages.size(), 1u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(loadOffset, 0x30);
}

TEST_F(OffsetDialogTest, CancelRightAfterTypingLeavesTheOffsetAlone)
{
    ShowActive(dialog);
    dialog.BeginOffset(loadOffset);
    dialog.Edit1->setText("4000H");
    dialog.CancelButton->setFocus(); // towards Cancel: not parsed
    dialog.CancelButton->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(loadOffset, 0x10);
    EXPECT_TRUE(op.Messages.empty());
}

TEST_F(OffsetDialogTest, AValueTakenByLeavingTheFieldStaysAfterCancel)
{
    ShowActive(dialog);
    dialog.BeginOffset(loadOffset);
    dialog.Edit1->setText("200H");
    dialog.OKButton->setFocus();
    dialog.reject();
    EXPECT_EQ(loadOffset, 0x200);
}

TEST_F(OffsetDialogTest, EnterTakesTheTypedTextAndEscapeCancels)
{
    ShowActive(dialog);
    dialog.BeginOffset(loadOffset);
    dialog.Edit1->setText("$20");
    PressKey(dialog.Edit1, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(loadOffset, 0x20) << "Enter must not lose the text still in the field";

    ShowActive(dialog);
    dialog.BeginOffset(loadOffset);
    dialog.Edit1->setText("999");
    PressKey(dialog.Edit1, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(loadOffset, 0x20);
}

TEST_F(OffsetDialogTest, TheFieldForcesUpperCase)
{
    ShowActive(dialog);
    dialog.BeginOffset(loadOffset);
    dialog.Edit1->clear();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(dialog.Edit1, &key);
    EXPECT_EQ(dialog.Edit1->text(), "A");
    QKeyEvent key2(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b");
    QApplication::sendEvent(dialog.Edit1, &key2);
    EXPECT_EQ(dialog.Edit1->text(), "AB");
    EXPECT_EQ(dialog.Edit1->cursorPosition(), 2);

    // Pasted text too.
    dialog.Edit1->setCursorPosition(1);
    QApplication::clipboard()->setText("f0h");
    dialog.Edit1->paste();
    EXPECT_EQ(dialog.Edit1->text(), "AF0HB");
    EXPECT_EQ(dialog.Edit1->cursorPosition(), 4);
    dialog.reject();
}

class RangeDialogTest : public ::testing::Test, public AppReady {
protected:
    void SetUp() override { ShowActive(dialog); }
    void TearDown() override
    {
        if (dialog.isVisible())
            dialog.reject();
    }
    ScriptedOperator op;
    TForm4 dialog{op};
    AddressRange range{0x100, 0x1FF};
};

TEST_F(RangeDialogTest, FillsBothFieldsAndStartsInTheFirst)
{
    dialog.Begin("Write file address range", range);
    EXPECT_EQ(dialog.windowTitle(), "Write file address range");
    EXPECT_EQ(dialog.Label1->text(), "Starting address");
    EXPECT_EQ(dialog.Label2->text(), "Ending address");
    EXPECT_EQ(dialog.Edit1->text(), "000100H");
    EXPECT_EQ(dialog.Edit2->text(), "0001FFH");
    EXPECT_TRUE(dialog.Edit1->hasFocus());
}

TEST_F(RangeDialogTest, LeavingAFieldStoresItAtOnceAndCancelKeepsIt)
{
    dialog.Begin("Load data address range", range);
    dialog.Edit1->setText("2000H");
    dialog.Edit2->setFocus();
    EXPECT_EQ(range.Start, 0x2000);
    EXPECT_EQ(dialog.Edit1->text(), "2000H");
    dialog.Edit2->setText("12345678H");
    dialog.Edit1->setFocus();
    EXPECT_EQ(dialog.Edit2->text(), "12345678H") << "wide values read back unchanged";
    EXPECT_EQ(range.End, 0x1FF) << "an address outside the image is never stored";
    dialog.CancelButton->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(range.Start, 0x2000);
    EXPECT_EQ(range.End, 0x1FF);
    EXPECT_TRUE(op.Messages.empty());
}

TEST_F(RangeDialogTest, LeavingTowardsCancelStoresNothing)
{
    dialog.Begin("Load data address range", range);
    dialog.Edit1->setText("3000H");
    dialog.CancelButton->setFocus();
    dialog.CancelButton->click();
    EXPECT_EQ(range.Start, 0x100);
}

TEST_F(RangeDialogTest, EndBelowStartIsRefusedAndEqualEndsAreAccepted)
{
    dialog.Begin("Load data address range", range);
    dialog.Edit1->setText("100H");
    dialog.Edit2->setText("FFH");
    EXPECT_FALSE(dialog.OkClick());
    EXPECT_EQ(op.Texts(), std::vector<std::string>{"Invalid adress range!"});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.Edit1->hasFocus());

    dialog.Edit2->setText("100H");
    EXPECT_TRUE(dialog.OkClick());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(range.Start, 0x100);
    EXPECT_EQ(range.End, 0x100);
}

TEST_F(RangeDialogTest, OkNamesTheFieldThatDoesNotParse)
{
    dialog.Begin("Load data address range", range);
    dialog.Edit2->setText("1x0");
    EXPECT_FALSE(dialog.OkClick());
    EXPECT_EQ(op.Texts(), std::vector<std::string>{"Invalid digit!"});
    EXPECT_TRUE(dialog.Edit2->hasFocus());

    dialog.Edit1->setText("");
    EXPECT_FALSE(dialog.OkClick());
    EXPECT_TRUE(dialog.Edit1->hasFocus());
    EXPECT_EQ(op.Messages.size(), 2u);
}

TEST_F(RangeDialogTest, AddressesOutsideTheImageAreRefused)
{
    dialog.Begin("Write file address range", range);
    struct Case {
        const char* Start;
        const char* End;
    };
    for (Case c : {Case{"0", "400000H"}, Case{"-1", "10H"}, Case{"-20", "-10"}, Case{"500000H", "600000H"}}) {
        dialog.Edit1->setText(c.Start);
        dialog.Edit2->setText(c.End);
        EXPECT_FALSE(dialog.OkClick()) << c.Start << ".." << c.End;
        EXPECT_TRUE(dialog.isVisible());
    }
    EXPECT_EQ(op.Messages.size(), 4u);
    for (const auto& m : op.Messages)
        EXPECT_EQ(m.Text, "Invalid adress range!");
    EXPECT_EQ(range.Start, 0x100);
    EXPECT_EQ(range.End, 0x1FF);

    dialog.Edit1->setText("0");
    dialog.Edit2->setText("3FFFFFH");
    EXPECT_TRUE(dialog.OkClick());
    EXPECT_EQ(range.End, 0x3FFFFF);
}

TEST_F(RangeDialogTest, OneMouseClickOnOkWithABadFieldWarnsOnce)
{
    dialog.Begin("Load data address range", range);
    dialog.Edit1->setText("zz");
    MouseClick(dialog.OKButton);
    EXPECT_EQ(op.Texts(), std::vector<std::string>{"Invalid digit!"});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.Edit1->hasFocus());

    // A click from one field into the other still takes the field left.
    dialog.Edit1->setText("40H");
    MouseClick(dialog.Edit2);
    EXPECT_EQ(range.Start, 0x40);
    EXPECT_EQ(dialog.Edit1->text(), "0040H");
    EXPECT_TRUE(dialog.Edit2->hasFocus());

    dialog.Edit2->setText("3FH");
    MouseClick(dialog.OKButton);
    EXPECT_EQ(op.Texts(), (std::vector<std::string>{"Invalid digit!", "Invalid adress range!"}));
    EXPECT_TRUE(dialog.Edit1->hasFocus());
    dialog.Edit2->setText("80H");
    MouseClick(dialog.OKButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(range.Start, 0x40);
    EXPECT_EQ(range.End, 0x80);
    EXPECT_EQ(op.Messages.size(), 2u);
}

TEST_F(RangeDialogTest, TwoBadFieldsDoNotBounceTheFocus)
{
    dialog.Begin("Load data address range", range);
    dialog.Edit1->setText("zz");
    dialog.Edit2->setText("yy");
    dialog.Edit2->setFocus();
    EXPECT_EQ(op.Texts(), std::vector<std::string>{"Invalid digit!"});
    EXPECT_TRUE(dialog.Edit1->hasFocus());
}

TEST_F(RangeDialogTest, EnterIsOkAndEscapeIsCancel)
{
    dialog.Begin("Load data address range", range);
    dialog.Edit2->setText("300H");
    PressKey(dialog.Edit2, Qt::Key_Enter);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(range.End, 0x300);

    ShowActive(dialog);
    dialog.Begin("Load data address range", range);
    dialog.Edit1->setText("10H");
    PressKey(dialog.Edit1, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(range.Start, 0x100);
}
