#pragma once
// TMainForm: the main window. It owns the operator-visible state of the
// programmer (port selection, operation options, buffer and loader panels,
// status line) and carries out start-up, the command line, the port menu,
// the file menu and the saving of the configuration at close.
#include "app/Programmer.h"
#include "app/Sequencer.h"
#include "common/IniFile.h"
#include "common/Operator.h"
#include "image/FileLoader.h"
#include "image/ImageBuffer.h"
#include "image/RecentFiles.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace vorbrant {

class TAboutBox;
class TForm3;
class TForm4;

struct MainFormSettings {
    std::string IniPath;   // the configuration file
    bool Headless = false; // no window is ever shown
};

class TMainForm : public QMainWindow, public RunView {
    Q_OBJECT
public:
    static constexpr const char* ApplicationTitle = "Vorbrant Lite";

    TMainForm(Programmer& programmer, ImageBuffer& image, Operator& op, MainFormSettings settings,
              QWidget* parent = nullptr);
    ~TMainForm() override;

    // Start-up: clears the image, reads the configuration, applies the port,
    // runs the command line (args without our long options). Returns an exit
    // code when the process is to end now (a batch run), nullopt to go on.
    std::optional<int> FormActivate(const std::vector<std::string>& args);
    // Stops the poll, writes the configuration, releases a connected target.
    // Runs once; closing the window runs it.
    void FormClose();
    // Exit code of a headless start that did not end in a batch run: 8 after
    // a command-line error, else 0.
    int HeadlessExitCode() const { return CommandLineError ? 8 : 0; }

    // A batch run ends the process with this code; FormActivate returns it.
    void RequestExit(int code) { ExitCode = code; }
    std::optional<int> ExitCode;

    // The windows created after the main window (program start order).
    void AttachWindows(TAboutBox* about, TForm3* offset, TForm4* range);
    TForm3& OffsetDialog();
    TForm4& RangeDialog();
    TAboutBox& AboutBox();

    // Port selection and the port menu.
    void SelectPort();
    void LPT11Click();
    void LPT21Click();
    void LPT31Click();
    void Userdefined1Click();
    void SelectedPortClick();
    // False when the text typed is no 16-bit address (nothing changed).
    bool UserAddressDialog();

    // Option rules of the check boxes and area radio buttons. They run on
    // every change of the control, by the operator or by the program.
    void DoReadClick();
    void DoEraseClick();
    void DoBlankCheckClick();
    void DoVerifyClick();
    void SelectCodeClick();
    void SelectDataClick();
    void KeyClearClick();
    RunOptions CurrentRunOptions() const;

    // Buffer panel and files.
    void ShowBufferInfo() override;
    void LoadedOffsetClick();
    void OpenAndLoad();
    // LoadFile on the current path; on success the green file name and the
    // refreshed panel.
    bool LoadFileAndShow();
    void AddRecentFile(const std::string& path);
    void RecentFileClick(int entry); // 1..5 for N3..N7
    void SaveWithRange();
    void About1Click();

    // Connection and operation flow (MainFormOperations.cpp).
    void KeyConnectClick();
    void Timer1Timer();
    void ShowDisconnected();
    void KeyGoClick();
    void Reload1Click();
    void ShowIdle() override;
    // Runs the ticked steps and reports the result (batch: the exit code).
    void RunAndReport(const std::optional<AddressRange>& readRange = std::nullopt);
    // The --read batch run: reads the code flash (the loaded file's range,
    // else the whole code area) and saves it to ReadBackPath.
    void ReadBack();
    std::string ReadBackPath;
    // RunView.
    void DisablePanels() override;
    void ShowUploaded() override;
    // The port is the simulator (no real-time scheduling needed).
    bool SimulatedPort = false;
    // A line about the port's work for the run report (accesses, time).
    std::function<std::string()> PortSummary;

    // The open and save dialogs; tests replace them. The open dialog answers
    // the path and the filter index (1 HEX, 2 S-record, 3 binary, 4 any);
    // the save dialog the path and 1 HEX, 2 or 3 binary.
    struct FileChoice {
        std::string Path;
        int FilterIndex = 1;
    };
    std::function<std::optional<FileChoice>()> ChooseOpenFile;
    std::function<std::optional<FileChoice>()> ChooseSaveFile;
    // Releases a connected target at close (DisconnectTarget).
    std::function<void()> ReleaseTarget;

    // Programmer and data.
    Programmer& Prog;
    ImageBuffer& Image;
    Operator& Op;
    MainFormSettings Settings;
    IniFile Config;
    FileState Files;
    RecentFiles Recent;

    // Operator-visible state.
    std::string VersionSuffix;
    uint8_t PortSelection = 0;
    uint16_t UserLptAddress = 0;
    bool LptMode = false;
    bool DirectAddressMode = false;
    bool BatchMode = false;
    bool RunFlag = false;
    bool LptWarningShown = true;
    bool PollActive = false;
    bool CommandLineError = false;
    uint8_t SelectedChainDevice = 1;

    // Controls, named as in the layout.
    QFrame* Panel1;
    QFrame* Panel2;
    QFrame* Panel3;
    QFrame* Panel4;
    QCheckBox* DoErase;
    QCheckBox* DoBlankCheck;
    QCheckBox* DoProgram;
    QCheckBox* DoVerify;
    QCheckBox* DoRead;
    QRadioButton* SelectCode;
    QRadioButton* SelectData;
    QPushButton* KeyClear;
    QPushButton* KeyGo;
    QLabel* LStartAddress;
    QLabel* LEndAddress;
    QLabel* LoadedSize;
    QLabel* Label14;
    QLabel* LoadedOffset;
    QLabel* LoadedFilename;
    QPushButton* KeyLoad;
    QLabel* MfgID;
    QLabel* ChipID;
    QLabel* Label21;
    QLabel* FirmwareVersion;
    QLabel* SelectedPort;
    QLabel* Label24;
    QLabel* BaudRate;
    QLabel* Status;
    QLabel* Adapter;
    QLabel* AdapterType;
    QCheckBox* EnableJTAGChain;
    QPushButton* EditJTAGChain;
    QPushButton* KeyConnect;
    QLabel* Progres;
    QProgressBar* ProgressBar;
    QMenu* File1;
    QAction* Load1;
    QAction* Save1;
    QAction* Exit1;
    QAction* N2;
    QAction* N3;
    QAction* N4;
    QAction* N5;
    QAction* N6;
    QAction* N7;
    QAction* Edit;
    QMenu* Configure1;
    QAction* LPT11;
    QAction* LPT21;
    QAction* LPT31;
    QAction* Userdefined1;
    QAction* Reload1;
    QAction* Security1;
    QAction* About1;
    QTimer* Timer1;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void ConnectOptionRules();
    void ReadConfiguration();
    void WriteConfiguration();
    void RunCommandLine(const std::vector<std::string>& args);
    void ShowLptWarningOnce();
    void SetSelectedPortHint(bool on);
    void CenterOnScreen();
    QAction* RecentItem(int entry) const;
    // Check marks of the port menu, set only by the selection rules.
    void SetPortMark(QAction* item, bool checked);
    void RestorePortMarks();

    TAboutBox* aboutBox_ = nullptr;
    TForm3* form3_ = nullptr;
    TForm4* form4_ = nullptr;
    bool closed_ = false;
    std::array<bool, 4> portMarks_{};
};

// The label text helpers of the panels.
QString PanelAddressText(int32_t value);

} // namespace vorbrant
