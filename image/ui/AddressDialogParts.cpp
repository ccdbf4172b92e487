#include "image/ui/AddressDialogParts.h"

#include "common/Text.h"

#include <QApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>

namespace vorbrant {

QString AddressText(int32_t value, int digits)
{
    return QString::fromStdString(Hex(static_cast<uint32_t>(value), digits) + "H");
}

QHBoxLayout* MakeCancelOkRow(QDialog* dialog, QPushButton*& cancel, QPushButton*& ok)
{
    cancel = new QPushButton("Cancel", dialog);
    cancel->setObjectName("CancelButton");
    cancel->setAutoDefault(false);
    ok = new QPushButton("OK", dialog);
    ok->setObjectName("OKButton");
    ok->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cancel);
    row->addWidget(ok);
    return row;
}

FieldEvent ClassifyFieldEvent(const QDialog* dialog, const QEvent* event, const QPushButton* cancel,
                              const QPushButton* ok)
{
    if (event->type() == QEvent::KeyPress) {
        int key = static_cast<const QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return FieldEvent::Ok;
        if (key == Qt::Key_Escape)
            return FieldEvent::Cancel;
        return FieldEvent::Other;
    }
    if (event->type() != QEvent::FocusOut || !dialog->isVisible())
        return FieldEvent::Other;
    QWidget* next = QApplication::focusWidget();
    if (!next || next == cancel || !dialog->isAncestorOf(next))
        return FieldEvent::Other;
    // A mouse press on OK is followed by its click, whose OK rule warns about
    // a bad text: warning here as well would show the box twice.
    bool pressOnOk = next == ok && static_cast<const QFocusEvent*>(event)->reason() == Qt::MouseFocusReason;
    return pressOnOk ? FieldEvent::LeaveQuietly : FieldEvent::Leave;
}

} // namespace vorbrant
