#include "image/HexEditModel.h"

#include "common/Text.h"

#include <algorithm>

namespace vorbrant {

namespace {

constexpr char Digits[] = "0123456789ABCDEF";

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

HexEditModel::HexEditModel(ImageBuffer& image, StoreByteFn storeByte, ClearFn clear)
    : image_(image), storeByte_(std::move(storeByte)), clear_(std::move(clear))
{
}

void HexEditModel::Open()
{
    pending_.clear();
    top_ = 1;
    row_ = 1;
    offset_ = 0;
    InvalidateAll();
}

void HexEditModel::InvalidateAll()
{
    for (RowText& row : cache_)
        row.Row = -1;
}

// --- view and cursor ---------------------------------------------------------

void HexEditModel::SetTopRow(int row) { top_ = std::clamp(row, 1, LastTopRow); }

void HexEditModel::ShowCursor()
{
    if (row_ < top_)
        SetTopRow(row_);
    else if (row_ > top_ + VisibleRows - 1)
        SetTopRow(row_ - VisibleRows + 1);
}

void HexEditModel::MoveTo(int row, int offset)
{
    row_ = std::clamp(row, 1, LastRow);
    offset_ = std::clamp(offset, 0, BytesPerRow - 1);
    pending_.clear();
    ShowCursor();
}

void HexEditModel::Navigate(Move move)
{
    switch (move) {
    case Move::Left: MoveTo(row_, offset_ - 1); break;
    case Move::Right: MoveTo(row_, offset_ + 1); break;
    case Move::Up: MoveTo(row_ - 1, offset_); break;
    case Move::Down: MoveTo(row_ + 1, offset_); break;
    case Move::PageUp:
    case Move::PageDown: {
        // A page keeps the cursor where it stands on the screen.
        int step = move == Move::PageDown ? VisibleRows : -VisibleRows;
        SetTopRow(top_ + step);
        MoveTo(row_ + step, offset_);
        break;
    }
    case Move::RowStart: MoveTo(row_, 0); break;
    case Move::RowEnd: MoveTo(row_, BytesPerRow - 1); break;
    case Move::First: MoveTo(1, 0); break;
    case Move::Last: MoveTo(LastRow, BytesPerRow - 1); break;
    }
}

// --- typing --------------------------------------------------------------------

void HexEditModel::Store(uint8_t value)
{
    const uint32_t address = CursorAddress();
    if (storeByte_)
        storeByte_(address, value);
    else
        image_.StoreEditedByte(address, value);
    Invalidate(row_);
    Advance();
}

void HexEditModel::Advance()
{
    pending_.clear();
    if (offset_ < BytesPerRow - 1)
        ++offset_;
    else if (row_ < LastRow) {
        ++row_;
        offset_ = 0;
    }
    // The image's last byte has nowhere to go: the cursor stays on it.
    ShowCursor();
}

bool HexEditModel::TypeHexDigit(char key)
{
    if (HexValue(key) < 0)
        return false;
    if (pending_.size() < 2)
        pending_ += static_cast<char>(Digits[HexValue(key)]);
    if (pending_.size() == 2)
        Store(static_cast<uint8_t>(HexValue(pending_[0]) * 16 + HexValue(pending_[1])));
    return true;
}

bool HexEditModel::Backspace()
{
    if (pending_.size() != 1)
        return false;
    pending_.clear();
    return true;
}

bool HexEditModel::TypeChar(int code)
{
    if (code < 32 || code > 127)
        return false;
    Store(static_cast<uint8_t>(code));
    return true;
}

// --- jump and clear --------------------------------------------------------------

std::optional<int32_t> HexEditModel::ParseJumpText(const std::string& text)
{
    std::string t = ToUpper(Trim(text));
    size_t h = t.find('H');
    if (h == std::string::npos) {
        int32_t value = 0;
        if (!ParseAddressText(t, value))
            return std::nullopt;
        return value;
    }
    t.erase(h, 1);
    if (t.empty())
        return std::nullopt;
    // Read as 32 bits: 80000000H and above come out negative, as in the
    // address dialogs.
    uint32_t value = 0;
    for (char c : t) {
        int d = HexValue(c);
        if (d < 0 || value > 0x0FFFFFFFu)
            return std::nullopt;
        value = value * 16 + static_cast<uint32_t>(d);
    }
    return static_cast<int32_t>(value);
}

bool HexEditModel::Jump(const std::string& text)
{
    std::optional<int32_t> target = ParseJumpText(text);
    if (!target || *target < 0)
        return false;
    JumpTo(*target);
    return true;
}

void HexEditModel::JumpTo(int32_t target)
{
    if (target < 0)
        return;
    // A full screen of rows below the target.
    target = std::min(target, LastScreenAddress);
    row_ = target / BytesPerRow + 1;
    offset_ = target % BytesPerRow;
    pending_.clear();
    SetTopRow(row_);
}

void HexEditModel::ClearBuffer()
{
    if (clear_) {
        clear_();
    } else {
        image_.ClearImage(false);
        image_.StartAddress = image_.EndAddress = image_.LoadOffset = image_.ImageSize = 0;
    }
    Open();
}

// --- text ----------------------------------------------------------------------

const HexEditModel::RowText& HexEditModel::VisibleRow(int index)
{
    const int row = std::clamp(top_ + index, 1, LastRow);
    RowText& text = cache_[static_cast<size_t>(row % VisibleRows)];
    if (text.Row == row)
        return text;
    ++formatted_;
    text.Row = row;
    text.Caption = AddressCaption(row);
    const uint32_t first = static_cast<uint32_t>(row - 1) * BytesPerRow;
    for (int i = 0; i < BytesPerRow; ++i) {
        const uint8_t value = image_.ImageData[first + static_cast<uint32_t>(i)];
        text.Values[static_cast<size_t>(i)] = value;
        auto& hex = text.Hex[static_cast<size_t>(i)];
        hex[0] = Digits[value >> 4];
        hex[1] = Digits[value & 0x0F];
        text.Chars[static_cast<size_t>(i)] = CharFor(value);
        text.Present[static_cast<size_t>(i)] = image_.PresentMap[first + static_cast<uint32_t>(i)] != 0;
    }
    return text;
}

std::string HexEditModel::HexCell(int index, int offset)
{
    const RowText& text = VisibleRow(index);
    if (!pending_.empty() && text.Row == row_ && offset == offset_)
        return pending_ + "_";
    const auto& hex = text.Hex[static_cast<size_t>(offset)];
    return std::string(hex.begin(), hex.end());
}

std::string HexEditModel::AddressCaption(int row)
{
    return Hex(static_cast<uint32_t>(std::max(row - 1, 0)) * BytesPerRow, 5);
}

std::string HexEditModel::HeaderCaption(int offset) { return Hex(static_cast<uint32_t>(offset), 2); }

char HexEditModel::CharFor(uint8_t value) { return value >= 32 && value <= 127 ? static_cast<char>(value) : '.'; }

std::string HexEditModel::StatusText() const { return "Address: " + BufferInfoText(static_cast<int32_t>(CursorAddress())); }

} // namespace vorbrant
