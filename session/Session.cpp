#include "session/Session.h"

#include "common/AtomicFile.h"
#include "common/BoundedRead.h"
#include "common/StdStreams.h"
#include "common/Text.h"
#include "image/FileFormats.h"
#include "image/FileSaver.h"
#include "lpt/RealTimeHint.h"
#include "session/CommandLine.h"
#include "session/Messages.h"
#include "security/Protection.h"
#include "session/PortSetting.h"
#include "target/JtagLink.h"
#include "target/PartNames.h"

#include <algorithm>

#include <filesystem>

namespace vorbrant {

namespace {

constexpr const char* Environment = "ENVIRONMENT";
// More recent-file keys than this are not read: the list keeps five anyway,
// and a damaged FileCount must not keep start-up busy.
constexpr int32_t MaxFileKeys = 1000;

// LPT1..LPT3 at the fixed addresses of "-dd".
constexpr uint16_t FixedBases[] = {0x378, 0x278, 0x3BC};
constexpr const char* FixedNames[] = {"378H", "278H", "3BCH"};

} // namespace

Session::Session(ProgrammerStack& stack, ImageBuffer& image, Operator& op, SessionSettings settings)
    : Stack(stack), Image(image), Op(op), Settings(std::move(settings))
{
}

Session::~Session() = default;

void Session::notify(void (SessionView::*event)())
{
    if (view_)
        (view_->*event)();
}

void Session::SetPollTimer(bool running)
{
    pollTimerRunning_ = running;
    if (view_)
        view_->PollTimer(running);
}

void Session::Reconnect()
{
    ConnectClick();
    ConnectClick();
}

SecurityContext Session::Security()
{
    auto reconnect = [this] {
        const bool polling = PollTimerRunning();
        Reconnect();
        SetPollTimer(polling);
    };
    return SecurityContext{Stack.Dev, Op, reconnect, [this] { return PollTimerRunning(); },
                           [this](bool running) { SetPollTimer(running); }};
}

// --- start-up and close ------------------------------------------------------

std::optional<int> Session::Start(const std::vector<std::string>& args)
{
    // An empty image.
    Image.ClearImage(false);
    Image.StartAddress = Image.EndAddress = Image.ImageSize = 0;

    LptWarningShown = true;
    DirectAddressMode = false;
    BatchMode = false;
    RunFlag = false;
    CommandLineError = false;
    ExitCode.reset();

    LockConfiguration();
    ReadConfiguration();

    // "-dd" counts only as the very first argument.
    const CommandLineScan scan = ScanCommandLine(args);
    DirectAddressMode = scan.DirectAddressMode;

    SelectPort();
    Image.BufferCapacity = ImageBuffer::Capacity;
    Image.LoadOffset = Settings.Offset.value_or(0);
    notify(&SessionView::BufferChanged);

    if (!args.empty() || !Settings.ReadBackPath.empty() || Settings.Security.Any() || Settings.Steps ||
        Settings.Chain.Any()) {
        RunCommandLine(scan, args);
        if (ExitCode)
            return ExitCode;
    }
    // Once, as the window opens: a batch run never writes the file anyway.
    if (configReadOnly_)
        Op.ShowMessage(MessageKind::Warning, ConfigurationInUseText(Settings.IniPath));
    return std::nullopt;
}

int Session::HeadlessExitCode() const
{
    // A port the machine does not have is a cabling matter, not a typo.
    if (portMissing_)
        return ToInt(ExitCode::NotConnected);
    return ToInt(CommandLineError || NothingToDo() ? ExitCode::CommandLineError : ExitCode::Success);
}

std::string Session::ResultLine(int exitCode) const
{
    if (!batchStarted_ && exitCode == 0)
        return "";
    const std::string port = Settings.PortSummary ? Settings.PortSummary(wholeRunLine_) : "";
    return batchRun_ ? RunResultLogLine(*batchRun_, exitCode, port) : ResultLogLine(exitCode, port);
}

bool Session::CheckUnknownOptions(const CommandLineScan& scan, const std::vector<std::string>& args)
{
    const std::vector<std::string> unknown = UnknownOptions(args);
    if (unknown.empty())
        return true;
    const bool classicRun = std::any_of(scan.Steps.begin(), scan.Steps.end(), [](const CommandStep& step) {
        return step.Kind == CommandKind::CheckProgram || step.Kind == CommandKind::SelectPort;
    });
    const bool batch = Settings.Headless || classicRun || Settings.Steps || !Settings.ReadBackPath.empty() ||
                       Settings.Security.Any() || Settings.Chain.Any();
    // The window keeps its silence about them; stderr still says so.
    for (const std::string& arg : unknown)
        Op.Note(MessageKind::Error, UnknownOptionText(arg));
    if (!batch)
        return true;
    batchStarted_ = true;
    CommandLineError = true;
    RequestExit(ExitCode::CommandLineError);
    return false;
}

void Session::RunCommandLine(const CommandLineScan& scan, const std::vector<std::string>& args)
{
    if (!CheckUnknownOptions(scan, args))
        return;
    if (!ApplyCommandSteps(scan))
        return;
    ApplyExplicitSteps();
    // Reading the chip back and the lock-byte options are batch runs of
    // their own.
    if (!Settings.ReadBackPath.empty() || Settings.Security.Any() || Settings.Chain.Any())
        RunFlag = true;
    if (RunFlag)
        RunBatch();
}

void Session::ApplyExplicitSteps()
{
    if (!Settings.Steps)
        return;
    for (Step step : AllSteps)
        Options.SetChecked(step, false);
    // Read first: the other steps untick it, and the batch reads after them.
    std::vector<Step> steps = *Settings.Steps;
    std::stable_partition(steps.begin(), steps.end(), [](Step step) { return step == Step::Read; });
    for (Step step : steps)
        Options.SetChecked(step, true);
    stepsGiven_ = true;
    RunFlag = true;
    notify(&SessionView::OptionsChanged);
}

bool Session::ApplyCommandSteps(const CommandLineScan& scan)
{
    for (const CommandStep& step : scan.Steps) {
        switch (step.Kind) {
        case CommandKind::Help:
            Op.ShowMessage(MessageKind::Information, CommandLineHelpText);
            helpShown_ = true;
            break;
        case CommandKind::CheckErase:
            SetStep(Step::Erase, true);
            stepsGiven_ = stepLettersGiven_ = true;
            break;
        case CommandKind::CheckBlank:
            SetStep(Step::BlankCheck, true);
            stepsGiven_ = stepLettersGiven_ = true;
            break;
        case CommandKind::CheckProgram:
            SetStep(Step::Program, true);
            RunFlag = true;
            stepsGiven_ = stepLettersGiven_ = true;
            break;
        case CommandKind::CheckVerify:
            SetStep(Step::Verify, true);
            stepsGiven_ = stepLettersGiven_ = true;
            break;
        case CommandKind::LoadFile: {
            std::error_code ec;
            if (!step.Text.empty() && std::filesystem::is_regular_file(step.Text, ec)) {
                Files.CurrentFilePath = step.Text;
                stepsGiven_ = true;
                fileGiven_ = true;
                break;
            }
            // A FIFO or a folder exists: its reason is another one.
            if (!step.Text.empty() && std::filesystem::exists(step.Text, ec))
                Op.ShowMessage(MessageKind::Error, CannotReadText(step.Text, NotRegularFileReason));
            else
                Op.ShowMessage(MessageKind::Error,
                               "Nonexisting file in command line - starting in GUI mode ! (" + step.Text + ")");
            CommandLineError = true;
            return false;
        }
        case CommandKind::SelectPort: {
            RunFlag = true;
            LptWarningShown = true;
            const std::string& name = step.Text;
            int number = 0;
            for (int n = 1; n <= 3; ++n)
                if (name == "LPT" + std::to_string(n))
                    number = n;
            if (number != 0)
                ChooseLpt(number);
            if (number == 0 || PortSelection == PortChoice::None) {
                Op.ShowMessage(MessageKind::Error,
                               "Invalid port name in command line - starting in GUI mode ! (" + name + ")");
                LptWarningShown = false;
                CommandLineError = true;
                portMissing_ = number != 0;
                return false;
            }
            break;
        }
        case CommandKind::SyntaxError:
            Op.ShowMessage(MessageKind::Error,
                           "Syntax error in command line - starting in GUI mode ! (" + step.Text + ")");
            CommandLineError = true;
            return false;
        }
    }
    return true;
}

bool Session::ReadBackWritable()
{
    const std::string& path = Settings.ReadBackPath;
    std::string problem = path.empty() || IsStdStream(path) ? "" : WriteProblem(path);
    if (problem.empty())
        return true;
    Op.Note(MessageKind::Error, OutputNotWritableText(path, problem));
    RequestExit(ExitCode::OutputNotWritten);
    return false;
}

void Session::RunBatch()
{
    batchStarted_ = true;
    // A file that could not take the result is refused before the chip is
    // touched, and so is a read whose bytes would go nowhere.
    if (!ReadBackWritable())
        return;
    if (Settings.ReadBackPath.empty() && ReadStepNamed()) {
        Op.Note(MessageKind::Error, ReadStepNeedsFileText);
        RequestExit(ExitCode::CommandLineError);
        return;
    }
    if (Settings.Chain.Any() && !PrepareChain())
        return;
    // The chain check first: steps run only on the chain the JCF file says.
    if (Settings.Chain.Verify && !VerifyChainBatch())
        return;
    if (Settings.Chain.AllDevices)
        RunChainPositions();
    else
        RunBatchOnce();
}

bool Session::ReadStepNamed() const
{
    return Settings.Steps && std::find(Settings.Steps->begin(), Settings.Steps->end(), Step::Read) != Settings.Steps->end();
}

bool Session::StepsAsked() const
{
    if (stepLettersGiven_)
        return true;
    return Settings.Steps &&
           std::any_of(Settings.Steps->begin(), Settings.Steps->end(), [](Step step) { return step != Step::Read; });
}

void Session::RunBatchOnce()
{
    // Nothing is driven at a chain position before it shows the IDCODE
    // its entry names.
    if (LptMode && ChainEnabled && SelectedChainDevice != 0 && !GuardChainPosition())
        return;
    // Connect, poll once, load, then the operation flow, which ends with an
    // exit code.
    ConnectClick();
    Op.Repaint();
    Tick();
    if (ExitCode)
        return;
    if (!Files.CurrentFilePath.empty()) {
        Files.FileFormat = Settings.FileFormat.value_or(LoadFormat::Detect);
        fileLoaded_ = LoadCurrentFile();
        if (fileLoaded_ && Settings.Offset.value_or(0) != 0 &&
            (Files.FileFormat == LoadFormat::SRecord || Files.FileFormat == LoadFormat::Dat))
            Op.Note(MessageKind::Warning, OffsetNotAppliedText);
    }
    // Hook: the serial number goes into the image before any step.
    if (Settings.PatchImage && (fileLoaded_ || Files.CurrentFilePath.empty()))
        Settings.PatchImage(Image);
    if (!Connected()) {
        RequestExit(ExitCode::NotConnected);
        return;
    }
    if (!GuardIdentifiedPart())
        return;
    if (!ApplyBatchArea())
        return;
    BatchMode = true;
    if (!PrepareLocks())
        return;
    // RunBatch refused a read step without --read: a read always has a file.
    if (!Settings.ReadBackPath.empty())
        RunStepsThenRead();
    else if (!Settings.Security.OnlySecurity(stepsGiven_))
        Go();
    if (ExitCode.value_or(ToInt(ExitCode::Success)) != ToInt(ExitCode::Success))
        return;
    if (!FinishLocks())
        return;
    RequestExit(ExitCode::Success);
}

void Session::RunStepsThenRead()
{
    if (StepsAsked()) {
        Options.SetChecked(Step::Read, false);
        Go();
        if (ExitCode.value_or(ToInt(ExitCode::Success)) != ToInt(ExitCode::Success))
            return;
        // The read covers the file's range again: it was loaded for the
        // steps and is still in the image.
        ExitCode.reset();
    }
    ReadBack();
}

bool Session::ApplyBatchArea()
{
    if (Settings.Area.value_or(FlashArea::Code) == FlashArea::Code)
        return true;
    if (!DataAreaEnabled) {
        Op.Note(MessageKind::Error, NoDataAreaText(Stack.Dev.Chip.DerivativeName));
        RequestExit(ExitCode::OutsideDataArea);
        return false;
    }
    SelectArea(FlashArea::UserData);
    ApplyExplicitSteps();
    return true;
}

bool Session::GuardIdentifiedPart()
{
    const std::string& found = Stack.Dev.Chip.DerivativeName;
    identifiedPart_ = found;
    if (ChainEnabled && SelectedChainDevice != 0) {
        const tJTAGChainDevice& entry = Stack.Chain.Devices[SelectedChainDevice - 1];
        if (!PartNameMatches(found, entry.DeviceName)) {
            Op.Note(MessageKind::Error, ChainPartMismatchText(SelectedChainDevice, entry.DeviceName, found));
            RequestExit(ExitCode::ChainMismatch);
            return false;
        }
    }
    if (Settings.ExpectedPart && !PartNameMatches(found, *Settings.ExpectedPart)) {
        Op.Note(MessageKind::Error, PartMismatchText(found, *Settings.ExpectedPart));
        RequestExit(ExitCode::PartMismatch);
        return false;
    }
    return true;
}

bool Session::RefuseUnfitLock(bool erasedFirst)
{
    std::string why = CheckLockRequest(Stack.Dev.Chip, Settings.Security.Lock, erasedFirst);
    if (why.empty())
        return false;
    Op.Note(MessageKind::Error, why);
    RequestExit(ExitCode::CommandLineError);
    return true;
}

bool Session::PrepareLocks()
{
    // A lock that does not fit the part is refused before anything changes.
    if (RefuseUnfitLock(Settings.Security.ChipErase))
        return false;
    if (!Settings.Security.ChipErase)
        return true;
    const bool c2 = Stack.Dev.Chip.C2Mode;
    if (!Stack.Dev.Flash().EraseFlash(EraseKind::Chip, 0, 0)) {
        Op.Note(MessageKind::Error, c2 ? ChipEraseFailedText : FullChipEraseFailedText);
        RequestExit(ExitCode::FlashFault);
        return false;
    }
    Op.Log("Chip erased");
    // The part is identified afresh: a locked part shows what it is now.
    Reconnect();
    if (!Connected()) {
        RequestExit(ExitCode::NotConnected);
        return false;
    }
    return !RefuseUnfitLock();
}

bool Session::FinishLocks()
{
    if (Settings.Security.Lock.Any() && !LockAndConfirm())
        return false;
    if (Settings.Security.Show) {
        Protection held;
        if (!ReadProtectionOrExit(held))
            return false;
        for (const std::string& line : DescribeProtection(Stack.Dev.Chip, held))
            Op.Log(line);
    }
    return true;
}

bool Session::LockAndConfirm()
{
    const LockRequest& lock = Settings.Security.Lock;
    const ChipInfo identified = Stack.Dev.Chip;
    // Not judged by itself: the part is read back.
    WriteLockRequest(Stack.Dev, lock);
    // Read first while the part may still show what it holds: some parts
    // lock their lock byte's page with the first locked page, some only
    // after a reset.
    Protection held;
    std::string error;
    bool read = ReadProtection(Stack.Dev, held, error);
    const bool confirmed = read && held == ExpectedProtection(held, lock);
    // Identified afresh, so that a locked part shows what it is now; the
    // check goes on with the identity it had before.
    Reconnect();
    if (!Connected()) {
        // Gone during its lock: a fault of the run, not a lock state.
        RequestExit(ExitCode::FlashFault);
        return false;
    }
    KeepIdentity(Stack.Dev.Chip, identified);
    if (!confirmed) {
        Protection again;
        std::string againError;
        if (ReadProtection(Stack.Dev, again, againError)) {
            held = again;
            read = true;
        } else if (!read) {
            error = againError;
        }
    }
    if (!LockBytesStillThere())
        return false;
    if (!read) {
        Op.Note(MessageKind::Error, error);
        RequestExit(ExitCode::SecurityUnreadable);
        return false;
    }
    Protection asked = ExpectedProtection(held, lock);
    if (!(held == asked)) {
        Op.Note(MessageKind::Error,
                "Lock state after writing is " + ProtectionText(held) + ", expected " + ProtectionText(asked));
        RequestExit(ExitCode::LockMismatch);
        return false;
    }
    if (held.CountedByReads)
        Op.Log(LockConfirmedByRefusalLine);
    return true;
}

bool Session::ReadProtectionOrExit(Protection& protection)
{
    std::string error;
    const bool read = ReadProtection(Stack.Dev, protection, error);
    if (!LockBytesStillThere())
        return false;
    if (read)
        return true;
    Op.Note(MessageKind::Error, error);
    RequestExit(ExitCode::SecurityUnreadable);
    return false;
}

bool Session::LockBytesStillThere()
{
    if (Stack.Dev.SamePartAnswers())
        return true;
    const ChipInfo& chip = Stack.Dev.Chip;
    RunOutcome lost;
    lost.Kind = RunOutcomeKind::ReadFault;
    lost.C2 = chip.C2Mode;
    lost.Address = chip.C2Mode ? chip.LockByteAddress : chip.ReadLockAddress();
    OutcomeMessage message = RunOutcomeMessage(lost);
    Op.Note(message.Kind, message.Text);
    RequestExit(ExitCode::FlashFault);
    return false;
}

void Session::LockConfiguration()
{
    // On the file itself, whatever name or link reached it.
    // --no-ini: no file, no lock.
    configReadOnly_ = !Settings.IniPath.empty() && configLock_.TryLock(Settings.IniPath) == FileLock::HeldElsewhere;
}

void Session::ReadConfiguration()
{
    Config.SetPath(Settings.IniPath);
    std::string error;
    if (Settings.IniPath.empty()) {
        Config.Parse(""); // --no-ini: the defaults
    } else if (!Config.Load(&error)) {
        Op.ShowMessage(MessageKind::Warning, "Can't read configuration file " + Settings.IniPath + ": " + error);
    } else if (!Config.IsText()) {
        // Binary content is nobody's configuration: start from the defaults
        // and leave the file alone.
        Op.ShowMessage(MessageKind::Warning, ConfigNotTextMessage(Settings.IniPath));
        configNotTextShown_ = true;
        Config.Parse("");
    }

    Files.LastDir = Config.ReadString(Environment, "LastDir", "");
    PortSetting setting = ReadPortSetting(Config.ReadString(Environment, "Port", ""));
    PortSelection = setting.PortSelection;
    // The simulator answers on its own port, whatever an earlier run (or a
    // real machine) stored.
    if (Settings.SimulatedPort)
        PortSelection = LptChoice(Settings.SimulatedLpt);
    if (setting.HadAddress) {
        UserLptAddress = setting.UserLptAddress;
        LptWarningShown = true;
    }

    // The JTAG device list; its messages are for the window's operator.
    JtagDeviceTable::LoadResult devices = Devices.Load(Config);
    if (!Settings.Headless)
        ReportDeviceTableLoad(devices, Op);

    int32_t count = Config.ReadInteger(Environment, "FileCount", 0);
    if (count > MaxFileKeys)
        count = MaxFileKeys;
    for (int32_t n = 1; n <= count; ++n)
        AddRecentFile(Config.ReadString(Environment, "File" + std::to_string(n), ""));
}

bool Session::WriteConfiguration()
{
    // The instance that holds the lock owns the file; --no-ini has none.
    if (configReadOnly_ || Settings.IniPath.empty())
        return true;
    // Re-read first: other windows may have written their own keys since.
    Config.SetPath(Settings.IniPath);
    std::string error;
    if (!Config.Load(&error)) {
        // What could not be read must not be replaced by what we know.
        Op.ShowMessage(MessageKind::Error, ConfigNotWrittenMessage(Settings.IniPath, error));
        return false;
    }
    // Not ours to rewrite; the operator heard so once.
    if (!Config.IsText()) {
        if (!configNotTextShown_)
            Op.ShowMessage(MessageKind::Warning, ConfigNotTextMessage(Settings.IniPath));
        configNotTextShown_ = true;
        return true;
    }
    Config.WriteString(Environment, "LastDir", Files.LastDir);
    // A simulated port says nothing about this machine's ports.
    if (!Settings.SimulatedPort)
        Config.WriteString(Environment, "Port", FormatPortSetting(PortSelection, UserLptAddress));
    const auto& entries = Recent.Entries();
    Config.WriteInteger(Environment, "FileCount", static_cast<int32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i)
        Config.WriteString(Environment, "File" + std::to_string(i + 1), entries[i]);

    std::error_code ec;
    std::filesystem::path folder = std::filesystem::path(Settings.IniPath).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    return SaveConfiguration();
}

bool Session::Close()
{
    if (closed_)
        return true;
    closed_ = true;
    SetPollTimer(false);
    bool saved = WriteConfiguration();
    if (Connected())
        Stack.Dev.DisconnectTarget();
    configLock_.Release();
    return saved;
}

// --- port choice -------------------------------------------------------------

void Session::SelectPort()
{
    LptMode = false;
    if (!IsLptChoice(PortSelection)) {
        notify(&SessionView::PortChanged);
        return; // no adapter port (a serial port number or none)
    }

    PortInfoDimmed = true;
    FirmwareLineEnabled = false;
    std::string portName = "LPT" + std::to_string(LptNumber(PortSelection));
    PortMarks[0] = PortMarks[1] = PortMarks[2] = false;
    SelectedPortText = "---";
    LptMode = true;

    if (PortSelection != PortChoice::UserDefined && !DirectAddressMode) {
        if (!Stack.Ports.SelectLptPort(static_cast<uint8_t>(LptNumber(PortSelection)))) {
            notify(&SessionView::PortChanged);
            Op.ShowMessage(MessageKind::Warning, portName + " not available!");
            PortSelection = PortChoice::None;
            // Without a port there is nothing to drive.
            LptMode = false;
            notify(&SessionView::PortChanged);
            return;
        }
    }

    if (IsNumberedLpt(PortSelection)) {
        size_t index = static_cast<size_t>(LptNumber(PortSelection) - 1);
        // The menu's marks are exclusive.
        PortMarks = {};
        PortMarks[index] = true;
        if (DirectAddressMode) {
            portName = FixedNames[index];
            Stack.Ports.LptBase = FixedBases[index];
        }
        SelectedPortText = portName;
        SelectedPortHint = false;
    } else if (PortSelection == PortChoice::UserDefined) {
        PortMarks[3] = true;
        SelectedPortText = UserAddressText();
        Stack.Ports.LptBase = UserLptAddress;
    }
    notify(&SessionView::PortChanged);
}

void Session::ShowLptWarningOnce()
{
    if (LptWarningShown)
        return;
    LptWarningShown = true;
    Op.ShowMessage(MessageKind::Warning, "LPT and USB adapters support SiLabs devices only!");
}

void Session::ChooseLpt(int number)
{
    ShowLptWarningOnce();
    PortSelection = LptChoice(number);
    SelectPort();
}

std::string Session::UserAddressText() const { return Hex(UserLptAddress, 3) + "H"; }

void Session::ChooseUserDefined(const AskAddressText& ask)
{
    ShowLptWarningOnce();
    // A text that is no address leaves the earlier selection in force: the
    // code 104 alone would be saved at close as a user port at an address
    // nobody chose, while the marks and the port still show the old one.
    PortChoice previous = PortSelection;
    PortSelection = PortChoice::UserDefined;
    // Cancel keeps the earlier port as well.
    std::optional<std::string> typed = ask(UserAddressText());
    if (!typed || !ApplyUserAddress(*typed)) {
        PortSelection = previous;
        notify(&SessionView::PortChanged);
        return;
    }
    SelectedPortHint = true;
    notify(&SessionView::PortChanged);
}

void Session::EditUserAddress(const AskAddressText& ask)
{
    if (PortSelection != PortChoice::UserDefined)
        return;
    if (std::optional<std::string> typed = ask(UserAddressText()))
        ApplyUserAddress(*typed);
}

bool Session::ApplyUserAddress(const std::string& typed)
{
    std::string text(Trim(ToUpper(typed)));
    std::optional<int32_t> value;
    size_t h = text.find('H');
    if (h != std::string::npos) {
        std::string digits = text.substr(0, h) + text.substr(h + 1);
        if (!digits.empty() && digits.front() != '-' && digits.front() != '+')
            value = ParseInt32("$" + digits);
    } else {
        value = ParseInt32(text);
    }
    // An address beyond 16 bits is refused rather than cut to another port.
    if (!value || *value < 0 || *value > 0xFFFF) {
        Op.ShowMessage(MessageKind::Error, "'" + typed + "' is not a valid integer value");
        return false;
    }
    UserLptAddress = static_cast<uint16_t>(*value);
    SelectPort();
    return true;
}

// --- operation options -------------------------------------------------------

void Session::SetStep(Step step, bool checked)
{
    Options.SetChecked(step, checked);
    notify(&SessionView::OptionsChanged);
}

void Session::SelectArea(FlashArea area)
{
    Options.SelectArea(area);
    notify(&SessionView::OptionsChanged);
}

void Session::ClearSteps()
{
    Options.ClearEnabledSteps();
    notify(&SessionView::OptionsChanged);
}

RunOptions Session::CurrentRunOptions() const
{
    RunOptions options;
    options.DoRead = Options.Checked(Step::Read);
    options.DoErase = Options.Checked(Step::Erase);
    options.DoBlankCheck = Options.Checked(Step::BlankCheck);
    options.DoProgram = Options.Checked(Step::Program);
    options.DoVerify = Options.Checked(Step::Verify);
    options.Area = Options.Area();
    options.BatchMode = BatchMode;
    return options;
}

// --- connection --------------------------------------------------------------

void Session::WarnIfLocked(const ConnectResult& result)
{
    if (result.ClearsLockWarning)
        LockWarningShown = false;
    if (result.Kind != ConnectOutcome::Locked || LockWarningShown)
        return;
    LockWarningShown = true;
    OutcomeMessage warning = ConnectOutcomeMessage(result.Kind, Stack.Dev.Chip);
    Op.ShowMessage(warning.Kind, warning.Text);
}

void Session::ConnectClick()
{
    PollActive = false;
    if (!LptMode) {
        Op.ShowMessage(MessageKind::Warning, "Select port first!");
        return;
    }
    ChainCheckEnabled = false;
    SecurityMenuVisible = false;
    DataAreaEnabled = false;
    Options.SelectArea(FlashArea::Code);
    Options.ApplyAreaRule();
    Op.SetBusy(true);
    Options.SetEnabled(Step::Erase, true);
    Options.SetEnabled(Step::BlankCheck, true);
    if (!ChainEnabled)
        Stack.Dev.SetChainPosition(0);

    if (Connected()) {
        Disconnect();
        return;
    }
    // The window shows the connect under way behind any box it brings.
    notify(&SessionView::OptionsChanged);
    notify(&SessionView::ConnectionChanged);

    ConnectResult result = Stack.Dev.ConnectTarget();
    WarnIfLocked(result);
    identifiedLocked_ = result.Kind == ConnectOutcome::Locked;
    Op.SetBusy(false);
    if (!result.Identified()) {
        OutcomeMessage error = ConnectOutcomeMessage(result.Kind, Stack.Dev.Chip);
        Op.ShowMessage(error.Kind, error.Text);
        // Without an answer the chain may be set up again.
        if (!result.Answered()) {
            ChainCheckEnabled = true;
            notify(&SessionView::ConnectionChanged);
        }
        return;
    }

    const ChipInfo& chip = Stack.Dev.Chip;
    ChainSetupVisible = false;
    Loader = LoaderPanel::Connected;
    PollActive = true;
    SetPollTimer(true);
    GoEnabled = true;
    ConnectButtonText = "Disconnect";
    SecurityMenuVisible = true;
    FirmwareLineEnabled = true;
    DataAreaEnabled = chip.ScratchpadSize != 0;
    notify(&SessionView::OptionsChanged);
    notify(&SessionView::ConnectionChanged);
    Op.Log(ConnectedLogLine(chip, Stack.Pins.AdapterName));
}

void Session::Disconnect()
{
    // The target is released before the display changes.
    Stack.Dev.DisconnectTarget();
    LockWarningShown = false;
    ShowDisconnected();
}

void Session::ShowDisconnected()
{
    ChainCheckEnabled = true;
    if (ChainEnabled)
        ChainSetupVisible = true;
    Loader = LoaderPanel::Disconnected;
    ConnectButtonText = ChainEnabled ? "Connect to Device #" + std::to_string(SelectedChainDevice) : "Connect";
    GoEnabled = false;
    SetPollTimer(false);
    Op.SetBusy(false);
    Options.SetEnabled(Step::Verify, true);
    Options.SetEnabled(Step::Read, true);
    FirmwareLineEnabled = false;
    notify(&SessionView::OptionsChanged);
    notify(&SessionView::ConnectionChanged);
}

void Session::Tick()
{
    if (!PollActive)
        return;
    // A target that went away drops the window to "Not Connected", silently.
    ConnectResult result = Stack.Dev.ConnectTarget();
    if (!result.Answered()) {
        ShowDisconnected();
        PollActive = false;
        Op.Log(TargetLostLogLine);
        return;
    }
    WarnIfLocked(result);
}

// --- runs --------------------------------------------------------------------

void Session::DisablePanels()
{
    if (view_)
        view_->PanelsEnabled(false);
    SetPollTimer(false);
}

void Session::ShowIdle()
{
    Op.SetStatus("Idle", false);
    if (view_)
        view_->PanelsEnabled(true);
    Op.SetBusy(false);
    Op.HideProgress();
    if (LptMode)
        PollActive = true;
    SetPollTimer(true);
}

void Session::ShowUploaded()
{
    Loaded = LoadedLabel::Uploaded;
    notify(&SessionView::LoadedFileChanged);
}

void Session::Run(const std::optional<AddressRange>& readRange)
{
    RunOptions options = CurrentRunOptions();
    options.ReadRange = readRange;
    options.SamePartAnswers = [this] { return Stack.Dev.SamePartAnswers(); };
    options.StopRequested = Settings.StopRequested;
    RealClock wall;
    // On a real port, a stall inside a C2 clock strobe resets the target:
    // ask for real-time scheduling while the run holds the port.
    RealTimeHint realTime(!Settings.SimulatedPort);
    Sequencer sequencer(Image, Stack.Dev.Flash(), Stack.Dev.Chip, Op, wall, *this);
    RunOutcome outcome = sequencer.RunOperations(options);
    if (outcome.Kind == RunOutcomeKind::Cancelled)
        return;
    // A stopped run leaves no part armed for programming.
    if (outcome.Kind == RunOutcomeKind::Interrupted && Connected()) {
        Stack.Dev.DisconnectTarget();
        // JTAG parts go back to Test-Logic-Reset, as at power-up.
        if (!Stack.Dev.Chip.C2Mode)
            Stack.Dev.Jtag().JtagResetTap();
    }
    vorbrant::ExitCode code = ExitCodeFor(outcome);
    if (BatchMode) {
        // A locked part refuses what the steps ask of it: say what helps.
        const bool stepFailed = outcome.Kind == RunOutcomeKind::BlankCheckFailed ||
                                outcome.Kind == RunOutcomeKind::VerifyFailed ||
                                outcome.Kind == RunOutcomeKind::ReadFault || outcome.Kind == RunOutcomeKind::WriteFault;
        if (identifiedLocked_ && stepFailed)
            Op.Note(MessageKind::Error, LockedPartHintText);
        // The closing line waits for the end of the process: files written
        // after the run can still turn its result. A read after the steps
        // adds to their counts.
        if (!batchRun_)
            batchRun_ = RunOutcome{};
        AddRunOutcome(*batchRun_, outcome);
        RequestExit(code);
        return;
    }
    Op.Log(RunResultLogLine(outcome, ToInt(code), Settings.PortSummary ? Settings.PortSummary(false) : ""));
}

void Session::Go()
{
    GoEnabled = false;
    notify(&SessionView::ConnectionChanged);
    Op.Repaint();
    Run();
    GoEnabled = true;
    notify(&SessionView::ConnectionChanged);
}

void Session::Reload()
{
    if (LoadCurrentFile())
        Run();
}

void Session::ReadBack()
{
    const FlashArea area = Settings.Area.value_or(FlashArea::Code);
    SelectArea(area);
    SetStep(Step::Read, true); // the option rules untick the other steps
    // The range of the -f file, when one was named: a file that did not
    // load has no range, and the whole chip is not what was asked for.
    if (!Files.CurrentFilePath.empty() && !fileLoaded_) {
        RequestExit(ExitCode::NoData);
        return;
    }
    AddressRange range{0, area == FlashArea::UserData ? int32_t{Stack.Dev.Chip.ScratchpadSize} - 1
                                                      : static_cast<int32_t>(Stack.Dev.Chip.FlashEnd)};
    if (Image.ImageSize > 0)
        range = {Image.StartAddress, Image.EndAddress};
    // The read leaves addresses it does not reach (the top byte of the code
    // area, the gap below the User data of small parts) as they were: they
    // must not come out of the file as if the chip held them.
    Image.ClearImage(false);
    Run(range);
    if (ExitCode.value_or(ToInt(ExitCode::Success)) != ToInt(ExitCode::Success))
        return;
    std::string error;
    const std::string& path = Settings.ReadBackPath;
    const int64_t count = int64_t{Image.EndAddress} - Image.StartAddress + 1;
    if (!SaveRange(Image, Image.StartAddress, count > 0 ? static_cast<uint32_t>(count) : 0u, path,
                   OutputFormatFor(path, Settings.OutFormat), error)) {
        Op.Note(MessageKind::Error, error);
        RequestExit(ExitCode::OutputNotWritten);
        return;
    }
    Op.Log("Read " + std::to_string(Image.ImageSize) + " bytes into " + (IsStdStream(path) ? "standard output" : path));
    RequestExit(ExitCode::Success);
}

// --- files -------------------------------------------------------------------

bool Session::LoadCurrentFile()
{
    if (!LoadFile(Image, Files, Op))
        return false;
    Loaded = LoadedLabel::File;
    notify(&SessionView::LoadedFileChanged);
    notify(&SessionView::BufferChanged);
    return true;
}

void Session::OpenFile(const std::string& path, LoadFormat format)
{
    Files.FileFormat = ChooseFileFormat(path, format);
    size_t slash = path.rfind('/');
    Files.LastDir = slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
    Files.LoadedName = FileNamePart(path);
    Files.CurrentFilePath = path;
    LoadCurrentFile();
    AddRecentFile(path);
}

void Session::EditByte(uint32_t address, uint8_t value)
{
    if (address >= ImageBuffer::Capacity)
        return;
    Image.StoreEditedByte(address, value);
    notify(&SessionView::BufferChanged);
}

void Session::ClearBuffer()
{
    Image.ClearImage(false);
    Image.StartAddress = Image.EndAddress = Image.LoadOffset = Image.ImageSize = 0;
    Loaded = LoadedLabel::None;
    notify(&SessionView::LoadedFileChanged);
    notify(&SessionView::BufferChanged);
}

void Session::AddRecentFile(const std::string& path)
{
    Recent.AddRecentFile(path);
    notify(&SessionView::RecentFilesChanged);
}

void Session::OpenRecentFile(int entry)
{
    const auto& entries = Recent.Entries();
    if (entry < 1 || static_cast<size_t>(entry) > entries.size())
        return;
    Files.CurrentFilePath = entries[static_cast<size_t>(entry) - 1];
    Files.FileFormat = LoadFormat::Detect;
    LoadCurrentFile();
}

void Session::SaveWithRange(const ChooseSavePath& choose)
{
    AddressRange range{Image.StartAddress, Image.EndAddress};
    bool ok = Op.AskRange("Write file address range", range);
    // The dialog stores a field as soon as it is left, Cancel or not.
    Image.StartAddress = range.Start;
    Image.EndAddress = range.End;
    if (!ok)
        return;
    std::optional<SavePath> target = choose();
    if (!target || target->Path.empty())
        return;
    // The save format stays apart from FileFormat, which Reload uses.
    Op.SetBusy(true);
    std::string error;
    bool saved = SaveImage(Image, target->Path, target->Format, error);
    Op.SetBusy(false);
    if (!saved)
        Op.ShowMessage(MessageKind::Error, error);
}

} // namespace vorbrant
