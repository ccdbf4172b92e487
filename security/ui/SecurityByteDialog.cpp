#include "security/ui/SecurityByteDialog.h"

#include "security/SecurityTexts.h"
#include "security/ui/UpDown.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace vorbrant {

TC2_Security::TC2_Security(SecurityContext context, Operator& op, QWidget* parent)
    : LockDialog(op, parent), Model(std::move(context))
{
    setObjectName("TC2_Security");
    setWindowTitle(Caption);

    ProtectedArea = new QProgressBar(this);
    ProtectedArea->setObjectName("ProtectedArea");
    ProtectedArea->setTextVisible(false);
    ProtectedArea->setFixedHeight(22);
    ProtectedArea->setStyleSheet("QProgressBar { background-color: #808080; border: 1px solid #404040; }"
                                 "QProgressBar::chunk { background-color: red; }");

    SecuredRange = new QLabel(this);
    SecuredRange->setObjectName("SecuredRange");
    SecuredRange->setAlignment(Qt::AlignCenter);
    QFont bold = SecuredRange->font();
    bold.setBold(true);
    SecuredRange->setFont(bold);

    Label2 = new QLabel("Security byte", this);
    Label2->setObjectName("Label2");
    Edit1 = new QLineEdit("0", this);
    Edit1->setObjectName("Edit1");
    Edit1->setFixedWidth(56);
    Edit1->installEventFilter(this);
    Changer = new UpDown(Edit1, this);
    Changer->setObjectName("Changer");
    Changer->setRange(0, 0);
    Changer->setFixedHeight(Edit1->sizeHint().height());
    Label2->setBuddy(Edit1);

    Button1 = MakeButton("Button1", "Update", "Update security byte", this);
    Button2 = MakeButton("Button2", "Chip erase", "Erase whole chip", this);
    Button3 = MakeButton("Button3", "Exit", "Close security window", this);

    auto* field = new QHBoxLayout;
    field->addStretch();
    field->addWidget(Label2);
    field->addSpacing(6);
    field->addWidget(Edit1);
    field->addWidget(Changer);
    field->setSpacing(0);
    field->addStretch();

    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {Button1, Button2, Button3}) {
        button->setMinimumWidth(80);
        buttons->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addWidget(ProtectedArea);
    layout->addWidget(SecuredRange);
    layout->addLayout(field);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    setFixedSize(300, sizeHint().height());

    connect(Edit1, &QLineEdit::textChanged, this, &TC2_Security::Edit1Change);
    connect(Button1, &QPushButton::clicked, this, &TC2_Security::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TC2_Security::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &QDialog::accept);
}

void TC2_Security::Repaint()
{
    ProtectedArea->setEnabled(Model.BarEnabled);
    // A typed count beyond the part fills the bar.
    int maximum = std::max(1, Model.GaugeMaximum);
    ProtectedArea->setRange(0, maximum);
    ProtectedArea->setValue(std::clamp(Model.GaugePosition, 0, maximum));
    SecuredRange->setText(QString::fromStdString(Model.RangeText));
    QString text = QString::fromStdString(Model.EditText);
    if (Edit1->text() != text) {
        QSignalBlocker quiet(Edit1);
        Edit1->setText(text);
    }
    Changer->setMaximum(Model.ChangerMaximum);
    Changer->setEnabled(Model.ChangerEnabled);
    Button1->setEnabled(Model.UpdateEnabled);
}

void TC2_Security::Edit1Change(const QString& text)
{
    Model.TextChanged(text.toStdString());
    Repaint();
}

void TC2_Security::Opened() { Say(Model.Open(), SecurityAccess::C2PageCount); }

void TC2_Security::Button1Click()
{
    if (!Confirm(ProtectQuestion))
        return;
    Say(Model.Update(), SecurityAccess::C2PageCount);
    Repaint();
}

void TC2_Security::Button2Click()
{
    if (!Confirm(ChipEraseQuestion))
        return;
    Busy(true);
    Say(Model.ChipErase(), SecurityAccess::C2PageCount);
    Busy(false);
    Repaint();
}

bool TC2_Security::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Model.EnterPressed(Edit1->text().toStdString());
            Repaint();
            return true;
        }
    }
    return LockDialog::eventFilter(watched, event);
}

} // namespace vorbrant
