#include "sim/SimConfig.h"

#include "common/BoundedRead.h"
#include "common/IniFile.h"
#include "common/Text.h"
#include "sim/Catalogue.h"

#include <cctype>
#include <cstdlib>
#include <charconv>
#include <filesystem>

namespace vorbrant::sim {

namespace {

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view TrimView(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// Decimal, or hexadecimal with a 0x prefix.
bool ParseCount(std::string_view text, uint64_t& value)
{
    text = TrimView(text);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty())
        return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && end == text.data() + text.size();
}

// Hexadecimal, with an optional 0x prefix or H suffix; digits counts the digits.
bool ParseHex(std::string_view text, uint32_t& value, size_t* digits = nullptr)
{
    text = TrimView(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    else if (!text.empty() && (text.back() == 'h' || text.back() == 'H'))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 8)
        return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (digits)
        *digits = text.size();
    return ec == std::errc() && end == text.data() + text.size();
}

bool ParseAdapter(std::string_view text, AdapterKind& kind)
{
    std::string name = Lower(TrimView(text));
    if (name == "none") kind = AdapterKind::None;
    else if (name == "none-low") kind = AdapterKind::NoneLow;
    else if (name == "ironquill") kind = AdapterKind::Ironquill;
    else if (name == "ironquill2") kind = AdapterKind::Ironquill2;
    else if (name == "gpio") kind = AdapterKind::Gpio;
    else if (name == "ft232h") kind = AdapterKind::Ft232h;
    else return false;
    return true;
}

bool ParseStuck(std::string_view text, SimDeviceConfig& device)
{
    uint8_t bit = 0;
    auto colon = text.find(':');
    if (colon != std::string_view::npos) {
        uint64_t b = 0;
        if (!ParseCount(text.substr(colon + 1), b) || b > 7)
            return false;
        bit = static_cast<uint8_t>(b);
        text = text.substr(0, colon);
    }
    uint32_t address = 0;
    if (!ParseHex(text, address))
        return false;
    device.StuckBitAddress = address;
    device.StuckBit = bit;
    return true;
}

// Applies one device key; false with error set on a bad value. Unknown keys
// return false with error empty.
bool DeviceKey(const std::string& key, std::string_view value, SimDeviceConfig& device, std::string& error)
{
    if (key == "flash") {
        device.FlashFile = std::string(TrimView(value));
        if (device.FlashFile.empty())
            error = "flash= needs a file name";
    } else if (key == "lock") {
        uint32_t lock = 0;
        size_t digits = 0;
        if (!ParseHex(value, lock, &digits) || lock > 0xFFFF)
            error = "lock= needs a hexadecimal byte (C2) or two bytes (JTAG), not \"" + std::string(value) + "\"";
        device.Lock = lock;
        device.LockDigits = static_cast<uint8_t>(digits);
    } else if (key == "rev") {
        uint64_t rev = 0;
        if (!ParseCount(value, rev) || rev > 255)
            error = "rev= needs a number from 0 to 255";
        device.Revision = static_cast<uint8_t>(rev);
    } else if (key == "fail-write" || key == "failwrite") {
        uint32_t address = 0;
        if (!ParseHex(value, address))
            error = "fail-write= needs a hexadecimal address";
        device.FailWriteAddress = address;
    } else if (key == "stuck-bit" || key == "stuckbit") {
        if (!ParseStuck(value, device))
            error = "stuck-bit= needs a hexadecimal address, optionally followed by :BIT (0..7)";
    } else if (key == "busy") {
        std::string v = Lower(TrimView(value));
        device.Busy = v.empty() || v == "1" || v == "yes" || v == "true";
    } else if (key == "busy-ms" || key == "busyms") {
        uint64_t ms = 0;
        if (!ParseCount(value, ms) || ms > 3600000)
            error = "busy-ms= needs a number of milliseconds";
        device.BusyMs = static_cast<uint32_t>(ms);
    } else {
        return false;
    }
    return error.empty();
}

bool SimKey(const std::string& key, std::string_view value, SimConfig& config, std::string& error)
{
    uint64_t n = 0;
    if (key == "adapter") {
        if (!ParseAdapter(value, config.Adapter))
            error = "adapter= takes none, none-low, ironquill, ironquill2, gpio or ft232h";
    } else if (key == "remove-after" || key == "removeafter") {
        if (!ParseCount(value, n) || n == 0)
            error = "remove-after= needs a positive number of port accesses";
        config.RemoveAfter = n;
    } else if (key == "stalls") {
        if (!ParseCount(value, n) || n == 0 || n > 0xFFFFFFFFu)
            error = "stalls= needs a positive number (one access in N stalls)";
        config.StallEvery = static_cast<uint32_t>(n);
    } else if (key == "stall-at" || key == "stallat") {
        std::string v = Lower(TrimView(value));
        if (v == "before") config.StallAt = StallPlacement::Before;
        else if (v == "after") config.StallAt = StallPlacement::After;
        else if (v == "both") config.StallAt = StallPlacement::Both;
        else error = "stall-at= takes before, after or both";
    } else if (key == "stall-seed" || key == "stallseed") {
        if (!ParseCount(value, n))
            error = "stall-seed= needs a number";
        config.StallSeed = n;
    } else if (key == "access-ns" || key == "accessns") {
        if (!ParseCount(value, n) || n == 0 || n > 1000000)
            error = "access-ns= needs a number of nanoseconds from 1 to 1000000";
        config.AccessNs = static_cast<uint32_t>(n);
    } else if (key == "boards" || key == "board-ms" || key == "boardms" || key == "gap-ms" || key == "gapms" ||
               key == "bad-board" || key == "badboard") {
        const bool count = key == "boards" || key.starts_with("bad");
        if (!ParseCount(value, n) || n > (count ? 1000 : 3600000) || (n == 0 && key != "gap-ms" && key != "gapms"))
            error = key + "= needs a number " + (count ? "of boards from 1 to 1000" : "of milliseconds");
        (key == "boards" ? config.Boards : key.starts_with("board") ? config.BoardMs
                          : key.starts_with("gap") ? config.GapMs : config.BadBoard) = static_cast<uint32_t>(n);
    } else if (key == "tdo") {
        std::string v = Lower(TrimView(value));
        if (v == "low") config.Tdo = TdoFault::StuckLow;
        else if (v == "high") config.Tdo = TdoFault::StuckHigh;
        else if (v == "ok" || v == "off") config.Tdo = TdoFault::Off;
        else error = "tdo= takes low or high";
    } else {
        return false;
    }
    return error.empty();
}

// "$XDG_RUNTIME_DIR/NAME": a flash file of this user's own, so that two
// users of one machine do not meet in a shared folder. Without that
// variable: $XDG_CONFIG_HOME/vorbrant (or ~/.config/vorbrant), made when
// missing.
std::string UserFlashPath(const std::string& file)
{
    constexpr std::string_view Prefix = "$XDG_RUNTIME_DIR/";
    if (!std::string_view(file).starts_with(Prefix))
        return file;
    const std::string name = file.substr(Prefix.size());
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/')
        return std::string(runtime) + "/" + name;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string folder = config && *config == '/' ? std::string(config) : std::string(home ? home : ".") + "/.config";
    folder += "/vorbrant";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder + "/" + name;
}

bool Validate(SimConfig& config, std::string& error)
{
    if (config.StallEvery == 0 && (config.StallSeed || config.StallAt != StallPlacement::Before)) {
        error = "stall-at= and stall-seed= need stalls=N";
        return false;
    }
    if ((config.Boards || config.BadBoard) && (config.Devices.size() != 1 || config.Devices[0].Part.empty())) {
        error = "boards= and bad-board= need one part (no chain)";
        return false;
    }
    if (config.BadBoard && !config.Boards) {
        error = "bad-board= needs boards=N";
        return false;
    }
    if (config.Devices.size() > 10) {
        error = "a chain holds at most 10 devices";
        return false;
    }
    for (size_t i = 0; i < config.Devices.size(); ++i) {
        SimDeviceConfig& device = config.Devices[i];
        const std::string where = config.Devices.size() > 1 ? "device " + std::to_string(i + 1) + ": " : "";
        if (device.Part.empty()) {
            if (device.IrLength < 1 || device.IrLength > 32) {
                error = where + "a generic JTAG device needs an instruction length from 1 to 32";
                return false;
            }
            if (!device.FlashFile.empty() || device.Lock || device.FailWriteAddress || device.StuckBitAddress) {
                error = where + "a generic JTAG device has no flash";
                return false;
            }
            continue;
        }
        const Derivative* part = FindDerivative(device.Part);
        if (!part) {
            error = where + "unknown part \"" + device.Part + "\"";
            return false;
        }
        device.Part = part->Name;
        if (part->Link == SimLink::C2 && config.Devices.size() > 1) {
            error = where + "the C2 part " + device.Part + " cannot sit in a JTAG chain";
            return false;
        }
        if (device.Lock) {
            if (part->Link == SimLink::C2 && (*device.Lock > 0xFF || device.LockDigits > 2)) {
                error = where + "lock= of a C2 part is one byte (two hex digits)";
                return false;
            }
            if (part->Link == SimLink::Jtag && device.LockDigits != 4) {
                error = where + "lock= of a JTAG part is four hex digits: read lock, then write/erase lock";
                return false;
            }
        }
        if (part->Link == SimLink::Jtag && device.Revision && *device.Revision > 15) {
            error = where + "rev= of a JTAG part is 0 to 15";
            return false;
        }
        const uint32_t size = part->FlashBytes + part->ScratchpadBytes;
        if ((device.FailWriteAddress && *device.FailWriteAddress >= size) ||
            (device.StuckBitAddress && *device.StuckBitAddress >= size)) {
            error = where + "fault address outside the " + std::to_string(size) + " bytes of the " + device.Part;
            return false;
        }
    }
    return true;
}

} // namespace

bool ParseSimIni(std::string text, const std::string& path, SimConfig& config, std::string& error)
{
    IniFile ini;
    ini.ParseOwned(std::move(text));
    SimConfig result;
    const std::string folder = std::filesystem::path(path).parent_path().string();
    for (const std::string& key : ini.ReadSection("Simulator")) {
        std::string value = ini.ReadString("Simulator", key, "");
        std::string k = Lower(key);
        if (k == "busy" || !SimKey(k, value, result, error)) {
            if (error.empty())
                error = path + ": unknown key " + key + " in [Simulator]";
            else
                error = path + ": " + error;
            return false;
        }
    }
    // Devices are numbered from 1 without a gap: a [Device3] after a missing
    // [Device2] would silently drop a part of the chain.
    size_t devices = 0;
    while (devices < 11 && ini.SectionExists("Device" + std::to_string(devices + 1)))
        ++devices;
    std::string beyond;
    ini.VisitSections([&](std::string_view name) {
        if (!beyond.empty() || name.size() <= 6 || !EqualsNoCase(name.substr(0, 6), "Device"))
            return;
        const std::string_view digits = name.substr(6);
        if (digits.find_first_not_of("0123456789") != std::string_view::npos)
            return;
        const std::string_view number = digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
        if (number.size() > 2 || (number.empty() ? 0 : std::stoul(std::string(number))) > devices)
            beyond = name;
    });
    if (!beyond.empty() && devices < 11) {
        error = path + ": [" + beyond + "] without [Device" + std::to_string(devices + 1) + "]";
        return false;
    }
    for (int n = 1; n <= static_cast<int>(devices); ++n) {
        const std::string section = "Device" + std::to_string(n);
        SimDeviceConfig device;
        for (const std::string& key : ini.ReadSection(section)) {
            std::string value = ini.ReadString(section, key, "");
            std::string k = Lower(key);
            if (k == "part") {
                device.Part = value;
            } else if (k == "name") {
                device.Name = value;
            } else if (k == "irlength") {
                uint64_t length = 0;
                if (!ParseCount(value, length) || length > 255) {
                    error = path + ": [" + section + "] IRLength needs a number";
                    return false;
                }
                device.IrLength = static_cast<uint8_t>(length);
            } else if (k == "idcode") {
                uint32_t id = 0;
                if (!ParseHex(value, id)) {
                    error = path + ": [" + section + "] IDCode needs a hexadecimal value";
                    return false;
                }
                device.IdCode = id;
            } else if (!DeviceKey(k, value, device, error)) {
                if (error.empty())
                    error = "unknown key " + key;
                error = path + ": [" + section + "] " + error;
                return false;
            }
        }
        device.FlashFile = UserFlashPath(device.FlashFile);
        if (!device.FlashFile.empty() && std::filesystem::path(device.FlashFile).is_relative() && !folder.empty())
            device.FlashFile = (std::filesystem::path(folder) / device.FlashFile).string();
        result.Devices.push_back(std::move(device));
    }
    if (!Validate(result, error)) {
        error = path + ": " + error;
        return false;
    }
    config = std::move(result);
    return true;
}

bool ParseSimSpec(const std::string& simText, SimConfig& config, std::string& error)
{
    error.clear();
    std::string_view text = TrimView(simText);
    if (!text.empty() && text.front() == '@') {
        const std::string path(TrimView(text.substr(1)));
        std::string content, reason;
        switch (path.empty() ? ReadResult::Missing : ReadWholeFile(path, IniFile::MaxFileSize, content, reason)) {
        case ReadResult::Missing:
            error = "simulator configuration " + path + " not found";
            return false;
        case ReadResult::Failed:
            error = "cannot read simulator configuration " + path + ": " + reason;
            return false;
        case ReadResult::Read:
            break;
        }
        return ParseSimIni(std::move(content), path, config, error);
    }
    SimConfig result;
    SimDeviceConfig device;
    bool havePart = false;
    while (!text.empty()) {
        auto comma = text.find(',');
        std::string_view token = TrimView(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (token.empty())
            continue;
        auto eq = token.find('=');
        std::string key = Lower(TrimView(token.substr(0, eq)));
        std::string_view value = eq == std::string_view::npos ? std::string_view{} : token.substr(eq + 1);
        if (eq == std::string_view::npos && key != "busy") {
            if (havePart) {
                // A key without its value reads like a second part: name the key.
                SimConfig scratch;
                SimDeviceConfig scratchDevice;
                std::string keyError;
                if (SimKey(key, {}, scratch, keyError) || DeviceKey(key, {}, scratchDevice, keyError) || !keyError.empty())
                    error = "option \"" + key + "\" needs a value (" + key + "=...)";
                else
                    error = "more than one part in \"" + simText + "\" (use @FILE for a chain)";
                return false;
            }
            havePart = true;
            if (key != "empty")
                device.Part = std::string(token);
            continue;
        }
        if (SimKey(key, value, result, error) || DeviceKey(key, value, device, error))
            continue;
        if (error.empty())
            error = "unknown simulator option \"" + std::string(token) + "\"";
        return false;
    }
    if (!havePart) {
        error = "no part named in \"" + simText + "\" (for example F340)";
        return false;
    }
    if (!device.Part.empty())
        result.Devices.push_back(std::move(device));
    else if (!device.FlashFile.empty() || device.Lock || device.FailWriteAddress || device.StuckBitAddress ||
             device.Busy || device.BusyMs || device.Revision) {
        error = "device options need a part";
        return false;
    }
    if (!Validate(result, error))
        return false;
    config = std::move(result);
    return true;
}

} // namespace vorbrant::sim
