// The "Hex edit" window driven through its grids and menus: typing in both
// views, the wrap, the jump through the borrowed offset dialog, Clear buffer,
// and a program run of edited bytes against the simulator.
#include "AppTestSupport.h"

#include "image/ui/HexEditor.h"
#include "image/ui/HexGrid.h"
#include "image/ui/OffsetDialog.h"
#include "sim/SimConfig.h"
#include "sim/Simulator.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>

#include <gtest/gtest.h>

using namespace vorbrant;
using namespace vorbrant::testing;

namespace {

void Key(QWidget* widget, int key, const QString& text = {}, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
}

// Keys as the keyboard sends them: one press per character.
void Type(QWidget* widget, const QString& keys)
{
    for (QChar c : keys)
        Key(widget, c.toUpper().unicode(), QString(c));
}

void Press(HexGrid* grid, int x, int y)
{
    const QPointF at(x, y);
    QMouseEvent press(QEvent::MouseButtonPress, at, grid->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &press);
}

// A click on a byte cell of the row on screen index (0..15).
void Click(HexGrid* grid, bool hex, int index, int offset)
{
    const int width = hex ? HexGrid::HexCellWidth : HexGrid::CharCellWidth;
    Press(grid, (hex ? HexGrid::AddressWidth : 0) + offset * width + width / 2,
          HexGrid::RowHeight * (index + 1) + HexGrid::RowHeight / 2);
}

std::string Text(const QLabel* label) { return label->text().toStdString(); }

// The main window with a small file loaded (10..13) and its hex editor open.
struct EditorRig : FormRig {
    EditorRig()
    {
        Start();
        std::string file = Dir.File("fw.hex");
        WriteText(file, ":0400100001020304E2\r\n:00000001FF\r\n");
        Form->ChooseOpenFile = [file] { return std::optional<TMainForm::FileChoice>({file, 1}); };
        Form->Load1->trigger();
        Editor = &Form->HexEditor();
        Editor->FormActivate();
        Hex = Editor->StringGrid1;
        Chars = Editor->StringGrid2;
    }
    TEditor* Editor = nullptr;
    HexGrid* Hex = nullptr;
    HexGrid* Chars = nullptr;
};

// Answers the jump dialog: what it shows while open, then text and a button.
struct JumpAnswer {
    QString Caption, Prompt, Field;
};
std::shared_ptr<JumpAnswer> AnswerJump(const QString& text, bool ok)
{
    auto seen = std::make_shared<JumpAnswer>();
    WhenModal([seen, text, ok](QWidget* modal) {
        auto* dialog = qobject_cast<TForm3*>(modal);
        ASSERT_NE(dialog, nullptr);
        seen->Caption = dialog->windowTitle();
        seen->Prompt = dialog->Label5->text();
        seen->Field = dialog->Edit1->text();
        dialog->Edit1->setText(text);
        (ok ? dialog->OKButton : dialog->CancelButton)->click();
    });
    return seen;
}

} // namespace

