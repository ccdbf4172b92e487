// Start-up of the main window, the configuration file and the close.
#include "app/MainForm.h"

#include "BuildInfo.h"
#include "app/CommandLine.h"
#include "app/PortSetting.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>

namespace vorbrant {

namespace {

constexpr const char* Environment = "ENVIRONMENT";
// More recent-file keys than this are not read: the list keeps five anyway,
// and a damaged FileCount must not keep start-up busy.
constexpr int32_t MaxFileKeys = 1000;

} // namespace

std::optional<int> TMainForm::FormActivate(const std::vector<std::string>& args)
{
    // 1. An empty image.
    Image.ClearImage(false);
    Image.StartAddress = Image.EndAddress = Image.ImageSize = 0;

    // 2.-3.
    LptWarningShown = true;
    SelectData->setText("Scratchpad");
    DirectAddressMode = false;
    BatchMode = false;
    RunFlag = false;
    CommandLineError = false;
    ExitCode.reset();

    // 4. Caption with the version.
    VersionSuffix = std::string(" ") + build::Version;
    setWindowTitle(QString::fromStdString(std::string(ApplicationTitle) + VersionSuffix));

    // 5.-6. Configuration and recent files.
    ReadConfiguration();

    // "-dd" counts only as the very first argument.
    CommandLineScan scan = ScanCommandLine(args);
    DirectAddressMode = scan.DirectAddressMode;

    // 7. Port menu.
    if (DirectAddressMode) {
        LPT11->setText("0x378");
        LPT21->setText("0x278");
        LPT31->setText("0x3BC");
    } else {
        QAction* items[] = {LPT11, LPT21, LPT31};
        for (int n = 1; n <= 3; ++n) {
            if (Prog.Ports.LptAddresses[static_cast<size_t>(n)] == 0) {
                items[n - 1]->setVisible(false);
                items[n - 1]->setEnabled(false);
            }
        }
    }

    // 8.
    SelectPort();
    Image.BufferCapacity = ImageBuffer::Capacity;
    Image.LoadOffset = 0;

    // 9. Command line and batch run.
    if (!args.empty() || !ReadBackPath.empty()) {
        RunCommandLine(args);
        if (ExitCode)
            return ExitCode;
    }

    // 10.
    if (!BatchMode && !Settings.Headless) {
        CenterOnScreen();
        show();
    }
    return std::nullopt;
}

void TMainForm::RunCommandLine(const std::vector<std::string>& args)
{
    CommandLineScan scan = ScanCommandLine(args);
    for (const CommandStep& step : scan.Steps) {
        switch (step.Kind) {
        case CommandKind::Help:
            Op.ShowMessage(MessageKind::Information, CommandLineHelpText);
            break;
        case CommandKind::CheckErase:
            DoErase->setChecked(true);
            break;
        case CommandKind::CheckBlank:
            DoBlankCheck->setChecked(true);
            break;
        case CommandKind::CheckProgram:
            DoProgram->setChecked(true);
            RunFlag = true;
            break;
        case CommandKind::CheckVerify:
            DoVerify->setChecked(true);
            break;
        case CommandKind::LoadFile: {
            std::error_code ec;
            if (!step.Text.empty() && std::filesystem::is_regular_file(step.Text, ec)) {
                Files.CurrentFilePath = step.Text;
                break;
            }
            Op.ShowMessage(MessageKind::Error,
                           "Nonexisting file in command line - starting in GUI mode ! (" + step.Text + ")");
            CommandLineError = true;
            return;
        }
        case CommandKind::SelectPort: {
            RunFlag = true;
            LptWarningShown = true;
            const std::string& name = step.Text;
            if (name == "LPT1")
                LPT11Click();
            else if (name == "LPT2")
                LPT21Click();
            else if (name == "LPT3")
                LPT31Click();
            if ((name != "LPT1" && name != "LPT2" && name != "LPT3") || PortSelection == 0) {
                Op.ShowMessage(MessageKind::Error,
                               "Invalid port name in command line - starting in GUI mode ! (" + name + ")");
                LptWarningShown = false;
                CommandLineError = true;
                return;
            }
            break;
        }
        case CommandKind::SyntaxError:
            Op.ShowMessage(MessageKind::Error,
                           "Syntax error in command line - starting in GUI mode ! (" + step.Text + ")");
            CommandLineError = true;
            return;
        }
    }

    // Reading the chip back is a batch run of its own.
    if (!ReadBackPath.empty())
        RunFlag = true;
    if (!RunFlag)
        return;
    // The batch run: connect, poll once, load, then the operation flow,
    // which ends with an exit code.
    KeyConnectClick();
    Op.Repaint();
    Timer1Timer();
    if (ExitCode)
        return;
    if (!Files.CurrentFilePath.empty()) {
        Files.FileFormat = 4;
        LoadFileAndShow();
    }
    if (Status->text() != "Connected") {
        RequestExit(1);
        return;
    }
    BatchMode = true;
    if (!ReadBackPath.empty()) {
        ReadBack();
        return;
    }
    KeyGoClick();
    if (!ExitCode)
        RequestExit(0);
}

void TMainForm::ReadConfiguration()
{
    Config.SetPath(Settings.IniPath);
    std::string error;
    if (!Config.Load(&error))
        Op.ShowMessage(MessageKind::Warning, "Can't read configuration file " + Settings.IniPath + ": " + error);

    Files.LastDir = Config.ReadString(Environment, "LastDir", "");
    std::string port = Config.ReadString(Environment, "Port", "");
    PortSetting setting = ReadPortSetting(port);
    PortSelection = setting.PortSelection;
    if (setting.HadAddress) {
        UserLptAddress = setting.UserLptAddress;
        LptWarningShown = true;
    }

    int32_t count = Config.ReadInteger(Environment, "FileCount", 0);
    if (count > MaxFileKeys)
        count = MaxFileKeys;
    for (int32_t n = 1; n <= count; ++n)
        AddRecentFile(Config.ReadString(Environment, "File" + std::to_string(n), ""));
}

void TMainForm::WriteConfiguration()
{
    // Re-read first: other windows may have written their own keys since.
    Config.SetPath(Settings.IniPath);
    Config.Load();
    Config.WriteString(Environment, "LastDir", Files.LastDir);
    Config.WriteString(Environment, "Port", FormatPortSetting(PortSelection, UserLptAddress));
    const auto& entries = Recent.Entries();
    Config.WriteInteger(Environment, "FileCount", static_cast<int32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i)
        Config.WriteString(Environment, "File" + std::to_string(i + 1), entries[i]);

    std::error_code ec;
    std::filesystem::path folder = std::filesystem::path(Settings.IniPath).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    std::string error;
    if (!Config.Save(&error))
        Op.ShowMessage(MessageKind::Error, "Can't write configuration file " + Settings.IniPath + ": " + error);
}

void TMainForm::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    Timer1->stop();
    WriteConfiguration();
    if (KeyConnect->text() == "Disconnect" && ReleaseTarget)
        ReleaseTarget();
}

} // namespace vorbrant
