#include "session/BatchRun.h"

#include "common/AtomicFile.h"
#include "common/BoundedRead.h"
#include "common/StdStreams.h"
#include "common/Text.h"
#include "image/FileSaver.h"
#include "session/Messages.h"
#include "session/RunRecord.h"
#include "target/PartNames.h"

#include <algorithm>
#include <filesystem>

namespace vorbrant {

std::optional<int> BatchRun::Start(const std::vector<std::string>& args)
{
    runFlag_ = false;
    commandLineError_ = false;
    exitCode_.reset();
    // "-dd" counts only as the very first argument.
    const CommandLineScan scan = ScanCommandLine(args);
    session_.Start(scan.DirectAddressMode);
    const SessionSettings& s = settings();
    if (!args.empty() || !s.ReadBackPath.empty() || s.Security.Any() || s.Steps || s.Chain.Any()) {
        RunCommandLine(scan, args);
        if (exitCode_)
            return exitCode_;
    }
    session_.Opened();
    return std::nullopt;
}

int BatchRun::HeadlessExitCode() const
{
    // A port the machine does not have is a cabling matter, not a typo.
    if (portMissing_)
        return ToInt(ExitCode::NotConnected);
    return ToInt(commandLineError_ || NothingToDo() ? ExitCode::CommandLineError : ExitCode::Success);
}

std::string BatchRun::ResultLine(int exitCode) const
{
    if (!batchStarted_ && exitCode == 0)
        return "";
    const std::string port = settings().PortSummary ? settings().PortSummary(wholeRunLine_) : "";
    return batchRun_ ? RunResultLogLine(*batchRun_, exitCode, port) : ResultLogLine(exitCode, port);
}

bool BatchRun::Refuse(vorbrant::ExitCode code, const std::string& text)
{
    session_.Note(MessageKind::Error, text);
    RequestExit(code);
    return false;
}

// --- the command line ----------------------------------------------------------

bool BatchRun::CheckUnknownOptions(const CommandLineScan& scan, const std::vector<std::string>& args)
{
    const std::vector<std::string> unknown = UnknownOptions(args);
    if (unknown.empty())
        return true;
    const bool classicRun = std::any_of(scan.Steps.begin(), scan.Steps.end(), [](const CommandStep& step) {
        return step.Kind == CommandKind::CheckProgram || step.Kind == CommandKind::SelectPort;
    });
    const SessionSettings& s = settings();
    const bool batch = s.Headless || classicRun || s.Steps || !s.ReadBackPath.empty() || s.Security.Any() ||
                       s.Chain.Any();
    // The window keeps its silence about them; stderr still says so.
    for (const std::string& arg : unknown)
        session_.Note(MessageKind::Error, UnknownOptionText(arg));
    if (!batch)
        return true;
    batchStarted_ = true;
    commandLineError_ = true;
    RequestExit(ExitCode::CommandLineError);
    return false;
}

void BatchRun::RunCommandLine(const CommandLineScan& scan, const std::vector<std::string>& args)
{
    if (!CheckUnknownOptions(scan, args))
        return;
    if (!ApplyCommandSteps(scan))
        return;
    ApplyExplicitSteps();
    // Reading the chip back and the lock-byte options are batch runs of
    // their own.
    const SessionSettings& s = settings();
    if (!s.ReadBackPath.empty() || s.Security.Any() || s.Chain.Any())
        runFlag_ = true;
    if (runFlag_)
        RunBatch();
}

void BatchRun::ApplyExplicitSteps()
{
    if (!settings().Steps)
        return;
    for (Step step : AllSteps)
        session_.SetStep(step, false);
    // Read first: the other steps untick it, and the batch reads after them.
    std::vector<Step> steps = *settings().Steps;
    std::stable_partition(steps.begin(), steps.end(), [](Step step) { return step == Step::Read; });
    for (Step step : steps)
        session_.SetStep(step, true);
    stepsGiven_ = true;
    runFlag_ = true;
}

bool BatchRun::ApplyCommandSteps(const CommandLineScan& scan)
{
    // The step letters and what each ticks.
    static constexpr struct {
        CommandKind Kind;
        Step Ticks;
    } Letters[] = {
        {CommandKind::CheckErase, Step::Erase},
        {CommandKind::CheckBlank, Step::BlankCheck},
        {CommandKind::CheckProgram, Step::Program},
        {CommandKind::CheckVerify, Step::Verify},
    };
    for (const CommandStep& step : scan.Steps) {
        if (auto letter = std::find_if(std::begin(Letters), std::end(Letters),
                                       [&step](const auto& l) { return l.Kind == step.Kind; });
            letter != std::end(Letters)) {
            session_.SetStep(letter->Ticks, true);
            // -p alone starts a batch run.
            runFlag_ = runFlag_ || step.Kind == CommandKind::CheckProgram;
            stepsGiven_ = stepLettersGiven_ = true;
            continue;
        }
        switch (step.Kind) {
        case CommandKind::Help:
            session_.Show(MessageKind::Information, CommandLineHelpText);
            helpShown_ = true;
            break;
        case CommandKind::LoadFile:
            if (!ApplyFileArgument(step.Text))
                return false;
            break;
        case CommandKind::SelectPort:
            if (!ApplyPortArgument(step.Text))
                return false;
            break;
        case CommandKind::SyntaxError:
            session_.Show(MessageKind::Error, SyntaxErrorText(step.Text));
            commandLineError_ = true;
            return false;
        default: break;
        }
    }
    return true;
}

bool BatchRun::ApplyFileArgument(const std::string& path)
{
    std::error_code ec;
    if (!path.empty() && std::filesystem::is_regular_file(path, ec)) {
        session_.SetCurrentFile(path, session_.Files().FileFormat);
        stepsGiven_ = true;
        fileGiven_ = true;
        return true;
    }
    // A FIFO or a folder exists: its reason is another one.
    if (!path.empty() && std::filesystem::exists(path, ec))
        session_.Show(MessageKind::Error, CannotReadText(path, NotRegularFileReason));
    else
        session_.Show(MessageKind::Error, NonexistingFileText(path));
    commandLineError_ = true;
    return false;
}

bool BatchRun::ApplyPortArgument(const std::string& name)
{
    runFlag_ = true;
    int number = 0;
    for (int n = 1; n <= 3; ++n)
        if (name == "LPT" + std::to_string(n))
            number = n;
    if (session_.ChooseLptQuietly(number))
        return true;
    session_.Show(MessageKind::Error, InvalidPortNameText(name));
    commandLineError_ = true;
    portMissing_ = number != 0;
    return false;
}

bool BatchRun::ReadStepNamed() const
{
    const auto& steps = settings().Steps;
    return steps && std::find(steps->begin(), steps->end(), Step::Read) != steps->end();
}

bool BatchRun::StepsAsked() const
{
    if (stepLettersGiven_)
        return true;
    const auto& steps = settings().Steps;
    return steps && std::any_of(steps->begin(), steps->end(), [](Step step) { return step != Step::Read; });
}

// --- the run -------------------------------------------------------------------

bool BatchRun::ReadBackWritable()
{
    const std::string& path = settings().ReadBackPath;
    std::string problem = path.empty() || IsStdStream(path) ? "" : WriteProblem(path);
    if (problem.empty())
        return true;
    return Refuse(ExitCode::OutputNotWritten, OutputNotWritableText(path, problem));
}

void BatchRun::RunBatch()
{
    batchStarted_ = true;
    const SessionSettings& s = settings();
    // A file that could not take the result is refused before the chip is
    // touched, and so is a read whose bytes would go nowhere.
    if (!ReadBackWritable())
        return;
    if (s.ReadBackPath.empty() && ReadStepNamed()) {
        Refuse(ExitCode::CommandLineError, ReadStepNeedsFileText);
        return;
    }
    if (s.Chain.Any() && !PrepareChain())
        return;
    // The chain check first: steps run only on the chain the JCF file says.
    if (s.Chain.Verify && !VerifyChainBatch())
        return;
    if (s.Chain.AllDevices)
        RunChainPositions();
    else
        RunBatchOnce();
}

void BatchRun::RunBatchOnce()
{
    const SessionState& state = session_.State();
    // Nothing is driven at a chain position before it shows the IDCODE
    // its entry names.
    if (state.LptMode && state.ChainEnabled && state.SelectedChainDevice != 0 && !GuardChainPosition())
        return;
    // Connect, poll once, load, then the operation flow, which ends with an
    // exit code.
    session_.Connect();
    session_.Poll();
    if (exitCode_)
        return;
    if (!session_.Files().CurrentFilePath.empty()) {
        session_.SetCurrentFile(session_.Files().CurrentFilePath, settings().FileFormat.value_or(LoadFormat::Detect));
        fileLoaded_ = session_.LoadCurrentFile();
        const LoadFormat format = session_.Files().FileFormat;
        if (fileLoaded_ && settings().Offset.value_or(0) != 0 &&
            (format == LoadFormat::SRecord || format == LoadFormat::Dat))
            session_.Note(MessageKind::Warning, OffsetNotAppliedText);
    }
    if (!session_.Connected()) {
        RequestExit(ExitCode::NotConnected);
        return;
    }
    if (!GuardIdentifiedPart())
        return;
    // The serial number goes into the image before any step.
    if (fileLoaded_ || session_.Files().CurrentFilePath.empty())
        session_.PatchImage();
    if (!ApplyBatchArea())
        return;
    session_.SetBatchMode(true);
    if (!PrepareLocks())
        return;
    // RunBatch refused a read step without --read: a read always has a file.
    if (!settings().ReadBackPath.empty())
        RunStepsThenRead();
    else if (!settings().Security.OnlySecurity(stepsGiven_))
        RunSteps();
    if (!Succeeding())
        return;
    if (!FinishLocks())
        return;
    RequestExit(ExitCode::Success);
}

void BatchRun::RunSteps() { Counted(session_.Run()); }

void BatchRun::Counted(const RunOutcome& outcome)
{
    if (outcome.Kind == RunOutcomeKind::Cancelled)
        return;
    // A locked part refuses what the steps ask of it: say what helps. One
    // that did not answer in time, or no longer answers, is not refusing,
    // and a chip erase would not help it.
    const bool stepFailed = outcome.Kind == RunOutcomeKind::BlankCheckFailed ||
                            outcome.Kind == RunOutcomeKind::VerifyFailed ||
                            outcome.Kind == RunOutcomeKind::ReadFault || outcome.Kind == RunOutcomeKind::WriteFault;
    const bool refused = outcome.Fault != LinkFault::TimedOut && outcome.Fault != LinkFault::TargetGone;
    if (session_.IdentifiedLocked() && stepFailed && refused)
        session_.Note(MessageKind::Error, LockedPartHintText);
    // The closing line waits for the end of the process: files written
    // after the run can still turn its result. A read after the steps adds
    // to their counts.
    if (!batchRun_)
        batchRun_ = RunOutcome{};
    AddRunOutcome(*batchRun_, outcome);
    RequestExit(ExitCodeFor(outcome));
}

void BatchRun::RunStepsThenRead()
{
    if (StepsAsked()) {
        session_.SetStep(Step::Read, false);
        RunSteps();
        if (!Succeeding())
            return;
        // The read covers the file's range again: it was loaded for the
        // steps and is still in the image.
        exitCode_.reset();
    }
    ReadBack();
}

bool BatchRun::ApplyBatchArea()
{
    if (settings().Area.value_or(FlashArea::Code) == FlashArea::Code)
        return true;
    if (!session_.State().DataAreaEnabled)
        return Refuse(ExitCode::OutsideDataArea, NoDataAreaText(session_.Programmer().Dev.Chip.DerivativeName));
    session_.SelectArea(FlashArea::UserData);
    ApplyExplicitSteps();
    return true;
}

void BatchRun::ReadBack()
{
    const FlashArea area = settings().Area.value_or(FlashArea::Code);
    session_.SelectArea(area);
    session_.SetStep(Step::Read, true); // the option rules untick the other steps
    // The range of the -f file, when one was named: a file that did not
    // load has no range, and the whole chip is not what was asked for.
    if (!session_.Files().CurrentFilePath.empty() && !fileLoaded_) {
        RequestExit(ExitCode::NoData);
        return;
    }
    const ImageBuffer& image = session_.Image();
    const ChipInfo& chip = session_.Programmer().Dev.Chip;
    AddressRange range{0, area == FlashArea::UserData ? int32_t{chip.ScratchpadSize} - 1
                                                      : static_cast<int32_t>(chip.FlashEnd)};
    if (image.ImageSize > 0)
        range = {image.StartAddress, image.EndAddress};
    // The read leaves addresses it does not reach (the top byte of the code
    // area, the gap below the User data of small parts) as they were: they
    // must not come out of the file as if the chip held them.
    Counted(session_.ReadChip(range, area));
    if (!Succeeding())
        return;
    std::string error;
    const std::string& path = settings().ReadBackPath;
    const int64_t count = int64_t{image.EndAddress} - image.StartAddress + 1;
    if (!SaveRange(image, image.StartAddress, count > 0 ? static_cast<uint32_t>(count) : 0u, path,
                   OutputFormatFor(path, settings().OutFormat), error)) {
        Refuse(ExitCode::OutputNotWritten, error);
        return;
    }
    session_.Log(ReadBackLine(image.ImageSize, IsStdStream(path) ? "standard output" : path));
    RequestExit(ExitCode::Success);
}

bool BatchRun::GuardIdentifiedPart()
{
    const ProgrammerStack& stack = session_.Programmer();
    const SessionState& state = session_.State();
    const std::string& found = stack.Dev.Chip.DerivativeName;
    identifiedPart_ = found;
    if (state.ChainEnabled && state.SelectedChainDevice != 0) {
        const tJTAGChainDevice& entry = stack.Chain.Devices[state.SelectedChainDevice - 1];
        if (!PartNameMatches(found, entry.DeviceName))
            return Refuse(ExitCode::ChainMismatch,
                          ChainPartMismatchText(state.SelectedChainDevice, entry.DeviceName, found));
    }
    if (settings().ExpectedPart && !PartNameMatches(found, *settings().ExpectedPart))
        return Refuse(ExitCode::PartMismatch, PartMismatchText(found, *settings().ExpectedPart));
    return true;
}

// The run's part of a record; the caller adds the port's work, the serial
// number and the message.
RunRecord BatchRun::Record(int exitCode) const
{
    RunRecord record;
    record.ExitCode = exitCode;
    const ProgrammerStack& stack = session_.Programmer();
    record.Part = identifiedPart_.empty() && session_.Connected() ? stack.Dev.Chip.DerivativeName : identifiedPart_;
    if (!record.Part.empty())
        record.Adapter = stack.Signals.Detected().Name;
    record.Area = session_.Options().Area() == FlashArea::UserData ? "data" : "code";
    static constexpr std::pair<Step, const char*> Names[] = {
        {Step::Erase, "erase"}, {Step::BlankCheck, "blank"}, {Step::Program, "program"}, {Step::Verify, "verify"}};
    if (batchRun_)
        for (const auto& [step, name] : Names)
            if (session_.Options().Checked(step))
                record.Steps.push_back(name);
    if (!settings().ReadBackPath.empty())
        record.Steps.push_back("read");
    if (batchRun_) {
        record.Programmed = batchRun_->Programmed;
        record.Verified = batchRun_->Verified;
        if (batchRun_->HasProgramCrc)
            record.Crc32 = batchRun_->ProgramCrc;
        record.Seconds = batchRun_->Seconds;
        record.StallsRecovered = batchRun_->StallsRecovered;
    }
    return record;
}

} // namespace vorbrant
