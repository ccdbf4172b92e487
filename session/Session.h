#pragma once
// The programmer session: everything the main window shows and the batch run
// uses, without a widget. It owns the port choice, the connection and its
// presence poll, the operation options, the image and the loaded file, the
// recent files and the configuration, and runs the operation flow. It is the
// one place that speaks to the Operator (messages, status, progress) and
// tells a SessionView what changed on the panels; it never reads what a
// window shows. Its parts: port choice (SessionPort.cpp), connection
// (SessionConnection.cpp), configuration (SessionConfig.cpp), the chain
// setup (SessionChain.cpp). The window and the batch run (BatchRun.h) are
// its clients.
#include "chain/JtagChainSetup.h"
#include "chain/JtagDeviceEditor.h"
#include "common/FileLock.h"
#include "common/IniFile.h"
#include "common/Operator.h"
#include "image/FileLoader.h"
#include "image/FileSaver.h"
#include "image/ImageBuffer.h"
#include "image/RecentFiles.h"
#include "security/SecurityContext.h"
#include "session/OperationOptions.h"
#include "session/Sequencer.h"
#include "session/SessionSettings.h"
#include "session/SessionState.h"
#include "target/ProgrammerStack.h"

#include <functional>
#include <optional>
#include <string>

namespace vorbrant {

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
    // go to Session::Poll.
    virtual void PollTimer(bool) {}
};

class RunReport;

class Session {
public:
    static constexpr const char* ApplicationTitle = "Vorbrant Lite";

    Session(ProgrammerStack& stack, ImageBuffer& image, Operator& op, SessionSettings settings);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void SetView(SessionView* view) { view_ = view; }

    // --- what views read ------------------------------------------------------
    const SessionState& State() const { return state_; }
    bool Connected() const { return state_.Connected(); }
    const SessionSettings& Settings() const { return settings_; }
    const ProgrammerStack& Programmer() const { return stack_; }
    const ImageBuffer& Image() const { return image_; }
    const FileState& Files() const { return files_; }
    const RecentFiles& Recent() const { return recent_; }
    const OperationOptions& Options() const { return options_; }
    const IniFile& Config() const { return config_; }
    const JtagDeviceTable& Devices() const { return devices_; }
    // The last connect identified a locked part.
    bool IdentifiedLocked() const { return identifiedLocked_; }

    // What the dialogs and the batch run work with: the programmer, the
    // operator the dialogs ask, and the image the hex editor shows (its
    // edits come back through EditByte and ClearBuffer).
    ProgrammerStack& Programmer() { return stack_; }
    Operator& DialogOperator() { return op_; }
    ImageBuffer& EditedImage() { return image_; }

    // --- start-up and close -------------------------------------------------
    // Clears the image, reads the configuration and applies the port
    // ("-dd": LPT1..LPT3 at their fixed addresses).
    void Start(bool directAddressMode);
    // The window opens for work: says once when another instance holds the
    // configuration (a batch run never writes the file anyway).
    void Opened();
    // Stops the poll, writes the configuration, releases a connected target.
    // Runs once; false when the configuration could not be written.
    bool Close();
    // Another instance holds the configuration: this one does not save it.
    bool ConfigurationReadOnly() const { return configReadOnly_; }
    // Writes the configuration file as it stands (the device list and the
    // recorded JCF file at once, everything at close). False after the
    // message when it could not be written.
    bool SaveConfiguration();
    // The adapter the "Adapter..." dialog chose (its --adapter text, empty
    // for the parallel port); it takes effect at the next start.
    std::string AdapterChoice() const;
    void SetAdapterChoice(const std::string& option);

    // --- port choice (the "Hardware port" menu) ------------------------------
    void SelectPort();
    void ChooseLpt(int number); // LPT1..LPT3 from the menu
    // -s on the command line: LPTn without the adapter warning. False when
    // there is no such port (the warning is then still due).
    bool ChooseLptQuietly(int number);
    // The user-defined port: ask is shown the current address text and
    // answers what was typed, or nothing when the operator cancelled.
    using AskAddressText = std::function<std::optional<std::string>(const std::string& current)>;
    void ChooseUserDefined(const AskAddressText& ask);
    // A click on the port label: edits the user-defined address.
    void EditUserAddress(const AskAddressText& ask);
    std::string UserAddressText() const;