TEST(HexEditor, TypingInTheHexViewStoresTheByteAndWidensTheRange)
{
    EditorRig rig;
    TEditor& e = *rig.Editor;
    TMainForm& w = *rig.Form;
    EXPECT_EQ(e.windowTitle(), "Hex edit");
    EXPECT_TRUE(w.Edit->isEnabled());
    EXPECT_EQ(rig.Hex->CellText(0, 1), "00");
    EXPECT_EQ(rig.Hex->CellText(0, 16), "0F");
    EXPECT_EQ(rig.Hex->CellText(2, 0), "00010");
    EXPECT_EQ(rig.Hex->CellText(2, 1), "01");
    EXPECT_EQ(rig.Hex->Row(), 1);
    EXPECT_EQ(rig.Hex->Col(), 1);
    EXPECT_FALSE(rig.Hex->CellMuted(2, 1)) << "loaded bytes stand out";
    EXPECT_TRUE(rig.Hex->CellMuted(1, 1)) << "the 0xFF filler is muted";
    EXPECT_TRUE(rig.Chars->CellMuted(1, 0));
    EXPECT_EQ(Text(e.CursorAddress), "Address: 000000H");

    // A digit taken back, then 4 and 1.
    Type(rig.Hex, "7");
    EXPECT_EQ(rig.Hex->CellText(1, 1), "7_");
    Key(rig.Hex, Qt::Key_Backspace, "\b");
    EXPECT_EQ(rig.Hex->CellText(1, 1), "FF");
    Type(rig.Hex, "x4");
    EXPECT_EQ(rig.Image.PresentMap[0], 0);
    Type(rig.Hex, "1");
    EXPECT_EQ(rig.Image.ImageData[0], 0x41);
    EXPECT_EQ(rig.Image.PresentMap[0], 1);
    EXPECT_EQ(rig.Image.PageMap[0], 1);
    EXPECT_EQ(rig.Hex->CellText(1, 1), "41");
    EXPECT_EQ(rig.Chars->CellText(1, 0), "A");
    EXPECT_FALSE(rig.Hex->CellMuted(1, 1));
    EXPECT_EQ(rig.Hex->Col(), 2);
    EXPECT_EQ(rig.Chars->Col(), 1);
    EXPECT_EQ(Text(e.CursorAddress), "Address: 000001H");
    EXPECT_EQ(Text(w.LStartAddress), "000000H");
    EXPECT_EQ(Text(w.LEndAddress), "000013H");
    EXPECT_EQ(Text(w.LoadedSize), "000004H") << "ImageSize stays";

    // Further up the image: the end address follows; 7F, 80 and 1F in the character view.
    Click(rig.Hex, true, 3, 4);   // row 4, address 0x34
    EXPECT_EQ(rig.Hex->Row(), 4);
    EXPECT_EQ(rig.Chars->Col(), 4);
    Type(rig.Hex, "7f801F");
    EXPECT_EQ(Text(w.LEndAddress), "000036H");
    EXPECT_EQ(rig.Chars->CellText(4, 4), QString(QChar(0x7F)));
    EXPECT_EQ(rig.Chars->CellText(4, 5), ".");
    EXPECT_EQ(rig.Chars->CellText(4, 6), ".");
    EXPECT_EQ(rig.Hex->CellText(4, 6), "80");
}

TEST(HexEditor, TypingOnOffset0FWrapsToTheNextRowInBothViews)
{
    EditorRig rig;
    // The character view, on the last column of row 2.
    Click(rig.Chars, false, 1, 15);
    EXPECT_EQ(rig.Chars->Row(), 2);
    EXPECT_EQ(rig.Hex->Col(), 16);
    Type(rig.Chars, "Z");
    EXPECT_EQ(rig.Image.ImageData[0x1F], 'Z');
    EXPECT_EQ(rig.Hex->CellText(2, 16), "5A");
    EXPECT_EQ(rig.Hex->Row(), 3);
    EXPECT_EQ(rig.Chars->Row(), 3);
    EXPECT_EQ(rig.Hex->Col(), 1);
    EXPECT_EQ(rig.Chars->Col(), 0);
    Key(rig.Chars, Qt::Key_A, "\x01", Qt::ControlModifier);   // a control character: refused
    EXPECT_EQ(rig.Image.PresentMap[0x20], 0);

    // The hex view, on the bottom row of the screen: the view follows.
    Click(rig.Hex, true, 15, 15);
    Type(rig.Hex, "C3");
    EXPECT_EQ(rig.Image.ImageData[0xFF], 0xC3);
    EXPECT_EQ(rig.Hex->Row(), 17);
    EXPECT_EQ(rig.Chars->Col(), 0);
    EXPECT_EQ(rig.Hex->TopRow(), 2);
    EXPECT_EQ(rig.Chars->TopRow(), 2);
    EXPECT_EQ(rig.Chars->verticalScrollBar()->value(), 2);
    EXPECT_EQ(rig.Hex->CellText(17, 0), "00100");

    // Scrolling the character view moves the hex view too; keys page both.
    rig.Chars->verticalScrollBar()->setValue(100);
    EXPECT_EQ(rig.Hex->TopRow(), 100);
    EXPECT_EQ(rig.Hex->CellText(100, 0), "00630");
    Key(rig.Hex, Qt::Key_End, {}, Qt::ControlModifier);
    EXPECT_EQ(rig.Chars->TopRow(), HexEditModel::LastTopRow);
    EXPECT_EQ(Text(rig.Editor->CursorAddress), "Address: 3FFFFFH");
}

