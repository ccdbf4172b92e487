#include "app/MainForm.h"

#include "app/AdapterDialog.h"
#include "gpio/GpioCalls.h"

#include "about/ui/AboutBox.h"
#include "common/Text.h"
#include "image/ui/HexEditor.h"
#include "image/ui/OffsetDialog.h"
#include "image/ui/RangeDialog.h"
#include "security/LockBytes.h"
#include "chain/ui/ChainSetupDialog.h"
#include "security/ui/F30xSecurityDialog.h"
#include "security/ui/SecurityByteDialog.h"
#include "security/ui/SecurityBytesDialog.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

namespace vorbrant {

namespace {

constexpr int ClientWidth = 512;
constexpr int ClientHeight = 366;

QFrame* MakePanel(QWidget* parent, const char* name, int x, int y, int w, int h)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(x, y, w, h);
    return panel;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h = 17)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(x, y, w, h);
    return label;
}

QLabel* MakeHeading(QWidget* parent, const char* name, const QString& text, int width)
{
    QLabel* label = MakeLabel(parent, name, text, 2, 4, width - 4, 18);
    label->setAlignment(Qt::AlignCenter);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

void SetTextColor(QLabel* label, const QColor& color)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

} // namespace

QString PanelAddressText(int32_t value) { return QString::fromStdString(BufferInfoText(value)); }

TMainForm::TMainForm(Session& session, QWidget* parent) : QMainWindow(parent), S(session), Batch(session)
{
    setObjectName("TMainForm");
    setWindowTitle("Vorbrant");
    // Single fixed border: system menu and minimise box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);

    BuildMenus();
    BuildControls();
    ForwardOptionClicks();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(2000);
    connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);

    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");

    File1 = bar->addMenu("&File");
    File1->setObjectName("File1");
    Load1 = new QAction("&Load", this);
    Load1->setObjectName("Load1");
    Save1 = new QAction("&Save", this);
    Save1->setObjectName("Save1");
    Exit1 = new QAction("E&xit", this);
    Exit1->setObjectName("Exit1");
    N2 = new QAction(this);
    N2->setObjectName("N2");
    N2->setSeparator(true);
    N2->setVisible(false);
    File1->addAction(Load1);
    File1->addAction(Save1);
    File1->addSeparator()->setObjectName("N1");
    File1->addAction(Exit1);
    File1->addAction(N2);
    QAction** recent[] = {&N3, &N4, &N5, &N6, &N7};
    for (int i = 0; i < 5; ++i) {
        QAction* item = new QAction(this);
        item->setObjectName(QString("N%1").arg(i + 3));
        item->setVisible(false);
        File1->addAction(item);
        connect(item, &QAction::triggered, this, [this, i] { RecentFileClick(i + 1); });
        *recent[i] = item;
    }
    connect(Load1, &QAction::triggered, this, &TMainForm::OpenAndLoad);
    connect(Save1, &QAction::triggered, this, &TMainForm::SaveWithRange);
    connect(Exit1, &QAction::triggered, this, &QWidget::close);

    Edit = new QAction("&Edit", this);
    Edit->setObjectName("Edit");
    bar->addAction(Edit);
    connect(Edit, &QAction::triggered, this, &TMainForm::EditClick);

    Configure1 = bar->addMenu("&Hardware port");
    Configure1->setObjectName("Configure1");
    Configure1->menuAction()->setObjectName("Configure1Action");
    Configure1->setToolTip("Select LPT port");
    Configure1->menuAction()->setToolTip("Select LPT port");
    Configure1->menuAction()->setStatusTip("Select LPT port");
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    LPT11 = new QAction("LPT1", this);
    LPT11->setObjectName("LPT11");
    LPT21 = new QAction("LPT2", this);
    LPT21->setObjectName("LPT21");
    LPT31 = new QAction("LPT3", this);
    LPT31->setObjectName("LPT31");
    Userdefined1 = new QAction("User defined", this);
    Userdefined1->setObjectName("Userdefined1");
    for (QAction* item : {LPT11, LPT21, LPT31, Userdefined1}) {
        item->setCheckable(true);
        group->addAction(item);
        Configure1->addAction(item);
    }
    // The marks are the port selection's alone: after a click the menu
    // shows the session's marks again (a refused port leaves them as the
    // selection rules left them).
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    LPT11->setChecked(true);
    auto portItem = [this](QAction* item, void (TMainForm::*handler)()) {
        connect(item, &QAction::triggered, this, [this, handler] {
            PortChanged(); // undo the menu's own toggle first
            (this->*handler)();
            PortChanged();
        });
    };
    portItem(LPT11, &TMainForm::LPT11Click);
    portItem(LPT21, &TMainForm::LPT21Click);
    portItem(LPT31, &TMainForm::LPT31Click);
    portItem(Userdefined1, &TMainForm::Userdefined1Click);
    Configure1->addSeparator();
    Adapter1 = new QAction("Adapter...", this);
    Adapter1->setObjectName("Adapter1");
    Configure1->addAction(Adapter1);
    connect(Adapter1, &QAction::triggered, this, &TMainForm::AdapterClick);

    Reload1 = new QAction("&Reload", this);
    Reload1->setObjectName("Reload1");
    Reload1->setEnabled(false);
    bar->addAction(Reload1);
    connect(Reload1, &QAction::triggered, this, &TMainForm::Reload1Click);

    Security1 = new QAction("&Security", this);
    Security1->setObjectName("Security1");
    Security1->setVisible(false);
    bar->addAction(Security1);
    connect(Security1, &QAction::triggered, this, &TMainForm::Security1Click);

    About1 = new QAction("&About", this);
    About1->setObjectName("About1");
    bar->addAction(About1);
    connect(About1, &QAction::triggered, this, &TMainForm::About1Click);
}

