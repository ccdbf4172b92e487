#pragma once
// The programmer session: everything the main window shows and the batch run
// uses, without a widget. It owns the port choice, the connection and its
// presence poll, the operation options, the image and the loaded file, the
// recent files and the configuration, and runs the operation flow and the
// command-line batch. It reports through the Operator (messages, status,
// progress) and a SessionView (what changed on the panels); it never reads
// what a window shows.
#include "chain/JtagChainSetup.h"
#include "chain/JtagDeviceEditor.h"
#include "common/FileLock.h"
#include "common/IniFile.h"
#include "common/Operator.h"
#include "image/FileLoader.h"
#include "image/FileSaver.h"
#include "image/ImageBuffer.h"
#include "image/RecentFiles.h"
#include "session/CommandLine.h"
#include "session/ExitCodes.h"
#include "session/OperationOptions.h"
#include "session/PortChoice.h"
#include "security/Protection.h"
#include "security/SecurityContext.h"
#include "session/Sequencer.h"
#include "target/ProgrammerStack.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorbrant {

struct RunReport; // session/RunReport.h

// What changed, for a window to repaint from the session's state. Each call
// is cheap to ignore; the batch run has no view.
class SessionView {
public:
    virtual ~SessionView() = default;
    virtual void PortChanged() {}       // selection, menu marks, port label
    virtual void ConnectionChanged() {} // loader panel, Connect button, menus
    virtual void OptionsChanged() {}    // step boxes and area buttons
    virtual void BufferChanged() {}     // buffer-info panel
    virtual void LoadedFileChanged() {} // the loaded-file label
    virtual void RecentFilesChanged() {}
    // The three panels while a run holds the window.
    virtual void PanelsEnabled(bool) {}
    // The presence poll's timer: started and stopped by the session, ticks
    // go to Session::Tick.
    virtual void PollTimer(bool) {}
};

// The lock-byte options of a batch run.
struct BatchSecurity {
    bool Show = false;      // print the protection at the end
    bool ChipErase = false; // erase the whole chip before any other step
    LockRequest Lock;       // written after the other steps, then compared

    bool Any() const { return Show || ChipErase || Lock.Any(); }
    // Without a file or a step of its own, a lock-byte run does only that.
    bool OnlySecurity(bool stepsGiven) const { return Any() && !stepsGiven; }
};

// The JTAG chain options of a batch run.
struct ChainBatch {
    std::string JcfPath;           // chain mode with this JCF file
    std::optional<uint8_t> Device; // the 1-based position to run on
    bool AllDevices = false;       // ... or every C8051F position with a file
    bool Verify = false;           // the hardware check of the chain

    bool Any() const { return !JcfPath.empty() || Device || AllDevices || Verify; }
};

struct SessionSettings {
    std::string IniPath;        // the configuration file
    bool Headless = false;      // no window is ever shown
    std::string ReadBackPath;   // --read=FILE: a batch run that reads the chip back
    BatchSecurity Security;
    ChainBatch Chain;
    std::optional<LoadFormat> FileFormat; // --format: the -f file's format, not detected
    std::optional<std::vector<Step>> Steps; // --steps: exactly these, and a batch run
    // --part: the part a batch run expects on the board, as written.
    std::optional<std::string> ExpectedPart;
    // The simulator: no real-time scheduling needed, and it answers on one
    // LPT port whatever the configuration says (nor is the port stored).
    bool SimulatedPort = false;
    int SimulatedLpt = 1;
    // A line about the port's work for the run report (accesses, time):
    // since the last such line, or with wholeRun since the port opened.
    std::function<std::string(bool wholeRun)> PortSummary;
    // --- scripts and production lines (the options of session/BatchOptions) ---
    std::optional<FlashArea> Area;       // --area: the area a batch run works on
    std::optional<int32_t> Offset;       // --offset: the load offset of the -f file
    std::optional<SaveFormat> OutFormat; // --out-format: how --read writes its file
    // Asked at every progress point of a run: true stops it (Ctrl-C, SIGTERM).
    std::function<bool()> StopRequested;
    // Called with the image after the batch run's file loaded (or with the
    // empty image when none was named), before any step: the serial number.
    std::function<void(ImageBuffer&)> PatchImage;
    // --chain-device=all: each position's report as it ends (--json).
    std::function<void(const RunReport&)> PositionReport;
};

