// The main window as a view of the session: start-up and close, the repaint
// of each panel from the session's state, and the dialogs the session's
// actions need (files, port address, offset).
#include "app/MainForm.h"

#include "BuildInfo.h"
#include "about/ui/AboutBox.h"
#include "common/Text.h"
#include "image/FileFormats.h"
#include "image/ui/OffsetDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>

namespace vorbrant {

namespace {

void SetLabelColor(QLabel* label, const QColor& color)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

void SetColor(QLabel* label, const char* color) { label->setStyleSheet(QString("color: %1;").arg(color)); }

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A menu caption shows '&' only when doubled.
QString MenuText(const std::string& text) { return Q(text).replace("&", "&&"); }

// The name after the last folder separator; Windows names from an old
// configuration file keep their backslashes.
std::string DisplayName(const std::string& path)
{
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// SDCC writes .ihx, srec_cat and objcopy .srec, .mot and .s19/.s28/.s37.
const QStringList OpenFilters = {
    "Intel HEX files (*.HEX *.hex *.IHX *.ihx *.IHEX *.ihex)",
    "Motorola S-records (*.S?? *.s?? *.run *.RUN *.SREC *.srec *.MOT *.mot)",
    "Binary image (*.BIN *.bin)",
    "DAT files (*.DAT *.dat)",
    "Any file (*)",
};

const QStringList SaveFilters = {
    "Intel HEX files (*.HEX *.hex)",
    "Binary image (*.BIN *.bin)",
    "Any file (*)",
};

} // namespace

// --- start-up and close ------------------------------------------------------

std::optional<int> TMainForm::FormActivate(const std::vector<std::string>& args)
{
    S.SetView(this);
    SelectData->setText("Scratchpad");
    VersionSuffix = std::string(" ") + build::Version;
    setWindowTitle(Q(std::string(ApplicationTitle) + VersionSuffix));
    std::optional<int> code = Batch.Start(args);
    ShowPortMenu();
    RepaintFromSession();
    if (code)
        return code;
    if (!S.State().BatchMode && !S.Settings().Headless) {
        CenterOnScreen();
        show();
    }
    return std::nullopt;
}

void TMainForm::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    S.Close();
}

void TMainForm::RepaintFromSession()
{
    PortChanged();
    ConnectionChanged();
    OptionsChanged();
    ShowBufferInfo();
    LoadedFileChanged();
    RecentFilesChanged();
}

void TMainForm::ShowPortMenu()
{
    if (S.State().DirectAddressMode) {
        LPT11->setText("0x378");
        LPT21->setText("0x278");
        LPT31->setText("0x3BC");
        return;
    }
    QAction* items[] = {LPT11, LPT21, LPT31};
    for (int n = 1; n <= 3; ++n) {
        if (S.Programmer().Ports.LptAddresses[static_cast<size_t>(n)] == 0) {
            items[n - 1]->setVisible(false);
            items[n - 1]->setEnabled(false);
        }
    }
}

// --- repaint -----------------------------------------------------------------

void TMainForm::PortChanged()
{
    QAction* items[] = {LPT11, LPT21, LPT31, Userdefined1};
    for (size_t i = 0; i < S.State().PortMarks.size(); ++i)
        items[i]->setChecked(S.State().PortMarks[i]);
    SelectedPort->setText(Q(S.State().SelectedPortText));
    SelectedPort->setToolTip(S.State().SelectedPortHint ? "Click to change port address" : "");
    if (S.State().PortInfoDimmed) {
        Label24->setEnabled(false);
        BaudRate->setEnabled(false);
    }
    FirmwareVersion->setEnabled(S.State().FirmwareLineEnabled);
}

void TMainForm::ConnectionChanged()
{
    const bool connected = S.Connected();
    const ChipInfo& chip = S.Programmer().Dev.Chip;
    Status->setText(connected ? "Connected" : "Not Connected");
    if (S.State().Loader != LoaderPanel::Initial)
        SetColor(Status, connected ? "green" : "red");
    KeyConnect->setText(Q(S.State().ConnectButtonText));
    KeyConnect->setEnabled(S.State().ConnectEnabled);
    KeyGo->setEnabled(S.State().GoEnabled);
    Reload1->setEnabled(connected);
    Security1->setVisible(S.State().SecurityMenuVisible);
    SelectData->setEnabled(S.State().DataAreaEnabled);
    EnableJTAGChain->setEnabled(S.State().ChainCheckEnabled);
    EditJTAGChain->setVisible(S.State().ChainSetupVisible);
    Adapter->setVisible(connected);
    AdapterType->setVisible(connected);
    FirmwareVersion->setEnabled(S.State().FirmwareLineEnabled);
    if (connected) {
        AdapterType->setText(Q(S.Programmer().Signals.Detected().Name));
        MfgID->setText("SiLabs");
        ChipID->setText(Q(chip.DerivativeName));
        Label21->setText("Flash size:");
        Label21->setEnabled(true);
        FirmwareVersion->setText(QString::number(chip.FlashSizeKB) + "K");
    } else if (S.State().Loader == LoaderPanel::Disconnected) {
        BaudRate->setText("---");
        MfgID->setText("---");
        ChipID->setText("---");
        FirmwareVersion->setText("---");
        Label21->setText("Firmw.ver:");
    }
}

QCheckBox* TMainForm::StepBox(Step step) const
{
    switch (step) {
    case Step::Erase: return DoErase;
    case Step::BlankCheck: return DoBlankCheck;
    case Step::Program: return DoProgram;
    case Step::Verify: return DoVerify;
    case Step::Read: return DoRead;
    }
    return DoRead;
}

void TMainForm::ForwardOptionClicks()
{
    for (Step step : AllSteps)
        connect(StepBox(step), &QAbstractButton::toggled, this, [this, step](bool checked) { S.SetStep(step, checked); });
    connect(SelectCode, &QAbstractButton::toggled, this, [this](bool checked) {
        if (checked)
            S.SelectArea(FlashArea::Code);
    });
    connect(SelectData, &QAbstractButton::toggled, this, [this](bool checked) {
        if (checked)
            S.SelectArea(FlashArea::UserData);
    });
}

void TMainForm::OptionsChanged()
{
    for (Step step : AllSteps) {
        QCheckBox* box = StepBox(step);
        QSignalBlocker quiet(box);
        box->setChecked(S.Options().Checked(step));
        box->setEnabled(S.Options().Enabled(step));
    }
    QSignalBlocker quietCode(SelectCode);
    QSignalBlocker quietData(SelectData);
    (S.Options().Area() == FlashArea::Code ? SelectCode : SelectData)->setChecked(true);
}

void TMainForm::ShowBufferInfo()
{
    const ImageBuffer& image = S.Image();
    LStartAddress->setText(PanelAddressText(image.StartAddress));
    LEndAddress->setText(PanelAddressText(image.EndAddress));
    LoadedSize->setText(PanelAddressText(image.ImageSize));
    LoadedOffset->setText(PanelAddressText(image.LoadOffset));
    bool offset = image.LoadOffset != 0;
    QFont f = LoadedOffset->font();
    f.setBold(offset);
    LoadedOffset->setFont(f);
    SetLabelColor(LoadedOffset, offset ? Qt::red : Qt::black);
}

void TMainForm::LoadedFileChanged()
{
    switch (S.State().Loaded) {
    case LoadedLabel::None:
        LoadedFilename->setText("NONE");
        SetLabelColor(LoadedFilename, Qt::red);
        LoadedFilename->setStyleSheet("");
        break;
    case LoadedLabel::File:
        LoadedFilename->setText(Q(S.Files().LoadedName));
        SetLabelColor(LoadedFilename, QColor(0, 128, 0));
        LoadedFilename->setStyleSheet("");
        break;
    case LoadedLabel::Uploaded:
        LoadedFilename->setText("UPLOADED");
        SetColor(LoadedFilename, "green");
        break;
    }
}

void TMainForm::RecentFilesChanged()
{
    QAction* items[] = {N3, N4, N5, N6, N7};
    const auto& entries = S.Recent().Entries();
    if (!entries.empty())
        N2->setVisible(true);
    for (size_t i = 0; i < entries.size() && i < 5; ++i) {
        items[i]->setText("&" + QString::number(i + 1) + " " + MenuText(DisplayName(entries[i])));
        items[i]->setVisible(true);
    }
}

void TMainForm::PanelsEnabled(bool enabled)
{
    Panel2->setEnabled(enabled);
    Panel3->setEnabled(enabled);
    Panel4->setEnabled(enabled);
}

void TMainForm::PollTimer(bool running)
{
    if (running)
        Timer1->start();
    else
        Timer1->stop();
}

// --- actions with dialogs ----------------------------------------------------

std::optional<std::string> TMainForm::AskPortAddress(const std::string& current)
{
    TForm3& dialog = OffsetDialog();
    std::string typed = dialog.RunBorrowed("User LPT port address", "LPT port address", Q(current)).toStdString();
    if (dialog.result() != QDialog::Accepted)
        return std::nullopt;
    return typed;
}

void TMainForm::Userdefined1Click()
{
    S.ChooseUserDefined([this](const std::string& current) { return AskPortAddress(current); });
}

void TMainForm::SelectedPortClick()
{
    S.EditUserAddress([this](const std::string& current) { return AskPortAddress(current); });
}

void TMainForm::KeyGoClick()
{
    repaint();
    S.Go();
}

void TMainForm::LoadedOffsetClick()
{
    int32_t offset = S.Image().LoadOffset;
    OffsetDialog().RunOffset(offset);
    S.SetLoadOffset(offset);
}

std::optional<TMainForm::FileChoice> TMainForm::RunFileDialog(const char* title, const QStringList& filters, bool open,
                                                             int unknownFilter)
{
    QFileDialog dialog(this, title, Q(S.Files().LastDir));
    dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix("HEX");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    int index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return FileChoice{dialog.selectedFiles().front().toStdString(), index < 1 ? unknownFilter : index};
}

void TMainForm::OpenAndLoad()
{
    if (!ChooseOpenFile)
        ChooseOpenFile = [this] { return RunFileDialog("Open", OpenFilters, true, 5); };
    std::optional<FileChoice> choice = ChooseOpenFile();
    if (!choice || choice->Path.empty())
        return;
    S.OpenFile(choice->Path, LoadFormatForFilter(choice->FilterIndex));
}

void TMainForm::SaveWithRange()
{
    if (!ChooseSaveFile)
        ChooseSaveFile = [this] { return RunFileDialog("Save As", SaveFilters, false, 1); };
    S.SaveWithRange([this]() -> std::optional<Session::SavePath> {
        std::optional<FileChoice> choice = ChooseSaveFile();
        if (!choice)
            return std::nullopt;
        // The first filter writes Intel HEX, the binary and "any file" filters a binary image.
        return Session::SavePath{choice->Path, choice->FilterIndex == 1 ? SaveFormat::Hex : SaveFormat::Binary};
    });
}

} // namespace vorbrant
