// Program start: our long options, the port driver (or the simulator), the
// programmer stack, the main window and its start-up, then the event loop.
#include "BuildInfo.h"
#include "about/AboutBox.h"
#include "app/ConfigPath.h"
#include "app/LaunchOptions.h"
#include "app/MainForm.h"
#include "app/PortIoSwitch.h"
#include "app/QtOperator.h"
#include "app/SignalStop.h"
#include "common/ConsoleOperator.h"
#include "image/Convert.h"
#include "image/ui/OffsetDialog.h"
#include "image/ui/RangeDialog.h"
#include "lpt/PortDriver.h"
#include "lpt/TracePortIo.h"
#include "sim/SimConfig.h"
#include "sim/Simulator.h"
#include "target/ProgrammerStack.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace vorbrant;

namespace {

constexpr int ExitCommandLineError = 8;
constexpr int ExitDriverFailed = 6;

// Headless runs print our own messages only; Qt's note about a missing
// runtime folder is noise there.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtWarningMsg && text.startsWith("QStandardPaths:"))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

// A window somebody can see and close. An offscreen platform has none: a
// start there would wait for a close that never comes.
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

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    LaunchOptions options;
    std::string error;
    if (!ExtractLongOptions(args, options, error)) {
        std::fprintf(stderr, "Error: %s\n", error.c_str());
        return ExitCommandLineError;
    }
    if (options.Help) {
        std::fputs(LongHelpText().c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::printf("%s %s\n", TMainForm::ApplicationTitle, build::Version);
        return 0;
    }
    if (options.Convert)
        return RunConvert(options.ConvertIn, options.ConvertOut, stderr);

    // Without a display there can be no window: run headless.
    bool headless = options.Headless || !HaveDisplay();
    if (headless) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietMessages);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("vorbrant");

    std::unique_ptr<Operator> op;
    QtOperator* qtOp = nullptr;
    if (headless) {
        op = std::make_unique<ConsoleOperator>(stderr);
    } else {
        auto q = std::make_unique<QtOperator>();
        qtOp = q.get();
        op = std::move(q);
    }

    // The port: the simulator, or a driver that grants access to real ports.
    std::unique_ptr<sim::Simulator> simulator;
    std::unique_ptr<PortDriver> driver;
    RealClock realClock;
    Clock* clock = &realClock;
    if (options.SimSpec) {
        sim::SimConfig config;
        if (!sim::ParseSimSpec(*options.SimSpec, config, error)) {
            op->ShowMessage(MessageKind::Error, "Invalid --sim value: " + error);
            return ExitCommandLineError;
        }
        simulator = std::make_unique<sim::Simulator>(config);
        if (!simulator->StartError().empty()) {
            op->ShowMessage(MessageKind::Error, simulator->StartError());
            return ExitCommandLineError;
        }
        clock = &simulator->GetClock();
    } else {
        driver = MakePortDriver(options.IoKind);
        if (!driver) {
            op->ShowMessage(MessageKind::Error, "Unknown port driver " + options.IoKind);
            return ExitCommandLineError;
        }
    }

    PortIoSwitch io;
    ProgrammerStack stack(io, *clock, *op);
    PortIo* port = nullptr;
    if (simulator) {
        // The simulated adapter answers at 0x378, which is LPT1.
        stack.Ports = PortTable{};
        stack.Ports.SetAddress(1, sim::Simulator::BasePort);
        stack.Ports.SelectFirstPort();
        stack.IoAccessGranted = true;
        port = simulator.get();
    } else {
        stack.Ports = PortTable{};
        PortDriver::StartResult started = driver->Start(stack.Ports);
        if (!started.Message.empty())
            op->ShowMessage(MessageKind::Error, started.Message);
        if (started.Fatal) {
            driver->Shutdown();
            return ExitDriverFailed;
        }
        stack.IoAccessGranted = driver->IoAccessGranted();
        port = driver.get();
    }

    std::unique_ptr<TracePortIo> trace;
    if (options.TracePath) {
        trace = std::make_unique<TracePortIo>(*port, *clock, stack.Ports);
        if (!trace->Open(*options.TracePath, error))
            op->ShowMessage(MessageKind::Error, error);
        port = trace.get();
    }
    io.SetTarget(port);

    // Everything below ends through here: the trace closed, the simulated
    // flash written back, the driver released.
    auto finish = [&](int code) {
        io.SetTarget(nullptr);
        if (trace) {
            trace->Close();
            if (!trace->Good())
                std::fprintf(stderr, "Error: the trace %s could not be written completely\n", options.TracePath->c_str());
        }
        if (simulator && !simulator->SaveFlash(error))
            std::fprintf(stderr, "Error: %s\n", error.c_str());
        // What the simulated target saw the host do wrong, if anything.
        if (simulator && !simulator->Violations().empty())
            simulator->PrintReport(stderr);
        if (driver)
            driver->Shutdown();
        return code;
    };

    ImageBuffer image;
    Programmer programmer{stack.Ports, stack.IoAccessGranted, stack.Chain, stack.Pins, stack.Dev, *clock};
    MainFormSettings settings;
    settings.Headless = headless;
    settings.IniPath = ChooseConfigPath(options.IniPath.value_or(""), ExecutablePath(argv[0]),
                                        std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));

    TMainForm form(programmer, image, *op, settings);
    form.ReadBackPath = options.ReadBackPath.value_or("");
    form.ReleaseTarget = [&stack] { stack.Dev.DisconnectTarget(); };
    if (simulator) {
        form.SimulatedPort = true;
        sim::Simulator* s = simulator.get();
        form.PortSummary = [s] {
            char line[96];
            std::snprintf(line, sizeof line, "%llu port accesses, %.3f s on the port",
                          static_cast<unsigned long long>(s->AccessCount()), s->GetClock().NowNs() / 1e9);
            std::string text = line;
            if (!s->Violations().empty())
                text += ", " + std::to_string(s->Violations().size()) + " protocol violations";
            return text;
        };
    }
    if (qtOp)
        qtOp->Attach(&form, form.Progres, form.ProgressBar);

    std::optional<int> batchCode = form.FormActivate(args);
    if (batchCode)
        return finish(*batchCode);
    if (headless) {
        form.FormClose();
        return finish(form.HeadlessExitCode());
    }

    // The windows after the main window, in their order; the hex editor, the
    // lock-byte dialogs and the chain dialogs slot in between.
    auto* about = new TAboutBox(TMainForm::ApplicationTitle, form.VersionSuffix, &form);
    auto* offset = new TForm3(*op, &form);
    auto* range = new TForm4(*op, &form);
    form.AttachWindows(about, offset, range);
    qtOp->AttachRangeDialog(range);

    SignalStop stop; // Ctrl+C or a kill ends the event loop, then closes as usual
    int code = QApplication::exec();
    form.FormClose();
    return finish(code);
}
