#include "image/ui/HexGrid.h"

#include "common/Text.h"
#include "image/HexEditModel.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace vorbrant {

namespace {

constexpr int Columns = HexEditModel::BytesPerRow;
constexpr int Rows = HexEditModel::VisibleRows;

// Bytes nobody stored (the 0xFF filler) step back behind loaded data.
// Bytes nothing has stored: a grey that still reads at a glance (4.5:1 on
// white, where the black of stored bytes is 21:1).
const QColor MutedText(118, 118, 118);
const QColor GridLine(208, 208, 208);

} // namespace

HexGrid::HexGrid(HexEditModel& model, Kind kind, QWidget* parent)
    : QAbstractScrollArea(parent), model_(model), kind_(kind)
{
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(12);
    setFont(fixed);
    setFocusPolicy(Qt::StrongFocus);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(kind == Kind::Chars ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(1, HexEditModel::LastTopRow);
    bar->setSingleStep(1);
    bar->setPageStep(Rows);

    const int frame = 2 * frameWidth();
    int width = FirstByteX() + Columns * CellWidth() + frame;
    if (kind == Kind::Chars)
        width += bar->sizeHint().width();
    setFixedSize(width, (Rows + 1) * RowHeight + frame);
}

int HexGrid::Row() const { return model_.Row(); }
int HexGrid::Col() const { return kind_ == Kind::Hex ? model_.HexColumn() : model_.CharColumn(); }
int HexGrid::TopRow() const { return model_.TopRow(); }

int HexGrid::ScreenIndex(int row) const
{
    int index = row - model_.TopRow();
    return index >= 0 && index < Rows ? index : -1;
}

QString HexGrid::CellText(int row, int col)
{
    const int offset = kind_ == Kind::Hex ? col - 1 : col;
    if (row == 0)
        return kind_ == Kind::Hex && offset >= 0 ? QString::fromStdString(HexEditModel::HeaderCaption(offset)) : QString();
    const int index = ScreenIndex(row);
    if (index < 0 || offset >= Columns)
        return QString();
    if (offset < 0)
        return QString::fromStdString(model_.VisibleRow(index).Caption);
    if (kind_ == Kind::Hex)
        return QString::fromStdString(model_.HexCell(index, offset));
    return QString(QChar(static_cast<unsigned char>(model_.CharCell(index, offset))));
}

bool HexGrid::CellMuted(int row, int col)
{
    const int offset = kind_ == Kind::Hex ? col - 1 : col;
    const int index = ScreenIndex(row);
    if (index < 0 || offset < 0 || offset >= Columns)
        return false;
    return !model_.VisibleRow(index).Present[static_cast<size_t>(offset)];
}

const QStaticText& HexGrid::CellGlyphs(uint8_t value)
{
    QStaticText& text = glyphs_[value];
    if (text.text().isEmpty()) {
        text.setText(kind_ == Kind::Hex ? QString::fromStdString(Hex(value, 2))
                                        : QString(QChar(static_cast<unsigned char>(HexEditModel::CharFor(value)))));
        text.setTextFormat(Qt::PlainText);
        text.prepare(QTransform(), font());
    }
    return text;
}

void HexGrid::Sync()
{
    QScrollBar* bar = verticalScrollBar();
    if (bar->value() != model_.TopRow()) {
        const QSignalBlocker quiet(bar);
        bar->setValue(model_.TopRow());
    }
    viewport()->update();
}

void HexGrid::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    const QPalette& pal = palette();
    const int cw = CellWidth();
    const int x0 = FirstByteX();
    const int width = x0 + Columns * cw;
    const int height = (Rows + 1) * RowHeight;

    // Fixed parts: the header row and the address column.
    p.fillRect(0, 0, width, RowHeight, pal.button());
    if (x0 > 0)
        p.fillRect(0, RowHeight, x0, height - RowHeight, pal.button());
    p.fillRect(x0, RowHeight, width - x0, height - RowHeight, pal.base());
    p.setPen(pal.color(QPalette::ButtonText));
    if (kind_ == Kind::Hex) {
        for (int c = 0; c < Columns; ++c)
            p.drawText(QRect(x0 + c * cw, 0, cw, RowHeight), Qt::AlignCenter, CellText(0, c + 1));
    }

    const bool focused = hasFocus();
    const int cursorIndex = ScreenIndex(model_.Row());
    QColor softHighlight = pal.color(QPalette::Highlight);
    softHighlight.setAlpha(70);

    for (int i = 0; i < Rows; ++i) {
        const int row = model_.TopRow() + i;
        const int y = RowHeight * (i + 1);
        const HexEditModel::RowText& text = model_.VisibleRow(i);
        if (x0 > 0) {
            p.setPen(pal.color(QPalette::ButtonText));
            p.drawText(QRect(0, y, x0 - 4, RowHeight), Qt::AlignRight | Qt::AlignVCenter,
                       QString::fromStdString(text.Caption));
        }
        for (int c = 0; c < Columns; ++c) {
            const QRect cell(x0 + c * cw, y, cw, RowHeight);
            const bool current = i == cursorIndex && c == model_.Offset();
            QColor ink = text.Present[static_cast<size_t>(c)] ? pal.color(QPalette::Text) : MutedText;
            if (current && focused) {
                p.fillRect(cell, pal.highlight());
                ink = pal.color(QPalette::HighlightedText);
            } else if (current) {
                p.fillRect(cell, softHighlight);
            }
            p.setPen(ink);
            if (current && kind_ == Kind::Hex && !model_.PendingDigits().empty()) {
                p.drawText(cell, Qt::AlignCenter, CellText(row, c + 1));
                continue;
            }
            const QStaticText& glyphs = CellGlyphs(text.Values[static_cast<size_t>(c)]);
            const QSizeF size = glyphs.size();
            p.drawStaticText(QPointF(cell.x() + (cell.width() - size.width()) / 2,
                                     cell.y() + (cell.height() - size.height()) / 2),
                             glyphs);
        }
    }

    // Grid lines between the cells, as a string grid draws them.
    p.setPen(GridLine);
    for (int c = 1; c < Columns; ++c)
        p.drawLine(x0 + c * cw - 1, RowHeight, x0 + c * cw - 1, height);
    for (int i = 2; i <= Rows; ++i)
        p.drawLine(x0, i * RowHeight - 1, width, i * RowHeight - 1);
    p.setPen(pal.color(QPalette::Mid));
    p.drawLine(0, RowHeight - 1, width, RowHeight - 1);
    if (x0 > 0)
        p.drawLine(x0 - 1, 0, x0 - 1, height);
}

void HexGrid::keyPressEvent(QKeyEvent* event)
{
    emit keyTyped(event);
}

void HexGrid::mousePressEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    if (event->button() != Qt::LeftButton)
        return;
    // The address column, header included, inside the grid's edges.
    if (kind_ == Kind::Hex && at.x() < AddressWidth && at.y() > 1 && at.y() < (Rows + 1) * RowHeight) {
        emit addressColumnPressed();
        return;
    }
    const int index = static_cast<int>(at.y()) / RowHeight - 1;
    const int offset = (static_cast<int>(at.x()) - FirstByteX()) / CellWidth();
    if (index >= 0 && index < Rows && at.x() >= FirstByteX() && offset < Columns)
        emit cellPressed(model_.TopRow() + index, offset);
}

void HexGrid::scrollContentsBy(int, int)
{
    emit topRowScrolled(verticalScrollBar()->value());
}

void HexGrid::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void HexGrid::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

} // namespace vorbrant
