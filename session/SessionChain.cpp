// The session's JTAG chain: "Multiple JTAG Chain" and the chain setup of the
// window, and the chain options of a batch run (--jcf, --chain-device,
// --verify-chain).
#include "session/Session.h"

#include "chain/ChainTexts.h"
#include "chain/JcfFile.h"
#include "image/FileFormats.h"
#include "session/Messages.h"
#include "session/RunReport.h"
#include "target/ChainHardware.h"
#include "common/Text.h"
#include "target/IdentTables.h"
#include "target/PartNames.h"

#include <algorithm>
#include <filesystem>

namespace vorbrant {

namespace {

// A chain entry the programmer may drive: a C8051F by its whole IDCODE and
// by its name, with the 16-bit instruction register of the family (any other
// length would send its scans through the neighbours' registers).
bool IsC8051fEntry(const tJTAGChainDevice& entry)
{
    return entry.IRLength == 16 && IsKnownJtagPart(entry.IDCode) && IsCataloguePart(entry.DeviceName);
}

// What an IDCODE read from the board stands for, in the chain summary.
std::string PartOfIdCode(uint32_t id)
{
    if (IsKnownJtagPart(id))
        return FindJtagRow(static_cast<uint16_t>(id >> 12))->Name;
    return "ID " + Hex(id, 8);
}

} // namespace

void Session::SetChainEnabled(bool enabled)
{
    ChainEnabled = enabled;
    ChainSetupVisible = enabled;
    ConnectEnabled = !enabled;
    if (!enabled)
        ConnectButtonText = "Connect";
    notify(&SessionView::ConnectionChanged);
}

bool Session::SaveConfiguration()
{
    // A second instance, or a file that is not a text INI, leaves it alone.
    if (configReadOnly_ || !Config.IsText() || Settings.IniPath.empty())
        return true;
    std::string error;
    // The new file takes over the lock of the one it replaces.
    if (Config.Save(&error, [this](int fd) { configLock_.Adopt(fd); }))
        return true;
    Op.ShowMessage(MessageKind::Error, ConfigNotWrittenMessage(Settings.IniPath, error));
    return false;
}

ChainSetupContext Session::ChainSetup()
{
    return ChainSetupContext{Stack.Chain, Devices, Config, Op, [this] { SaveConfiguration(); },
                             [this] { return VerifyChainHardware(Stack.Pins, Stack.Dev.Jtag(), Stack.Chain); }};
}

JtagDeviceEditor Session::DeviceEditor()
{
    return JtagDeviceEditor(Devices, Config, Op, [this] { SaveConfiguration(); });
}

void Session::ChainSetupAccepted(uint8_t position)
{
    if (position == 0 || position > Stack.Chain.ChainDeviceCount())
        return;
    ConnectEnabled = true;
    SelectedChainDevice = position;
    Stack.Dev.SetChainPosition(position);
    ConnectButtonText = "Connect to Device #" + std::to_string(position);
    const std::string jcf = Config.ReadString(RecordedJcfSection, RecordedJcfKey, "");
    const std::string path = ProgFilePath(jcf, Stack.Chain.Devices[position - 1]);
    Files.CurrentFilePath = path;
    Files.LoadedName = FileNamePart(path);
    Files.FileFormat = LoadFormat::Detect;
    notify(&SessionView::ConnectionChanged);
    std::error_code ec;
    if (!path.empty() && std::filesystem::exists(path, ec)) {
        LoadCurrentFile();
        AddRecentFile(path);
    }
}

bool Session::PrepareChain()
{
    const ChainBatch& chain = Settings.Chain;
    auto refuse = [this](vorbrant::ExitCode code, const std::string& text) {
        Op.Note(MessageKind::Error, text);
        RequestExit(code);
        return false;
    };
    if (chain.JcfPath.empty())
        return refuse(ExitCode::CommandLineError, "--chain-device and --verify-chain need the chain: give --jcf=FILE");
    if (chain.AllDevices && (fileGiven_ || !Settings.ReadBackPath.empty()))
        return refuse(ExitCode::CommandLineError,
                      "--chain-device=all programs each position with its own file: leave out -f and --read");
    JcfLoadResult loaded = LoadJcfFile(chain.JcfPath, Stack.Chain);
    std::string message = loaded.Message(chain.JcfPath);
    if (loaded.Status != JcfLoadStatus::Loaded)
        return refuse(ExitCode::NoData, message);
    if (!message.empty())
        Op.Note(MessageKind::Warning, message);
    ChainEnabled = true;
    const size_t count = Stack.Chain.ChainDeviceCount();
    // The check alone needs no position; steps after it do.
    if (chain.AllDevices || (chain.Verify && !StepsAsked() && Settings.ReadBackPath.empty() &&
                             !Settings.Security.Any()))
        return true;
    if (count == 0)
        return refuse(ExitCode::NoData, EmptyChainText);
    uint8_t position = chain.Device.value_or(count == 1 ? 1 : 0);
    if (position == 0)
        return refuse(ExitCode::CommandLineError, "The chain of " + chain.JcfPath + " has " + std::to_string(count) +
                                                      " devices: choose one with --chain-device=N (or all)");
    if (position > count)
        return refuse(ExitCode::CommandLineError, "--chain-device=" + std::to_string(position) +
                                                      ": the chain of " + chain.JcfPath + " has positions 1 to " +
                                                      std::to_string(count));
    // Only a C8051F is driven: the JCF file says what sits there.
    if (const tJTAGChainDevice& entry = Stack.Chain.Devices[position - 1]; !IsC8051fEntry(entry))
        return refuse(ExitCode::CommandLineError, NotC8051fPositionText(position, entry.DeviceName));
    return SelectChainPosition(position);
}

bool Session::GuardChainPosition()
{
    ChainCheckResult check = CheckChainPosition(Stack.Pins, Stack.Dev.Jtag(), Stack.Chain, SelectedChainDevice);
    if (check.Kind == ChainCheckKind::Verified)
        return true;
    if (check.Kind == ChainCheckKind::Mismatch)
        identifiedPart_ = PartOfIdCode(check.IdRead);
    ChainCheckMessage message = MessageFor(check);
    Op.Note(message.Kind, message.Text);
    RequestExit(ExitCodeFor(check.Kind));
    return false;
}

bool Session::SelectChainPosition(uint8_t position)
{
    SelectedChainDevice = position;
    Stack.Dev.SetChainPosition(position);
    if (fileGiven_)
        return true;
    // The position's own programming file, when it names one.
    const std::string path = ProgFilePath(Settings.Chain.JcfPath, Stack.Chain.Devices[position - 1]);
    std::error_code ec;
    if (!path.empty() && !std::filesystem::is_regular_file(path, ec)) {
        Op.Note(MessageKind::Error, NoSuchFileText(path));
        RequestExit(ExitCode::NoData);
        return false;
    }
    Files.CurrentFilePath = path;
    return true;
}

bool Session::VerifyChainBatch()
{
    if (!LptMode) {
        Op.Note(MessageKind::Warning, "Select port first!");
        RequestExit(ExitCode::NotConnected);
        return false;
    }
    ChainCheckResult result = VerifyChainHardware(Stack.Pins, Stack.Dev.Jtag(), Stack.Chain);
    ChainCheckMessage message = MessageFor(result);
    if (result.Kind != ChainCheckKind::Verified) {
        Op.Note(message.Kind, message.Text);
        RequestExit(ExitCodeFor(result.Kind));
        return false;
    }
    Op.Log(message.Text);
    // The check alone ends here; steps go on to the positions.
    if (Settings.Chain.AllDevices || SelectedChainDevice != 0)
        return true;
    RequestExit(ExitCode::Success);
    return false;
}

void Session::RunChainPositions()
{
    struct Line {
        std::string Position;
        std::string Device;
        std::string Found; // what the guards found at the position
        std::string Result;
    };
    std::vector<Line> summary;
    RunOutcome total; // what the positions did together, for the closing line
    int firstFailure = ToInt(ExitCode::Success);
    for (size_t n = 1; n <= Stack.Chain.ChainDeviceCount(); ++n) {
        const tJTAGChainDevice& entry = Stack.Chain.Devices[n - 1];
        const std::string position = "#" + std::to_string(n);
        if (!IsC8051fEntry(entry)) {
            summary.push_back({position, entry.DeviceName, "-", "skipped: not a C8051F part"});
            continue;
        }
        if (entry.ProgFileName.empty()) {
            summary.push_back({position, entry.DeviceName, "-", "skipped: no programming file"});
            continue;
        }
        Op.Log("Device #" + std::to_string(n) + ": " + entry.DeviceName + ", " + entry.ProgFileName);
        if (Connected())
            Disconnect();
        ClearBuffer();
        ExitCode.reset();
        identifiedPart_.clear();
        if (SelectChainPosition(static_cast<uint8_t>(n)))
            RunBatchOnce();
        if (Connected())
            Disconnect();
        const int code = ExitCode.value_or(ToInt(ExitCode::Success));
        // Each position closes with its own result line.
        if (std::string line = ResultLine(code); !line.empty())
            Op.Log(line);
        // Hook: the position's record for --json.
        if (Settings.PositionReport) {
            RunReport report = Report(code);
            report.Position = static_cast<uint32_t>(n);
            Settings.PositionReport(report);
        }
        if (batchRun_)
            AddRunOutcome(total, *batchRun_);
        batchRun_.reset();
        std::string result = code == 0 ? "success" : "failed, exit code " + std::to_string(code);
        Op.Log("Device #" + std::to_string(n) + ": " + result);
        summary.push_back({position, entry.DeviceName, identifiedPart_.empty() ? "-" : identifiedPart_, result});
        if (code != 0 && firstFailure == 0)
            firstFailure = code;
    }
    // The JCF entry and what the board held there, side by side.
    Op.Log("Chain summary (" + Settings.Chain.JcfPath + "):");
    summary.insert(summary.begin(), Line{"#", "JCF entry", "on the board", "result"});
    size_t widths[3] = {};
    for (const Line& line : summary)
        for (auto [i, text] : {std::pair{0, &line.Position}, {1, &line.Device}, {2, &line.Found}})
            widths[i] = std::max(widths[i], text->size());
    auto pad = [](const std::string& text, size_t width) { return text + std::string(width - text.size() + 2, ' '); };
    for (const Line& line : summary)
        Op.Log("  " + pad(line.Position, widths[0]) + pad(line.Device, widths[1]) + pad(line.Found, widths[2]) +
               line.Result);
    ExitCode = firstFailure;
    batchRun_ = total;
    wholeRunLine_ = true;
}

} // namespace vorbrant
