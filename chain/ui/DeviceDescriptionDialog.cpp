#include "chain/ui/DeviceDescriptionDialog.h"

#include "chain/ChainTexts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace vorbrant {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

void SetText(QLineEdit* edit, const std::string& text)
{
    if (edit->text() != Q(text)) {
        QSignalBlocker block(edit);
        edit->setText(Q(text));
    }
}

} // namespace

TJTAGDeviceDescription::TJTAGDeviceDescription(JtagDeviceEditor editor, Operator& op, QWidget* parent)
    : QDialog(parent), Model(std::move(editor)), op_(op)
{
    setObjectName("JTAGDeviceDescription");
    setWindowTitle(DeviceDescriptionCaption);
    setModal(true);
    // No close box: the dialog ends through OK or Cancel.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(420, 290);

    auto label = [this](const char* text, int x, int y, int w) {
        auto* l = new QLabel(text, this);
        l->setGeometry(x, y, w, 18);
        return l;
    };
    auto edit = [this](const char* name, int x, int y, int w) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setGeometry(x, y, w, 24);
        return e;
    };
    auto button = [this](const char* name, const char* text, int x, int y) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setGeometry(x, y, 90, 28);
        b->setAutoDefault(false);
        return b;
    };

    label("Device Name:", 12, 10, 180);
    DeviceName = edit("DeviceName", 12, 30, 180);
    label("Instruction  Register Length:", 12, 62, 190);
    IRLength = edit("IRLength", 12, 82, 80);
    label("Boundary Scan Length:", 12, 114, 180);
    BSLength = edit("BSLength", 12, 134, 80);
    IDCodeValid = new QCheckBox("JTAG ID Code", this);
    IDCodeValid->setObjectName("IDCodeValid");
    IDCodeValid->setGeometry(12, 168, 180, 20);
    IDCode = edit("IDCode", 12, 190, 100);
    label("Existing JTAG Devices:", 212, 10, 196);
    DeviceList = new QListWidget(this);
    DeviceList->setObjectName("DeviceList");
    DeviceList->setGeometry(212, 30, 196, 184);

    KeyChange = button("KeyChange", "Change", 12, 246);
    KeyDelete = button("KeyDelete", "Delete", 110, 246);
    KeyOK = button("KeyOK", "OK", 220, 246);
    KeyCancel = button("KeyCancel", "Cancel", 318, 246);

    connect(DeviceName, &QLineEdit::textEdited, this, [this](const QString& text) {
        Model.NameText = text.toStdString();
        Model.NameKeyPressed();
        Repaint();
    });
    auto number = [this](QLineEdit* field, JtagDeviceEditor::Field kind) {
        connect(field, &QLineEdit::textChanged, this, [this, kind](const QString& text) {
            Model.FieldChanged(kind, text.toStdString());
            Repaint();
        });
    };
    number(IRLength, JtagDeviceEditor::Field::IRLength);
    number(BSLength, JtagDeviceEditor::Field::BSLength);
    number(IDCode, JtagDeviceEditor::Field::IDCode);
    connect(IDCodeValid, &QCheckBox::clicked, this, [this](bool checked) {
        Model.IdCodeValidClicked(checked);
        Repaint();
    });
    connect(DeviceList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row == Model.Selected)
            return;
        Model.Select(row);
        Repaint();
    });
    // A click beside the entries keeps the selected one highlighted: Change
    // and Delete act on it.
    connect(DeviceList, &QListWidget::itemSelectionChanged, this, [this] {
        if (DeviceList->selectedItems().isEmpty() && Model.Selected >= 0)
            Repaint();
    });
    // A click (or Enter) on the selected entry shows it again.
    auto showAgain = [this](QListWidgetItem* item) {
        Model.Select(DeviceList->row(item));
        Repaint();
    };
    connect(DeviceList, &QListWidget::itemClicked, this, showAgain);
    connect(DeviceList, &QListWidget::itemActivated, this, showAgain);
    connect(KeyChange, &QPushButton::clicked, this, [this] {
        Say(Model.ChangeClick());
        Repaint();
    });
    connect(KeyDelete, &QPushButton::clicked, this, [this] {
        if (Model.CanDelete() && op_.AskYesNo(DeleteDeviceQuestion(Model.NameText), false))
            Model.DeleteClick();
        Repaint();
    });
    connect(KeyOK, &QPushButton::clicked, this, &TJTAGDeviceDescription::KeyOKClick);
    connect(KeyCancel, &QPushButton::clicked, this, &TJTAGDeviceDescription::KeyCancelClick);
}

int TJTAGDeviceDescription::Run(int selectorIndex)
{
    Say(Model.Open(selectorIndex));
    Repaint();
    return exec();
}

void TJTAGDeviceDescription::Repaint()
{
    SetText(DeviceName, Model.NameText);
    SetText(IRLength, Model.IrText);
    SetText(BSLength, Model.BsText);
    SetText(IDCode, Model.IdText);
    IDCodeValid->setChecked(Model.IdCodeChecked);
    IDCode->setEnabled(Model.IdCodeEnabled);
    {
        QSignalBlocker block(DeviceList);
        const auto& entries = Model.Table().Entries;
        bool same = DeviceList->count() == static_cast<int>(entries.size());
        for (int i = 0; same && i < DeviceList->count(); ++i)
            same = DeviceList->item(i)->text() == Q(entries[static_cast<size_t>(i)].DeviceName);
        if (!same) {
            DeviceList->clear();
            for (const auto& entry : entries)
                DeviceList->addItem(Q(entry.DeviceName));
        }
        DeviceList->setCurrentRow(Model.Selected);
    }
    KeyChange->setText(Model.ChangeCaption());
    KeyChange->setEnabled(Model.ChangeEnabled);
    KeyDelete->setEnabled(Model.DeleteEnabled);
}

void TJTAGDeviceDescription::KeyOKClick()
{
    Model.Ok();
    accept();
}

void TJTAGDeviceDescription::KeyCancelClick()
{
    Say(Model.Cancel());
    QDialog::reject();
}

void TJTAGDeviceDescription::Say(const ChainNotes& notes)
{
    for (const ChainNote& note : notes)
        if (ChainCheckMessage message = ChainNoteMessage(note); !message.Text.empty())
            op_.ShowMessage(message.Kind, message.Text);
}

void TJTAGDeviceDescription::reject() { KeyCancelClick(); }

} // namespace vorbrant
