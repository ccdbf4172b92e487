#include "gpio/GpioWiring.h"

#include "common/Text.h"

#include <algorithm>
#include <charconv>

namespace vorbrant {

std::string GpioWiring::LinesText() const
{
    std::string text;
    for (size_t i = 0; i < GpioRoleCount; ++i)
        if (Lines[i])
            text += (text.empty() ? "" : ",") + std::string(GpioRoleNames[i]) + "=" + std::to_string(*Lines[i]);
    return text;
}

bool ParseGpioWiring(std::string_view text, GpioWiring& wiring, std::string& error)
{
    const std::string_view usage =
        " (e.g. gpio:/dev/gpiochip0:c2ck=17,c2d=27 or gpio:/dev/gpiochip0:tck=11,tms=25,tdi=10,tdo=9)";
    // The chip path may hold ':' only before its last one.
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == text.size()) {
        error = "Adapter gpio needs a chip and its lines" + std::string(usage);
        return false;
    }
    GpioWiring parsed;
    std::string_view chip = text.substr(0, colon);
    parsed.Chip = chip.find('/') == std::string_view::npos ? "/dev/" + std::string(chip) : std::string(chip);
    std::string_view list = text.substr(colon + 1);
    while (!list.empty()) {
        const size_t comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        const size_t eq = item.find('=');
        const std::string name = ToLower(item.substr(0, eq));
        auto known = std::find_if(GpioRoleNames.begin(), GpioRoleNames.end(), [&](const char* n) { return name == n; });
        if (known == GpioRoleNames.end()) {
            error = "Adapter gpio: unknown line name '" + name + "' (use c2ck and c2d for C2, tck, tms, tdi and tdo for JTAG)";
            return false;
        }
        std::optional<uint32_t>& slot = parsed.Lines[static_cast<size_t>(known - GpioRoleNames.begin())];
        std::string_view number = eq == std::string_view::npos ? std::string_view{} : item.substr(eq + 1);
        uint32_t offset = 0;
        auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), offset);
        if (number.empty() || ec != std::errc() || end != number.data() + number.size() || offset > GpioMaxLineOffset) {
            error = "Adapter gpio: the line of " + name + " must be a line number from 0 to " +
                    std::to_string(GpioMaxLineOffset) + ", not '" + std::string(number) + "'";
            return false;
        }
        if (slot) {
            error = "Adapter gpio: " + name + " is given twice";
            return false;
        }
        for (size_t i = 0; i < GpioRoleCount; ++i)
            if (parsed.Lines[i] == offset) {
                error = "Adapter gpio: line " + std::to_string(offset) + " is given for both " + GpioRoleNames[i] +
                        " and " + name;
                return false;
            }
        slot = offset;
    }
    auto any = [&](std::initializer_list<GpioRole> roles) {
        return std::any_of(roles.begin(), roles.end(), [&](GpioRole r) { return parsed.Line(r).has_value(); });
    };
    if (any({GpioRole::C2ck, GpioRole::C2d}) && !parsed.HasC2()) {
        error = "Adapter gpio: C2 needs both c2ck and c2d";
        return false;
    }
    if (any({GpioRole::Tck, GpioRole::Tms, GpioRole::Tdi, GpioRole::Tdo}) && !parsed.HasJtag()) {
        error = "Adapter gpio: JTAG needs all of tck, tms, tdi and tdo";
        return false;
    }
    wiring = std::move(parsed);
    return true;
}

} // namespace vorbrant