// What the loader panel shows.
enum class LoaderPanel : uint8_t {
    Initial,      // as the window starts: nothing connected yet
    Connected,
    Disconnected, // after a disconnect or a lost target
};

// What the loaded-file label shows.
enum class LoadedLabel : uint8_t { None, File, Uploaded };

class Session : private RunView {
public:
    static constexpr const char* ApplicationTitle = "Vorbrant Lite";

    Session(ProgrammerStack& stack, ImageBuffer& image, Operator& op, SessionSettings settings);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void SetView(SessionView* view) { view_ = view; }

    // Start-up: clears the image, reads the configuration, applies the port,
    // runs the command line (args without our long options). Returns an exit
    // code when the process is to end now (a batch run), nullopt to go on.
    std::optional<int> Start(const std::vector<std::string>& args);
    // Stops the poll, writes the configuration, releases a connected target.
    // Runs once; false when the configuration could not be written.
    bool Close();
    // A headless start that did not end in a batch run and asked for
    // nothing else (no help, no command-line error): a window would have
    // been its only work.
    bool NothingToDo() const { return !CommandLineError && !helpShown_; }
    // Exit code of a headless start that did not end in a batch run.
    int HeadlessExitCode() const;
    // The closing line of a batch run, with the code the process ends with
    // (a file written after the run may have failed since): the operation
    // flow's counts when it ran. Empty only for a start that was no batch
    // run and ends well (the window, or "?" alone).
    std::string ResultLine(int exitCode) const;
    // The same as a record for --json (session/RunReport.h).
    RunReport Report(int exitCode) const;
    // Another instance holds the configuration: this one does not save it.
    bool ConfigurationReadOnly() const { return configReadOnly_; }

    // Port choice (the "Hardware port" menu).
    void SelectPort();
    void ChooseLpt(int number); // LPT1..LPT3 from the menu
    // The user-defined port: ask is shown the current address text and
    // answers what was typed, or nothing when the operator cancelled.
    using AskAddressText = std::function<std::optional<std::string>(const std::string& current)>;
    void ChooseUserDefined(const AskAddressText& ask);
    // A click on the port label: edits the user-defined address.
    void EditUserAddress(const AskAddressText& ask);
    std::string UserAddressText() const;

    // Operation options.
    void SetStep(Step step, bool checked);
    void SelectArea(FlashArea area);
    void ClearSteps();
    RunOptions CurrentRunOptions() const;

    // Connection: the Connect/Disconnect button, and the poll's tick.
    void ConnectClick();
    void Tick();
    // "Multiple JTAG Chain" ticked or not: the chain setup is offered and
    // Connect waits for it, or a single device is connected.
    void SetChainEnabled(bool enabled);
    // What the chain setup and the device list dialogs work with.
    ChainSetupContext ChainSetup();
    JtagDeviceEditor DeviceEditor();
    // The chain setup closed with OK on this 1-based position: Connect goes
    // to that device, and its programming file is loaded when it exists.
    void ChainSetupAccepted(uint8_t position);
    // Writes the configuration file as it stands (the device list and the
    // recorded JCF file at once, everything at close). False after the
    // message when it could not be written.
    bool SaveConfiguration();
    // The Connect button's action twice: disconnect, then connect, so that
    // a changed part is identified afresh (the security dialogs and options).
    void Reconnect();
    // The presence poll's timer as the window runs it.
    bool PollTimerRunning() const { return pollTimerRunning_; }
    void SetPollTimer(bool running);
    // What the security dialogs and options work with.
    SecurityContext Security();

