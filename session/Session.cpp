#include "session/Session.h"

#include "image/FileFormats.h"
#include "image/ImageTexts.h"
#include "lpt/RealTimeHint.h"
#include "session/ExitCodes.h"
#include "session/Messages.h"
#include "session/RunReport.h"
#include "target/JtagLink.h"

namespace vorbrant {

Session::Session(ProgrammerStack& stack, ImageBuffer& image, Operator& op, SessionSettings settings)
    : stack_(stack), image_(image), op_(op), settings_(std::move(settings))
{
}

Session::~Session() = default;

void Session::notify(void (SessionView::*event)())
{
    if (view_)
        (view_->*event)();
}

// --- start-up and close ------------------------------------------------------

void Session::Start(bool directAddressMode)
{
    // An empty image.
    image_.ClearImage(false);
    image_.StartAddress = image_.EndAddress = image_.ImageSize = 0;

    state_.LptWarningShown = true;
    state_.DirectAddressMode = false;
    state_.BatchMode = false;

    LockConfiguration();
    ReadConfiguration();

    // "-dd" counts only as the very first argument.
    state_.DirectAddressMode = directAddressMode;
    SelectPort();
    image_.BufferCapacity = ImageBuffer::Capacity;
    image_.LoadOffset = settings_.Offset.value_or(0);
    notify(&SessionView::BufferChanged);
}

void Session::Opened()
{
    if (configReadOnly_)
        op_.ShowMessage(MessageKind::Warning, ConfigurationInUseText(settings_.IniPath));
}

bool Session::Close()
{
    if (closed_)
        return true;
    closed_ = true;
    SetPollTimer(false);
    bool saved = WriteConfiguration();
    if (Connected())
        stack_.Dev.DisconnectTarget();
    configLock_.Release();
    return saved;
}

// --- operation options -------------------------------------------------------

void Session::SetStep(Step step, bool checked)
{
    options_.SetChecked(step, checked);
    notify(&SessionView::OptionsChanged);
}

void Session::SelectArea(FlashArea area)
{
    options_.SelectArea(area);
    notify(&SessionView::OptionsChanged);
}

void Session::ClearSteps()
{
    options_.ClearEnabledSteps();
    notify(&SessionView::OptionsChanged);
}

RunOptions Session::CurrentRunOptions() const
{
    RunOptions options;
    options.DoRead = options_.Checked(Step::Read);
    options.DoErase = options_.Checked(Step::Erase);
    options.DoBlankCheck = options_.Checked(Step::BlankCheck);
    options.DoProgram = options_.Checked(Step::Program);
    options.DoVerify = options_.Checked(Step::Verify);
    options.Area = options_.Area();
    options.BatchMode = state_.BatchMode;
    return options;
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
    if (view_)
        view_->PanelsEnabled(true);
    op_.SetBusy(false);
    op_.HideProgress();
    if (state_.LptMode)
        state_.PollActive = true;
    SetPollTimer(true);
}

void Session::RunEventSeen(RunReport& report, const RunEvent& event)
{
    if (event.Kind == RunEventKind::Uploaded) {
        state_.Loaded = LoadedLabel::Uploaded;
        notify(&SessionView::LoadedFileChanged);
    } else if (event.Kind == RunEventKind::ImageChanged) {
        notify(&SessionView::BufferChanged);
    }
    report.Event(event);
}

void Session::SetBatchMode(bool batch) { state_.BatchMode = batch; }

RunOutcome Session::Run(const std::optional<AddressRange>& readRange)
{
    RunOptions options = CurrentRunOptions();
    options.ReadRange = readRange;
    options.AskReadRange = [this](AddressRange& range) { return op_.AskRange(ReadRangeCaption, range); };
    options.SamePartAnswers = [this] { return stack_.Dev.SamePartAnswers(); };
    options.StopRequested = settings_.StopRequested;
    RealClock wall;
    // On a real port, a stall inside a C2 clock strobe resets the target:
    // ask for real-time scheduling while the run holds the port.
    RealTimeHint realTime(!settings_.SimulatedPort);
    RunReport report(op_, state_.BatchMode);
    Sequencer sequencer(image_, stack_.Dev.Flash(), stack_.Dev.Chip, wall,
                        [this, &report](const RunEvent& event) { RunEventSeen(report, event); });
    op_.SetBusy(true);
    DisablePanels();
    RunOutcome outcome = sequencer.RunOperations(options);
    // A stopped run leaves no part armed for programming; JTAG parts go
    // back to Test-Logic-Reset, as at power-up.
    if (outcome.Kind == RunOutcomeKind::Interrupted && Connected()) {
        stack_.Dev.DisconnectTarget();
        if (!stack_.Dev.Chip.C2Mode)
            stack_.Dev.Jtag().JtagResetTap();
    }
    report.End(outcome, [this] { ShowIdle(); });
    // A batch run's closing line waits for the end of the process.
    if (outcome.Kind != RunOutcomeKind::Cancelled && !state_.BatchMode)
        op_.Log(RunResultLogLine(outcome, ToInt(ExitCodeFor(outcome)),
                                 settings_.PortSummary ? settings_.PortSummary(false) : ""));
    return outcome;
}

RunOutcome Session::ReadChip(const AddressRange& range, FlashArea area)
{
    SelectArea(area);
    SetStep(Step::Read, true); // the option rules untick the other steps
    image_.ClearImage(false);
    return Run(range);
}

void Session::PatchImage()
{
    if (!settings_.PatchImage)
        return;
    settings_.PatchImage(image_);
    notify(&SessionView::BufferChanged);
}

void Session::Go()
{
    state_.GoEnabled = false;
    notify(&SessionView::ConnectionChanged);
    op_.Repaint();
    Run();
    state_.GoEnabled = true;
    notify(&SessionView::ConnectionChanged);
}

void Session::Reload()
{
    if (LoadCurrentFile())
        Run();
}

// --- files -------------------------------------------------------------------

bool Session::LoadCurrentFile()
{
    if (LoadOutcome loaded = LoadFile(image_, files_); !loaded.Loaded()) {
        op_.ShowMessage(MessageKind::Error, LoadOutcomeText(loaded));
        return false;
    }
    state_.Loaded = LoadedLabel::File;
    notify(&SessionView::LoadedFileChanged);
    notify(&SessionView::BufferChanged);
    return true;
}

void Session::OpenFile(const std::string& path, LoadFormat format)
{
    files_.FileFormat = ChooseFileFormat(path, format);
    size_t slash = path.rfind('/');
    files_.LastDir = slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
    files_.LoadedName = FileNamePart(path);
    files_.CurrentFilePath = path;
    LoadCurrentFile();
    AddRecentFile(path);
}

void Session::SetCurrentFile(const std::string& path, LoadFormat format)
{
    files_.CurrentFilePath = path;
    files_.FileFormat = format;
}

void Session::SetLoadOffset(int32_t offset)
{
    image_.LoadOffset = offset;
    notify(&SessionView::BufferChanged);
}

void Session::EditByte(uint32_t address, uint8_t value)
{
    if (address >= ImageBuffer::Capacity)
        return;
    image_.StoreEditedByte(address, value);
    notify(&SessionView::BufferChanged);
}

void Session::ClearBuffer()
{
    image_.ClearImage(false);
    image_.StartAddress = image_.EndAddress = image_.LoadOffset = image_.ImageSize = 0;
    state_.Loaded = LoadedLabel::None;
    notify(&SessionView::LoadedFileChanged);
    notify(&SessionView::BufferChanged);
}

void Session::AddRecentFile(const std::string& path)
{
    recent_.AddRecentFile(path);
    notify(&SessionView::RecentFilesChanged);
}

void Session::OpenRecentFile(int entry)
{
    const auto& entries = recent_.Entries();
    if (entry < 1 || static_cast<size_t>(entry) > entries.size())
        return;
    files_.CurrentFilePath = entries[static_cast<size_t>(entry) - 1];
    files_.FileFormat = LoadFormat::Detect;
    LoadCurrentFile();
}

void Session::SaveWithRange(const ChooseSavePath& choose)
{
    AddressRange range{image_.StartAddress, image_.EndAddress};
    bool ok = op_.AskRange(SaveRangeCaption, range);
    // The dialog stores a field as soon as it is left, Cancel or not.
    image_.StartAddress = range.Start;
    image_.EndAddress = range.End;
    if (!ok)
        return;
    std::optional<SavePath> target = choose();
    if (!target || target->Path.empty())
        return;
    // The save format stays apart from FileFormat, which Reload uses.
    op_.SetBusy(true);
    std::string error;
    bool saved = SaveImage(image_, target->Path, target->Format, error);
    op_.SetBusy(false);
    if (!saved)
        op_.ShowMessage(MessageKind::Error, error);
}

} // namespace vorbrant
