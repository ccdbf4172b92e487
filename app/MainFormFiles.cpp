// The buffer-info panel, the offset dialog and the File menu: loading,
// recent files and saving.
#include "app/MainForm.h"

#include "common/Text.h"
#include "image/FileFormats.h"
#include "image/FileSaver.h"
#include "image/ui/OffsetDialog.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>

namespace vorbrant {

namespace {

void SetLabelColor(QLabel* label, const QColor& color)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

// A menu caption shows '&' only when doubled.
QString MenuText(const std::string& text) { return QString::fromStdString(text).replace("&", "&&"); }

// The name after the last folder separator; Windows names from an old
// configuration file keep their backslashes.
std::string DisplayName(const std::string& path)
{
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

const QStringList OpenFilters = {
    "Intel HEX files (*.HEX *.hex)",
    "Motorola S-records (*.S?? *.s?? *.run *.RUN)",
    "Binary image (*.BIN *.bin)",
    "Any file (*)",
};

const QStringList SaveFilters = {
    "Intel HEX files (*.HEX *.hex)",
    "Binary image (*.BIN *.bin)",
    "Any file (*)",
};

} // namespace

void TMainForm::ShowBufferInfo()
{
    LStartAddress->setText(PanelAddressText(Image.StartAddress));
    LEndAddress->setText(PanelAddressText(Image.EndAddress));
    LoadedSize->setText(PanelAddressText(Image.ImageSize));
    LoadedOffset->setText(PanelAddressText(Image.LoadOffset));
    bool offset = Image.LoadOffset != 0;
    QFont f = LoadedOffset->font();
    f.setBold(offset);
    LoadedOffset->setFont(f);
    SetLabelColor(LoadedOffset, offset ? Qt::red : Qt::black);
}

void TMainForm::LoadedOffsetClick()
{
    OffsetDialog().RunOffset(Image.LoadOffset);
    ShowBufferInfo();
}

bool TMainForm::LoadFileAndShow()
{
    if (!LoadFile(Image, Files, Op))
        return false;
    LoadedFilename->setText(QString::fromStdString(Files.LoadedName));
    SetLabelColor(LoadedFilename, QColor(0, 128, 0));
    ShowBufferInfo();
    return true;
}

void TMainForm::OpenAndLoad()
{
    if (!ChooseOpenFile) {
        ChooseOpenFile = [this]() -> std::optional<FileChoice> {
            QFileDialog dialog(this, "Open", QString::fromStdString(Files.LastDir));
            dialog.setFileMode(QFileDialog::ExistingFile);
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setNameFilters(OpenFilters);
            dialog.setDefaultSuffix("HEX");
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
                return std::nullopt;
            int index = static_cast<int>(OpenFilters.indexOf(dialog.selectedNameFilter())) + 1;
            return FileChoice{dialog.selectedFiles().front().toStdString(), index < 1 ? 4 : index};
        };
    }
    std::optional<FileChoice> choice = ChooseOpenFile();
    if (!choice || choice->Path.empty())
        return;
    Files.FileFormat = ChooseFileFormat(choice->Path, choice->FilterIndex);
    size_t slash = choice->Path.rfind('/');
    Files.LastDir = slash == std::string::npos ? std::string() : choice->Path.substr(0, slash == 0 ? 1 : slash);
    Files.LoadedName = FileNamePart(choice->Path);
    Files.CurrentFilePath = choice->Path;
    LoadFileAndShow();
    AddRecentFile(choice->Path);
}

QAction* TMainForm::RecentItem(int entry) const
{
    QAction* items[] = {N3, N4, N5, N6, N7};
    return entry >= 1 && entry <= 5 ? items[entry - 1] : nullptr;
}

void TMainForm::AddRecentFile(const std::string& path)
{
    Recent.AddRecentFile(path);
    const auto& entries = Recent.Entries();
    if (!entries.empty())
        N2->setVisible(true);
    for (size_t i = 0; i < entries.size() && i < 5; ++i) {
        QAction* item = RecentItem(static_cast<int>(i) + 1);
        item->setText("&" + QString::number(i + 1) + " " + MenuText(DisplayName(entries[i])));
        item->setVisible(true);
    }
}

void TMainForm::RecentFileClick(int entry)
{
    const auto& entries = Recent.Entries();
    if (entry < 1 || static_cast<size_t>(entry) > entries.size())
        return;
    Files.CurrentFilePath = entries[static_cast<size_t>(entry) - 1];
    Files.FileFormat = 4;
    LoadFileAndShow();
}

void TMainForm::SaveWithRange()
{
    AddressRange range{Image.StartAddress, Image.EndAddress};
    bool ok = Op.AskRange("Write file address range", range);
    // The dialog stores a field as soon as it is left, Cancel or not.
    Image.StartAddress = range.Start;
    Image.EndAddress = range.End;
    if (!ok)
        return;

    if (!ChooseSaveFile) {
        ChooseSaveFile = [this]() -> std::optional<FileChoice> {
            QFileDialog dialog(this, "Save As", QString::fromStdString(Files.LastDir));
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setNameFilters(SaveFilters);
            dialog.setDefaultSuffix("HEX");
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
                return std::nullopt;
            int index = static_cast<int>(SaveFilters.indexOf(dialog.selectedNameFilter())) + 1;
            return FileChoice{dialog.selectedFiles().front().toStdString(), index < 1 ? 1 : index};
        };
    }
    std::optional<FileChoice> choice = ChooseSaveFile();
    if (!choice || choice->Path.empty())
        return;

    // The save format stays apart from FileFormat, which "&Reload" uses.
    Op.SetBusy(true);
    std::string error;
    bool saved = SaveImage(Image, choice->Path, choice->FilterIndex, error);
    Op.SetBusy(false);
    if (!saved)
        Op.ShowMessage(MessageKind::Error, error);
}

} // namespace vorbrant
