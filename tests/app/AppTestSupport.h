#pragma once
// Shared pieces of the window tests: one QApplication on the offscreen
// platform, a scratch folder, and a main window over a programmer whose port
// has nothing attached.
#include "app/MainForm.h"
#include "common/ScriptedOperator.h"
#include "target/ProgrammerStack.h"

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

class TempDir {
public:
    TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vorbrant-app-XXXXXX").string();
        Path = mkdtemp(tmpl.data());
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
    std::string File(const std::string& name) const { return (std::filesystem::path(Path) / name).string(); }
    std::string Path;
};

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Nothing attached to the port: every input floats high.
class FloatingPort : public PortIo {
public:
    uint8_t PortIn(uint16_t) override { return 0xFF; }
    void PortOut(uint16_t, uint8_t) override { ++Writes; }
    int Writes = 0;
};

class StillClock : public Clock {
public:
    uint64_t NowNs() override { return now_; }
    void SleepMs(uint32_t ms) override { now_ += uint64_t{ms} * 1000000u; }

private:
    uint64_t now_ = 0;
};

// A main window with a scripted operator. The port table starts empty; tests
// put ports into it before FormActivate.
struct FormRig {
    explicit FormRig(std::string iniName = "vorbrant.INI")
    {
        EnsureApp();
        Stack.Ports = PortTable{};
        MainFormSettings settings;
        settings.IniPath = Dir.File(iniName);
        settings.Headless = true;
        Form = std::make_unique<TMainForm>(Prog, Image, Op, settings);
    }

    std::optional<int> Start(const std::vector<std::string>& args = {}) { return Form->FormActivate(args); }
    std::string IniPath() const { return Form->Settings.IniPath; }
    void WriteIni(const std::string& text) { WriteText(IniPath(), text); }

    TempDir Dir;
    FloatingPort Io;
    StillClock TestClock;
    ScriptedOperator Op;
    ProgrammerStack Stack{Io, TestClock, Op};
    ImageBuffer Image;
    Programmer Prog{Stack.Ports, Stack.IoAccessGranted, Stack.Chain, Stack.Pins, Stack.Dev, TestClock};
    std::unique_ptr<TMainForm> Form;
};

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

// The program itself, run headless with arguments; stdout and stderr together.
struct ProgramRun {
    int ExitCode = -1;
    std::string Output; // stdout and stderr together
};

inline ProgramRun RunProgram(const std::string& arguments)
{
    std::string command = std::string("QT_QPA_PLATFORM=offscreen timeout 60 ") + VORBRANT_BINARY_DIR + "/vorbrant " + arguments + " 2>&1";
    ProgramRun result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[512];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.Output.append(buffer, n);
    int status = pclose(pipe);
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace vorbrant::testing
