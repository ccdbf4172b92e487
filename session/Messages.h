#pragma once
// Outcomes turned into the texts the operator sees, and the lines of the
// headless log: the one place where a connect or run result becomes words.
#include "common/Operator.h"
#include "session/Outcomes.h"
#include "session/Sequencer.h"
#include "target/ChipInfo.h"
#include "target/Target.h"

#include <string>

namespace vorbrant {

struct OutcomeMessage {
    MessageKind Kind;
    std::string Text;
};

// The run's words: each step's status line, the range notices, the warning
// about the lock bytes Program leaves alone, the range dialogs' captions.
const char* StepStatusText(Step step);
inline constexpr const char* IdleStatusText = "Idle";
std::string RangeNoticeText(RangeNotice notice, uint32_t last);
inline constexpr const char* LockBitsWarningText = "To program flash lock bits use security menu!";
inline constexpr const char* ReadRangeCaption = "Load data address range";
inline constexpr const char* SaveRangeCaption = "Write file address range";

// The box that ends a run; Cancelled has none (empty text).
OutcomeMessage RunOutcomeMessage(const RunOutcome& outcome);

// The box of a connect that found no identified part, or the warning about
// a locked one; empty text for Connected.
OutcomeMessage ConnectOutcomeMessage(ConnectOutcome outcome, const ChipInfo& chip);

// Log lines of a headless run.
std::string ConnectedLogLine(const ChipInfo& chip, const std::string& adapterName);
std::string RunResultLogLine(const RunOutcome& outcome, int exitCode, const std::string& portSummary);
// The line after a failure's box that says what was found: "  expected
// 0x75, read 0x74" after a verify failure; empty for other outcomes.
std::string RunOutcomeDetailLine(const RunOutcome& outcome);
// The line after a read or write fault that says why the link failed
// ("" when it did not say).
std::string RunOutcomeCauseLine(const RunOutcome& outcome);
// The warning about a configuration file that holds binary data.
std::string ConfigNotTextMessage(const std::string& path);
// The configuration file could not be written (or read back before writing).
std::string ConfigNotWrittenMessage(const std::string& path, const std::string& reason);

inline constexpr const char* TargetLostLogLine = "Target lost: Not Connected";
// A lock whose count was confirmed by the reads the part now refuses (its
// lock byte's page is locked with it).
inline constexpr const char* LockConfirmedByRefusalLine = "Lock confirmed: the part refuses reads of its locked pages";

// The closing line of a batch run that ran no operation flow (a lock-only
// or --security run, a chain check, a run refused or ended before any step).
std::string ResultLogLine(int exitCode, const std::string& portSummary);
// A run's outcomes added up: the steps, then the read of --read after them.
void AddRunOutcome(RunOutcome& total, const RunOutcome& next);

// The guards that end a batch run before anything is written.
std::string PartMismatchText(const std::string& found, const std::string& expected);
std::string ChainPartMismatchText(size_t position, const std::string& entryName, const std::string& found);
std::string NotC8051fPositionText(size_t position, const std::string& entryName);
// After a failed step on a part that identified as locked.
inline constexpr const char* LockedPartHintText = "the part is locked: add --chip-erase to erase it first";
// --steps=read without a file to keep what it reads.
inline constexpr const char* ReadStepNeedsFileText = "--steps=read needs --read=FILE to keep what it reads";

// Port choice, connection and the Connect button's captions.
inline constexpr const char* SelectPortFirstText = "Select port first!";
std::string PortNotAvailableText(const std::string& portName);
inline constexpr const char* LptAdapterWarningText = "LPT and USB adapters support SiLabs devices only!";
inline constexpr const char* NoPortShown = "---";
inline constexpr const char* ConnectCaption = "Connect";
inline constexpr const char* DisconnectCaption = "Disconnect";
std::string ConnectToDeviceCaption(size_t position);

// The command line's errors (the window would start instead).
std::string NonexistingFileText(const std::string& name);
std::string InvalidPortNameText(const std::string& name);
std::string SyntaxErrorText(const std::string& argument);

// The configuration file could not be read at start.
std::string ConfigNotReadMessage(const std::string& path, const std::string& reason);

// Lines of a batch run.
inline constexpr const char* ChipErasedLine = "Chip erased";
std::string ReadBackLine(int32_t bytes, const std::string& path);
std::string LockStateMismatchText(const std::string& held, const std::string& expected);

// The chain options of a batch run.
inline constexpr const char* ChainNeedsJcfText = "--chain-device and --verify-chain need the chain: give --jcf=FILE";
inline constexpr const char* ChainAllTakesNoFileText =
    "--chain-device=all programs each position with its own file: leave out -f and --read";
std::string ChooseChainDeviceText(const std::string& jcfPath, size_t count);
std::string ChainPositionOutsideText(size_t position, const std::string& jcfPath, size_t count);
std::string ChainDeviceLine(size_t position, const std::string& name, const std::string& file);
std::string ChainDeviceResultLine(size_t position, const std::string& result);
// A position's result in the chain summary: "success" or the exit code.
std::string ChainPositionResult(int exitCode);
inline constexpr const char* ChainSkippedNotC8051fText = "skipped: not a C8051F part";
inline constexpr const char* ChainSkippedNoFileText = "skipped: no programming file";
std::string ChainSummaryTitle(const std::string& jcfPath);

// Ctrl-C or SIGTERM stopped a run at address (the closing line then says
// "Result: interrupted, exit code 130").
std::string InterruptedText(uint32_t address);

// --offset with a file that carries its own addresses.
inline constexpr const char* OffsetNotAppliedText =
    "--offset moves HEX data records and binary images only: the S-record or DAT file keeps its own addresses";
// --area=data on a part without a User data area.
std::string NoDataAreaText(const std::string& part);

// A headless start whose command line asks for no run.
std::string NothingToDoText();
// An output file that cannot be written (found before the run, or at its end).
std::string OutputNotWritableText(const std::string& path, const std::string& reason);
// A second instance on the same configuration file (said once, at start).
std::string ConfigurationInUseText(const std::string& iniPath);

} // namespace vorbrant