void TMainForm::BuildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName("ClientArea");
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);

    const int top = 340;
    Panel2 = MakePanel(client, "Panel2", 0, 0, 150, top);
    Panel3 = MakePanel(client, "Panel3", 150, 0, 180, top);
    Panel4 = MakePanel(client, "Panel4", 330, 0, 182, top);
    Panel1 = MakePanel(client, "Panel1", 0, top, ClientWidth, ClientHeight - top);

    // Left: the operation flow.
    MakeHeading(Panel2, "Panel2Heading", " Operation Flow ", 150);
    auto check = [this](const char* name, const char* text, int y, bool checked) {
        auto* box = new QCheckBox(text, Panel2);
        box->setObjectName(name);
        box->setGeometry(12, y, 128, 20);
        box->setChecked(checked);
        return box;
    };
    DoErase = check("DoErase", "     Erase", 34, true);
    DoBlankCheck = check("DoBlankCheck", "     Blank Check", 58, false);
    DoProgram = check("DoProgram", "     Program", 82, true);
    DoVerify = check("DoVerify", "     Verify", 106, false);
    DoRead = check("DoRead", "     Read", 130, false);
    auto* line = new QFrame(Panel2);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(10, 160, 130, 4);
    SelectCode = new QRadioButton("FLASH code", Panel2);
    SelectCode->setObjectName("SelectCode");
    SelectCode->setGeometry(16, 172, 124, 20);
    SelectCode->setChecked(true);
    SelectData = new QRadioButton("User data", Panel2);
    SelectData->setObjectName("SelectData");
    SelectData->setGeometry(16, 196, 124, 20);
    SelectData->setEnabled(false);
    KeyClear = new QPushButton("Clear", Panel2);
    KeyClear->setObjectName("KeyClear");
    KeyClear->setGeometry(16, 244, 118, 26);
    KeyGo = new QPushButton("Go !", Panel2);
    KeyGo->setObjectName("KeyGo");
    KeyGo->setGeometry(16, 286, 118, 38);
    KeyGo->setEnabled(false);
    QFont bold = KeyGo->font();
    bold.setBold(true);
    KeyGo->setFont(bold);
    connect(KeyClear, &QPushButton::clicked, this, &TMainForm::KeyClearClick);
    connect(KeyGo, &QPushButton::clicked, this, &TMainForm::KeyGoClick);

    // Middle: the data buffer.
    MakeHeading(Panel3, "Panel3Heading", " Data Buffer Info ", 180);
    MakeLabel(Panel3, "Label11", "Start address:", 12, 36, 84);
    LStartAddress = MakeLabel(Panel3, "LStartAddress", "0000H", 100, 36, 74);
    MakeLabel(Panel3, "Label12", "End address :", 12, 60, 84);
    LEndAddress = MakeLabel(Panel3, "LEndAddress", "0000H", 100, 60, 74);
    MakeLabel(Panel3, "Label13", "Size :", 12, 84, 84);
    LoadedSize = MakeLabel(Panel3, "LoadedSize", "0000H", 100, 84, 74);
    Label14 = MakeLabel(Panel3, "Label14", "Offset :", 12, 108, 84);
    LoadedOffset = MakeLabel(Panel3, "LoadedOffset", "0000H", 100, 108, 74);
    for (QLabel* l : {Label14, LoadedOffset}) {
        l->setToolTip("Click to change offset address");
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
    }
    MakeLabel(Panel3, "Label15", "Loaded file :", 12, 140, 156);
    LoadedFilename = MakeLabel(Panel3, "LoadedFilename", "NONE", 12, 160, 160, 34);
    LoadedFilename->setWordWrap(true);
    LoadedFilename->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont fileFont = LoadedFilename->font();
    fileFont.setBold(true);
    LoadedFilename->setFont(fileFont);
    SetTextColor(LoadedFilename, Qt::red);
    KeyLoad = new QPushButton("Load File", Panel3);
    KeyLoad->setObjectName("KeyLoad");
    KeyLoad->setGeometry(20, 286, 140, 38);
    connect(KeyLoad, &QPushButton::clicked, this, &TMainForm::OpenAndLoad);

    // Right: the loader (adapter and target).
    MakeHeading(Panel4, "Panel4Heading", " Loader Info ", 182);
    MakeLabel(Panel4, "Label16", "Manuf. ID : ", 10, 36, 76);
    MfgID = MakeLabel(Panel4, "MfgID", "---", 88, 36, 88);
    MakeLabel(Panel4, "Label17", "Chip ID :", 10, 58, 76);
    ChipID = MakeLabel(Panel4, "ChipID", "---", 88, 58, 88);
    Label21 = MakeLabel(Panel4, "Label21", "Firmw.ver.:", 10, 80, 76);
    FirmwareVersion = MakeLabel(Panel4, "FirmwareVersion", "---", 88, 80, 88);
    MakeLabel(Panel4, "Label18", "Port :", 10, 102, 76);
    SelectedPort = MakeLabel(Panel4, "SelectedPort", "---", 88, 102, 88);
    SelectedPort->setToolTip("Click to change port address");
    SelectedPort->installEventFilter(this);
    Label24 = MakeLabel(Panel4, "Label24", "Baud rate :", 10, 124, 76);
    BaudRate = MakeLabel(Panel4, "BaudRate", "---", 88, 124, 88);
    MakeLabel(Panel4, "Label19", "Status :", 10, 146, 76);
    Status = MakeLabel(Panel4, "Status", "Not Connected", 88, 146, 90);
    SetTextColor(Status, Qt::red);
    Adapter = MakeLabel(Panel4, "Adapter", "Adapter:", 10, 168, 76);
    Adapter->setVisible(false);
    AdapterType = MakeLabel(Panel4, "AdapterType", "", 88, 168, 88);
    AdapterType->setVisible(false);
    EnableJTAGChain = new QCheckBox("Multiple JTAG Chain", Panel4);
    EnableJTAGChain->setObjectName("EnableJTAGChain");
    EnableJTAGChain->setGeometry(12, 204, 160, 20);
    connect(EnableJTAGChain, &QCheckBox::toggled, this, [this](bool on) { S.SetChainEnabled(on); });
    EditJTAGChain = new QPushButton("JTAG Chain Setup", Panel4);
    EditJTAGChain->setObjectName("EditJTAGChain");
    EditJTAGChain->setGeometry(20, 230, 142, 26);
    EditJTAGChain->setVisible(false);
    connect(EditJTAGChain, &QPushButton::clicked, this, &TMainForm::EditJTAGChainClick);
    KeyConnect = new QPushButton("Connect", Panel4);
    KeyConnect->setObjectName("KeyConnect");
    KeyConnect->setGeometry(20, 286, 142, 38);
    connect(KeyConnect, &QPushButton::clicked, this, &TMainForm::KeyConnectClick);

    // Bottom strip: status line and gauge.
    MakeLabel(Panel1, "Label20", "Status : ", 8, 5, 48);
    Progres = MakeLabel(Panel1, "Progres", "Idle", 56, 5, 200);
    SetTextColor(Progres, Qt::black);
    ProgressBar = new QProgressBar(Panel1);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setGeometry(262, 5, 242, 16);
    ProgressBar->setTextVisible(false);
    ProgressBar->setStyleSheet("QProgressBar::chunk { background-color: blue; }");
    ProgressBar->setVisible(false);
}

