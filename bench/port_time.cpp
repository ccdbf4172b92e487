// What a user waits for, on the simulator's port clock (1 us per access plus
// the protocol's sleeps: the time the same work takes on a real port), for a
// C2 part (F340, 64 KB) and a JTAG part (F120, 128 KB):
//
//  1. port time per step for a whole part and for a file of four bytes near
//     each end of the F340, with the connect and the one presence poll of a
//     batch run;
//  2. runs of a whole image under port stalls at several periods and
//     placements: runs that failed, chip different from the file, stalls
//     recovered, port time;
//  3. a target pulled at points through a run: port time from the pull to
//     the end of the run, and its exit code;
//  4. port accesses per byte of whole-part reads and writes against the
//     protocol's minimum.
//
// Every run also counts the protocol violations the simulator saw. The
// figures are checked against the goals at the end; the program exits 1 when
// one is missed. "port_time quick" runs 3 seeds instead of 20.
#include "image/ImageBuffer.h"
#include "lpt/PortIo.h"
#include "session/ExitCodes.h"
#include "session/Sequencer.h"
#include "sim/PullWatch.h"
#include "sim/SimConfig.h"
#include "sim/Simulator.h"
#include "target/ProgrammerStack.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace vorbrant;

struct Rig {
    explicit Rig(const std::string& simText)
    {
        std::string error;
        if (!sim::ParseSimSpec(simText, Config, error)) {
            std::fprintf(stderr, "%s: %s\n", simText.c_str(), error.c_str());
            std::exit(2);
        }
        Sim = std::make_unique<sim::Simulator>(Config);
        Port = std::make_unique<sim::PullWatch>(*Sim);
        Stack = std::make_unique<ProgrammerStack>(*Port, Sim->GetClock());
    }
    double Seconds() const { return static_cast<double>(Sim->GetClock().Now()) / 1e9; }

    sim::SimConfig Config;
    std::unique_ptr<sim::Simulator> Sim;
    std::unique_ptr<sim::PullWatch> Port;
    std::unique_ptr<ProgrammerStack> Stack;
};

enum class FileKind { Whole, FourAndFour };

uint8_t PatternByte(uint32_t a) { return static_cast<uint8_t>(a ^ (a >> 8) ^ 0x5A); }

// The last code byte Program writes: below the C2 part's lock byte, below
// the JTAG part's two lock bytes.
uint32_t ProgramTop(const ChipInfo& chip)
{
    if (chip.C2Mode)
        return std::min<uint32_t>(chip.FlashEnd, chip.LockByteAddress - 1u);
    return chip.FlashEnd - 2;
}

void LoadFile(ImageBuffer& image, const ChipInfo& chip, FileKind kind)
{
    image.ClearImage(true);
    if (kind == FileKind::Whole) {
        for (uint32_t a = 0; a <= ProgramTop(chip); ++a)
            image.StoreByte(a, PatternByte(a));
    } else {
        for (uint32_t i = 0; i < 4; ++i) {
            image.StoreByte(0x0010 + i, static_cast<uint8_t>(0x10 + i));
            image.StoreByte(0xFBF0 + i, static_cast<uint8_t>(0xF0 + i));
        }
    }
    image.ImageSize = image.EndAddress - image.StartAddress + 1;
}

struct Outcome {
    bool Connected = false;
    int ExitCode = -1;
    bool ChipIsFile = false;
    uint32_t Stalls = 0;
    uint64_t Violations = 0;
    double ConnectSeconds = 0;
    double RunSeconds = 0;
    std::vector<double> StepSeconds; // erase, program, verify when run one by one
    double AfterRemovalSeconds = -1;
    uint64_t Accesses = 0;
};

