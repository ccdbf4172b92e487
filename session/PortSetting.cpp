#include "session/PortSetting.h"

#include "common/Text.h"

namespace vorbrant {

PortSetting ReadPortSetting(const std::string& text)
{
    PortSetting setting;
    std::string value(Trim(text));
    if (value.find(',') != std::string::npos) {
        auto code = ParseInt32(Trim(value.substr(0, 3)));
        auto address = value.size() > 4 ? ParseInt32(Trim(value.substr(4))) : std::nullopt;
        if (!code || !address || *address < 0 || *address > 0xFFFF)
            return PortSetting{};
        setting.PortSelection = static_cast<PortChoice>(static_cast<uint8_t>(*code));
        setting.UserLptAddress = static_cast<uint16_t>(*address);
        setting.HadAddress = true;
        return setting;
    }
    if (auto code = ParseInt32(value))
        setting.PortSelection = static_cast<PortChoice>(static_cast<uint8_t>(*code));
    return setting;
}

std::string FormatPortSetting(PortChoice portSelection, uint16_t userLptAddress)
{
    if (portSelection == PortChoice::UserDefined)
        return "104," + std::to_string(userLptAddress);
    return std::to_string(ToInt(portSelection));
}

} // namespace vorbrant
