#include "image/ui/HexEditor.h"

#include "image/ui/HexGrid.h"
#include "image/ui/OffsetDialog.h"
#include "image/ImageTexts.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include <optional>

namespace vorbrant {

namespace {

std::optional<HexEditModel::Move> MoveFor(const QKeyEvent* event)
{
    using Move = HexEditModel::Move;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Left: return Move::Left;
    case Qt::Key_Right: return Move::Right;
    case Qt::Key_Up: return Move::Up;
    case Qt::Key_Down: return Move::Down;
    case Qt::Key_PageUp: return Move::PageUp;
    case Qt::Key_PageDown: return Move::PageDown;
    case Qt::Key_Home: return ctrl ? Move::First : Move::RowStart;
    case Qt::Key_End: return ctrl ? Move::Last : Move::RowEnd;
    default: return std::nullopt;
    }
}

} // namespace

TEditor::TEditor(ImageBuffer& image, Operator& op, TForm3& jumpDialog, HexEditModel::StoreByteFn storeByte,
                 HexEditModel::ClearFn clear, QWidget* parent)
    : QDialog(parent), Model(image, std::move(storeByte), std::move(clear)), op_(op), jumpDialog_(jumpDialog)
{
    setObjectName("TEditor");
    setWindowTitle(Caption);
    setModal(true);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    Exit1 = MainMenu1->addAction("&Exit");
    Exit1->setObjectName("Exit1");
    Address1 = MainMenu1->addAction("&Jump");
    Address1->setObjectName("Address1");
    Clearbuffer1 = MainMenu1->addAction("Clear buffer");
    Clearbuffer1->setObjectName("Clearbuffer1");

    StringGrid1 = new HexGrid(Model, HexGrid::Kind::Hex, this);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid2 = new HexGrid(Model, HexGrid::Kind::Chars, this);
    StringGrid2->setObjectName("StringGrid2");

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    CursorAddress = new QLabel(this);
    CursorAddress->setObjectName("CursorAddress");
    StatusBar1->addWidget(CursorAddress);

    auto* grids = new QHBoxLayout;
    grids->setSpacing(2);
    grids->addWidget(StringGrid1);
    grids->addWidget(StringGrid2);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(MainMenu1);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(2);
    layout->addLayout(grids);
    layout->addWidget(StatusBar1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Exit1, &QAction::triggered, this, &QDialog::close);
    connect(Address1, &QAction::triggered, this, &TEditor::Address1Click);
    connect(Clearbuffer1, &QAction::triggered, this, &TEditor::Clearbuffer1Click);
    for (HexGrid* grid : {StringGrid1, StringGrid2}) {
        connect(grid, &HexGrid::keyTyped, this, [this, grid](QKeyEvent* event) { GridKey(grid, event); });
        connect(grid, &HexGrid::cellPressed, this, [this](int row, int offset) {
            Model.MoveTo(row, offset);
            Refresh();
        });
        connect(grid, &HexGrid::topRowScrolled, this, [this](int row) {
            Model.SetTopRow(row);
            Refresh();
        });
    }
    connect(StringGrid1, &HexGrid::addressColumnPressed, this, &TEditor::Address1Click);
}

int TEditor::Run()
{
    FormActivate();
    return exec();
}

void TEditor::FormActivate()
{
    Model.Open();
    Refresh();
    StringGrid1->setFocus();
}

void TEditor::Refresh()
{
    StringGrid1->Sync();
    StringGrid2->Sync();
    CursorAddress->setText(QString::fromStdString(Model.StatusText()));
}

void TEditor::GridKey(HexGrid* grid, QKeyEvent* event)
{
    if (std::optional<HexEditModel::Move> move = MoveFor(event)) {
        Model.Navigate(*move);
    } else if (event->key() == Qt::Key_Backspace) {
        if (grid == StringGrid1)
            Model.Backspace();
    } else if (event->key() == Qt::Key_Escape) {
        event->ignore();   // the dialog's own Escape: close
        return;
    } else {
        const QString text = event->text();
        if (text.size() != 1 || event->key() == Qt::Key_Delete)
            return;
        const char16_t code = text.at(0).unicode();
        if (grid == StringGrid1) {
            if (code < 128)
                Model.TypeHexDigit(static_cast<char>(code));
        } else {
            Model.TypeChar(code);
        }
    }
    Refresh();
}

void TEditor::Address1Click()
{
    const QString typed = jumpDialog_.RunBorrowed("Jump to address", "Jump to address:", jumpDialog_.Edit1->text());
    if (jumpDialog_.result() == QDialog::Accepted)
        Model.Jump(typed.toStdString());
    Refresh();
    StringGrid1->setFocus();
}

void TEditor::Clearbuffer1Click()
{
    if (!op_.AskYesNo(ClearBufferQuestion, false))
        return;
    Model.ClearBuffer();
    Refresh();
    StringGrid1->setFocus();
    repaint();
}

} // namespace vorbrant