// Connect, then the steps (together, or one by one to time each), as a
// batch run does, on code flash that starts full of 0x00.
Outcome RunFile(const std::string& simText, FileKind kind, bool stepByStep)
{
    Rig rig(simText);
    Outcome out;
    Target& dev = rig.Stack->Dev;
    // The connect and the one presence poll of a batch run.
    out.Connected = dev.ConnectTarget().Kind == ConnectOutcome::Connected &&
                    dev.ConnectTarget().Kind == ConnectOutcome::Connected;
    out.ConnectSeconds = rig.Seconds();
    if (out.Connected) {
        // Written flash (the lock bytes left alone), for the erase to clear.
        std::fill_n(rig.Sim->Flash().begin(), ProgramTop(dev.Chip) + 1, uint8_t{0x00});
        ImageBuffer image;
        LoadFile(image, dev.Chip, kind);
        RealClock wall;
        Sequencer sequencer(image, dev.Flash(), dev.Chip, wall, {});
        auto run = [&](bool erase, bool program, bool verify) {
            RunOptions options;
            options.DoErase = erase;
            options.DoProgram = program;
            options.DoVerify = verify;
            options.BatchMode = true;
            options.SamePartAnswers = [&dev] { return dev.SamePartAnswers(); };
            const double start = rig.Seconds();
            RunOutcome outcome = sequencer.RunOperations(options);
            out.Stalls += outcome.StallsRecovered;
            out.ExitCode = ToInt(ExitCodeFor(outcome));
            out.StepSeconds.push_back(rig.Seconds() - start);
            return out.ExitCode == 0;
        };
        if (stepByStep)
            (void)(run(true, false, false) && run(false, true, false) && run(false, false, true));
        else
            run(true, true, true);
        out.ChipIsFile = true;
        for (uint32_t a = 0; a < ImageBuffer::Capacity && a <= ProgramTop(dev.Chip); ++a)
            if (image.PresentMap[a] && rig.Sim->Flash()[a] != image.ImageData[a]) {
                out.ChipIsFile = false;
                break;
            }
    } else {
        out.ExitCode = ToInt(ExitCode::NotConnected);
    }
    out.RunSeconds = rig.Seconds() - out.ConnectSeconds;
    out.Violations = rig.Sim->ViolationCount();
    out.Accesses = rig.Sim->AccessCount();
    if (rig.Port->PulledAtNs != 0)
        out.AfterRemovalSeconds = rig.Seconds() - static_cast<double>(rig.Port->PulledAtNs) / 1e9;
    return out;
}

// Accesses per byte of a whole-part read or write through the flash link.
double AccessesPerByte(const char* part, bool program)
{
    Rig rig(part);
    Target& dev = rig.Stack->Dev;
    if (dev.ConnectTarget().Kind != ConnectOutcome::Connected)
        return -1;
    if (program)
        std::fill(rig.Sim->Flash().begin(), rig.Sim->Flash().end(), uint8_t{0xFF});
    const uint32_t last = program ? ProgramTop(dev.Chip) : dev.Chip.FlashEnd;
    const uint64_t start = rig.Sim->AccessCount();
    FlashLink& flash = dev.Flash();
    flash.BeginRun();
    bool ok = true;
    uint8_t value = 0;
    for (uint32_t a = 0; ok && a <= last; ++a)
        ok = program ? flash.WriteFlashByte(a, PatternByte(a) & 0xFE, 0) : flash.ReadFlashByte(a, value, 0);
    ok = !flash.EndFlashAccess() && ok && rig.Sim->ViolationCount() == 0;
    if (!ok)
        return -1;
    return static_cast<double>(rig.Sim->AccessCount() - start) / (double{1} + last);
}

// The protocol's floor per byte with two writes per clock, counted from the
// frames alone (no poll ever repeated, no block overhead):
//  C2 write: Data Write (START, 2 INS, 2 LENGTH, 8 data, 1 WAIT, STOP = 15
//    strobes, one WAIT sample) and one InBusy poll (Address Read: 12 strobes,
//    the one status bit sampled): 31 + 25.
//  C2 read: one OutReady poll (25) and Data Read (14 strobes, one WAIT and
//    eight data samples): 25 + 37.
//  JTAG read: in an open run the instruction stays loaded; the read code
//    (7 clocks), one ignored poll (6), one busy poll (6 + 1 sample) and the
//    11-bit read (16 clocks + 11 samples): 14 + 12 + 13 + 43.
//  JTAG write: the 10-bit write (15 clocks), one ignored and one busy poll
//    (12 + 13), then the 2-bit status read as above (14 + 12 + 13 + 16 + 3).
constexpr double C2WriteMinimum = 56;
constexpr double C2ReadMinimum = 62;
constexpr double JtagReadMinimum = 82;
constexpr double JtagWriteMinimum = 113;

