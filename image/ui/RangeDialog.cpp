#include "image/ui/RangeDialog.h"

#include "image/ImageBuffer.h"
#include "image/ImageTexts.h"
#include "image/ui/AddressDialogParts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorbrant {

bool RangeInsideBuffer(int32_t value)
{
    return value >= 0 && static_cast<uint32_t>(value) < ImageBuffer::Capacity;
}

TForm4::TForm4(Operator& op, QWidget* parent) : QDialog(parent), op_(op)
{
    setObjectName("TForm4");
    setWindowTitle("Data read");
    // A dialog frame without title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    Label1 = new QLabel("Starting address", this);
    Label1->setObjectName("Label1");
    Label2 = new QLabel("Ending address", this);
    Label2->setObjectName("Label2");
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName("Edit2");
    for (QLineEdit* e : {Edit1, Edit2})
        e->installEventFilter(this);
    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Edit2, 1, 1);
    QHBoxLayout* buttons = MakeCancelOkRow(this, CancelButton, OKButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    setFixedSize(260, 120);
    setTabOrder(Edit1, Edit2);

    connect(OKButton, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm4::Begin(const QString& caption, AddressRange& range)
{
    range_ = &range;
    setWindowTitle(caption);
    Edit1->setText(AddressText(range.Start, 6));
    Edit2->setText(AddressText(range.End, 6));
    Edit1->selectAll();
    Edit1->setFocus();
}

bool TForm4::Run(const QString& caption, AddressRange& range)
{
    Begin(caption, range);
    bool ok = exec() == QDialog::Accepted;
    range_ = nullptr;
    return ok;
}

bool TForm4::LeaveField(QLineEdit* field, bool quiet)
{
    int32_t value = 0;
    if (!ParseAddressText(field->text().toStdString(), value)) {
        if (quiet)
            return false;
        op_.ShowMessage(MessageKind::Warning, InvalidDigitText);
        Refocus(field);
        return false;
    }
    // Only an address inside the image is stored: the range indexes the
    // buffer, and a Cancel keeps what was stored. OK refuses the rest.
    if (range_ && RangeInsideBuffer(value))
        (field == Edit1 ? range_->Start : range_->End) = value;
    field->setText(AddressText(value, 4));
    return true;
}

void TForm4::Refocus(QLineEdit* field)
{
    refocusing_ = true;
    field->setFocus();
    refocusing_ = false;
}

bool TForm4::OkClick()
{
    int32_t start = 0;
    int32_t end = 0;
    if (!ParseAddressText(Edit1->text().toStdString(), start)) {
        op_.ShowMessage(MessageKind::Warning, InvalidDigitText);
        Refocus(Edit1);
        return false;
    }
    if (!ParseAddressText(Edit2->text().toStdString(), end)) {
        op_.ShowMessage(MessageKind::Warning, InvalidDigitText);
        Refocus(Edit2);
        return false;
    }
    if (static_cast<uint32_t>(end) < static_cast<uint32_t>(start) || !RangeInsideBuffer(start) ||
        !RangeInsideBuffer(end)) {
        op_.ShowMessage(MessageKind::Warning, InvalidRangeText);
        Refocus(Edit1);
        return false;
    }
    if (range_) {
        range_->Start = start;
        range_->End = end;
    }
    accept();
    return true;
}

bool TForm4::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field && (field == Edit1 || field == Edit2)) {
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
            // A focus move of our own (back to a bad field) is no leave.
            if (!refocusing_)
                LeaveField(field, what == FieldEvent::LeaveQuietly);
            break;
        case FieldEvent::Other:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vorbrant
