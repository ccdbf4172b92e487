#include "security/ui/LockDialog.h"

#include "security/SecurityTexts.h"

#include <QHideEvent>
#include <QPushButton>
#include <QShowEvent>

namespace vorbrant {

LockDialog::LockDialog(Operator& op, QWidget* parent) : QDialog(parent), op_(op)
{
    setModal(true);
    // The same small font as the main window.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
}

void LockDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window manager showing it again after a minimise is no new opening.
    if (event->spontaneous() || open_)
        return;
    open_ = true;
    Opened();
    Repaint();
}

void LockDialog::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous() || !open_)
        return;
    open_ = false;
    Closed();
}

void LockDialog::Say(const SecurityNotes& notes, SecurityAccess access)
{
    for (SecurityNote note : notes) {
        SecurityMessage message = SecurityNoteMessage(note, access);
        op_.ShowMessage(message.Kind, message.Text);
    }
}

QPushButton* LockDialog::MakeButton(const char* name, const QString& text, const QString& hint, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    // Enter in a field is the field's; a button is pressed by click or Space.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace vorbrant
