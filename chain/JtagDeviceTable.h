#pragma once
// The JTAG device database: the device types a chain may hold, each with its
// instruction and boundary-scan register lengths and its IDCODE. It lives in
// the configuration file, section "JTAG Devices", one "Device_N" key per
// entry, numbered from 1 without gaps:
//
//   Device_1=CPU_A(4,0,1)
//
// The chain setup copies lengths and IDCODE from here into its entries.
#include "common/IniFile.h"
#include "common/IniKeys.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorbrant {

struct tJTAGDeviceDescriptor {
    std::string DeviceName;
    uint16_t IRLength = 0;
    uint16_t BSLength = 0;
    uint32_t IDCode = 0; // 0 = the device has no ID code
};

inline constexpr const char* JtagDevicesSection = ini::JtagDevices;

// "NAME(IR,BS,ID)": the name is the text before the first "(", the numbers
// plain decimal (the IDCODE unsigned, all 32 bits). rest gets what follows
// the ")". False with the offending text in bad when a number is not
// decimal or a length does not fit 16 bits.
bool ParseDeviceText(std::string_view text, tJTAGDeviceDescriptor& device, std::string_view& rest,
                     std::string& bad);
std::string FormatDeviceText(const tJTAGDeviceDescriptor& device);

// A length typed in a dialog or stored in a file: a 16-bit decimal number
// ("$" hex is accepted as the dialogs always did). nullopt otherwise.
std::optional<uint16_t> ParseLength(std::string_view text);
// An IDCODE typed in hexadecimal: 1 to 8 digits once leading zeros are
// dropped, blanks around them allowed.
std::optional<uint32_t> ParseIdCodeHex(std::string_view text);

class JtagDeviceTable {
public:
    static constexpr size_t MaxJtagDevices = 100;

    struct LoadResult {
        bool Stopped = false; // a malformed number ended the load early
        std::string Bad;      // ... this text
        size_t Ignored = 0;  // keys beyond the table's 100 entries
    };

    // Empties the table, then reads "Device_1", "Device_2"... up to the first
    // missing or empty key. A malformed number stops the load; the entries
    // read before it stay.
    LoadResult Load(const IniFile& ini);
    // Writes the section whole: erased, then "Device_1".."Device_n".
    void Save(IniFile& ini) const;

    // The entry of this exact (case-sensitive) name.
    const tJTAGDeviceDescriptor* Find(std::string_view name) const;
    bool Full() const { return Entries.size() >= MaxJtagDevices; }

    std::vector<tJTAGDeviceDescriptor> Entries; // slot n is Entries[n - 1]
};

} // namespace vorbrant
