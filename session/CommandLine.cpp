#include "session/CommandLine.h"

#include "common/Text.h"

namespace vorbrant {

const char* const CommandLineHelpText =
    "Command line options:\r\n\r\n"
    "?                            - this help\r\n"
    "-f<filename>         - load filename \r\n"
    "-e                           - erase chip\r\n"
    "-b                           - blank check\r\n"
    "-p                           - program\r\n"
    "-v                           - verify\r\n"
    "-s<LPT1..3>  - port\r\n";

namespace {

// -e, -b, -p and -v.
bool IsStepLetter(char letter) { return letter == 'E' || letter == 'B' || letter == 'P' || letter == 'V'; }

} // namespace

std::vector<std::string> UnknownOptions(const std::vector<std::string>& args)
{
    std::vector<std::string> unknown;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.empty() || arg.front() != '-')
            continue; // "?" and file names are not options
        const std::string upper = ToUpper(arg);
        const char letter = upper.size() > 1 ? upper[1] : '\0';
        const bool known = (upper.size() == 2 && IsStepLetter(letter)) || letter == 'F' || letter == 'S' ||
                           (i == 0 && arg == "-dd");
        if (!known)
            unknown.push_back(arg);
    }
    return unknown;
}

std::string UnknownOptionText(const std::string& arg)
{
    const std::string upper = ToUpper(arg);
    std::string hint = "see --help";
    if (upper == "-DD") {
        hint = "-dd counts only as the first argument";
    } else if (upper.size() > 2 && upper.find_first_not_of("EBPV", 1) == std::string::npos) {
        hint = "give each letter on its own:";
        for (size_t i = 1; i < arg.size(); ++i)
            hint += std::string(" -") + arg[i];
    } else if (upper.size() > 2 && upper[1] == 'P' && upper[2] == 'F') {
        hint = "name the part with --part=" + arg.substr(2);
    }
    return "unknown option " + arg + " (" + hint + ")";
}

int NamedLptNumber(const std::vector<std::string>& args)
{
    int number = 0;
    for (const CommandStep& step : ScanCommandLine(args).Steps)
        if (step.Kind == CommandKind::SelectPort)
            for (int n = 1; n <= 3; ++n)
                if (step.Text == "LPT" + std::to_string(n))
                    number = n;
    return number;
}

CommandLineScan ScanCommandLine(const std::vector<std::string>& args)
{
    CommandLineScan scan;
    scan.DirectAddressMode = !args.empty() && args.front() == "-dd";
    for (const std::string& arg : args) {
        std::string upper = ToUpper(arg);
        if (!upper.empty() && upper.front() == '?') {
            scan.Steps.push_back({CommandKind::Help, {}});
            continue;
        }
        if (upper.empty() || upper.front() != '-') {
            scan.Steps.push_back({CommandKind::SyntaxError, upper});
            break;
        }
        char letter = upper.size() > 1 ? upper[1] : '\0';
        switch (letter) {
        case 'E': scan.Steps.push_back({CommandKind::CheckErase, {}}); break;
        case 'B': scan.Steps.push_back({CommandKind::CheckBlank, {}}); break;
        case 'P': scan.Steps.push_back({CommandKind::CheckProgram, {}}); break;
        case 'V': scan.Steps.push_back({CommandKind::CheckVerify, {}}); break;
        case 'F': scan.Steps.push_back({CommandKind::LoadFile, arg.substr(2)}); break;
        case 'S': scan.Steps.push_back({CommandKind::SelectPort, upper.substr(2)}); break;
        default: break; // a dash with any other letter is ignored ("-dd" included)
        }
    }
    return scan;
}

} // namespace vorbrant
