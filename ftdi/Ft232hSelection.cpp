#include "ftdi/Ft232hDevice.h"

#include <algorithm>

namespace vorbrant {

bool ParseFt232hSelection(std::string_view text, Ft232hSelection& selection, std::string& error)
{
    Ft232hSelection parsed;
    if (!text.empty()) {
        if (text.front() != ':' || text.size() == 1) {
            error = "Adapter ft232h takes a serial number or a USB bus/device after ':' (ft232h:FT1XYZ or "
                    "ft232h:001/005)";
            return false;
        }
        std::string_view value = text.substr(1);
        const size_t slash = value.find('/');
        if (slash != std::string_view::npos) {
            auto digits = [](std::string_view s) {
                return !s.empty() && s.size() <= 3 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
            };
            std::string_view bus = value.substr(0, slash), device = value.substr(slash + 1);
            if (!digits(bus) || !digits(device)) {
                error = "Adapter ft232h: '" + std::string(value) + "' is no USB bus/device (write it as lsusb does: 001/005)";
                return false;
            }
            auto pad = [](std::string_view s) { return std::string(3 - s.size(), '0') + std::string(s); };
            parsed.BusPath = pad(bus) + "/" + pad(device);
        } else {
            if (value.size() > 64 || !std::all_of(value.begin(), value.end(), [](unsigned char c) { return c > ' ' && c < 0x7F; })) {
                error = "Adapter ft232h: '" + std::string(value) + "' is no serial number";
                return false;
            }
            parsed.Serial = std::string(value);
        }
    }
    selection = std::move(parsed);
    return true;
}

} // namespace vorbrant
