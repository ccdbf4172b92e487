#pragma once
// Shared pieces of the window tests: one QApplication on the offscreen
// platform, a scratch folder, and a main window over a programmer whose port
// has nothing attached.
#include "app/MainForm.h"
#include "common/ScriptedOperator.h"
#include "sim/SimConfig.h"
#include "sim/Simulator.h"
#include "target/ProgrammerStack.h"
#include "tests/support/FakeClock.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <sys/wait.h>
#include <string>
#include <unistd.h>

namespace vorbrant::testing {

inline QApplication& EnsureApp()
{
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// First base of a fixture whose members are widgets: the application exists
// before they are built.
struct AppReady {
    AppReady() { EnsureApp(); }
};

using test::TempDir;

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& path) { return TempDir::Read(path); }

// Nothing attached to the port: every input floats high.
class FloatingPort : public PortIo {
public:
    uint8_t PortIn(uint16_t) override { return 0xFF; }
    void PortOut(uint16_t, uint8_t) override { ++Writes; }
    int Writes = 0;
};

// A main window over a session with a scripted operator. The port table
// starts empty; tests put ports into it before FormActivate.
struct FormRig {
    explicit FormRig(std::string iniName = "vorbrant.INI", bool headless = true)
    {
        EnsureApp();
        SessionSettings settings;
        settings.IniPath = Dir.File(iniName);
        settings.Headless = headless;
        Sess = std::make_unique<Session>(Stack, Image, Op, settings);
        Form = std::make_unique<TMainForm>(*Sess);
    }

    std::optional<int> Start(const std::vector<std::string>& args = {}) { return Form->FormActivate(args); }
    std::string IniPath() const { return Sess->Settings().IniPath; }
    void WriteIni(const std::string& text) { WriteText(IniPath(), text); }

    TempDir Dir;
    FloatingPort Io;
    test::FakeClock TestClock;
    ScriptedOperator Op;
    ProgrammerStack Stack{Io, TestClock, PortTable{}, true, false};
    ImageBuffer Image;
    std::unique_ptr<Session> Sess;
    std::unique_ptr<TMainForm> Form;
};

// A main window whose LPT1 is the simulator, started with LPT1 selected and,
// when asked, connected to the part. OperatorType lets a test watch the run.
template <typename OperatorType = ScriptedOperator>
struct SimWindowOf {
    // iniText: more of the configuration file than the port (LPT1).
    explicit SimWindowOf(const std::string& simText, bool connect = false, const std::string& iniText = "")
    {
        EnsureApp();
        std::string error;
        EXPECT_TRUE(sim::ParseSimSpec(simText, Config, error)) << error;
        Sim = std::make_unique<sim::Simulator>(Config);
        PortTable ports;
        ports.SetAddress(1, sim::Simulator::BasePort);
        Stack = std::make_unique<ProgrammerStack>(*Sim, Sim->GetClock(), ports, true, false);
        SessionSettings settings;
        settings.IniPath = Dir.File("vorbrant.INI");
        settings.Headless = true;
        WriteText(settings.IniPath, "[ENVIRONMENT]\r\nPort=101\r\n" + iniText);
        Sess = std::make_unique<Session>(*Stack, Image, Op, settings);
        Form = std::make_unique<TMainForm>(*Sess);
        EXPECT_FALSE(Form->FormActivate({}));
        EXPECT_TRUE(Form->S.State().LptMode);
        if (connect) {
            Form->KeyConnectClick();
            EXPECT_TRUE(Form->S.Connected()) << simText;
        }
    }

    TempDir Dir;
    sim::SimConfig Config;
    std::unique_ptr<sim::Simulator> Sim;
    OperatorType Op;
    std::unique_ptr<ProgrammerStack> Stack;
    ImageBuffer Image;
    std::unique_ptr<Session> Sess;
    std::unique_ptr<TMainForm> Form;
};
using SimWindow = SimWindowOf<>;

// Runs action once the next modal dialog is up (inside its exec()). A
// dialog the action left open is cancelled, so a failing test cannot hang.
inline void WhenModal(std::function<void(QWidget*)> action)
{
    QTimer::singleShot(0, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        action(modal);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible())
                d->reject();
    });
}

} // namespace vorbrant::testing