    // Runs the ticked steps and reports the result (batch: the exit code).
    void Run(const std::optional<AddressRange>& readRange = std::nullopt);
    // Go: the run with the Go button held down.
    void Go();
    // Loads the current file and, when it loaded, runs (Reload).
    void Reload();
    // The --read batch run: reads the code flash (the loaded file's range,
    // else the whole code area) and saves it to the read-back path.
    void ReadBack();

    // Files.
    // LoadFile on Files.CurrentFilePath; on success the label shows its name.
    bool LoadCurrentFile();
    // A file chosen in the open dialog, read as its filter says (DAT files
    // always as DAT).
    void OpenFile(const std::string& path, LoadFormat format);
    void AddRecentFile(const std::string& path);
    void OpenRecentFile(int entry); // 1..5
    // The buffer-info panel after the image changed outside the session
    // (the offset dialog).
    void BufferChanged() { notify(&SessionView::BufferChanged); }
    // The hex editor: one byte typed in (stored and marked present, the
    // working range and ImageSize widened to reach it, so the next run
    // programs it with the rest), and "Clear buffer" (an empty image,
    // addresses, offset and size 0, no file loaded).
    void EditByte(uint32_t address, uint8_t value);
    void ClearBuffer();
    // File > Save: asks the range, then choose() the file and its format.
    struct SavePath {
        std::string Path;
        SaveFormat Format = SaveFormat::Hex;
    };
    using ChooseSavePath = std::function<std::optional<SavePath>()>;
    void SaveWithRange(const ChooseSavePath& choose);

    // The programmer below.
    ProgrammerStack& Stack;
    ImageBuffer& Image;
    Operator& Op;
    SessionSettings Settings;
    IniFile Config;
    FileState Files;
    RecentFiles Recent;
    OperationOptions Options;

    // Port state.
    PortChoice PortSelection = PortChoice::None;
    uint16_t UserLptAddress = 0;
    bool LptMode = false;
    bool DirectAddressMode = false;
    bool LptWarningShown = true;
    bool SelectedPortHint = true; // the port label invites a click (until an LPT port is selected)
    std::string SelectedPortText = "---";
    bool PortInfoDimmed = false; // the baud rate line does not apply to an LPT adapter
    // Check marks of the port menu: LPT1, LPT2, LPT3, User defined. LPT1
    // is marked until a port selection says otherwise.
    std::array<bool, 4> PortMarks{true, false, false, false};

    // Connection state.
    LoaderPanel Loader = LoaderPanel::Initial;
    bool Connected() const { return Loader == LoaderPanel::Connected; }
    bool PollActive = false;
    std::string ConnectButtonText = "Connect";
    bool FirmwareLineEnabled = true;  // the flash size (firmware) line of the loader panel
    bool ChainSetupVisible = false;   // "JTAG Chain Setup" offered
    bool ChainEnabled = false;        // "Multiple JTAG Chain" ticked
    bool ChainCheckEnabled = true;    // ... and may be changed
    bool ConnectEnabled = true;       // the Connect button
    uint8_t SelectedChainDevice = 0;  // chosen in the chain setup; 0 until then
    JtagDeviceTable Devices;          // the JTAG device list
    bool SecurityMenuVisible = false;
    bool DataAreaEnabled = false;
    bool GoEnabled = false;
    bool LockWarningShown = false;

    // Loaded file label.
    LoadedLabel Loaded = LoadedLabel::None;

    // Batch state.
    bool BatchMode = false;
    bool RunFlag = false;
    bool CommandLineError = false;
    std::optional<int> ExitCode;
    void RequestExit(vorbrant::ExitCode code) { ExitCode = ToInt(code); }

private:
    // RunView.
    void DisablePanels() override;
    void ShowIdle() override;
    void ShowUploaded() override;
    void ShowBufferInfo() override { notify(&SessionView::BufferChanged); }

