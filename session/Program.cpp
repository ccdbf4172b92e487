#include "session/Program.h"

#include "BuildInfo.h"
#include "common/AtomicFile.h"
#include "common/ConsoleOperator.h"
#include "common/StdStreams.h"
#include "common/StopRequest.h"
#include "image/Convert.h"
#include "session/ConfigPath.h"
#include "session/ExitCodes.h"
#include "session/Messages.h"
#include "session/BatchRun.h"
#include "session/BoardRuns.h"
#include "session/Session.h"
#include "sim/SimConfig.h"
#include "sim/Simulator.h"

#include <cstdio>
#include <cstdlib>

namespace vorbrant {

std::unique_ptr<ProgramPort> ProgramPort::Open(const LaunchOptions& options, Operator& op, int& exitCode)
{
    std::unique_ptr<ProgramPort> port(new ProgramPort);
    PortIo* io = nullptr;
    Clock* clock = &port->realClock_;
    PortTable ports;
    bool granted = true;
    std::string error;
    if (options.SimSpec) {
        sim::SimConfig config;
        if (!sim::ParseSimSpec(*options.SimSpec, config, error)) {
            op.ShowMessage(MessageKind::Error, "Invalid --sim value: " + error);
            exitCode = ToInt(ExitCode::CommandLineError);
            port->finished_ = true; // nothing was used: nothing to write back
            return nullptr;
        }
        port->simulator_ = std::make_unique<sim::Simulator>(config);
        if (!port->simulator_->StartError().empty()) {
            op.ShowMessage(MessageKind::Error, port->simulator_->StartError());
            exitCode = ToInt(port->simulator_->FlashFileInUse() ? ExitCode::OutputNotWritten : ExitCode::CommandLineError);
            port->finished_ = true; // nothing was used: nothing to write back
            return nullptr;
        }
        // A flash file that reads but could not be written back would lose
        // the run.
        for (const sim::SimDeviceConfig& device : config.Devices) {
            if (device.FlashFile.empty())
                continue;
            if (std::string problem = WriteProblem(device.FlashFile); !problem.empty()) {
                op.ShowMessage(MessageKind::Error, OutputNotWritableText(device.FlashFile, problem));
                exitCode = ToInt(ExitCode::OutputNotWritten);
                port->finished_ = true;
                return nullptr;
            }
        }
        // The simulated adapter answers at 0x378, as LPT1 or as the port
        // -s names.
        ports.SetAddress(static_cast<uint8_t>(options.SimLpt), sim::Simulator::BasePort);
        ports.SelectLptPort(static_cast<uint8_t>(options.SimLpt));
        clock = &port->simulator_->GetClock();
        io = port->simulator_.get();
    } else if (options.Adapter.Option && *options.Adapter.Option != "lpt") {
        // Another adapter: no parallel port driver to start.
        ports.SetAddress(1, sim::Simulator::BasePort);
        ports.SelectLptPort(1);
        io = &port->noPort_;
    } else {
        port->driver_ = MakePortDriver(options.IoKind);
        if (!port->driver_) {
            op.ShowMessage(MessageKind::Error, "Unknown port driver " + options.IoKind);
            exitCode = ToInt(ExitCode::CommandLineError);
            port->finished_ = true; // nothing was used: nothing to write back
            return nullptr;
        }
        PortDriver::StartResult started = port->driver_->Start(ports);
        if (!started.Message.empty())
            op.ShowMessage(MessageKind::Error, started.Message);
        if (started.Fatal) {
            port->driver_->Shutdown();
            exitCode = ToInt(ExitCode::DriverFailed);
            port->finished_ = true;
            return nullptr;
        }
        granted = port->driver_->IoAccessGranted();
        io = port->driver_.get();
    }

    AdapterPort::Opened adapter = AdapterPort::Open(options.Adapter, port->simulator_.get(), *clock);
    if (!adapter.Error.empty() && options.Adapter.FromConfiguration) {
        // The adapter the configuration keeps is not there: the parallel
        // port instead, so that the window opens and another can be chosen.
        op.ShowMessage(MessageKind::Warning, adapter.Error + "; the parallel port is used instead");
        port->finished_ = true;
        LaunchOptions lpt = options;
        lpt.Adapter.Option.reset();
        lpt.Adapter.FromConfiguration = false;
        return Open(lpt, op, exitCode);
    }
    if (!adapter.Error.empty() || (adapter.Port && options.TracePath)) {
        op.ShowMessage(MessageKind::Error,
                       adapter.Error.empty() ? "--trace records the parallel port only" : adapter.Error);
        exitCode = ToInt(adapter.CommandLine || adapter.Error.empty() ? ExitCode::CommandLineError : ExitCode::DriverFailed);
        if (port->driver_)
            port->driver_->Shutdown();
        port->finished_ = true;
        return nullptr;
    }
    port->adapter_ = std::move(adapter.Port);
    port->tracePath_ = options.TracePath;
    // The trace is an output like any other: refused before the run, with the
    // same reasons, when it could not be put in place.
    if (options.TracePath) {
        if (std::string problem = WriteProblem(*options.TracePath); !problem.empty()) {
            op.ShowMessage(MessageKind::Error, OutputNotWritableText(*options.TracePath, problem));
            exitCode = ToInt(ExitCode::SettingsNotWritten);
            if (port->driver_)
                port->driver_->Shutdown();
            port->finished_ = true;
            return nullptr;
        }
    }
    port->stack_ = std::make_unique<ProgrammerStack>(*io, *clock, ports, granted, options.TracePath.has_value(),
                                                     port->adapter_ ? &port->adapter_->Signals() : nullptr);
    if (options.TracePath && !port->stack_->Trace->Open(*options.TracePath, error)) {
        // A run whose trace was asked for and cannot be kept does not start.
        op.ShowMessage(MessageKind::Error, error);
        exitCode = ToInt(ExitCode::SettingsNotWritten);
        if (port->driver_)
            port->driver_->Shutdown();
        port->finished_ = true;
        return nullptr;
    }
    return port;
}

ProgramPort::~ProgramPort() { Finish(0); }

std::string ProgramPort::Summary(bool wholeRun)
{
    if (!simulator_)
        return "";
    // Each run of a chain batch counts its own work: since the last line;
    // the chain's closing line counts everything.
    const uint64_t accesses = simulator_->AccessCount(), ns = simulator_->GetClock().NowNs();
    const uint64_t fromAccesses = wholeRun ? 0 : summarizedAccesses_, fromNs = wholeRun ? 0 : summarizedNs_;
    char line[96];
    std::snprintf(line, sizeof line, "%llu port accesses, %.3f s on the port",
                  static_cast<unsigned long long>(accesses - fromAccesses),
                  static_cast<double>(ns - fromNs) / 1e9);
    summarizedAccesses_ = accesses;
    summarizedNs_ = ns;
    std::string text = line + (adapter_ ? adapter_->Summary() : "");
    if (!simulator_->Violations().empty())
        text += ", " + std::to_string(simulator_->Violations().size()) + " protocol violations";
    return text;
}

std::optional<std::pair<uint64_t, uint64_t>> ProgramPort::Work() const
{
    if (!simulator_)
        return std::nullopt;
    return std::pair<uint64_t, uint64_t>{simulator_->AccessCount(), simulator_->GetClock().NowNs()};
}

Clock& ProgramPort::PortClock()
{
    if (simulator_)
        return simulator_->GetClock();
    return realClock_;
}

int ProgramPort::Finish(int code)
{
    if (finished_)
        return code;
    finished_ = true;
    // A file that could not be written turns a good result into a failure;
    // a failure already there stands.
    ExitCode result = static_cast<ExitCode>(code);
    if (stack_ && stack_->Trace) {
        stack_->Trace->Close();
        if (!stack_->Trace->Good()) {
            std::fprintf(stderr, "Error: the trace %s could not be written completely\n", tracePath_->c_str());
            result = FirstFailure(result, ExitCode::SettingsNotWritten);
        }
    }
    std::string error;
    if (simulator_ && !simulator_->SaveFlash(error)) {
        std::fprintf(stderr, "Error: %s\n", error.c_str());
        result = FirstFailure(result, ExitCode::OutputNotWritten);
    }
    // What the simulated target saw the host do wrong, if anything.
    if (simulator_ && !simulator_->Violations().empty())
        simulator_->PrintReport(stderr);
    if (driver_)
        driver_->Shutdown();
    return ToInt(result);
}

std::optional<int> TakeLongOptions(std::vector<std::string>& args, LaunchOptions& options)
{
    std::string error;
    if (!TakeAdapterOptions(args, options.Adapter, error) || !ExtractLongOptions(args, options, error)) {
        std::fprintf(stderr, "Error: %s\n", error.c_str());
        std::fprintf(stderr, "%s\n", ResultLogLine(ToInt(ExitCode::CommandLineError), "").c_str());
        return ToInt(ExitCode::CommandLineError);
    }
    if (int lpt = NamedLptNumber(args))
        options.SimLpt = lpt;
    if (options.Help) {
        std::fputs(LongHelpText().c_str(), stdout);
        return ToInt(ExitCode::Success);
    }
    if (options.Version) {
        std::printf("%s %s\n", Session::ApplicationTitle, build::Version);
        return ToInt(ExitCode::Success);
    }
    if (std::optional<int> code = RunAdapterModes(options.Adapter))
        return code;
    if (options.Convert) {
        // "-": the input is what standard input holds.
        StdinFile input;
        std::string in = options.ConvertIn;
        if (IsStdStream(in)) {
            std::string error;
            if (!input.Fill(size_t{256} << 20, error)) {
                std::fprintf(stderr, "Error: --convert -: %s\n", error.c_str());
                return ToInt(ExitCode::NoData);
            }
            in = input.Path();
        }
        switch (RunConvert(in, options.ConvertOut, stderr, options.Format, options.OutFormat, options.Offset.value_or(0))) {
        case ConvertResult::Written: return ToInt(ExitCode::Success);
        case ConvertResult::InputNotLoaded: return ToInt(ExitCode::NoData);
        case ConvertResult::OutputNotWritten: return ToInt(ExitCode::OutputNotWritten);
        }
    }
    return std::nullopt;
}

SessionSettings ProgramSettings(const LaunchOptions& options, ProgramPort& port, const std::string& exePath,
                                bool headless)
{
    SessionSettings settings;
    settings.Headless = headless;
    // --no-ini: no path, nothing read or written.
    settings.IniPath = options.NoIni ? std::string()
                                     : ChooseConfigPath(options.IniPath.value_or(""), exePath,
                                                        std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    settings.ReadBackPath = options.ReadBackPath.value_or("");
    settings.Security = BatchSecurity{options.ShowSecurity, options.ChipErase, options.Lock};
    settings.FileFormat = options.Format;
    settings.Steps = options.Steps;
    settings.Chain.JcfPath = options.JcfPath.value_or("");
    settings.Chain.Device = options.ChainDevice;
    settings.Chain.AllDevices = options.AllChainDevices;
    settings.Chain.Verify = options.VerifyChain;
    settings.ExpectedPart = options.ExpectedPart;
    settings.SimulatedPort = port.Simulated();
    settings.SimulatedLpt = options.SimLpt;
    settings.PortSummary = [&port](bool wholeRun) { return port.Summary(wholeRun); };
    settings.Area = options.Area;
    settings.Offset = options.Offset;
    settings.OutFormat = options.OutFormat;
    return settings;
}

int RunHeadless(const LaunchOptions& options, const std::vector<std::string>& args, const std::string& exePath)
{
    ConsoleOperator op(stderr);
    op.SetQuiet(options.Quiet);
    // From here Ctrl-C and SIGTERM stop the run between blocks (a second one
    // ends the program at once).
    StopRequestScope stop;
    int exitCode = 0;
    LaunchOptions launch = options; // with the adapter the configuration keeps
    if (!options.NoIni)
        UseStoredAdapter(launch.Adapter, launch.SimSpec.has_value(), launch.IniPath, exePath);
    std::unique_ptr<ProgramPort> port = ProgramPort::Open(launch, op, exitCode);
    if (!port)
        return EndWithoutARun(launch, op, exitCode);

    // Without a window "-?" asks for the command-line help, as "?" does.
    std::vector<std::string> classic = args;
    for (std::string& arg : classic)
        if (arg == "-?")
            arg = "?";
    return RunBoards(options, classic, exePath, *port, op);
}

bool HaveDisplay()
{
    auto value = [](const char* name) {
        const char* v = std::getenv(name);
        return std::string(v ? v : "");
    };
    std::string platform = value("QT_QPA_PLATFORM");
    if (platform.rfind("offscreen", 0) == 0 || platform.rfind("minimal", 0) == 0)
        return false;
    return !platform.empty() || !value("DISPLAY").empty() || !value("WAYLAND_DISPLAY").empty();
}

} // namespace vorbrant
