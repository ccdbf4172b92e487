#include "session/BoardRuns.h"

#include "common/AtomicFile.h"
#include "common/StdStreams.h"
#include "common/StopRequest.h"
#include "session/BatchRun.h"
#include "session/ExitCodes.h"
#include "session/Messages.h"
#include "session/Program.h"
#include "session/RunRecord.h"
#include "session/Serial.h"
#include "session/Session.h"

#include <memory>

namespace vorbrant {

namespace {

// A data file on standard input may be as large as one on disk.
constexpr size_t MaxStdinBytes = size_t{256} << 20;
// The presence poll between boards.
constexpr uint32_t PollMs = 500;
// On the simulator time is virtual: a board that never comes would be
// waited for at full speed for ever. A real line waits until Ctrl-C.
constexpr uint64_t SimulatedWaitLimitMs = 600'000;

enum class Wait { Done, Stopped, GaveUp };

// Polls until the board is gone (present = false) or identified (true).
Wait WaitForBoard(ProgramPort& port, bool present, bool simulated)
{
    ProgrammerStack& stack = port.Stack();
    Clock& clock = port.PortClock();
    const uint64_t start = clock.NowMs();
    for (;;) {
        if (StopRequestScope::Requested())
            return Wait::Stopped;
        ConnectResult result = stack.Dev.ConnectTarget();
        if (present ? result.Identified() : !result.Answered())
            return Wait::Done;
        if (simulated && clock.NowMs() - start > SimulatedWaitLimitMs)
            return Wait::GaveUp;
        clock.SleepMs(PollMs);
    }
}

// The JSON lines go to their file (through the safe writer) or to
// standard output at the end.
bool WriteJson(const std::string& path, const std::string& text, std::string& error)
{
    std::string reason;
    if (IsStdStream(path) ? WriteStdout(text, reason) : WriteFileAtomically(path, text, reason))
        return true;
    error = IsStdStream(path) ? "Can't write to standard output: " + reason : OutputNotWritableText(path, reason);
    return false;
}

// The port work (accesses, nanoseconds) between two readings of it.
void AddPortWork(RunRecord& report, std::pair<uint64_t, uint64_t> from, std::pair<uint64_t, uint64_t> to)
{
    report.PortAccesses = to.first - from.first;
    report.PortSeconds = static_cast<double>(to.second - from.second) / 1e9;
}

} // namespace

int EndWithoutARun(const LaunchOptions& options, ConsoleOperator& op, int code)
{
    // A report all the same, for the script that reads it: the code and why.
    // Should even it fail, the code already says the run failed.
    if (options.JsonPath) {
        RunRecord record;
        record.ExitCode = code;
        record.Message = op.LastProblem();
        std::string ignored;
        WriteJson(*options.JsonPath, RunRecordJson(record) + "\n", ignored);
    }
    op.Print(ResultLogLine(code, ""));
    return code;
}

bool IsStdinFileArgument(const std::string& arg)
{
    return arg.size() == 3 && arg[0] == '-' && (arg[1] == 'f' || arg[1] == 'F') && arg[2] == '-';
}

int RunBoards(const LaunchOptions& options, std::vector<std::string> classic, const std::string& exePath,
              ProgramPort& port, ConsoleOperator& op)
{
    // Ends a run that never reached a session: the closing line all the same.
    auto endEarly = [&](ExitCode code) { return EndWithoutARun(options, op, port.Finish(ToInt(code))); };

    // "-f-": the file is what standard input holds.
    StdinFile input;
    for (std::string& arg : classic) {
        if (!IsStdinFileArgument(arg))
            continue;
        std::string error;
        if (!input.Path().empty() || !input.Fill(MaxStdinBytes, error)) {
            op.ShowMessage(MessageKind::Error, "-f-: " + (error.empty() ? "standard input can be read once" : error));
            return endEarly(ExitCode::NoData);
        }
        arg = "-f" + input.Path();
    }
    // The report's file is refused before the run, as every output is.
    if (options.JsonPath && !IsStdStream(*options.JsonPath))
        if (std::string problem = WriteProblem(*options.JsonPath); !problem.empty()) {
            op.ShowMessage(MessageKind::Error, OutputNotWritableText(*options.JsonPath, problem));
            return endEarly(ExitCode::OutputNotWritten);
        }

    std::unique_ptr<SerialCounter> serial;
    if (options.Serial) {
        std::string ignored;
        serial = std::make_unique<SerialCounter>(*ParseSerialFormat(*options.Serial, ignored),
                                                 options.SerialFile.value_or(""));
    }

    RunSummary summary;
    std::string json;
    int code = 0;
    bool batch = false;
    for (uint32_t board = 1;; ++board) {
        uint64_t number = 0;
        bool patched = false;
        if (serial) {
            std::string error;
            if (!serial->Next(number, error)) {
                op.ShowMessage(MessageKind::Error, error);
                code = ToInt(ExitCode::CommandLineError);
                if (!batch)
                    return endEarly(ExitCode::CommandLineError);
                summary.ExitCode = ToInt(FirstFailure(static_cast<ExitCode>(summary.ExitCode), ExitCode::CommandLineError));
                break;
            }
        }
        // The board's own work: the wait before it is not counted.
        port.Summary(false);
        op.ClearLastProblem();
        const std::optional<std::pair<uint64_t, uint64_t>> workBefore = port.Work();
        auto image = std::make_unique<ImageBuffer>();
        SessionSettings settings = ProgramSettings(options, port, exePath, true);
        settings.StopRequested = [] { return StopRequestScope::Requested(); };
        std::optional<std::pair<uint64_t, uint64_t>> positionStart = workBefore;
        bool positions = false;
        if (options.JsonPath)
            settings.PositionRecord = [&](const RunRecord& position) {
                RunRecord report = position;
                if (options.Repeat)
                    report.Board = board;
                if (const auto now = port.Work(); now && positionStart) {
                    AddPortWork(report, *positionStart, *now);
                    positionStart = now;
                }
                report.Message = op.LastProblem();
                op.ClearLastProblem();
                json += RunRecordJson(report) + "\n";
                positions = true;
            };
        if (serial)
            settings.PatchImage = [&](ImageBuffer& target) {
                serial->Patch(target, number);
                patched = true;
            };
        Session session(port.Stack(), *image, op, settings);
        BatchRun run(session);
        if (std::optional<int> batchCode = run.Start(classic)) {
            code = *batchCode;
            batch = true;
        } else {
            if (run.NothingToDo())
                op.ShowMessage(MessageKind::Error, NothingToDoText());
            code = run.HeadlessExitCode();
            if (!session.Close())
                code = ToInt(FirstFailure(static_cast<ExitCode>(code), ExitCode::SettingsNotWritten));
        }
        // A good board uses its number up; a failed one leaves it to the next.
        if (code == 0 && patched) {
            std::string error;
            if (!serial->Advance(number, error)) {
                op.ShowMessage(MessageKind::Error, error);
                code = ToInt(ExitCode::OutputNotWritten);
            }
        }
        const bool repeating = options.Repeat && batch;
        if (!repeating)
            code = port.Finish(code);
        // The closing line: the result stands only once every file of the
        // run is written.
        std::string line = run.ResultLine(code);
        if (!line.empty() && patched)
            line += ", serial " + std::to_string(number);
        if (!line.empty())
            op.Print(repeating ? "Board " + std::to_string(board) + ": " + line : line);

        if (options.JsonPath && (batch || code != 0)) {
            RunRecord report = run.Record(code);
            if (repeating)
                report.Board = board;
            if (patched)
                report.Serial = number;
            if (const auto workAfter = port.Work(); workAfter && workBefore)
                AddPortWork(report, *workBefore, *workAfter);
            report.Message = op.LastProblem();
            if (positions) {
                // The chain as a whole: its positions' sums, no one part.
                report.Summary = true;
                report.Part.clear();
            }
            json += RunRecordJson(report) + "\n";
        }
        if (!repeating)
            break;
        ++summary.Boards;
        (code == 0 ? summary.Passed : summary.Failed)++;
        summary.ExitCode = ToInt(FirstFailure(static_cast<ExitCode>(summary.ExitCode), static_cast<ExitCode>(code)));
        if (StopRequestScope::Requested() || (options.RepeatCount && board >= options.RepeatCount))
            break;
        // The board is released, pulled, and the next one plugged in.
        port.Stack().Dev.DisconnectTarget();
        op.Log("Waiting for the next board (Ctrl-C ends)");
        if (WaitForBoard(port, false, port.Simulated()) != Wait::Done ||
            WaitForBoard(port, true, port.Simulated()) != Wait::Done)
            break;
    }
    if (options.Repeat && batch) {
        code = port.Finish(summary.ExitCode);
        summary.ExitCode = code;
        op.Print(RunSummaryLine(summary));
        op.Print(ResultLogLine(code, port.Summary(true)));
        if (options.JsonPath)
            json += RunSummaryJson(summary) + "\n";
    }
    if (options.JsonPath && !json.empty()) {
        std::string error;
        if (!WriteJson(*options.JsonPath, json, error)) {
            // The closing line said more than holds now: it comes again.
            op.ShowMessage(MessageKind::Error, error);
            code = ToInt(FirstFailure(static_cast<ExitCode>(code), ExitCode::OutputNotWritten));
            op.Print(ResultLogLine(code, ""));
        }
    }
    return code;
}

} // namespace vorbrant