void TMainForm::AttachWindows(TAboutBox* about, TForm3* offset, TForm4* range)
{
    aboutBox_ = about;
    form3_ = offset;
    form4_ = range;
}

namespace {

// A window made on first use when start-up did not attach one (tests).
template <typename Window, typename... Args>
Window& MadeOnce(Window*& window, Args&&... args)
{
    if (!window)
        window = new Window(std::forward<Args>(args)...);
    return *window;
}

} // namespace

TForm3& TMainForm::OffsetDialog() { return MadeOnce(form3_, S.DialogOperator(), this); }

TForm4& TMainForm::RangeDialog() { return MadeOnce(form4_, S.DialogOperator(), this); }

TEditor& TMainForm::CreateHexEditor(TForm3& jumpDialog)
{
    if (!editor_) {
        // Typed bytes and the clear go through the session, so the
        // buffer-info panel and the loaded-file label follow.
        editor_ = new TEditor(
            S.EditedImage(), S.DialogOperator(), jumpDialog, [this](uint32_t address, uint8_t value) { S.EditByte(address, value); },
            [this] { S.ClearBuffer(); }, this);
    }
    return *editor_;
}

TEditor& TMainForm::HexEditor() { return editor_ ? *editor_ : CreateHexEditor(OffsetDialog()); }