    void ReadConfiguration();
    bool WriteConfiguration();
    // The configuration's lock file beside it; says once when another
    // instance holds it.
    void LockConfiguration();
    // The --read file must be writable before the chip is read.
    bool ReadBackWritable();
    void RunCommandLine(const CommandLineScan& scan, const std::vector<std::string>& args);
    // A batch run refuses option letters it does not know; a start that
    // opens the window names them and goes on. False when the run ends.
    bool CheckUnknownOptions(const CommandLineScan& scan, const std::vector<std::string>& args);
    // Steps named by letters or --steps besides a read; a chain check or a
    // read-back goes on to them.
    bool StepsAsked() const;
    // --steps names the read.
    bool ReadStepNamed() const;
    // The steps before the read of --read (or --steps=...,read), then the
    // read; the result counts both.
    void RunStepsThenRead();
    // Before the first step on a chain position: the IDCODE read there is
    // its entry's. After connecting: the part identified is the one the
    // JCF entry and --part name. False when the run ends (ExitCode set).
    bool GuardChainPosition();
    bool GuardIdentifiedPart();
    // The command line's ticks, file and port; false after an error in it.
    bool ApplyCommandSteps(const CommandLineScan& scan);
    void RunBatch();
    // One batch run on the current target: connect, load, the steps.
    void RunBatchOnce();
    // --area=data after the connect: the User data area selected (its rule
    // ticks Erase and Blank check; --steps stays exact). False (exit 4)
    // on a part without one.
    bool ApplyBatchArea();
    // The JTAG chain options: the JCF file loaded, the position chosen, the
    // hardware check. False when the run ends (ExitCode set).
    bool PrepareChain();
    // The hardware check of the chain; false when the run ends there.
    bool VerifyChainBatch();
    // --chain-device=all: the batch on every C8051F position with a file.
    void RunChainPositions();
    // The chain position the batch runs on, its file the -f file unless one
    // was given. False (exit 2) when the file is missing.
    bool SelectChainPosition(uint8_t position);
    // --steps: the steps it names, ticked after the letters of the command line.
    void ApplyExplicitSteps();
    // The lock-byte options around the operation flow: the fit check and
    // the chip erase before it, the lock and the report after it. False
    // when the run ends (ExitCode set).
    bool PrepareLocks();
    bool FinishLocks();
    // Writes the requested lock, connects again and confirms it.
    bool LockAndConfirm();
    // erasedFirst: a chip erase follows, and the check runs again after it.
    bool RefuseUnfitLock(bool erasedFirst = false);
    bool ReadProtectionOrExit(Protection& protection);
    // False (exit 16, the read fault at the lock byte) when the part no
    // longer answers as the one identified: what was read from it, or not
    // read, is no statement about its lock.
    bool LockBytesStillThere();
    void ShowLptWarningOnce();
    bool ApplyUserAddress(const std::string& typed);
    void ShowDisconnected();
    void Disconnect();
    // The locked-device warning, once per connection.
    void WarnIfLocked(const ConnectResult& result);
    void notify(void (SessionView::*event)());

    SessionView* view_ = nullptr;
    bool closed_ = false;
    bool configNotTextShown_ = false; // the configuration file holds binary data
    bool pollTimerRunning_ = false;
    bool stepsGiven_ = false; // the command line named a file or a step
    bool stepLettersGiven_ = false; // ... a step by its letter (-e -b -p -v)
    bool batchStarted_ = false;     // the command line asked for a batch run
    bool portMissing_ = false;      // -s named an LPT port this machine does not have
    bool identifiedLocked_ = false; // the last connect identified a locked part
    std::string identifiedPart_;    // what the guards found on the board (chain summary)
    bool fileGiven_ = false;  // ... a file
    bool helpShown_ = false;  // "?" showed the command-line help
    bool fileLoaded_ = false; // the batch run's -f file loaded
    std::optional<RunOutcome> batchRun_; // the operation flow of a batch run
    bool wholeRunLine_ = false; // the closing line sums a chain's positions
    FileLock configLock_;
    bool configReadOnly_ = false;
};

} // namespace vorbrant
