#pragma once
// The start of both programs, without Qt: the long options, --help,
// --version and --convert, the port the programmer runs on (the simulator or
// a port driver, with the trace recorder), and the headless run that the
// command-line program always makes and the window program makes without a
// display or with --headless.
#include "common/Operator.h"
#include "lpt/Clock.h"
#include "lpt/PortDriver.h"
#include "session/AdapterPort.h"
#include "session/LaunchOptions.h"
#include "target/ProgrammerStack.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorbrant {

namespace sim {
class Simulator;
}

// The port below the programmer and the programmer over it.
class ProgramPort {
public:
    // Shows why through op and sets exitCode (the driver could not start,
    // or a bad --sim) when there is no port to run on.
    static std::unique_ptr<ProgramPort> Open(const LaunchOptions& options, Operator& op, int& exitCode);
    ~ProgramPort();
    ProgramPort(const ProgramPort&) = delete;
    ProgramPort& operator=(const ProgramPort&) = delete;

    ProgrammerStack& Stack() { return *stack_; }
    bool Simulated() const { return simulator_ != nullptr; }
    // The port's work since the last summary (since the start for the
    // first), for the closing line of a run (simulator only).
    std::string Summary(bool wholeRun);
    // The port's work since it opened: accesses and virtual nanoseconds
    // (simulator only; nullopt on a real port).
    std::optional<std::pair<uint64_t, uint64_t>> Work() const;
    // The clock the port runs on (virtual under the simulator).
    Clock& PortClock();
    // Everything ends through here: the trace closed, the simulated flash
    // written back and its violation report printed, the driver released.
    // Returns code.
    int Finish(int code);

private:
    ProgramPort() = default;

    std::unique_ptr<sim::Simulator> simulator_;
    // GPIO or FT232H (session/AdapterPort.h); null for the LPT adapter.
    std::unique_ptr<AdapterPort> adapter_;
    NoParallelPort noPort_;
    std::unique_ptr<PortDriver> driver_;
    RealClock realClock_;
    std::unique_ptr<ProgrammerStack> stack_;
    std::optional<std::string> tracePath_;
    uint64_t summarizedAccesses_ = 0;
    uint64_t summarizedNs_ = 0;
    bool finished_ = false;
};

// The session's settings for a program run on this port; exePath locates
// the configuration file.
struct SessionSettings;
SessionSettings ProgramSettings(const LaunchOptions& options, ProgramPort& port, const std::string& exePath,
                                bool headless);

// Takes our long options out of args. An exit code when the program ends
// here (--help, --version, --convert, a bad long option), else nullopt.
std::optional<int> TakeLongOptions(std::vector<std::string>& args, LaunchOptions& options);

// A start without a window: messages on stderr, the batch run (if the
// command line asks for one), the configuration written. exePath locates
// the configuration file. Ctrl-C and SIGTERM stop a run cleanly (130).
int RunHeadless(const LaunchOptions& options, const std::vector<std::string>& args, const std::string& exePath);

// A window somebody can see and close. An offscreen platform has none: a
// start there would wait for a close that never comes.
bool HaveDisplay();

} // namespace vorbrant
