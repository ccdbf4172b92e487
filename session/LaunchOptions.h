#pragma once
// The long options of our own ("--ini=PATH", "--sim=PART", ...). They are
// taken out of the argument list before the classic command line sees it.
#include "image/FileFormats.h"
#include "image/FileSaver.h"
#include "security/Protection.h"
#include "session/AdapterOptions.h"
#include "session/OperationOptions.h"

#include <optional>
#include <string>
#include <vector>

namespace vorbrant {

struct LaunchOptions {
    std::optional<std::string> IniPath;
    std::optional<std::string> SimSpec;
    std::optional<std::string> TracePath;
    std::optional<std::string> ReadBackPath; // --read=FILE: read the chip back into FILE
    std::string IoKind = "ppdev";
    bool Headless = false;
    bool Help = false;
    bool Version = false;
    bool Convert = false;
    // Lock bytes from the command line: print the protection, erase the
    // whole chip first, lock after the other steps.
    // --steps: exactly these steps, nothing ticked by default.
    std::optional<std::vector<Step>> Steps;
    // --format: how the -f file is read instead of detecting it.
    std::optional<LoadFormat> Format;
    bool ShowSecurity = false;
    bool ChipErase = false;
    LockRequest Lock;
    // JTAG chains: the JCF file (chain mode on), the position to run on or
    // every C8051F position with a programming file, the hardware check.
    std::optional<std::string> JcfPath;
    std::optional<uint8_t> ChainDevice;
    bool AllChainDevices = false;
    bool VerifyChain = false;
    // --part: the part the board must carry, as written ("F340").
    std::optional<std::string> ExpectedPart;
    // The LPT port the simulator answers on: LPT1, or the one -s names.
    int SimLpt = 1;
    std::string ConvertIn;
    std::string ConvertOut;
    // --adapter, --adapter-clock, --list-adapters, --gang (session/AdapterOptions.h).
    AdapterOptions Adapter;
    // --- scripts and production lines -------------------------------------
    std::optional<SaveFormat> OutFormat;     // --out-format: --read and --convert output
    std::optional<int32_t> Offset;           // --offset: where a binary -f file goes
    std::optional<FlashArea> Area;           // --area: code flash or User data
    bool Quiet = false;                      // -q, --quiet: errors and the result line only
    std::optional<std::string> JsonPath;     // --json=FILE or - : the run report
    std::optional<std::string> Serial;       // --serial=ADDR:FIRST[:STEP][:BYTES][:le|be]
    std::optional<std::string> SerialFile;   // --serial-file=FILE: the next number
    bool Repeat = false;                     // --repeat: one board after another
    uint32_t RepeatCount = 0;                // --repeat=N: at most N boards (0 = until stopped)
    bool NoIni = false;                      // --no-ini: defaults only, nothing read or written
    // The long options given, by name, in order (what --convert may take).
    std::vector<std::string> Given;
};

// Removes every argument that starts with "--" from args and records it in
// options; the rest keeps its order. False with a reason for an unknown long
// option, a missing value or a bad --io kind.
bool ExtractLongOptions(std::vector<std::string>& args, LaunchOptions& options, std::string& error);

// "--name=value" or "--name": true when the name matches, value the text
// after '=' (nullopt without one).
bool TakeValue(std::string_view arg, std::string_view name, std::optional<std::string>& value);
// "Option --name needs a value (--name=...)".
std::string NeedsValueText(std::string_view name);

// The text of --help: our long options, then the classic ones.
std::string LongHelpText();

} // namespace vorbrant
