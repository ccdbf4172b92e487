#include "image/ui/OffsetDialog.h"

#include "image/ImageBuffer.h"
#include "image/ImageTexts.h"
#include "image/ui/AddressDialogParts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorbrant {

namespace {

// The field forces upper case, typed or pasted.
class UpperCaseEdit : public QLineEdit {
public:
    explicit UpperCaseEdit(const QString& text, QWidget* parent) : QLineEdit(text, parent)
    {
        connect(this, &QLineEdit::textEdited, this, [this](const QString& edited) {
            QString upper = edited.toUpper();
            if (upper == edited)
                return;
            int cursor = cursorPosition();
            setText(upper);
            setCursorPosition(cursor);
        });
    }
};

} // namespace

TForm3::TForm3(Operator& op, QWidget* parent) : QDialog(parent), op_(op)
{
    setObjectName("TForm3");
    setWindowTitle(OffsetCaption);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setModal(true);

    Label5 = new QLabel(OffsetPrompt, this);
    Label5->setObjectName("Label5");
    Edit1 = new UpperCaseEdit("000000H", this);
    Edit1->setObjectName("Edit1");
    Edit1->installEventFilter(this);
    QHBoxLayout* buttons = MakeCancelOkRow(this, CancelButton, OKButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label5);
    layout->addWidget(Edit1);
    layout->addLayout(buttons);
    setFixedSize(220, 110);

    connect(OKButton, &QPushButton::clicked, this, &TForm3::OkClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

bool TForm3::OffsetMode() const { return windowTitle() == OffsetCaption; }

void TForm3::BeginOffset(int32_t& loadOffset)
{
    setWindowTitle(OffsetCaption);
    Label5->setText(OffsetPrompt);
    target_ = &loadOffset;
    pending_ = loadOffset;
    Edit1->setText(AddressText(loadOffset, 4));
    Edit1->selectAll();
    Edit1->setFocus();
}

int TForm3::RunOffset(int32_t& loadOffset)
{
    BeginOffset(loadOffset);
    return exec();
}

QString TForm3::RunBorrowed(const QString& caption, const QString& prompt, const QString& text)
{
    target_ = nullptr;
    setWindowTitle(caption);
    Label5->setText(prompt);
    Edit1->setText(text);
    Edit1->selectAll();
    Edit1->setFocus();
    exec();
    setWindowTitle(OffsetCaption);
    Label5->setText(OffsetPrompt);
    return Edit1->text();
}

bool TForm3::LeaveField(bool quiet)
{
    int32_t value = pending_;
    if (!ParseAddressText(Edit1->text().toStdString(), value)) {
        if (quiet)
            return false;
        op_.ShowMessage(MessageKind::Warning, InvalidDigitText);
        Edit1->setFocus();
        return false;
    }
    pending_ = value;
    Edit1->setText(AddressText(value, 4));
    return true;
}

void TForm3::OkClick()
{
    // Enter in the field comes here without leaving it: take the typed text
    // first so it is not lost.
    if (OffsetMode() && target_ && !LeaveField())
        return;
    accept();
}

void TForm3::done(int result)
{
    if (OffsetMode() && target_) {
        *target_ = pending_;
        target_ = nullptr;
    }
    QDialog::done(result);
}

bool TForm3::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit1) {
        FieldEvent what = ClassifyFieldEvent(this, event, CancelButton, OKButton);
        switch (what) {
        case FieldEvent::Ok:
            OkClick();
            return true;
        case FieldEvent::Cancel:
            reject();
            return true;
        case FieldEvent::Leave:
        case FieldEvent::LeaveQuietly:
            // Only the offset is parsed on leaving; a borrowed use keeps its text.
            if (OffsetMode() && target_)
                LeaveField(what == FieldEvent::LeaveQuietly);
            break;
        case FieldEvent::Other:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vorbrant
