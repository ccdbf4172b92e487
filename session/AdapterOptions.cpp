#include "session/AdapterOptions.h"

#include "common/IniFile.h"
#include "common/IniKeys.h"
#include "ftdi/Mpsse.h"
#include "lpt/PortTable.h"
#include "session/ConfigPath.h"
#include "session/Gang.h"
#include "session/LaunchOptions.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace vorbrant {

bool ParseAdapterChoice(std::string_view text, AdapterChoice& choice, std::string& error)
{
    AdapterChoice parsed;
    if (text == "lpt") {
        parsed.Kind = AdapterKind::Lpt;
    } else if (text.starts_with("gpio:")) {
        parsed.Kind = AdapterKind::Gpio;
        if (!ParseGpioWiring(text.substr(5), parsed.Gpio, error))
            return false;
    } else if (text == "ft232h" || text.starts_with("ft232h:")) {
        parsed.Kind = AdapterKind::Ft232h;
        if (!ParseFt232hSelection(text.substr(6), parsed.Ft232h, error))
            return false;
    } else {
        error = "Unknown adapter '" + std::string(text) +
                "' (use --adapter=lpt, gpio:CHIP:LINES or ft232h[:SERIAL|:BUS/DEVICE]; --list-adapters shows them)";
        return false;
    }
    choice = std::move(parsed);
    return true;
}

bool TakeAdapterOptions(std::vector<std::string>& args, AdapterOptions& options, std::string& error)
{
    std::vector<std::string> rest;
    for (const std::string& arg : args) {
        std::optional<std::string> text;
        auto value = [&](std::string_view name) { return TakeValue(arg, name, text); };
        if (arg == "--list-adapters") {
            options.List = true;
        } else if (value("--adapter-clock")) {
            uint32_t hz = 0;
            if (!ParseAdapterClock(text.value_or(""), hz, error))
                return false;
            options.ClockHz = hz;
        } else if (value("--adapter")) {
            AdapterChoice choice;
            if (!text || text->empty()) {
                error = NeedsValueText("--adapter");
                return false;
            }
            if (!ParseAdapterChoice(*text, choice, error))
                return false;
            options.Option = text;
        } else if (value("--gang")) {
            if (!text || text->empty()) {
                error = NeedsValueText("--gang");
                return false;
            }
            options.GangFile = text;
        } else {
            rest.push_back(arg);
        }
    }
    if (options.GangFile)
        for (const std::string& arg : rest)
            if (!arg.starts_with("--ini") && arg != "--headless") // each slot has its own configuration
                options.GangArgs.push_back(arg);
    args = std::move(rest);
    return true;
}

std::optional<int> RunAdapterModes(const AdapterOptions& options)
{
    if (options.List) {
        std::unique_ptr<GpioCalls> calls = MakeLinuxGpioCalls();
        std::fputs(ListAdaptersText("/proc/sys/dev/parport", "/dev", *calls).c_str(), stdout);
        return 0;
    }
    if (options.GangFile)
        return RunGang(*options.GangFile, options.GangArgs, stdout);
    return std::nullopt;
}

std::string AdapterHelpText()
{
    return "  --adapter=lpt     the Ironquill adapter on a parallel port (default)\n"
           "  --adapter=gpio:CHIP:LINES\n"
           "                    the target on a Linux GPIO chip, e.g.\n"
           "                    gpio:/dev/gpiochip0:c2ck=17,c2d=27 (C2) or\n"
           "                    gpio:/dev/gpiochip0:tck=11,tms=25,tdi=10,tdo=9 (JTAG)\n"
           "  --adapter=ft232h[:SERIAL|:BUS/DEVICE]\n"
           "                    an FT232H USB adapter (the first one, or by serial\n"
           "                    number or USB bus/device as lsusb shows them)\n"
           "  --adapter-clock=KHZ\n"
           "                    the FT232H's clock, 100 to 6000 kHz (default 2000)\n"
           "  --list-adapters   list LPT ports, GPIO chips and FT232H devices\n"
           "  --gang=FILE       program several boards at once, one slot of FILE per\n"
           "                    adapter (see the README), with the steps given\n";
}

