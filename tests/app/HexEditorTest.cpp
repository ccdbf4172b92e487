// The "Hex edit" window driven through its grids and menus: typing in both
// views, the wrap, the jump through the borrowed offset dialog, Clear buffer,
// and a program run of edited bytes against the simulator.
#include "tests/app/AppTestSupport.h"

#include "image/ui/HexEditor.h"
#include "image/ui/HexGrid.h"
#include "image/ui/OffsetDialog.h"
#include "sim/SimConfig.h"
#include "sim/Simulator.h"

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

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
    EXPECT_EQ(Text(w.LoadedSize), "000014H") << "the size reaches the edit";

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
    w.S.SetLoadOffset(0x10);
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

// Edits below, above and inside a loaded file, and into an empty buffer,
// made through the Edit menu, the Jump dialog and the keyboard; then Go with
// Verify ticked, and the simulated flash read back: every loaded and every
// edited byte is there, the gaps between them stay erased.
TEST(HexEditor, AProgramRunWritesTheEditedBytesAndTheLoadedFile)
{
    const std::string at100 = ":10010000000102030405060708090A0B0C0D0E0F77\n:00000001FF\n";
    struct Case {
        const char* What;
        bool Load;                                       // at100.hex, 0x100..0x10F
        std::vector<std::pair<const char*, const char*>> Edits; // jump text, hex digits typed
        const char* Start;
        const char* Size;
        std::vector<uint32_t> Erased;                    // bytes that stay 0xFF
    } cases[] = {
        {"below", true, {{"50H", "11"}}, "000050H", "0000C0H", {0x4F, 0x51, 0xFF, 0x110}},
        {"above", true, {{"300H", "22"}}, "000100H", "000201H", {0xFF, 0x110, 0x2FF, 0x301}},
        {"below, inside and above", true, {{"50H", "11"}, {"105H", "A5"}, {"300H", "2233"}}, "000050H", "0002B2H",
         {0x51, 0x110, 0x302}},
        {"an empty buffer", false, {{"50H", "11"}, {"60H", "22"}}, "000000H", "000061H", {0x00, 0x4F, 0x51, 0x61}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        SimWindow rig("F340", true);
        TMainForm& w = *rig.Form;
        ASSERT_EQ(Text(w.Status), "Connected");
        std::map<uint32_t, uint8_t> expected;
        if (c.Load) {
            rig.Sess->OpenFile(rig.Dir.Write("at100.hex", at100), LoadFormat::Hex);
            ASSERT_EQ(Text(w.LoadedSize), "000010H");
            for (uint32_t i = 0; i < 16; ++i)
                expected[0x100 + i] = static_cast<uint8_t>(i);
        }
        for (const auto& [jump, digits] : c.Edits) {
            const uint32_t at = static_cast<uint32_t>(std::stoul(std::string(jump), nullptr, 16));
            for (size_t i = 0; digits[2 * i]; ++i)
                expected[at + static_cast<uint32_t>(i)] =
                    static_cast<uint8_t>(std::stoul(std::string(digits + 2 * i, 2), nullptr, 16));
        }

        // The editor from the Edit menu; each jump through the offset dialog.
        const auto edits = c.Edits;
        WhenModal([edits](QWidget* modal) {
            auto* editor = qobject_cast<TEditor*>(modal);
            ASSERT_NE(editor, nullptr);
            for (const auto& [jump, digits] : edits) {
                const QString text = jump;
                QTimer::singleShot(0, [text] {
                    auto* dialog = qobject_cast<TForm3*>(QApplication::activeModalWidget());
                    ASSERT_NE(dialog, nullptr);
                    dialog->Edit1->setText(text);
                    dialog->OKButton->click();
                });
                editor->Address1->trigger();
                Type(editor->StringGrid1, digits);
            }
            editor->Exit1->trigger();
        });
        w.Edit->trigger();
        EXPECT_EQ(Text(w.LStartAddress), c.Start);
        EXPECT_EQ(Text(w.LoadedSize), c.Size);

        w.DoVerify->setChecked(true);
        rig.Op.Messages.clear();
        w.KeyGo->click();
        ASSERT_EQ(rig.Op.Texts().size(), 1u);
        EXPECT_EQ(rig.Op.Texts()[0].rfind("Operation successfull!", 0), 0u) << rig.Op.Texts()[0];
        for (const auto& [address, value] : expected)
            EXPECT_EQ(rig.Sim->Flash()[address], value) << std::hex << address;
        for (uint32_t address : c.Erased)
            EXPECT_EQ(rig.Sim->Flash()[address], 0xFF) << std::hex << address;
        EXPECT_TRUE(rig.Sim->Violations().empty());
    }
}
