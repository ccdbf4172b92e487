#include "chain/ChainTexts.h"

#include "common/Text.h"

namespace vorbrant {

std::string InvalidIntegerText(const std::string& text) { return "'" + text + "' is not a valid integer value"; }

std::string MaximumDevicesText(size_t maximum)
{
    return "Maximum number (" + std::to_string(maximum) + ") of devices reached!";
}

std::string NoSuchFileText(const std::string& path) { return "There's no file " + path + "!"; }

std::string UnknownDeviceText(const std::string& name) { return "Unknown JTAG device " + name + "!"; }

std::string DeleteDeviceQuestion(const std::string& name)
{
    return "Do you really want to delete device " + name + " ?";
}

std::string ChainMismatchText(size_t position, uint32_t idRead)
{
    return "Device #" + std::to_string(position) + " ID(" + Hex(idRead, 8) + ") does not match JCF file!";
}

std::string DevicesIgnoredText(size_t ignored, size_t maximum)
{
    return "The JTAG device list holds " + std::to_string(maximum) + " devices; " + std::to_string(ignored) +
           " more in the configuration file were ignored.";
}

std::string ChainEntriesIgnoredText(size_t ignored, size_t maximum)
{
    return "A JTAG chain holds " + std::to_string(maximum) + " devices; " + std::to_string(ignored) +
           " more in the JCF file were ignored.";
}

} // namespace vorbrant
