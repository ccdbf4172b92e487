#pragma once
// The machine-readable result of a batch run (--json=FILE or -): one JSON
// object per line, one per board (or per run), then a summary line for a
// run of several boards.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorbrant {

struct RunRecord {
    std::optional<uint32_t> Board;    // 1, 2, ... in a --repeat run
    std::optional<uint32_t> Position; // the chain position of a --chain-device=all run
    bool Summary = false;             // the whole of such a run, after its positions
    std::string Part;                 // as identified, empty when none was
    std::string Adapter;
    std::vector<std::string> Steps;   // "erase", "blank", "program", "verify", "read"
    std::string Area = "code";        // or "data"
    uint32_t Programmed = 0;
    uint32_t Verified = 0;
    std::optional<uint32_t> Crc32;    // of what Program wrote
    std::optional<uint64_t> Serial;   // the number patched in
    double Seconds = 0;               // the operation flow's duration
    std::optional<uint64_t> PortAccesses; // the simulator's port work
    std::optional<double> PortSeconds;
    uint32_t StallsRecovered = 0;
    int ExitCode = 0;
    std::string Message;              // the last error or warning, empty if none
};

struct RunSummary {
    uint32_t Boards = 0;
    uint32_t Passed = 0;
    uint32_t Failed = 0;
    int ExitCode = 0; // the first failure's
};

// "success", "interrupted" or "failed", as the closing line says it.
const char* ResultWord(int exitCode);
std::string RunRecordJson(const RunRecord& record);
std::string RunSummaryJson(const RunSummary& summary);
// The closing line of a --repeat run: "N boards: P passed, F failed".
std::string RunSummaryLine(const RunSummary& summary);

} // namespace vorbrant
