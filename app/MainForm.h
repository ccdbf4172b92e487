#pragma once
// TMainForm: the main window, a view of the Session. It builds the controls
// and menus, turns clicks into session calls and repaints from the session's
// state when the session says something changed. Dialogs the session needs
// (open and save files, the port address, the offset) are shown here.
#include "common/Operator.h"
#include "session/BatchRun.h"
#include "session/Session.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QDialog;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace vorbrant {

class TAboutBox;
class TC2_Security;
class TC30X_security;
class TEditor;
class TForm3;
class TForm4;
class TJTAG_Security;
class TJTAGChainSetup;

class TMainForm : public QMainWindow, private SessionView {
    Q_OBJECT
public:
    static constexpr const char* ApplicationTitle = Session::ApplicationTitle;

    TMainForm(Session& session, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Start-up: the session's start, then the caption, the port menu and
    // every panel; the window is shown unless the start ended in a batch
    // run or runs headless. Returns the session's exit code when the
    // process is to end now.
    std::optional<int> FormActivate(const std::vector<std::string>& args);
    // Runs once; closing the window runs it.
    void FormClose();
    int HeadlessExitCode() const { return Batch.HeadlessExitCode(); }

    // The windows created after the main window (program start order).
    void AttachWindows(TAboutBox* about, TForm3* offset, TForm4* range);
    TForm3& OffsetDialog();
    TForm4& RangeDialog();
    // The hex editor over the session's image; it borrows jumpDialog for
    // "Jump to address". Made once (start-up makes it after the offset
    // dialog).
    TEditor& CreateHexEditor(TForm3& jumpDialog);
    TEditor& HexEditor();
    TAboutBox& AboutBox();
    // The three lock-byte dialogs (created after the range dialog).
    void AttachSecurityDialogs(TJTAG_Security* jtag, TC2_Security* c2, TC30X_security* f30x);
    TJTAG_Security& JtagSecurityDialog();
    TC2_Security& C2SecurityDialog();
    TC30X_security& F30xSecurityDialog();
    // The one of them that fits the connected part.
    QDialog& SecurityDialog();

    // Menu and button handlers, named as the controls.
    void LPT11Click() { S.ChooseLpt(1); }
    void LPT21Click() { S.ChooseLpt(2); }
    void LPT31Click() { S.ChooseLpt(3); }
    void Userdefined1Click();
    // "Adapter...": app/AdapterDialog.h; the choice goes into the configuration.
    void AdapterClick();
    void SelectedPortClick();
    void KeyClearClick() { S.ClearSteps(); }
    void LoadedOffsetClick();
    void OpenAndLoad();
    void RecentFileClick(int entry) { S.OpenRecentFile(entry); } // 1..5 for N3..N7
    void SaveWithRange();
    void About1Click();
    void EditClick();
    // "JTAG Chain Setup": OK points Connect at the chosen position.
    void EditJTAGChainClick();
    TJTAGChainSetup& ChainSetupDialog();
    void Security1Click();
    void KeyConnectClick() { S.ConnectClick(); }
    void Timer1Timer() { S.Poll(); }
    void KeyGoClick();
    void Reload1Click() { S.Reload(); }
    void ShowBufferInfo();

    // The open and save dialogs; tests replace them. The open dialog answers
    // the path and the filter index (1 HEX, 2 S-record, 3 binary, 4 DAT, 5 any);
    // the save dialog the path and 1 HEX, 2 or 3 binary.
    struct FileChoice {
        std::string Path;
        int FilterIndex = 1;
    };
    std::function<std::optional<FileChoice>()> ChooseOpenFile;
    std::function<std::optional<FileChoice>()> ChooseSaveFile;

    Session& S;
    // The command line and its batch run, over the same session.
    BatchRun Batch;
    std::string VersionSuffix;

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
    QAction* Adapter1;
    QAction* Reload1;
    QAction* Security1;
    QAction* About1;
    QTimer* Timer1;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // SessionView: repaint from the session.
    void PortChanged() override;
    void ConnectionChanged() override;
    void OptionsChanged() override;
    void BufferChanged() override { ShowBufferInfo(); }
    void LoadedFileChanged() override;
    void RecentFilesChanged() override;
    void PanelsEnabled(bool enabled) override;
    void PollTimer(bool running) override;

    void BuildControls();
    void BuildMenus();
    void ForwardOptionClicks();
    void ShowPortMenu();
    // Every panel from the session, as after start-up.
    void RepaintFromSession();
    void CenterOnScreen();
    // The port address dialog: the offset dialog, borrowed.
    std::optional<std::string> AskPortAddress(const std::string& current);
    // The file dialogs: the path and the 1-based index of the chosen filter
    // (unknownFilter when the dialog names none of the list).
    std::optional<FileChoice> RunFileDialog(const char* title, const QStringList& filters, bool open, int unknownFilter);
    QCheckBox* StepBox(Step step) const;

    TAboutBox* aboutBox_ = nullptr;
    TForm3* form3_ = nullptr;
    TForm4* form4_ = nullptr;
    TEditor* editor_ = nullptr;
    TJTAGChainSetup* chainSetup_ = nullptr;
    TJTAG_Security* jtagSecurity_ = nullptr;
    TC2_Security* c2Security_ = nullptr;
    TC30X_security* f30xSecurity_ = nullptr;
    bool closed_ = false;
};

// The label text helpers of the panels.
QString PanelAddressText(int32_t value);

} // namespace vorbrant
