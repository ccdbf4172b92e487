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
