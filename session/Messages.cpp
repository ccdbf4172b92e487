#include "session/Messages.h"

#include "common/Text.h"
#include "session/ExitCodes.h"

#include <cstdio>

namespace vorbrant {

namespace {

std::string Hex4(uint32_t value) { return Hex(value, 4); }

std::string Seconds(double seconds, const char* format)
{
    char text[64];
    std::snprintf(text, sizeof text, format, seconds);
    return text;
}

std::string WriteFaultText(const RunOutcome& o)
{
    if (o.Area == FlashArea::UserData)
        return o.C2 ? "C2 scratchpad write fault...Aborting!" : "JTAG scratchpad write fault...Aborting!";
    return (o.C2 ? "C2 code area write fault at address 0x" : "JTAG code area write fault at address 0x") +
           Hex4(o.Address) + " Aborting!";
}

} // namespace

const char* StepStatusText(Step step)
{
    switch (step) {
    case Step::Read: return "Reading...";
    case Step::Erase: return "Erasing...";
    case Step::BlankCheck: return "Blank checking...";
    case Step::Program: return "Programming...";
    case Step::Verify: return "Verifying...";
    }
    return "";
}

std::string RangeNoticeText(RangeNotice notice, uint32_t last)
{
    switch (notice) {
    case RangeNotice::DataAreaReadEnd: return "End address exceeds data FLASH area.End address set to 0x" + Hex4(last);
    case RangeNotice::ChipRangeEnd: return "End address exceeds chip address range.End address set to 0x" + Hex4(last);
    case RangeNotice::FlashAreaEnd: return "End address exceeds chip FLASH area.End address set to 0x" + Hex4(last);
    case RangeNotice::ScratchpadOverwritten: return "Scratchpad area will be overwritten!";
    }
    return "";
}

OutcomeMessage RunOutcomeMessage(const RunOutcome& o)
{
    switch (o.Kind) {
    case RunOutcomeKind::Success:
        return {MessageKind::Information,
                "Operation successfull!\r\nTotal duration " + Seconds(o.Seconds, "%.1f") + " sec."};
    case RunOutcomeKind::Cancelled: return {MessageKind::Information, ""};
    case RunOutcomeKind::NoData: return {MessageKind::Error, "Can't perform operation - load data file first!"};
    case RunOutcomeKind::OutsideDataArea: return {MessageKind::Error, "Start address out of data FLASH area!"};
    case RunOutcomeKind::BlankCheckFailed:
        return {MessageKind::Information, "Blank check failed at 0x" + Hex4(o.Address) + "!"};
    case RunOutcomeKind::VerifyFailed: return {MessageKind::Error, "Verify failed at 0x" + Hex4(o.Address) + "!"};
    case RunOutcomeKind::ReadFault:
        return {MessageKind::Error, (o.C2 ? "C2 read fault at address 0x" : "JTAG fault at address 0x") +
                                        Hex4(o.Address) + "! Aborting!"};
    case RunOutcomeKind::WriteFault: return {MessageKind::Error, WriteFaultText(o)};
    case RunOutcomeKind::DataLeftOut:
        return {MessageKind::Warning, std::to_string(o.LeftOut) + " bytes of the file at 0x" + Hex4(o.LeftOutFirst) +
                                          "-0x" + Hex4(o.LeftOutLast) + " were not programmed (outside the part)"};
    case RunOutcomeKind::Interrupted: return {MessageKind::Warning, InterruptedText(o.Address)};
    }
    return {MessageKind::Error, ""};
}

OutcomeMessage ConnectOutcomeMessage(ConnectOutcome outcome, const ChipInfo& chip)
{
    switch (outcome) {
    case ConnectOutcome::NoAdapter: return {MessageKind::Error, "Hardware not detected!"};
    case ConnectOutcome::Unknown:
        return {MessageKind::Error, "Unknown chip type (IDCODE=" + chip.DerivativeName + ")!"};
    case ConnectOutcome::Locked:
        return {MessageKind::Warning,
                "Device is locked - autodetecion not possible!\n\r              Erase chip first!              "};
    case ConnectOutcome::Connected: return {MessageKind::Information, ""};
    }
    return {MessageKind::Error, ""};
}

std::string ConnectedLogLine(const ChipInfo& chip, const std::string& adapterName)
{
    return "Connected: " + chip.DerivativeName + ", " + std::to_string(chip.FlashSizeKB) + " KB flash" +
           (chip.ScratchpadSize ? ", " + std::to_string(chip.ScratchpadSize) + " bytes User data" : "") +
           (chip.C2Mode ? ", C2" : ", JTAG") + ", adapter " + adapterName;
}

std::string RunOutcomeDetailLine(const RunOutcome& outcome)
{
    if (outcome.Kind == RunOutcomeKind::WriteFault && outcome.BlockLost)
        return "  the part did not take the block 0x" + Hex4(outcome.BlockFirst) + "-0x" + Hex4(outcome.BlockLast);
    if (outcome.Kind != RunOutcomeKind::VerifyFailed)
        return "";
    return "  expected 0x" + Hex(outcome.Expected, 2) + ", read 0x" + Hex(outcome.Actual, 2);
}

std::string RunOutcomeCauseLine(const RunOutcome& outcome)
{
    if (outcome.Kind != RunOutcomeKind::ReadFault && outcome.Kind != RunOutcomeKind::WriteFault)
        return "";
    switch (outcome.Fault) {
    case LinkFault::None: return "";
    case LinkFault::TimedOut: return "  the part did not answer in time";
    case LinkFault::StatusNotOk: return "  the part answered with a failure status";
    case LinkFault::StallBudgetSpent: return "  port stalls kept resetting the part until the retries ran out";
    case LinkFault::TargetGone: return "  the part no longer answers";
    }
    return "";
}

std::string RunResultLogLine(const RunOutcome& outcome, int exitCode, const std::string& portSummary)
{
    // The words follow the exit code: a run whose outcome was good can
    // still fail afterwards (a read-back or flash file not written).
    std::string line = ResultLogLine(exitCode, "") + Seconds(outcome.Seconds, ", %.1f s") + ", " +
                       std::to_string(outcome.Programmed) + " bytes programmed, " + std::to_string(outcome.Verified) +
                       " verified";
    if (outcome.C2)
        line += ", " + std::to_string(outcome.StallsRecovered) + " stalls recovered";
    if (outcome.HasProgramCrc)
        line += ", crc32 " + Hex(outcome.ProgramCrc, 8);
    if (!portSummary.empty())
        line += ", " + portSummary;
    return line;
}

std::string ResultLogLine(int exitCode, const std::string& portSummary)
{
    const char* result = exitCode == 0 ? "Result: success"
                         : exitCode == ToInt(ExitCode::Interrupted) ? "Result: interrupted"
                                                                              : "Result: failed";
    return std::string(result) + ", exit code " +
           std::to_string(exitCode) + (portSummary.empty() ? "" : ", " + portSummary);
}

void AddRunOutcome(RunOutcome& total, const RunOutcome& next)
{
    RunOutcome sum = next;
    // One program step keeps its CRC (a read after it has none); the sum of
    // several (the positions of a chain) has no single one.
    sum.HasProgramCrc = total.HasProgramCrc != next.HasProgramCrc;
    sum.ProgramCrc = total.HasProgramCrc ? total.ProgramCrc : next.ProgramCrc;
    sum.Seconds += total.Seconds;
    sum.Programmed += total.Programmed;
    sum.Verified += total.Verified;
    sum.StallsRecovered += total.StallsRecovered;
    total = sum;
}

std::string PartMismatchText(const std::string& found, const std::string& expected)
{
    return "the part on the board is " + found + ", not " + expected;
}

std::string ChainPartMismatchText(size_t position, const std::string& entryName, const std::string& found)
{
    return "Device #" + std::to_string(position) + " (" + entryName + ") identifies as " + found +
           ", which the JCF file's name does not allow";
}

std::string NotC8051fPositionText(size_t position, const std::string& entryName)
{
    return "Device #" + std::to_string(position) + " (" + entryName + ") is not a C8051F part";
}

std::string ConfigNotWrittenMessage(const std::string& path, const std::string& reason)
{
    return "Can't write configuration file " + path + ": " + reason;
}

std::string ConfigNotTextMessage(const std::string& path)
{
    return "Configuration file " + path + " is not a text INI file; settings will not be saved";
}

std::string PortNotAvailableText(const std::string& portName) { return portName + " not available!"; }

std::string ConnectToDeviceCaption(size_t position) { return "Connect to Device #" + std::to_string(position); }

std::string NonexistingFileText(const std::string& name)
{
    return "Nonexisting file in command line - starting in GUI mode ! (" + name + ")";
}

std::string InvalidPortNameText(const std::string& name)
{
    return "Invalid port name in command line - starting in GUI mode ! (" + name + ")";
}

std::string SyntaxErrorText(const std::string& argument)
{
    return "Syntax error in command line - starting in GUI mode ! (" + argument + ")";
}

std::string ConfigNotReadMessage(const std::string& path, const std::string& reason)
{
    return "Can't read configuration file " + path + ": " + reason;
}

std::string ReadBackLine(int32_t bytes, const std::string& path)
{
    return "Read " + std::to_string(bytes) + " bytes into " + path;
}

std::string LockStateMismatchText(const std::string& held, const std::string& expected)
{
    return "Lock state after writing is " + held + ", expected " + expected;
}

std::string ChooseChainDeviceText(const std::string& jcfPath, size_t count)
{
    return "The chain of " + jcfPath + " has " + std::to_string(count) +
           " devices: choose one with --chain-device=N (or all)";
}

std::string ChainPositionOutsideText(size_t position, const std::string& jcfPath, size_t count)
{
    return "--chain-device=" + std::to_string(position) + ": the chain of " + jcfPath + " has positions 1 to " +
           std::to_string(count);
}

std::string ChainDeviceLine(size_t position, const std::string& name, const std::string& file)
{
    return "Device #" + std::to_string(position) + ": " + name + ", " + file;
}

std::string ChainDeviceResultLine(size_t position, const std::string& result)
{
    return "Device #" + std::to_string(position) + ": " + result;
}

std::string ChainPositionResult(int exitCode)
{
    return exitCode == 0 ? "success" : "failed, exit code " + std::to_string(exitCode);
}

std::string ChainSummaryTitle(const std::string& jcfPath) { return "Chain summary (" + jcfPath + "):"; }

std::string InterruptedText(uint32_t address)
{
    return "interrupted: the run stopped at 0x" + Hex4(address) + " and released the target";
}

std::string NoDataAreaText(const std::string& part)
{
    return "the part " + part + " has no User data area (--area=data)";
}

std::string NothingToDoText() { return "nothing to do without a window: give -p, -s or --steps"; }

std::string OutputNotWritableText(const std::string& path, const std::string& reason)
{
    return "Can't write file " + path + ": " + reason;
}

std::string ConfigurationInUseText(const std::string& iniPath)
{
    return "The configuration file " + iniPath +
           " is in use by another instance of the program: this one will not save its settings";
}

} // namespace vorbrant