    // --- operation options ----------------------------------------------------
    void SetStep(Step step, bool checked);
    void SelectArea(FlashArea area);
    void ClearSteps();
    RunOptions CurrentRunOptions() const;

    // --- connection -----------------------------------------------------------
    // The Connect/Disconnect button.
    void ConnectClick();
    // Connects when not connected; true when a part is connected after it.
    bool Connect();
    void Disconnect();
    // The presence poll: a target that went away drops to "Not Connected".
    void Poll();
    // Disconnect, then connect, so that a changed part is identified afresh
    // (the security dialogs and options).
    void Reconnect();
    // The presence poll's timer as the window runs it.
    bool PollTimerRunning() const { return pollTimerRunning_; }
    void SetPollTimer(bool running);
    // What the security dialogs and options work with.
    SecurityContext Security();

    // --- the JTAG chain -------------------------------------------------------
    // "Multiple JTAG Chain" ticked or not: the chain setup is offered and
    // Connect waits for it, or a single device is connected.
    void SetChainEnabled(bool enabled);
    // What the chain setup and the device list dialogs work with.
    ChainSetupContext ChainSetup();
    JtagDeviceEditor DeviceEditor();
    // The chain setup closed with OK on this 1-based position: Connect goes
    // to that device, and its programming file is loaded when it exists.
    void ChainSetupAccepted(uint8_t position);
    // A batch run's chain: the chain mode on and, unless 0, this 1-based
    // position chosen.
    void UseChain(uint8_t position);

    // --- runs -----------------------------------------------------------------
    // A command-line run: failures are noted rather than shown in boxes,
    // and a success has no box.
    void SetBatchMode(bool batch);
    // Runs the ticked steps and reports the result; readRange reads without
    // asking.
    RunOutcome Run(const std::optional<AddressRange>& readRange = std::nullopt);
    // Go: the run with the Go button held down.
    void Go();
    // Loads the current file and, when it loaded, runs (Reload).
    void Reload();
    // The Read step alone over range, into an image cleared first: what the
    // read does not reach must not pass for the chip's bytes.
    RunOutcome ReadChip(const AddressRange& range, FlashArea area = FlashArea::Code);
    // The batch run's image patch (the serial number), when it has one.
    void PatchImage();

    // --- files ------------------------------------------------------------------
    // LoadFile on the current file; on success the label shows its name.
    bool LoadCurrentFile();
    // The file the next load (and Reload) reads, and as what.
    void SetCurrentFile(const std::string& path, LoadFormat format = LoadFormat::Detect);
    // A file chosen in the open dialog, read as its filter says (DAT files
    // always as DAT).
    void OpenFile(const std::string& path, LoadFormat format);
    void AddRecentFile(const std::string& path);
    void OpenRecentFile(int entry); // 1..5
    // The offset dialog's result: HEX data records load this far up.
    void SetLoadOffset(int32_t offset);
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

    // --- words for a client without an operator of its own (the batch run) ---
    void Show(MessageKind kind, const std::string& text) { op_.ShowMessage(kind, text); }
    void Note(MessageKind kind, const std::string& text) { op_.Note(kind, text); }
    void Log(const std::string& line) { op_.Log(line); }

private:
    // A run holds the window: the panels and the poll off; and back.
    void DisablePanels();
    void ShowIdle();
    void RunEventSeen(RunReport& report, const RunEvent& event);

    void ReadConfiguration();
    bool WriteConfiguration();
    // The configuration's lock file beside it; says once when another
    // instance holds it.
    void LockConfiguration();
    void ShowLptWarningOnce();
    bool ApplyUserAddress(const std::string& typed);
    void ShowDisconnected();
    // The locked-device warning, once per connection.
    void WarnIfLocked(const ConnectResult& result);
    void notify(void (SessionView::*event)());

    ProgrammerStack& stack_;
    ImageBuffer& image_;
    Operator& op_;
    SessionSettings settings_;
    IniFile config_;
    FileState files_;
    RecentFiles recent_;
    OperationOptions options_;
    JtagDeviceTable devices_;
    SessionState state_;

    SessionView* view_ = nullptr;
    bool closed_ = false;
    bool configNotTextShown_ = false; // the configuration file holds binary data
    bool pollTimerRunning_ = false;
    bool identifiedLocked_ = false; // the last connect identified a locked part
    FileLock configLock_;
    bool configReadOnly_ = false;
};

} // namespace vorbrant
