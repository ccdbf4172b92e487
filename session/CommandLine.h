#pragma once
// The classic command line ("?", -f, -e, -b, -p, -v, -s, "-dd"), turned into a
// list of steps the main window carries out in order. Every argument is
// upper-cased before it is looked at, so option letters and port names match
// in either case; a file name after -f keeps its own case (file names on
// Linux are case-sensitive).
#include <string>
#include <vector>

namespace vorbrant {

enum class CommandKind {
    Help,         // "?" as first character
    CheckErase,   // -e
    CheckBlank,   // -b
    CheckProgram, // -p (also sets the run flag)
    CheckVerify,  // -v
    LoadFile,     // -f<name>: Text = the name as given
    SelectPort,   // -s<name>: Text = the name upper-cased
    SyntaxError,  // anything else: Text = the argument upper-cased
};

struct CommandStep {
    CommandKind Kind;
    std::string Text;
};

struct CommandLineScan {
    // "-dd" as the very first argument, exactly and in lower case.
    bool DirectAddressMode = false;
    std::vector<CommandStep> Steps;
};

// A syntax error ends the list (nothing after it is examined); "-" with any
// other letter is dropped. Whether a file exists or a port is available is
// decided while the steps run.
CommandLineScan ScanCommandLine(const std::vector<std::string>& args);

// The arguments that start with "-" and are none of the options above,
// exactly as given: a run of letters ("-pv"), an unknown letter ("-x"),
// "-dd" after the first argument. The classic command line drops them
// without a word; a batch run refuses them (one letter vanishing from a
// script would skip a step the operator asked for).
std::vector<std::string> UnknownOptions(const std::vector<std::string>& args);
// What the operator is told about one of them.
std::string UnknownOptionText(const std::string& arg);

// The LPT port (1 to 3) the last -s names, or 0 when none does.
int NamedLptNumber(const std::vector<std::string>& args);

// The text of the "?" information box.
extern const char* const CommandLineHelpText;

} // namespace vorbrant
