#pragma once
// What the hex editor knows without a widget: the top row of the view, the
// cursor (shared by the hexadecimal and the character view), the digit typed
// but not yet stored, the jump target and the text of the visible rows.
//
// Rows are counted as the editor's grids count them: row 0 is the header,
// row r >= 1 holds the 16 bytes from (r - 1) * 16, so the image of 4 MiB has
// 262,145 rows. Only the rows on screen are ever formatted: a small cache of
// VisibleRows entries keyed by row number, so a one-row scroll formats one row
// and a page formats one screen.
#include "image/ImageBuffer.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vorbrant {

class HexEditModel {
public:
    static constexpr int BytesPerRow = 16;
    static constexpr int VisibleRows = 16;
    static constexpr int RowCount = static_cast<int>(ImageBuffer::Capacity / BytesPerRow) + 1;
    static constexpr int LastRow = RowCount - 1;
    // The top row of the last full screen (its top address is 0x3FFF00).
    static constexpr int LastTopRow = RowCount - VisibleRows;
    static constexpr int32_t LastScreenAddress = static_cast<int32_t>(ImageBuffer::Capacity) - VisibleRows * BytesPerRow;

    // How a typed byte reaches the image, and how the whole image is cleared
    // (the session does both, so the buffer-info panel follows). Without
    // them the model stores into the image itself.
    using StoreByteFn = std::function<void(uint32_t address, uint8_t value)>;
    using ClearFn = std::function<void()>;

    explicit HexEditModel(ImageBuffer& image, StoreByteFn storeByte = {}, ClearFn clear = {});

    // The window opens: no pending digit, the first row on top, the cursor
    // on address 0, every cached row dropped (the image may have changed
    // while the editor was closed).
    void Open();

    // --- the view -----------------------------------------------------------
    int TopRow() const { return top_; }
    // Address of the first byte on screen.
    uint32_t ViewTop() const { return static_cast<uint32_t>(top_ - 1) * BytesPerRow; }
    // Clamped to 1..LastTopRow. The cursor stays where it is.
    void SetTopRow(int row);

    // --- the cursor -----------------------------------------------------------
    int Row() const { return row_; }           // grid row, 1..LastRow
    int Offset() const { return offset_; }     // 0..15
    int HexColumn() const { return offset_ + 1; } // the hex view's column 0 is the address column
    int CharColumn() const { return offset_; }
    uint32_t CursorAddress() const { return static_cast<uint32_t>(row_ - 1) * BytesPerRow + static_cast<uint32_t>(offset_); }
    // Puts the cursor on a cell (clamped into the image) and scrolls as little
    // as needed to show it. A pending digit is dropped.
    void MoveTo(int row, int offset);

    enum class Move { Left, Right, Up, Down, PageUp, PageDown, RowStart, RowEnd, First, Last };
    void Navigate(Move move);

    // --- typing -----------------------------------------------------------------
    // A key on the hexadecimal view: false when it is no hex digit (nothing
    // happens). The second digit stores the byte and moves the cursor on.
    bool TypeHexDigit(char key);
    // Drops a single pending digit; false when there was none.
    bool Backspace();
    // A key on the character view: codes 32..127 store the byte and move
    // the cursor on; anything else is refused.
    bool TypeChar(int code);
    const std::string& PendingDigits() const { return pending_; }

    // --- jump and clear -------------------------------------------------------
    // The jump field's text: with an "H" the first "H" is dropped and the rest
    // read as hexadecimal, otherwise a 32-bit integer as the address dialogs
    // read it. nullopt when it does not parse.
    static std::optional<int32_t> ParseJumpText(const std::string& text);
    // Jumps to what the text names: targets above the last full screen
    // go to its top address; a text that does not parse, or a negative
    // target, makes no jump (false).
    bool Jump(const std::string& text);
    void JumpTo(int32_t target);
    // The image cleared (the window asked first) and the view back on the
    // first row.
    void ClearBuffer();

    // --- text -------------------------------------------------------------------
    struct RowText {
        int Row = -1;                             // which grid row this is
        std::string Caption;                      // "00000", "00010", ...
        std::array<uint8_t, BytesPerRow> Values{};
        std::array<std::array<char, 2>, BytesPerRow> Hex{};
        std::array<char, BytesPerRow> Chars{};
        std::array<bool, BytesPerRow> Present{};  // stored by a load, a read or an edit
    };
    // The row at index 0..VisibleRows-1 of the screen, formatted when it was
    // not formatted since it came into view or changed.
    const RowText& VisibleRow(int index);
    // What a cell of a visible row shows. The hexadecimal view shows a
    // pending digit in the cursor's cell ("4_").
    std::string HexCell(int index, int offset);
    char CharCell(int index, int offset) { return VisibleRow(index).Chars[static_cast<size_t>(offset)]; }
    // Rows formatted since the model was made (what paging costs).
    uint64_t RowsFormatted() const { return formatted_; }

    static std::string AddressCaption(int row);      // 5 hex digits of the row's first address
    static std::string HeaderCaption(int offset);    // "00".."0F"
    static char CharFor(uint8_t value);              // 32..127 as itself, else '.'
    // The window's status line: the cursor's address.
    std::string StatusText() const;

private:
    void Store(uint8_t value);
    void Advance();
    void ShowCursor();
    void Invalidate(int row) { cache_[static_cast<size_t>(row % VisibleRows)].Row = -1; }
    void InvalidateAll();

    ImageBuffer& image_;
    StoreByteFn storeByte_;
    ClearFn clear_;
    int top_ = 1;
    int row_ = 1;
    int offset_ = 0;
    std::string pending_;
    // The rows on screen occupy distinct slots (row mod VisibleRows), so a
    // scroll leaves the rows still shown in place and only new rows miss.
    std::array<RowText, VisibleRows> cache_{};
    uint64_t formatted_ = 0;
};

} // namespace vorbrant
