// Connection workflow and operation flow of the main window: Connect and
// Disconnect, the two-second presence poll, Go, Reload, and the end-of-run
// reset. The flow itself is the Sequencer's.
#include "app/MainForm.h"

#include "common/Text.h"
#include "image/FileSaver.h"
#include "lpt/RealTimeHint.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace vorbrant {

namespace {

void SetColor(QLabel* label, const char* color)
{
    label->setStyleSheet(QString("color: %1;").arg(color));
}

} // namespace

void TMainForm::KeyConnectClick()
{
    PollActive = false;
    if (!LptMode) {
        Op.ShowMessage(MessageKind::Warning, "Select port first!");
        return;
    }
    EnableJTAGChain->setEnabled(false);
    Security1->setVisible(false);
    SelectData->setEnabled(false);
    SelectCode->setChecked(true);
    SelectCodeClick();
    Op.SetBusy(true);
    DoErase->setEnabled(true);
    DoBlankCheck->setEnabled(true);
    if (!EnableJTAGChain->isChecked())
        Prog.Dev.SetChainPosition(0);

    if (KeyConnect->text() == "Disconnect") {
        // The target is released before the display changes.
        Prog.Dev.DisconnectTarget();
        Status->setText("Not Connected");
        SelectData->setText("Scratchpad");
        Reload1->setEnabled(false);
        ShowDisconnected();
        return;
    }

    int32_t id = Prog.Dev.ConnectTarget();
    if (id == -1) {
        Op.SetBusy(false);
        Op.ShowMessage(MessageKind::Error, "Hardware not detected!");
        EnableJTAGChain->setEnabled(true);
        return;
    }
    Op.SetBusy(false);
    const ChipInfo& chip = Prog.Dev.Chip;
    if (chip.FlashEnd == 0) {
        Op.ShowMessage(MessageKind::Error, "Unknown chip type (IDCODE=" + chip.DerivativeName + ")!");
        return;
    }

    EditJTAGChain->setVisible(false);
    Adapter->setVisible(true);
    AdapterType->setVisible(true);
    AdapterType->setText(QString::fromStdString(Prog.Pins.AdapterName));
    MfgID->setText("SiLabs");
    ChipID->setText(QString::fromStdString(chip.DerivativeName));
    Status->setText("Connected");
    SetColor(Status, "green");
    PollActive = true;
    Timer1->start();
    KeyGo->setEnabled(true);
    KeyConnect->setText("Disconnect");
    Reload1->setEnabled(true);
    Security1->setVisible(true);
    Label21->setText("Flash size:");
    Label21->setEnabled(true);
    FirmwareVersion->setEnabled(true);
    FirmwareVersion->setText(QString::number(chip.FlashSizeKB) + "K");
    SelectData->setEnabled(chip.ScratchpadSize != 0);
    SelectData->setText("Scratchpad");
    Op.Log("Connected: " + chip.DerivativeName + ", " + std::to_string(chip.FlashSizeKB) + " KB flash" +
           (chip.ScratchpadSize ? ", " + std::to_string(chip.ScratchpadSize) + " bytes User data" : "") +
           (chip.C2Mode ? ", C2" : ", JTAG") + ", adapter " + Prog.Pins.AdapterName);
}

void TMainForm::ShowDisconnected()
{
    EnableJTAGChain->setEnabled(true);
    if (EnableJTAGChain->isChecked())
        EditJTAGChain->setVisible(true);
    Reload1->setEnabled(false);
    Status->setText("Not Connected");
    SetColor(Status, "red");
    KeyConnect->setText(EnableJTAGChain->isChecked()
                            ? QString("Connect to Device #") + QString::number(SelectedChainDevice)
                            : QString("Connect"));
    BaudRate->setText("---");
    MfgID->setText("---");
    ChipID->setText("---");
    FirmwareVersion->setText("---");
    KeyGo->setEnabled(false);
    Timer1->stop();
    Op.SetBusy(false);
    DoVerify->setEnabled(true);
    DoRead->setEnabled(true);
    Label21->setText("Firmw.ver:");
    FirmwareVersion->setEnabled(false);
    Adapter->setVisible(false);
    AdapterType->setVisible(false);
}

void TMainForm::Timer1Timer()
{
    if (!PollActive)
        return;
    // A target that went away drops the window to "Not Connected", silently.
    int32_t id = Prog.Dev.ConnectTarget();
    if (id == -1 || id == 0) {
        ShowDisconnected();
        PollActive = false;
        Op.Log("Target lost: Not Connected");
    }
}

void TMainForm::DisablePanels()
{
    Panel2->setEnabled(false);
    Panel3->setEnabled(false);
    Panel4->setEnabled(false);
    Timer1->stop();
}

void TMainForm::ShowUploaded()
{
    LoadedFilename->setText("UPLOADED");
    SetColor(LoadedFilename, "green");
}

void TMainForm::ShowIdle()
{
    Op.SetStatus("Idle", false);
    Panel2->setEnabled(true);
    Panel3->setEnabled(true);
    Panel4->setEnabled(true);
    Op.SetBusy(false);
    Op.HideProgress();
    if (LptMode)
        PollActive = true;
    Timer1->start();
}

void TMainForm::RunAndReport(const std::optional<AddressRange>& readRange)
{
    RunOptions options = CurrentRunOptions();
    options.BatchMode = BatchMode;
    options.ReadRange = readRange;
    RealClock wall;
    // On a real port, a stall inside a C2 clock strobe resets the target:
    // ask for real-time scheduling while the run holds the port.
    RealTimeHint realTime(!SimulatedPort);
    Sequencer sequencer(Image, Prog.Dev, Op, wall, *this);
    RunResult result = sequencer.RunOperations(options);
    if (result.Cancelled)
        return;
    std::string line = std::string(result.Success ? "Result: success" : "Result: failed") +
                       ", exit code " + std::to_string(result.ExitCode);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, ", %.1f s", result.Seconds);
    line += seconds;
    if (PortSummary)
        line += ", " + PortSummary();
    Op.Log(line);
    if (BatchMode)
        RequestExit(result.ExitCode);
}

void TMainForm::ReadBack()
{
    SelectCode->setChecked(true);
    DoRead->setChecked(true); // the option rules untick the other steps
    AddressRange range{0, static_cast<int32_t>(Prog.Dev.Chip.FlashEnd)};
    if (Image.ImageSize > 0)
        range = {Image.StartAddress, Image.EndAddress};
    // The read leaves addresses it does not reach (the top byte of the code
    // area, the gap below the User data of small parts) as they were: they
    // must not come out of the file as if the chip held them.
    Image.ClearImage(false);
    RunAndReport(range);
    if (ExitCode.value_or(ExitSuccess) != ExitSuccess)
        return;
    std::string error;
    int format = ToLower(ReadBackPath).ends_with(".bin") ? 3 : 1;
    if (!SaveImage(Image, ReadBackPath, format, error)) {
        Op.Note(MessageKind::Error, error);
        RequestExit(ExitReadBackNotWritten);
        return;
    }
    Op.Log("Read " + std::to_string(Image.ImageSize) + " bytes into " + ReadBackPath);
    RequestExit(ExitSuccess);
}

void TMainForm::KeyGoClick()
{
    KeyGo->setEnabled(false);
    repaint();
    RunAndReport();
    KeyGo->setEnabled(true);
}

void TMainForm::Reload1Click()
{
    if (LoadFileAndShow())
        RunAndReport();
}

} // namespace vorbrant