void TMainForm::EditClick() { HexEditor().Run(); }

TJTAGChainSetup& TMainForm::ChainSetupDialog()
{
    return MadeOnce(chainSetup_, S.ChainSetup(), [this] { return S.DeviceEditor(); }, S.DialogOperator(), this);
}

void TMainForm::EditJTAGChainClick()
{
    TJTAGChainSetup& dialog = ChainSetupDialog();
    if (dialog.exec() == QDialog::Accepted)
        S.ChainSetupAccepted(dialog.Model.ChosenPosition());
}

TAboutBox& TMainForm::AboutBox() { return MadeOnce(aboutBox_, ApplicationTitle, VersionSuffix, this); }

void TMainForm::About1Click() { AboutBox().exec(); }

void TMainForm::AttachSecurityDialogs(TJTAG_Security* jtag, TC2_Security* c2, TC30X_security* f30x)
{
    jtagSecurity_ = jtag;
    c2Security_ = c2;
    f30xSecurity_ = f30x;
}

TJTAG_Security& TMainForm::JtagSecurityDialog() { return MadeOnce(jtagSecurity_, S.Security(), S.DialogOperator(), this); }

TC2_Security& TMainForm::C2SecurityDialog() { return MadeOnce(c2Security_, S.Security(), S.DialogOperator(), this); }

TC30X_security& TMainForm::F30xSecurityDialog() { return MadeOnce(f30xSecurity_, S.Security(), S.DialogOperator(), this); }

QDialog& TMainForm::SecurityDialog()
{
    switch (SecurityDialogFor(S.Programmer().Dev.Chip)) {
    case SecurityDialog::SecurityBytes: return JtagSecurityDialog();
    case SecurityDialog::F30xNibbles: return F30xSecurityDialog();
    case SecurityDialog::SecurityByte: break;
    }
    return C2SecurityDialog();
}

void TMainForm::Security1Click()
{
    SecurityDialog().exec();
    // Update and Chip erase connect afresh: show what the session now holds.
    RepaintFromSession();
}

void TMainForm::CenterOnScreen()
{
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Label14 || watched == LoadedOffset) {
            LoadedOffsetClick();
            return true;
        }
        if (watched == SelectedPort) {
            SelectedPortClick();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace vorbrant

namespace vorbrant {

void TMainForm::AdapterClick()
{
    std::unique_ptr<GpioCalls> calls = MakeLinuxGpioCalls();
    std::string note;
    std::vector<FoundAdapter> found = FindAdapters("/proc/sys/dev/parport", "/dev", *calls, note);
    AdapterDialog dialog(std::move(found), note, S.AdapterChoice(), this);
    if (dialog.exec() == QDialog::Accepted)
        S.SetAdapterChoice(dialog.Choice());
}

} // namespace vorbrant
