#pragma once
// The "Port" key of the configuration: a port code (see PortChoice) or
// "104," followed by the address in decimal ("104,888" for 0x378).
#include "session/PortChoice.h"

#include <cstdint>
#include <string>

namespace vorbrant {

struct PortSetting {
    PortChoice PortSelection = static_cast<PortChoice>(1);
    uint16_t UserLptAddress = 0;
    bool HadAddress = false; // the value carried an address (comma form)
};

// A value with a comma: the code in its first three characters and the
// address from its fifth character on. Otherwise an integer kept in 8 bits
// (default 1). A malformed value ("104,zz", "abc", an address beyond 16 bits)
// gives the defaults.
PortSetting ReadPortSetting(const std::string& text);
std::string FormatPortSetting(PortChoice portSelection, uint16_t userLptAddress);

} // namespace vorbrant