TEST(HexEditor, JumpBorrowsTheOffsetDialogAndLeavesTheOffsetAlone)
{
    EditorRig rig;
    TEditor& e = *rig.Editor;
    TForm3& dialog = rig.Form->OffsetDialog();
    rig.Image.LoadOffset = 0x10;

    auto seen = AnswerJump("1234H", true);
    e.Address1->trigger();
    EXPECT_EQ(seen->Caption, "Jump to address");
    EXPECT_EQ(seen->Prompt, "Jump to address:");
    EXPECT_EQ(rig.Hex->Row(), 292);
    EXPECT_EQ(rig.Hex->Col(), 5);
    EXPECT_EQ(rig.Chars->Row(), 292);
    EXPECT_EQ(rig.Chars->Col(), 4);
    EXPECT_EQ(rig.Hex->TopRow(), 292);
    EXPECT_EQ(rig.Hex->CellText(292, 0), "01230");
    EXPECT_EQ(dialog.windowTitle(), "Offset address");
    EXPECT_EQ(dialog.Label5->text(), "Offset address:");
    EXPECT_EQ(rig.Image.LoadOffset, 0x10);

    // The address column opens it too; the field keeps its last text.
    auto field = std::make_shared<QString>();
    auto caption = std::make_shared<QString>();
    WhenModal([field, caption](QWidget* modal) {
        auto* d = qobject_cast<TForm3*>(modal);
        ASSERT_NE(d, nullptr);
        *caption = d->windowTitle() + "|" + d->Label5->text();
        *field = d->Edit1->text();
        d->Edit1->setText("500000H");
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(d->Edit1, &enter);
    });
    Press(rig.Hex, 10, 150);
    EXPECT_EQ(*caption, "Jump to address|Jump to address:");
    EXPECT_EQ(*field, "1234H");
    EXPECT_EQ(rig.Hex->TopRow(), HexEditModel::LastTopRow);
    EXPECT_EQ(rig.Hex->Row(), HexEditModel::LastTopRow);
    EXPECT_EQ(rig.Hex->Col(), 1);
    EXPECT_EQ(rig.Hex->CellText(HexEditModel::LastTopRow, 0), "3FFF00") << "the last full screen";
    EXPECT_EQ(rig.Chars->TopRow(), HexEditModel::LastTopRow);
    EXPECT_EQ(rig.Image.LoadOffset, 0x10);

    // Cancel, a negative target and a text that does not parse: no jump.
    for (auto [text, ok] : {std::pair{"10H", false}, std::pair{"-32", true}, std::pair{"12G4H", true}}) {
        AnswerJump(text, ok);
        e.Address1->trigger();
        EXPECT_EQ(rig.Hex->TopRow(), HexEditModel::LastTopRow) << text;
        EXPECT_EQ(dialog.windowTitle(), "Offset address") << text;
    }
    EXPECT_TRUE(rig.Op.Messages.empty());
    EXPECT_EQ(rig.Image.LoadOffset, 0x10);
}

