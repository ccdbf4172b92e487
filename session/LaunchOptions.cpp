#include "session/LaunchOptions.h"

#include "session/Serial.h"
#include "target/PartNames.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>

namespace vorbrant {

namespace {

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
    {"--jcf", &LaunchOptions::JcfPath},
    {"--part", &LaunchOptions::ExpectedPart},
    {"--json", &LaunchOptions::JsonPath},
    {"--serial-file", &LaunchOptions::SerialFile},
};

// What --convert may be given besides its two files.
constexpr std::string_view ConvertCompanions[] = {"--format", "--out-format", "--offset", "--quiet", "--headless"};

// The lock options that take one byte in hexadecimal, as the part stores it.
struct ByteOption {
    const char* Name;
    std::optional<uint8_t> LockRequest::*Field;
};

constexpr ByteOption ByteOptions[] = {
    {"--lock-byte", &LockRequest::F30xByte},
    {"--lock-read", &LockRequest::ReadLock},
    {"--lock-write", &LockRequest::WriteEraseLock},
};

// The row of a table of options whose name the argument carries.
template <typename Option, size_t N>
const Option* FindOption(const Option (&table)[N], std::string_view arg, std::optional<std::string>& value)
{
    for (const Option& option : table)
        if (TakeValue(arg, option.Name, value))
            return &option;
    return nullptr;
}

// "FE", "0xfe", "$FE": a byte; anything else is no value.
std::optional<uint8_t> HexByte(const std::string& text)
{
    std::string_view digits = text;
    if (digits.starts_with("0x") || digits.starts_with("0X"))
        digits.remove_prefix(2);
    else if (digits.starts_with("$"))
        digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 2 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
        return std::nullopt;
    return static_cast<uint8_t>(std::stoul(std::string(digits), nullptr, 16));
}

} // namespace

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

std::string NeedsValueText(std::string_view name)
{
    return "Option " + std::string(name) + " needs a value (" + std::string(name) + "=...)";
}

