#include "security/ui/F30xSecurityDialog.h"

#include "security/SecurityTexts.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vorbrant {

TC30X_security::TC30X_security(SecurityContext context, Operator& op, QWidget* parent)
    : LockDialog(op, parent), Model(std::move(context))
{
    setObjectName("TC30X_security");
    setWindowTitle(F30xSecurity::Caption);
    // No close box: Exit or Escape.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    C30x_ReadLock = new QCheckBox("Read/Write Lock", Panel1);
    C30x_ReadLock->setObjectName("C30x_ReadLock");
    C30x_WriteLock = new QCheckBox("Write Lock", Panel1);
    C30x_WriteLock->setObjectName("C30x_WriteLock");
    KeyWrite = MakeButton("KeyWrite", "Update", "Update security byte", Panel1);
    ChipErase = MakeButton("ChipErase", "Chip Erase", "Erase whole chip", this);
    Button2 = MakeButton("Button2", "Exit", "Close security window", this);

    auto* boxes = new QVBoxLayout;
    boxes->setSpacing(8);
    boxes->addWidget(C30x_ReadLock);
    boxes->addWidget(C30x_WriteLock);
    auto* panel = new QHBoxLayout(Panel1);
    panel->setContentsMargins(14, 10, 14, 10);
    panel->addLayout(boxes);
    panel->addStretch();
    panel->addWidget(KeyWrite, 0, Qt::AlignVCenter);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ChipErase);
    buttons->addStretch();
    buttons->addWidget(Button2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addWidget(Panel1);
    layout->addLayout(buttons);
    for (QPushButton* button : {KeyWrite, ChipErase, Button2})
        button->setMinimumWidth(80);
    setFixedSize(260, sizeHint().height());

    // The boxes are the model's: a click sets what Update will lock.
    connect(C30x_ReadLock, &QCheckBox::clicked, this, [this](bool checked) {
        Model.ReadLockChecked = checked;
        Repaint();
    });
    connect(C30x_WriteLock, &QCheckBox::clicked, this, [this](bool checked) {
        Model.WriteLockChecked = checked;
        Repaint();
    });
    connect(KeyWrite, &QPushButton::clicked, this, &TC30X_security::KeyWriteClick);
    connect(ChipErase, &QPushButton::clicked, this, &TC30X_security::ChipEraseClick);
    connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
}

void TC30X_security::Opened()
{
    setWindowTitle(F30xSecurity::Caption);
    Say(Model.Open(), SecurityAccess::F30xNibbles);
}

void TC30X_security::Repaint()
{
    QSignalBlocker quietRead(C30x_ReadLock);
    QSignalBlocker quietWrite(C30x_WriteLock);
    C30x_ReadLock->setChecked(Model.ReadLockChecked);
    C30x_WriteLock->setChecked(Model.WriteLockChecked);
    for (QWidget* control : {static_cast<QWidget*>(C30x_ReadLock), static_cast<QWidget*>(C30x_WriteLock),
                             static_cast<QWidget*>(KeyWrite)})
        control->setEnabled(Model.ControlsEnabled);
}

void TC30X_security::KeyWriteClick()
{
    Say(Model.Update(Model.ReadLockChecked, Model.WriteLockChecked), SecurityAccess::F30xNibbles);
    Repaint();
}

void TC30X_security::ChipEraseClick()
{
    if (!Confirm(ChipEraseQuestion))
        return;
    Busy(true);
    Say(Model.ChipErase(), SecurityAccess::F30xNibbles);
    Busy(false);
    Repaint();
}

} // namespace vorbrant
