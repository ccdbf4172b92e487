#include "security/C2SecurityByte.h"

#include "common/Text.h"
#include "security/LockBytes.h"
#include "security/SecurityTexts.h"
#include "security/Protection.h"

#include <algorithm>

namespace vorbrant {

SecurityNotes C2SecurityByte::Open()
{
    ctx_.SetPoll(false);
    return ReadSecurityState();
}

void C2SecurityByte::Close() { ctx_.SetPoll(true); }

void C2SecurityByte::ShowSecuredRange()
{
    BarEnabled = true;
    EditText = std::to_string(SecurityPages);
    GaugeMaximum = static_cast<int>(ctx_.Dev.Chip.CodeBytes());
    const uint32_t pageBytes = SecurityPageBytes(ctx_.Dev.Chip);
    GaugePosition = ProtectedBytes(SecurityPages, pageBytes);
    RangeText = SecuredRangeText(SecurityPages, pageBytes);
}

SecurityNotes C2SecurityByte::ReadSecurityState()
{
    const ChipInfo& chip = ctx_.Dev.Chip;
    uint8_t pages = 0;
    if (ctx_.Dev.Flash().ReadLockByte(LockByte::Security, pages)) {
        UpdateEnabled = true;
        SecurityPages = pages;
        ChangerMaximum = HighestSecurityPages(chip);
        ShowSecuredRange();
        return {};
    }
    // The number field keeps what it showed.
    SecurityPages = HighestSecurityPages(chip);
    UpdateEnabled = false;
    BarEnabled = false;
    ChangerEnabled = false;
    GaugePosition = 0;
    RangeText = DeviceLockedRangeText;
    return {SecurityNote::Unreadable};
}

namespace {

// A decimal number, with an optional sign, that fits 32 bits.
std::optional<int32_t> DecimalNumber(const std::string& text)
{
    size_t digits = !text.empty() && (text.front() == '-' || text.front() == '+') ? 1 : 0;
    if (digits == text.size() || text.find_first_not_of("0123456789", digits) != std::string::npos)
        return std::nullopt;
    return ParseInt32(text);
}

} // namespace

void C2SecurityByte::TextChanged(const std::string& text)
{
    // The field keeps what was typed until it reads as a number: a field
    // cleared to type afresh is not filled in again.
    EditText = text;
    std::optional<int32_t> value = DecimalNumber(text);
    if (!value)
        return;
    SecurityPages = static_cast<uint8_t>(*value);
    ShowSecuredRange();
}

void C2SecurityByte::EnterPressed(const std::string& text) { TextChanged(std::string(Trim(text))); }

void C2SecurityByte::ShowFreshDevice()
{
    ChangerMaximum = HighestSecurityPages(ctx_.Dev.Chip);
    SecurityPages = 0;
    ChangerEnabled = true;
    ShowSecuredRange();
    UpdateEnabled = true;
}

SecurityNotes C2SecurityByte::Update()
{
    // A typed count beyond the part is cut to all its pages: no number can
    // lock more than the device holds.
    uint8_t pages = std::min(SecurityPages, HighestSecurityPages(ctx_.Dev.Chip));
    const ChipInfo identified = ctx_.Dev.Chip;
    // Not reported: the read-back below shows what the part holds.
    ctx_.Dev.Flash().WriteLockByte(LockByte::Security, static_cast<uint8_t>(pages ^ 0xFF));
    ctx_.Reconnect();
    // The part now answers as its family's locked row: the range and the
    // read-back still count its own pages, while the main window goes on
    // with what the part answered.
    const ChipInfo answered = ctx_.Dev.Chip;
    KeepIdentity(ctx_.Dev.Chip, identified);
    ShowFreshDevice();
    SecurityNotes notes = ReadSecurityState();
    ctx_.Dev.Chip = answered;
    return notes;
}

SecurityNotes C2SecurityByte::ChipErase()
{
    if (!EraseC2Chip(ctx_))
        return {SecurityNote::ChipEraseFailed};
    ShowFreshDevice();
    return {};
}

} // namespace vorbrant