struct Goal {
    std::string What;
    double Now;
    double Limit;
    bool Met() const { return Now >= 0 && Now <= Limit; }
};

} // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "quick") == 0;
    const int seeds = quick ? 3 : 20;
    std::vector<Goal> goals;
    uint64_t violations = 0;

    // 1. Port time per step.
    std::printf("## Port time per step (s)\n\n");
    std::printf("| Run | Connect | Erase | Program | Verify | Whole run with connect | Stalls recovered | Violations |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    struct StepRow {
        const char* Name;
        const char* Sim;
        FileKind Kind;
    };
    const StepRow stepRows[] = {
        {"F340, 64 KB, erase by pages", "F340", FileKind::Whole},
        {"F120, 128 KB, erase by pages", "F120", FileKind::Whole},
        {"F340, 4+4-byte file", "F340", FileKind::FourAndFour},
        {"F120, 4+4-byte file", "F120", FileKind::FourAndFour},
    };
    for (const StepRow& row : stepRows) {
        Outcome steps = RunFile(row.Sim, row.Kind, true);
        Outcome whole = RunFile(row.Sim, row.Kind, false);
        steps.StepSeconds.resize(3, -1);
        std::printf("| %s | %.3f | %.3f | %.3f | %.3f | %.3f | %u | %llu |\n", row.Name, steps.ConnectSeconds,
                    steps.StepSeconds[0], steps.StepSeconds[1], steps.StepSeconds[2],
                    whole.ConnectSeconds + whole.RunSeconds, whole.Stalls,
                    static_cast<unsigned long long>(steps.Violations + whole.Violations));
        violations += steps.Violations + whole.Violations;
        const bool ok = whole.ExitCode == 0 && whole.ChipIsFile && steps.ExitCode == 0;
        if (!ok)
            std::printf("|  | run failed: exit %d, chip %s file |\n", whole.ExitCode, whole.ChipIsFile ? "=" : "!=");
        if (row.Kind == FileKind::Whole && row.Sim[1] == '3') {
            goals.push_back({"F340 erase of 64 KB by pages (s)", ok ? steps.StepSeconds[0] : -1, 2.2});
            goals.push_back({"F340 64 KB erase + program + verify (s)", ok ? whole.RunSeconds : -1, 11});
        }
        if (row.Kind == FileKind::FourAndFour && row.Sim[1] == '3')
            goals.push_back({"F340 4+4-byte file, whole run with connect (s)",
                             ok ? whole.ConnectSeconds + whole.RunSeconds : -1, 0.35});
    }

    // 2. Stalls.
    std::printf("\n## F340 whole image, erase + program + verify under port stalls\n\n");
    std::printf("| stalls= | stall-at= | Seeds | Runs failed | Chip != file | Stalls recovered (mean) | Port time (s, mean) | Port time (s, max) | Port accesses (mean) | Violations |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    struct StallRow {
        int Every;
        const char* At;
        int Seeds; // 0: the fixed period
    };
    const StallRow stallRows[] = {
        {20000, "after", 0}, {2000, "before", 0}, {2000, "after", 0}, {1000, "both", 0},
        {400, "before", seeds}, {400, "after", seeds}, {400, "both", seeds},
    };
    for (const StallRow& row : stallRows) {
        int failed = 0, wrong = 0, runs = 0;
        double stalls = 0, seconds = 0, longest = 0, accesses = 0;
        uint64_t seen = 0;
        for (int s = 1; s <= std::max(row.Seeds, 1); ++s) {
            std::string text = "F340,stalls=" + std::to_string(row.Every) + ",stall-at=" + row.At;
            if (row.Seeds != 0)
                text += ",stall-seed=" + std::to_string(s);
            Outcome o = RunFile(text, FileKind::Whole, false);
            ++runs;
            failed += o.ExitCode != 0;
            wrong += !o.ChipIsFile;
            stalls += o.Stalls;
            const double t = o.ConnectSeconds + o.RunSeconds;
            seconds += t;
            longest = std::max(longest, t);
            seen += o.Violations;
            accesses += static_cast<double>(o.Accesses);
        }
        violations += seen;
        std::printf("| %d | %s | %s | %d of %d | %d | %.0f | %.1f | %.1f | %.0f | %llu |\n", row.Every, row.At,
                    row.Seeds ? std::to_string(row.Seeds).c_str() : "fixed period", failed, runs, wrong,
                    stalls / runs, seconds / runs, longest, accesses / runs, static_cast<unsigned long long>(seen));
        if (row.Every == 400)
            goals.push_back({std::string("F340 whole image, stalls=400, stall-at=") + row.At +
                                 ": runs failed or chip != file",
                             static_cast<double>(failed + wrong), 0});
        if (row.Every == 2000 && std::strcmp(row.At, "before") == 0)
            goals.push_back({"F340 whole image at stalls=2000 (s)", failed ? -1 : seconds / runs, 130});
    }

    // 3. A target pulled at points through a run.
    std::printf("\n## Target pulled during erase + program + verify of the whole image\n\n");
    std::printf("| Part | Pulled after (port accesses) | Exit code | Port time from the pull to the end (s) |\n");
    std::printf("|---|---|---|---|\n");
    double worstRemoval = 0;
    for (const char* part : {"F340", "F120"}) {
        const uint64_t total = RunFile(part, FileKind::Whole, false).Accesses;
        const uint64_t points[] = {30000, total / 100, total / 20, total / 7, total / 3, total / 2, total * 3 / 4,
                                   total - 1000};
        for (uint64_t at : points) {
            Outcome o = RunFile(std::string(part) + ",remove-after=" + std::to_string(at), FileKind::Whole, false);
            violations += o.Violations;
            std::printf("| %s | %llu | %d | %.3f |\n", part, static_cast<unsigned long long>(at), o.ExitCode,
                        o.AfterRemovalSeconds);
            if (o.ExitCode != ToInt(ExitCode::FlashFault) && o.ExitCode != ToInt(ExitCode::NotConnected))
                worstRemoval = 1e9;
            else
                worstRemoval = std::max(worstRemoval, o.AfterRemovalSeconds);
        }
    }
    goals.push_back({"target pulled at any point: port time to the end (s)", worstRemoval, 1.0});

    // 4. Accesses per byte.
    std::printf("\n## Port accesses per byte, whole part\n\n");
    std::printf("| Run | Accesses per byte | Protocol minimum |\n|---|---|---|\n");
    struct PerByteRow {
        const char* Name;
        const char* Part;
        bool Program;
        double Minimum;
    };
    const PerByteRow perByte[] = {
        {"C2 read (F340)", "F340", false, C2ReadMinimum},
        {"C2 program (F340)", "F340", true, C2WriteMinimum},
        {"JTAG read (F120)", "F120", false, JtagReadMinimum},
        {"JTAG program (F120)", "F120", true, JtagWriteMinimum},
    };
    for (const PerByteRow& row : perByte) {
        const double n = AccessesPerByte(row.Part, row.Program);
        std::printf("| %s | %.1f | %.0f |\n", row.Name, n, row.Minimum);
    }

    goals.push_back({"protocol violations in all runs", static_cast<double>(violations), 0});
    std::printf("\n## Goals\n\n| Goal | Now | Limit | Met |\n|---|---|---|---|\n");
    bool allMet = true;
    for (const Goal& g : goals) {
        std::printf("| %s | %.3f | %.3f | %s |\n", g.What.c_str(), g.Now, g.Limit, g.Met() ? "yes" : "NO");
        allMet = allMet && g.Met();
    }
    return allMet ? 0 : 1;
}