bool ExtractLongOptions(std::vector<std::string>& args, LaunchOptions& options, std::string& error)
{
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-q" || arg == "-Q") {
            options.Quiet = true;
            options.Given.push_back("--quiet");
            continue;
        }
        if (arg.size() < 2 || arg[0] != '-' || arg[1] != '-') {
            rest.push_back(arg);
            continue;
        }
        options.Given.push_back(arg.substr(0, arg.find('=')));
        std::optional<std::string> value;
        auto needValue = [&](const char* name) {
            if (!value || value->empty()) {
                error = NeedsValueText(name);
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
        } else if (const PathOption* option = FindOption(PathOptions, arg, value)) {
            if (!needValue(option->Name))
                return false;
            options.*option->Field = value;
        } else if (TakeValue(arg, "--steps", value)) {
            if (!needValue("--steps"))
                return false;
            static constexpr std::pair<const char*, Step> Names[] = {
                {"erase", Step::Erase}, {"blank", Step::BlankCheck}, {"program", Step::Program},
                {"verify", Step::Verify}, {"read", Step::Read}};
            std::vector<Step> steps;
            std::string_view list = *value;
            while (!list.empty()) {
                size_t comma = list.find(',');
                std::string_view name = list.substr(0, comma);
                list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
                auto known = std::find_if(std::begin(Names), std::end(Names), [&](const auto& n) { return name == n.first; });
                if (known == std::end(Names)) {
                    error = "Unknown step '" + std::string(name) + "' in --steps (use erase, blank, program, verify, read)";
                    return false;
                }
                steps.push_back(known->second);
            }
            options.Steps = steps;
        } else if (TakeValue(arg, "--format", value)) {
            if (!needValue("--format"))
                return false;
            static constexpr std::pair<const char*, LoadFormat> Formats[] = {
                {"hex", LoadFormat::Hex}, {"srec", LoadFormat::SRecord}, {"dat", LoadFormat::Dat}, {"bin", LoadFormat::Binary}};
            for (const auto& [name, format] : Formats)
                if (*value == name)
                    options.Format = format;
            if (!options.Format) {
                error = "Unknown file format '" + *value + "' (use --format=hex, srec, dat or bin)";
                return false;
            }
        } else if (TakeValue(arg, "--out-format", value)) {
            if (!needValue("--out-format"))
                return false;
            static constexpr std::pair<const char*, SaveFormat> Formats[] = {
                {"hex", SaveFormat::Hex}, {"srec", SaveFormat::SRecord}, {"bin", SaveFormat::Binary}};
            for (const auto& [name, format] : Formats)
                if (*value == name)
                    options.OutFormat = format;
            if (!options.OutFormat) {
                error = "Unknown output format '" + *value + "' (use --out-format=hex, srec or bin)";
                return false;
            }
        } else if (TakeValue(arg, "--offset", value)) {
            if (!needValue("--offset"))
                return false;
            int32_t offset = 0;
            std::string text = *value;
            if (text.starts_with("0x") || text.starts_with("0X"))
                text = "$" + text.substr(2);
            if (!ParseAddressText(text, offset) || offset < 0 || offset >= static_cast<int32_t>(ImageBuffer::Capacity)) {
                error = "Option --offset needs an address from 0 to 0x3FFFFF (0x1000, 1000H or 4096), not '" +
                        *value + "'";
                return false;
            }
            options.Offset = offset;
        } else if (TakeValue(arg, "--area", value)) {
            if (!needValue("--area"))
                return false;
            if (*value != "code" && *value != "data") {
                error = "Option --area needs code or data, not '" + *value + "'";
                return false;
            }
            options.Area = *value == "data" ? FlashArea::UserData : FlashArea::Code;
        } else if (arg == "--quiet") {
            options.Quiet = true;
        } else if (TakeValue(arg, "--serial", value)) {
            if (!needValue("--serial"))
                return false;
            if (!ParseSerialFormat(*value, error))
                return false;
            options.Serial = value;
        } else if (TakeValue(arg, "--repeat", value)) {
            options.Repeat = true;
            if (value) {
                if (value->empty() || value->size() > 9 || value->find_first_not_of("0123456789") != std::string::npos ||
                    std::stoul(*value) == 0) {
                    error = "Option --repeat=N needs a number of boards from 1, not '" + *value + "'";
                    return false;
                }
                options.RepeatCount = static_cast<uint32_t>(std::stoul(*value));
            }
        } else if (arg == "--no-ini") {
            options.NoIni = true;
        } else if (arg == "--verify-chain") {
            options.VerifyChain = true;
        } else if (TakeValue(arg, "--chain-device", value)) {
            if (!needValue("--chain-device"))
                return false;
            if (*value == "all") {
                options.AllChainDevices = true;
            } else if (value->size() <= 2 && value->find_first_not_of("0123456789") == std::string::npos &&
                       std::stoi(*value) >= 1) {
                options.ChainDevice = static_cast<uint8_t>(std::stoi(*value));
            } else {
                error = "Option --chain-device needs a chain position (1 to 10) or all, not '" + *value + "'";
                return false;
            }
        } else if (arg == "--security") {
            options.ShowSecurity = true;
        } else if (arg == "--chip-erase") {
            options.ChipErase = true;
        } else if (TakeValue(arg, "--lock-pages", value)) {
            if (!needValue("--lock-pages"))
                return false;
            if (value->find_first_not_of("0123456789") != std::string::npos || value->size() > 3 || std::stoi(*value) > 255) {
                error = "Option --lock-pages needs a page count from 0 to 255, not '" + *value + "'";
                return false;
            }
            options.Lock.Pages = std::stoi(*value);
        } else if (const ByteOption* option = FindOption(ByteOptions, arg, value)) {
            if (!needValue(option->Name))
                return false;
            std::optional<uint8_t> byte = HexByte(*value);
            if (!byte) {
                error = std::string("Option ") + option->Name + " needs a byte in hexadecimal (00 to FF), not '" + *value + "'";
                return false;
            }
            options.Lock.*option->Field = byte;
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
    if (options.ExpectedPart && !IsCataloguePart(*options.ExpectedPart)) {
        error = "Option --part names no part the program knows: '" + *options.ExpectedPart +
                "' (give it as F340 or C8051F340)";
        return false;
    }
    if (options.Convert) {
        // A conversion does nothing else: what else was asked would be lost.
        for (const std::string& name : options.Given)
            if (name != "--convert" &&
                std::find(std::begin(ConvertCompanions), std::end(ConvertCompanions), name) == std::end(ConvertCompanions)) {
                error = "Option --convert takes no other options than --format, --out-format, --offset and -q, not " + name;
                return false;
            }
        if (!rest.empty()) {
            error = "Option --convert takes an input and an output file only, not '" + rest.front() + "'";
            return false;
        }
    }
    if (options.SerialFile && !options.Serial) {
        error = "Option --serial-file needs --serial=ADDR:FIRST to say where the number goes";
        return false;
    }
    if (options.NoIni && options.IniPath) {
        error = "Options --no-ini and --ini exclude each other";
        return false;
    }
    // Standard output carries one stream of data.
    const int stdoutUsers = (options.ReadBackPath == "-") + (options.Convert && options.ConvertOut == "-") +
                            (options.JsonPath == "-");
    if (stdoutUsers > 1) {
        error = "Only one of --read=-, --convert ... - and --json=- can write to standard output";
        return false;
    }
    args = std::move(rest);
    return true;
}

std::string LongHelpText()
{
    return "Usage: vorbrant [options] [-f<file>] [-e] [-b] [-p] [-v] [-s<LPT1..3>]\n"
           "\n"
           "  --ini=PATH        configuration file (default: vorbrant.INI beside a program\n"
           "                    that is not installed, else $XDG_CONFIG_HOME/vorbrant/vorbrant.INI,\n"
           "                    ~/.config/vorbrant/vorbrant.INI)\n"
           "  --no-ini          read and write no configuration: defaults only\n"
           "  --headless        run without a window; messages go to stderr (also what\n"
           "                    --repeat, --serial, --serial-file and --json do)\n"
           "  --io=ppdev|direct\n"
           "                    parallel-port access (default ppdev)\n"
           "  --sim=PART[,KEY=VALUE...] or --sim=@FILE.ini\n"
           "                    use the simulated adapter and target instead of a port\n"
           "                    (e.g. --sim=F340,adapter=ironquill2)\n"
           "  --trace=FILE.vcd  record every port access as a value change dump\n"
           "  --convert IN OUT  convert a data file: OUT as its extension says (.s19 .s28\n"
           "                    .s37 .srec .mot S-records, .bin binary, else Intel HEX);\n"
           "                    takes only --format, --out-format, --offset and -q\n"
           "  --steps=LIST      exactly these steps, a comma list of erase, blank,\n"
           "                    program, verify, read (nothing ticked by default;\n"
           "                    --steps=verify checks a board without changing it)\n"
           "  --format=hex|srec|dat|bin\n"
           "                    read the -f file as this format instead of detecting it\n"
           "  --out-format=hex|srec|bin\n"
           "                    write --read and --convert output in this format\n"
           "  --read=FILE       batch run that reads the code flash back into FILE (format\n"
           "                    as for --convert): the range of the -f file, else the\n"
           "                    whole area; after the other steps when some are given\n"
           "  -                 as a file name (-f-, --read=-, --convert - -): standard\n"
           "                    input or output; console lines always go to stderr\n"
           "  --offset=ADDR     load a binary -f file at ADDR (0x1000, 1000H, 4096); HEX\n"
           "                    data records move by it too\n"
           "  --area=code|data  the code flash (default) or the User data area\n"
           "  -q, --quiet       print errors and the closing line only\n"
           "  --json=FILE|-     write the result as JSON, one object per board\n"
           "  --serial=ADDR:FIRST[:STEP][:BYTES][:le|be]\n"
           "                    patch a serial number into the image before Program\n"
           "                    (STEP 1, 4 BYTES, le by default)\n"
           "  --serial-file=FILE  the next serial number; moves on after each good board\n"
           "  --repeat[=N]      after a board, wait for it to go and the next one to come,\n"
           "                    and run again (N boards, or until Ctrl-C); a summary ends it\n"
           "  --security        after connecting, print the part's lock bytes\n"
           "  --chip-erase      erase the whole chip before any other step and connect\n"
           "                    again (recovers a locked part)\n"
           "  --lock-pages=N    after the other steps, lock N pages from address 0 (C2\n"
           "                    parts that count locked pages; up to the last page\n"
           "                    below the lock byte's page, in the part's page size)\n"
           "  --lock-byte=HEX   ... write the F30x lock byte as stored (F0 read/write lock,\n"
           "                    0F write lock, 00 both)\n"
           "  --lock-read=HEX   ... write the JTAG read-lock byte (0 bit = block locked)\n"
           "  --lock-write=HEX  ... write the JTAG write/erase-lock byte\n"
           "                    each lock is read back and compared\n"
           "  --jcf=FILE        JTAG chain mode with the chain of this JCF file\n"
           "  --chain-device=N  run on chain position N (1..count); without -f the\n"
           "                    position's programming file is loaded\n"
           "  --chain-device=all\n"
           "                    run on every C8051F position that has a programming\n"
           "                    file, in chain order, with a summary at the end\n"
           "  --verify-chain    compare the IDCODEs read from the board with the JCF file;\n"
           "                    with steps, they run only when the chain matches\n"
           "  --part=NAME       the part the board must carry (F340, C8051F340; any\n"
           "                    derivative of the identified family matches): another\n"
           "                    part ends the run with exit code 14 before any step\n"
           + AdapterHelpText() +
           "  --help            this text\n"
           "  --version         print the version\n"
           "\n"
           "  ?                 show the command-line help box\n"
           "  -f<filename>      load filename\n"
           "  -e                erase the flash pages the file touches (the whole User\n"
           "                    data area with --area=data); --chip-erase erases the chip\n"
           "  -b                blank check\n"
           "  -p                program (starts a batch run)\n"
           "  -v                verify\n"
           "  -s<LPT1..3>       port (starts a batch run)\n"
           "  -dd               (first argument only) fixed addresses 0x378, 0x278, 0x3BC\n"
           "  Each option letter stands alone (-p -v, not -pv): a batch run refuses\n"
           "  anything else that starts with '-'. A -f file that is text or ELF (a\n"
           "  listing, a map, a C file) and not HEX, S-record or DAT is refused unless\n"
           "  --format=bin is given.\n"
           "\n"
           "Exit codes of a batch run: 0 success, 1 not connected (also a port that is not\n"
           "there), 2 no data, 3 blank check failed, 4 start outside the User data area\n"
           "(or none on the part), 5 verify failed, 6 port driver failed, 7 configuration\n"
           "or trace file not written, 8 command-line error or nothing to do, 9 output\n"
           "file (--read, --convert, --json, --serial-file, flash=) not written, 10 bytes of the file outside the part not\n"
           "programmed, 11 lock bytes not readable, 12 lock state after writing not the\n"
           "one asked for, 13 the JTAG chain or a position of it does not match the JCF\n"
           "file, 14 the part on the board is not the --part, 16 flash read or write\n"
           "fault, 130 stopped by Ctrl-C or SIGTERM (the target released). Every batch run\n"
           "ends with a line 'Result: success|failed|interrupted, exit code N'.\n";
}

} // namespace vorbrant
