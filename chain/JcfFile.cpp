#include "chain/JcfFile.h"

#include "chain/ChainTexts.h"
#include "chain/JtagDeviceTable.h"
#include "common/BoundedRead.h"
#include "common/IniFile.h"
#include "common/Text.h"

#include <filesystem>

namespace vorbrant {

std::string JcfLoadResult::Message(const std::string& path) const
{
    switch (Status) {
    case JcfLoadStatus::Loaded:
        return Ignored ? ChainEntriesIgnoredText(Ignored, JtagChainList::MaxChainDevices) : std::string();
    case JcfLoadStatus::NoFile:
        return NoSuchFileText(path);
    case JcfLoadStatus::Unreadable:
        return CannotReadText(path, Detail);
    case JcfLoadStatus::Invalid:
        return InvalidJcfText;
    case JcfLoadStatus::BadNumber:
        return InvalidIntegerText(Detail);
    }
    return {};
}

std::string ChainEntryText(const tJTAGChainDevice& device)
{
    tJTAGDeviceDescriptor head{device.DeviceName, device.IRLength, device.BSLength, device.IDCode};
    return FormatDeviceText(head) + " " + device.ProgFileName;
}

bool ParseChainEntry(std::string_view text, tJTAGChainDevice& device, std::string& bad)
{
    tJTAGDeviceDescriptor head;
    std::string_view rest;
    if (!ParseDeviceText(text, head, rest, bad))
        return false;
    device.DeviceName = std::move(head.DeviceName);
    device.IRLength = head.IRLength;
    device.BSLength = head.BSLength;
    device.IDCode = head.IDCode;
    // The blank after ")" does not count against the 255 characters: a file
    // name of that length comes back whole.
    device.ProgFileName = std::string(Trim(Trim(rest).substr(0, MaxProgFileChars)));
    return true;
}

JcfLoadResult LoadJcfFile(const std::string& path, JtagChainList& chain)
{
    JcfLoadResult result;
    std::error_code ec;
    if (path.empty() || !std::filesystem::exists(path, ec)) {
        result.Status = JcfLoadStatus::NoFile;
        return result;
    }
    IniFile file;
    file.SetPath(path);
    if (!file.Load(&result.Detail)) {
        result.Status = JcfLoadStatus::Unreadable;
        return result;
    }
    return ReadJcf(file, chain);
}

JcfLoadResult ReadJcf(const IniFile& file, JtagChainList& chain)
{
    JcfLoadResult result;
    chain.Devices.clear();
    if (file.ReadString(JcfSection, ini::Version, "").empty()) {
        result.Status = JcfLoadStatus::Invalid;
        return result;
    }
    for (size_t k = 1;; ++k) {
        std::string value = file.ReadString(JcfSection, ini::DeviceKey(k), "");
        if (value.empty())
            break;
        if (chain.Devices.size() >= JtagChainList::MaxChainDevices) {
            ++result.Ignored;
            continue;
        }
        tJTAGChainDevice device;
        if (!ParseChainEntry(value, device, result.Detail)) {
            result.Status = JcfLoadStatus::BadNumber;
            return result;
        }
        chain.Devices.push_back(std::move(device));
    }
    return result;
}

bool SaveJcfFile(const std::string& path, const JtagChainList& chain, std::string& error)
{
    IniFile file;
    file.SetPath(path);
    file.WriteString(JcfSection, ini::Version, "1.0");
    for (size_t n = 0; n < chain.Devices.size(); ++n)
        file.WriteString(JcfSection, ini::DeviceKey(n + 1), ChainEntryText(chain.Devices[n]));
    return file.Save(&error);
}

std::string ProgFilePath(const std::string& jcfPath, const tJTAGChainDevice& device)
{
    std::filesystem::path file(device.ProgFileName);
    if (device.ProgFileName.empty() || file.is_absolute())
        return device.ProgFileName;
    std::filesystem::path folder = std::filesystem::path(jcfPath).parent_path();
    return folder.empty() ? device.ProgFileName : (folder / file).string();
}

std::string ChainReportText(const JtagChainList& chain)
{
    uint16_t total = 0;
    for (const tJTAGChainDevice& device : chain.Devices)
        total = static_cast<uint16_t>(total + device.IRLength);
    if (total == 0)
        return {};
    return "JTAG chain consists of " + std::to_string(chain.ChainDeviceCount()) + " devices with total IR length of " +
           std::to_string(total) + ".";
}

} // namespace vorbrant
