#pragma once
// The adapter options: which adapter the programmer runs on
// ("--adapter=lpt", "gpio:CHIP:LINES", "ft232h[:SERIAL|:BUS/DEVICE]"), the
// FT232H's clock ("--adapter-clock=KHZ"), "--list-adapters" and
// "--gang=FILE". Taken out of the argument list before the other long
// options.
#include "ftdi/Ft232hDevice.h"
#include "gpio/GpioCalls.h"
#include "gpio/GpioWiring.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorbrant {

enum class AdapterKind : uint8_t { Lpt, Gpio, Ft232h };

struct AdapterChoice {
    AdapterKind Kind = AdapterKind::Lpt;
    GpioWiring Gpio;
    Ft232hSelection Ft232h;
};

struct AdapterOptions {
    std::optional<std::string> Option;
    std::optional<uint32_t> ClockHz;
    bool List = false;
    std::optional<std::string> GangFile;
    // Option came from the configuration (the window's "Adapter..."), not the
    // command line: an adapter that cannot start then gives way to the LPT one.
    bool FromConfiguration = false;
    // With --gang: the rest of the command line, for every slot.
    std::vector<std::string> GangArgs;
};

// "lpt", "gpio:...", "ft232h...": false with a reason.
bool ParseAdapterChoice(std::string_view text, AdapterChoice& choice, std::string& error);

// Removes the adapter options from args into options. False with a reason
// for a bad value (--adapter is checked here, so a typo ends the start).
bool TakeAdapterOptions(std::vector<std::string>& args, AdapterOptions& options, std::string& error);

// --list-adapters and --gang end the program here: the exit code; else
// nullopt.
std::optional<int> RunAdapterModes(const AdapterOptions& options);

// The lines of --help for these options.
std::string AdapterHelpText();

// One adapter found: what to show, and its --adapter text (for a GPIO
// chip without its lines: "gpio:/dev/gpiochip0:").
struct FoundAdapter {
    AdapterKind Kind = AdapterKind::Lpt;
    std::string Label;
    std::string Option;
};
std::vector<FoundAdapter> FindAdapters(const std::string& parportRoot, const std::string& devDir, GpioCalls& calls,
                                       std::string& ft232hNote);

// The adapter the window's "Adapter..." dialog stored ([Adapter] Option=),
// used at start when neither --adapter nor --sim is given.
void UseStoredAdapter(AdapterOptions& options, bool simulated, const std::string& iniPath);
// The same for a start: the configuration file found as the session finds it.
void UseStoredAdapter(AdapterOptions& options, bool simulated, const std::optional<std::string>& iniOverride,
                      const std::string& exePath);

// What --list-adapters prints: LPT ports (below parportRoot), GPIO chips
// (gpiochipN in devDir, asked through calls) and FT232H devices.
std::string ListAdaptersText(const std::string& parportRoot, const std::string& devDir, GpioCalls& calls);

} // namespace vorbrant
