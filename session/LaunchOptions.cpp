#include "session/LaunchOptions.h"

#include <string_view>

namespace vorbrant {

namespace {

// "--name=value" or "--name": the value after '=' when the name matches.
bool TakeValue(std::string_view arg, std::string_view name, std::optional<std::string>& value)
{
    if (arg.substr(0, name.size()) != name)
        return false;
    std::string_view rest = arg.substr(name.size());
    if (rest.empty()) {
        value = std::nullopt;
        return true;
    }
    if (rest.front() != '=')
        return false;
    value = std::string(rest.substr(1));
    return true;
}

// The options that take a file name or a text of their own.
struct PathOption {
    const char* Name;
    std::optional<std::string> LaunchOptions::*Field;
};

constexpr PathOption PathOptions[] = {
    {"--ini", &LaunchOptions::IniPath},
    {"--sim", &LaunchOptions::SimSpec},
    {"--trace", &LaunchOptions::TracePath},
    {"--read", &LaunchOptions::ReadBackPath},
};

const PathOption* FindPathOption(std::string_view arg, std::optional<std::string>& value)
{
    for (const PathOption& option : PathOptions)
        if (TakeValue(arg, option.Name, value))
            return &option;
    return nullptr;
}

} // namespace

bool ExtractLongOptions(std::vector<std::string>& args, LaunchOptions& options, std::string& error)
{
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-' || arg[1] != '-') {
            rest.push_back(arg);
            continue;
        }
        std::optional<std::string> value;
        auto needValue = [&](const char* name) {
            if (!value || value->empty()) {
                error = std::string("Option ") + name + " needs a value (" + name + "=...)";
                return false;
            }
            return true;
        };
        if (arg == "--headless") {
            options.Headless = true;
        } else if (arg == "--help") {
            options.Help = true;
        } else if (arg == "--version") {
            options.Version = true;
        } else if (arg == "--convert") {
            if (i + 2 >= args.size()) {
                error = "Option --convert needs an input and an output file";
                return false;
            }
            options.Convert = true;
            options.ConvertIn = args[i + 1];
            options.ConvertOut = args[i + 2];
            i += 2;
        } else if (const PathOption* option = FindPathOption(arg, value)) {
            if (!needValue(option->Name))
                return false;
            options.*option->Field = value;
        } else if (TakeValue(arg, "--io", value)) {
            if (!needValue("--io"))
                return false;
            if (*value != "ppdev" && *value != "direct") {
                error = "Unknown port driver '" + *value + "' (use --io=ppdev or --io=direct)";
                return false;
            }
            options.IoKind = *value;
        } else {
            error = "Unknown option " + arg + " (see --help)";
            return false;
        }
    }
    args = std::move(rest);
    return true;
}

std::string LongHelpText()
{
    return "Usage: vorbrant [options] [-f<file>] [-e] [-b] [-p] [-v] [-s<LPT1..3>]\n"
           "\n"
           "  --ini=PATH        configuration file (default: vorbrant.INI beside the program,\n"
           "                    or $XDG_CONFIG_HOME/vorbrant/vorbrant.INI)\n"
           "  --headless        run without a window; messages go to stderr\n"
           "  --io=ppdev|direct parallel-port access (default ppdev)\n"
           "  --sim=PART[,KEY=VALUE...] or --sim=@FILE.ini\n"
           "                    use the simulated adapter and target instead of a port\n"
           "                    (e.g. --sim=F340,adapter=ironquill2)\n"
           "  --trace=FILE.vcd  record every port access as a value change dump\n"
           "  --convert IN OUT  convert a data file to Intel HEX (or binary for *.bin)\n"
           "  --read=FILE       batch run that reads the code flash back into FILE (Intel\n"
           "                    HEX, or binary for *.bin): the range of the -f file, else\n"
           "                    the whole code area\n"
           "  --help            this text\n"
           "  --version         print the version\n"
           "\n"
           "  ?                 show the command-line help box\n"
           "  -f<filename>      load filename\n"
           "  -e                erase chip\n"
           "  -b                blank check\n"
           "  -p                program (starts a batch run)\n"
           "  -v                verify\n"
           "  -s<LPT1..3>       port (starts a batch run)\n"
           "  -dd               (first argument only) fixed addresses 0x378, 0x278, 0x3BC\n"
           "\n"
           "Exit codes of a batch run: 0 success, 1 not connected, 2 no data, 3 blank check\n"
           "failed, 4 start outside the User data area, 5 verify failed, 6 port driver\n"
           "failed, 8 command-line error, 9 read-back file not written, 16 flash read or\n"
           "write fault.\n";
}

} // namespace vorbrant
