// The JTAG chain options of a batch run: --jcf, --chain-device (one position
// or all), --verify-chain.
#include "session/BatchRun.h"
#include "session/RunRecord.h"

#include "chain/ChainTexts.h"
#include "chain/JcfFile.h"
#include "common/Text.h"
#include "image/FileFormats.h"
#include "session/Messages.h"
#include "target/ChainHardware.h"
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

bool BatchRun::PrepareChain()
{
    const ChainBatch& chain = settings().Chain;
    ProgrammerStack& stack = session_.Programmer();
    if (chain.JcfPath.empty())
        return Refuse(ExitCode::CommandLineError, ChainNeedsJcfText);
    if (chain.AllDevices && (fileGiven_ || !settings().ReadBackPath.empty()))
        return Refuse(ExitCode::CommandLineError, ChainAllTakesNoFileText);
    JcfLoadResult loaded = LoadJcfFile(chain.JcfPath, stack.Chain);
    std::string message = loaded.Message(chain.JcfPath);
    if (loaded.Status != JcfLoadStatus::Loaded)
        return Refuse(ExitCode::NoData, message);
    if (!message.empty())
        session_.Note(MessageKind::Warning, message);
    session_.UseChain(0);
    const size_t count = stack.Chain.ChainDeviceCount();
    // The check alone needs no position; steps after it do.
    if (chain.AllDevices ||
        (chain.Verify && !StepsAsked() && settings().ReadBackPath.empty() && !settings().Security.Any()))
        return true;
    if (count == 0)
        return Refuse(ExitCode::NoData, EmptyChainText);
    uint8_t position = chain.Device.value_or(count == 1 ? 1 : 0);
    if (position == 0)
        return Refuse(ExitCode::CommandLineError, ChooseChainDeviceText(chain.JcfPath, count));
    if (position > count)
        return Refuse(ExitCode::CommandLineError, ChainPositionOutsideText(position, chain.JcfPath, count));
    // Only a C8051F is driven: the JCF file says what sits there.
    if (const tJTAGChainDevice& entry = stack.Chain.Devices[position - 1]; !IsC8051fEntry(entry))
        return Refuse(ExitCode::CommandLineError, NotC8051fPositionText(position, entry.DeviceName));
    return SelectChainPosition(position);
}

bool BatchRun::GuardChainPosition()
{
    ProgrammerStack& stack = session_.Programmer();
    ChainCheckResult check =
        CheckChainPosition(stack.Signals, stack.Dev.Jtag(), stack.Chain, session_.State().SelectedChainDevice);
    if (check.Kind == ChainCheckKind::Verified)
        return true;
    if (check.Kind == ChainCheckKind::Mismatch)
        identifiedPart_ = PartOfIdCode(check.IdRead);
    ChainCheckMessage message = MessageFor(check);
    session_.Note(message.Kind, message.Text);
    RequestExit(ExitCodeFor(check.Kind));
    return false;
}

bool BatchRun::SelectChainPosition(uint8_t position)
{
    session_.UseChain(position);
    if (fileGiven_)
        return true;
    // The position's own programming file, when it names one.
    const std::string path =
        ProgFilePath(settings().Chain.JcfPath, session_.Programmer().Chain.Devices[position - 1]);
    std::error_code ec;
    if (!path.empty() && !std::filesystem::is_regular_file(path, ec))
        return Refuse(ExitCode::NoData, NoSuchFileText(path));
    session_.SetCurrentFile(path, session_.Files().FileFormat);
    return true;
}

bool BatchRun::VerifyChainBatch()
{
    if (!session_.State().LptMode) {
        session_.Note(MessageKind::Warning, SelectPortFirstText);
        RequestExit(ExitCode::NotConnected);
        return false;
    }
    ProgrammerStack& stack = session_.Programmer();
    ChainCheckResult result = VerifyChainHardware(stack.Signals, stack.Dev.Jtag(), stack.Chain);
    ChainCheckMessage message = MessageFor(result);
    if (result.Kind != ChainCheckKind::Verified) {
        session_.Note(message.Kind, message.Text);
        RequestExit(ExitCodeFor(result.Kind));
        return false;
    }
    session_.Log(message.Text);
    // The check alone ends here; steps go on to the positions.
    if (settings().Chain.AllDevices || session_.State().SelectedChainDevice != 0)
        return true;
    RequestExit(ExitCode::Success);
    return false;
}

void BatchRun::RunChainPositions()
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
    const JtagChainList& chain = session_.Programmer().Chain;
    for (size_t n = 1; n <= chain.ChainDeviceCount(); ++n) {
        const tJTAGChainDevice& entry = chain.Devices[n - 1];
        const std::string position = "#" + std::to_string(n);
        if (!IsC8051fEntry(entry)) {
            summary.push_back({position, entry.DeviceName, "-", ChainSkippedNotC8051fText});
            continue;
        }
        if (entry.ProgFileName.empty()) {
            summary.push_back({position, entry.DeviceName, "-", ChainSkippedNoFileText});
            continue;
        }
        session_.Log(ChainDeviceLine(n, entry.DeviceName, entry.ProgFileName));
        if (session_.Connected())
            session_.Disconnect();
        session_.ClearBuffer();
        exitCode_.reset();
        identifiedPart_.clear();
        if (SelectChainPosition(static_cast<uint8_t>(n)))
            RunBatchOnce();
        if (session_.Connected())
            session_.Disconnect();
        const int code = exitCode_.value_or(ToInt(ExitCode::Success));
        // Each position closes with its own result line.
        if (std::string line = ResultLine(code); !line.empty())
            session_.Log(line);
        // The position's record for --json.
        if (settings().PositionRecord) {
            RunRecord record = Record(code);
            record.Position = static_cast<uint32_t>(n);
            settings().PositionRecord(record);
        }
        if (batchRun_)
            AddRunOutcome(total, *batchRun_);
        batchRun_.reset();
        std::string result = ChainPositionResult(code);
        session_.Log(ChainDeviceResultLine(n, result));
        summary.push_back({position, entry.DeviceName, identifiedPart_.empty() ? "-" : identifiedPart_, result});
        if (code != 0 && firstFailure == 0)
            firstFailure = code;
    }
    // The JCF entry and what the board held there, side by side.
    session_.Log(ChainSummaryTitle(settings().Chain.JcfPath));
    summary.insert(summary.begin(), Line{"#", "JCF entry", "on the board", "result"});
    size_t widths[3] = {};
    for (const Line& line : summary)
        for (auto [i, text] : {std::pair{0, &line.Position}, {1, &line.Device}, {2, &line.Found}})
            widths[i] = std::max(widths[i], text->size());
    auto pad = [](const std::string& text, size_t width) { return text + std::string(width - text.size() + 2, ' '); };
    for (const Line& line : summary)
        session_.Log("  " + pad(line.Position, widths[0]) + pad(line.Device, widths[1]) + pad(line.Found, widths[2]) +
                     line.Result);
    exitCode_ = firstFailure;
    batchRun_ = total;
    wholeRunLine_ = true;
}

} // namespace vorbrant
