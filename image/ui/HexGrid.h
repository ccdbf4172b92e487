#pragma once
// One of the hex editor's two grids, drawn straight from the HexEditModel:
// the hexadecimal grid (the address column, then 16 byte columns) or the
// character grid (16 columns and the vertical scroll bar). It paints only the
// rows on screen and keeps no text of its own; keys, clicks and scrolling go
// to the editor as signals.
#include <QAbstractScrollArea>
#include <QStaticText>

#include <array>

class QKeyEvent;

namespace vorbrant {

class HexEditModel;

class HexGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class Kind { Hex, Chars };

    static constexpr int AddressWidth = 50;   // the hex grid's fixed column 0
    static constexpr int HexCellWidth = 20;
    static constexpr int CharCellWidth = 14;
    static constexpr int RowHeight = 20;      // the header row too

    HexGrid(HexEditModel& model, Kind kind, QWidget* parent = nullptr);

    // The grid's own numbering: row 0 is the header; the hex grid's column 0
    // is the address column, the character grid's columns are 0..15.
    int Row() const;
    int Col() const;
    int TopRow() const;
    // The text a cell shows (the header row, or a row on screen; "" for a
    // row out of view).
    QString CellText(int row, int col);
    // Whether a cell's byte is drawn muted (never stored since a clear).
    bool CellMuted(int row, int col);

    // Follow the model: scroll position and a repaint.
    void Sync();

signals:
    void keyTyped(QKeyEvent* event);
    void cellPressed(int row, int offset);
    void addressColumnPressed();
    void topRowScrolled(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int FirstByteX() const { return kind_ == Kind::Hex ? AddressWidth : 0; }
    int CellWidth() const { return kind_ == Kind::Hex ? HexCellWidth : CharCellWidth; }
    // Grid row of screen index 0..15 and back.
    int ScreenIndex(int row) const;

    // The text of a byte cell, laid out once per value: laying out the
    // same few hundred strings again on every repaint is what paging
    // would otherwise spend its time on.
    const QStaticText& CellGlyphs(uint8_t value);

    HexEditModel& model_;
    Kind kind_;
    std::array<QStaticText, 256> glyphs_;
};

} // namespace vorbrant
