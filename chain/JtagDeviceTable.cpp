#include "chain/JtagDeviceTable.h"

#include "common/Text.h"

#include <charconv>

namespace vorbrant {

namespace {

// Plain decimal digits with blanks around them, at most max.
std::optional<uint64_t> ParseDecimal(std::string_view text, uint64_t max)
{
    text = Trim(text);
    if (text.empty())
        return std::nullopt;
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (ec != std::errc() || end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

// Takes the text before delimiter off text; false when there is none.
bool TakeField(std::string_view& text, char delimiter, std::string_view& field)
{
    size_t at = text.find(delimiter);
    if (at == std::string_view::npos) {
        field = text;
        text = {};
        return false;
    }
    field = text.substr(0, at);
    text.remove_prefix(at + 1);
    return true;
}

} // namespace

bool ParseDeviceText(std::string_view text, tJTAGDeviceDescriptor& device, std::string_view& rest, std::string& bad)
{
    std::string_view name, ir, bs, id;
    TakeField(text, '(', name);
    TakeField(text, ',', ir);
    TakeField(text, ',', bs);
    TakeField(text, ')', id);
    rest = text;
    auto irValue = ParseDecimal(ir, 0xFFFF);
    auto bsValue = ParseDecimal(bs, 0xFFFF);
    auto idValue = ParseDecimal(id, 0xFFFFFFFFu);
    for (auto [value, field] : {std::pair{irValue.has_value(), ir}, {bsValue.has_value(), bs}, {idValue.has_value(), id}})
        if (!value) {
            bad = std::string(field);
            return false;
        }
    device.DeviceName = std::string(name);
    device.IRLength = static_cast<uint16_t>(*irValue);
    device.BSLength = static_cast<uint16_t>(*bsValue);
    device.IDCode = static_cast<uint32_t>(*idValue);
    return true;
}

std::string FormatDeviceText(const tJTAGDeviceDescriptor& device)
{
    return device.DeviceName + "(" + std::to_string(device.IRLength) + "," + std::to_string(device.BSLength) + "," +
           std::to_string(device.IDCode) + ")";
}

std::optional<uint16_t> ParseLength(std::string_view text)
{
    std::optional<int32_t> value = ParseInt32(Trim(text));
    if (!value || *value < 0 || *value > 0xFFFF)
        return std::nullopt;
    return static_cast<uint16_t>(*value);
}

std::optional<uint32_t> ParseIdCodeHex(std::string_view text)
{
    text = Trim(text);
    while (text.size() > 1 && text.front() == '0')
        text.remove_prefix(1);
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    uint32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

JtagDeviceTable::LoadResult JtagDeviceTable::Load(const IniFile& ini)
{
    LoadResult result;
    Entries.clear();
    for (size_t k = 1;; ++k) {
        std::string value = ini.ReadString(JtagDevicesSection, vorbrant::ini::DeviceKey(k), "");
        if (value.empty())
            break;
        if (Entries.size() >= MaxJtagDevices) {
            ++result.Ignored;
            continue;
        }
        tJTAGDeviceDescriptor device;
        std::string_view rest;
        if (!ParseDeviceText(value, device, rest, result.Bad)) {
            result.Stopped = true;
            break;
        }
        Entries.push_back(std::move(device));
    }
    return result;
}

void JtagDeviceTable::Save(IniFile& ini) const
{
    ini.EraseSection(JtagDevicesSection);
    for (size_t n = 0; n < Entries.size(); ++n)
        ini.WriteString(JtagDevicesSection, vorbrant::ini::DeviceKey(n + 1), FormatDeviceText(Entries[n]));
}

const tJTAGDeviceDescriptor* JtagDeviceTable::Find(std::string_view name) const
{
    for (const tJTAGDeviceDescriptor& device : Entries)
        if (device.DeviceName == name)
            return &device;
    return nullptr;
}

} // namespace vorbrant