std::vector<FoundAdapter> FindAdapters(const std::string& parportRoot, const std::string& devDir, GpioCalls& calls,
                                       std::string& ft232hNote)
{
    std::vector<FoundAdapter> found;
    PortTable ports;
    ports.DiscoverParallelPorts(parportRoot, true);
    for (int n = 1; n <= 8; ++n)
        if (uint16_t base = ports.LptAddresses[static_cast<size_t>(n)]) {
            char label[48];
            std::snprintf(label, sizeof label, "LPT%d  0x%X", n, base);
            found.push_back({AdapterKind::Lpt, label, "lpt"});
        }
    std::vector<std::string> chips;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(devDir, ec))
        if (entry.path().filename().string().starts_with("gpiochip"))
            chips.push_back(entry.path().string());
    std::sort(chips.begin(), chips.end());
    for (const std::string& path : chips) {
        const int fd = calls.Open(path.c_str());
        gpiochip_info info{};
        std::string label = path;
        if (fd < 0 || calls.Ioctl(fd, GPIO_GET_CHIPINFO_IOCTL, &info) < 0)
            label += "  (cannot be opened: no permission?)";
        else
            label += "  " + std::string(info.label, strnlen(info.label, sizeof info.label)) + ", " +
                     std::to_string(info.lines) + " lines";
        if (fd >= 0)
            calls.Close(fd);
        found.push_back({AdapterKind::Gpio, label, "gpio:" + path + ":"});
    }
    for (const Ft232hInfo& d : ListFt232h(ft232hNote))
        found.push_back({AdapterKind::Ft232h,
                         d.BusPath + "  serial " + (d.Serial.empty() ? "(none)" : d.Serial) + "  " + d.Description,
                         "ft232h:" + (d.Serial.empty() ? d.BusPath : d.Serial)});
    return found;
}

void UseStoredAdapter(AdapterOptions& options, bool simulated, const std::string& iniPath)
{
    if (options.Option || simulated)
        return;
    IniFile ini(iniPath);
    if (!std::filesystem::is_regular_file(iniPath) || !ini.Load())
        return;
    std::string option = ini.ReadString(ini::Adapter, ini::AdapterOption, "");
    AdapterChoice choice;
    std::string error;
    if (!option.empty() && ParseAdapterChoice(option, choice, error)) {
        options.Option = option;
        options.FromConfiguration = true;
    }
}

void UseStoredAdapter(AdapterOptions& options, bool simulated, const std::optional<std::string>& iniOverride,
                      const std::string& exePath)
{
    if (!options.Option && !simulated)
        UseStoredAdapter(options, simulated,
                         ChooseConfigPath(iniOverride.value_or(""), exePath, std::getenv("XDG_CONFIG_HOME"),
                                          std::getenv("HOME")));
}

std::string ListAdaptersText(const std::string& parportRoot, const std::string& devDir, GpioCalls& calls)
{
    std::string note;
    const std::vector<FoundAdapter> found = FindAdapters(parportRoot, devDir, calls, note);
    std::string text;
    const std::pair<AdapterKind, const char*> groups[] = {
        {AdapterKind::Lpt, "LPT ports"}, {AdapterKind::Gpio, "GPIO chips"}, {AdapterKind::Ft232h, "FT232H devices"}};
    for (const auto& [kind, title] : groups) {
        text += std::string(title) + ":\n";
        bool any = false;
        for (const FoundAdapter& f : found)
            if (f.Kind == kind) {
                text += "  " + f.Label + "  (--adapter=" + f.Option + (kind == AdapterKind::Gpio ? "LINES" : "") + ")\n";
                any = true;
            }
        if (kind == AdapterKind::Ft232h && !note.empty())
            text += "  " + note + "\n";
        else if (!any)
            text += "  none found\n";
    }
    return text;
}

} // namespace vorbrant
