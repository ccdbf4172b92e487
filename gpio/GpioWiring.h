#pragma once
// Where the target hangs on a GPIO chip: "--adapter=gpio:CHIP:LINES", e.g.
// gpio:/dev/gpiochip0:c2ck=17,c2d=27 or gpio:gpiochip0:tck=11,tms=25,tdi=10,tdo=9
// (a C2 pair, the four JTAG lines, or both sets).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorbrant {

enum class GpioRole : uint8_t { C2ck, C2d, Tck, Tms, Tdi, Tdo };
inline constexpr size_t GpioRoleCount = 6;
// Names as written in LINES, in GpioRole order.
inline constexpr std::array<const char*, GpioRoleCount> GpioRoleNames{"c2ck", "c2d", "tck", "tms", "tdi", "tdo"};

struct GpioWiring {
    std::string Chip; // a path: "gpiochip0" becomes "/dev/gpiochip0"
    std::array<std::optional<uint32_t>, GpioRoleCount> Lines{};

    const std::optional<uint32_t>& Line(GpioRole role) const { return Lines[static_cast<size_t>(role)]; }
    bool HasC2() const { return Line(GpioRole::C2ck) && Line(GpioRole::C2d); }
    bool HasJtag() const
    {
        return Line(GpioRole::Tck) && Line(GpioRole::Tms) && Line(GpioRole::Tdi) && Line(GpioRole::Tdo);
    }
    // "c2ck=17,c2d=27": the line assignment as text (for messages and the INI).
    std::string LinesText() const;
};

// The line numbers a chip can have (the kernel's GPIO_V2_LINES_MAX is per
// request; offsets themselves are bounded here to catch typing slips).
inline constexpr uint32_t GpioMaxLineOffset = 1023;

// text: what follows "gpio:". False with a reason the operator can act on.
bool ParseGpioWiring(std::string_view text, GpioWiring& wiring, std::string& error);

} // namespace vorbrant