TEST(HexEditor, ClearBufferAsksAndNoChangesNothing)
{
    EditorRig rig;
    TMainForm& w = *rig.Form;
    rig.Image.LoadOffset = 0x10;
    w.S.BufferChanged();
    Click(rig.Hex, true, 5, 5);

    rig.Op.Answers = {false};
    rig.Editor->Clearbuffer1->trigger();
    EXPECT_EQ(rig.Op.Questions, std::vector<std::string>{"Erase code buffer"});
    EXPECT_EQ(rig.Image.ImageData[0x10], 0x01);
    EXPECT_EQ(Text(w.LStartAddress), "000010H");
    EXPECT_EQ(Text(w.LoadedOffset), "000010H");
    EXPECT_EQ(Text(w.LoadedFilename), "fw.hex");
    EXPECT_EQ(rig.Hex->Row(), 6);

    rig.Op.Answers = {true};
    rig.Editor->Clearbuffer1->trigger();
    EXPECT_EQ(rig.Image.ImageData[0x10], 0xFF);
    EXPECT_EQ(rig.Image.PresentMap[0x10], 0);
    for (QLabel* label : {w.LStartAddress, w.LEndAddress, w.LoadedSize, w.LoadedOffset})
        EXPECT_EQ(Text(label), "000000H") << label->objectName().toStdString();
    EXPECT_EQ(Text(w.LoadedFilename), "NONE");
    EXPECT_EQ(w.LoadedFilename->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(rig.Hex->CellText(2, 1), "FF");
    EXPECT_TRUE(rig.Hex->CellMuted(2, 1));
    EXPECT_EQ(rig.Hex->Row(), 1);
    EXPECT_EQ(rig.Hex->Col(), 1);
    EXPECT_EQ(rig.Hex->TopRow(), 1);
}

TEST(HexEditor, AProgramRunAfterEditingWritesTheEditedBytes)
{
    SimWindow rig("F340", true);
    TMainForm& w = *rig.Form;
    Session& session = *rig.Sess;
    ImageBuffer& image = rig.Image;
    sim::Simulator& simulator = *rig.Sim;
    ASSERT_EQ(Text(w.Status), "Connected");
    session.OpenFile(std::string(VORBRANT_SOURCE_DIR) + "/examples/blink.hex", LoadFormat::Hex);
    ASSERT_EQ(Text(w.LoadedFilename), "blink.hex");
    const uint8_t loaded = image.ImageData[0x100];

    // From the Edit menu, modally: 0x0003 and 0x0004 lie in a gap of the
    // file, 0x0100 overwrites a loaded byte.
    WhenModal([](QWidget* modal) {
        auto* editor = qobject_cast<TEditor*>(modal);
        ASSERT_NE(editor, nullptr);
        Click(editor->StringGrid1, true, 0, 3);
        Type(editor->StringGrid1, "a5");
        Type(editor->StringGrid2, "Z");
        Key(editor->StringGrid1, Qt::Key_PageDown);
        Key(editor->StringGrid1, Qt::Key_Home, {}, Qt::ControlModifier);
        for (int i = 0; i < 16; ++i)
            Key(editor->StringGrid1, Qt::Key_Down);
        Type(editor->StringGrid1, "3C");
        editor->Exit1->trigger();
    });
    w.Edit->trigger();
    EXPECT_FALSE(w.HexEditor().isVisible());
    ASSERT_EQ(image.ImageData[0x100], 0x3C) << "loaded byte was " << int(loaded);

    rig.Op.Messages.clear();
    w.KeyGoClick();
    ASSERT_EQ(rig.Op.Texts().size(), 1u);
    EXPECT_EQ(rig.Op.Texts()[0].rfind("Operation successfull!", 0), 0u) << rig.Op.Texts()[0];
    EXPECT_EQ(simulator.Flash()[0x03], 0xA5);
    EXPECT_EQ(simulator.Flash()[0x04], 'Z');
    EXPECT_EQ(simulator.Flash()[0x100], 0x3C);
    EXPECT_EQ(simulator.Flash()[0x00], image.ImageData[0x00]) << "the loaded bytes around them";
    EXPECT_EQ(simulator.Flash()[0x05], 0xFF) << "an untouched gap byte";
    EXPECT_TRUE(simulator.Violations().empty());
}
