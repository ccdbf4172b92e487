#include "security/ui/SecurityBytesDialog.h"

#include "security/SecurityTexts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vorbrant {

TJTAG_Security::TJTAG_Security(SecurityContext context, Operator& op, QWidget* parent)
    : LockDialog(op, parent), Model(std::move(context))
{
    setObjectName("TJTAG_Security");
    setWindowTitle(Caption);

    ReadPanel = MakeColumn("ReadPanel", "FLASH  Read", 1, "Check box to disable block reading via JTAG", Button1,
                           "Button1", "Update read locks");
    WritePanel = MakeColumn("WritePanel", "FLASH Write/Erase", 9, "Check box to disable block writing/erasing via JTAG",
                            Button2, "Button2", "Update write/erase locks");
    // Nothing to click until the first read of the lock bytes.
    ReadPanel->setEnabled(false);
    WritePanel->setEnabled(false);

    ErasePage = new QRadioButton("Erase lock bits page", this);
    ErasePage->setObjectName("ErasePage");
    ErasePage->setChecked(true);
    EraseAll = new QRadioButton("Erase whole chip", this);
    EraseAll->setObjectName("EraseAll");
    Button3 = MakeButton("Button3", "Erase", "Erase chip/lock bits page", this);
    Button4 = MakeButton("Button4", "Exit", "Close security window", this);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(10);
    columns->addWidget(ReadPanel);
    columns->addWidget(WritePanel);

    auto* choice = new QVBoxLayout;
    choice->setSpacing(4);
    choice->addWidget(ErasePage);
    choice->addWidget(EraseAll);
    auto* erase = new QHBoxLayout;
    erase->addLayout(choice);
    erase->addStretch();
    erase->addWidget(Button3, 0, Qt::AlignVCenter);
    erase->addSpacing(10);
    erase->addWidget(Button4, 0, Qt::AlignVCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addLayout(columns);
    layout->addLayout(erase);
    for (QPushButton* button : {Button3, Button4})
        button->setMinimumWidth(80);
    setFixedSize(sizeHint());

    connect(Button1, &QPushButton::clicked, this, [this] {
        Say(Model.UpdateRead(), SecurityAccess::JtagBlocks);
        Repaint();
    });
    connect(Button2, &QPushButton::clicked, this, [this] {
        Say(Model.UpdateWriteErase(), SecurityAccess::JtagBlocks);
        Repaint();
    });
    connect(Button3, &QPushButton::clicked, this, [this] {
        const bool wholeChip = EraseAll->isChecked();
        if (!Confirm(wholeChip ? JtagChipEraseQuestion : LockPageEraseQuestion))
            return;
        Busy(true);
        Say(Model.Erase(wholeChip), SecurityAccess::JtagBlocks);
        Busy(false);
        Repaint();
    });
    connect(Button4, &QPushButton::clicked, this, &QDialog::accept);
}

QGroupBox* TJTAG_Security::MakeColumn(const char* name, const char* title, int firstBox, const char* hint,
                                      QPushButton*& update, const char* updateName, const char* updateHint)
{
    auto* panel = new QGroupBox(title, this);
    panel->setObjectName(name);
    panel->setToolTip(hint);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(4);
    // Bit 7 at the top.
    for (int n = firstBox; n < firstBox + 8; ++n) {
        auto* box = new QCheckBox(panel);
        box->setObjectName(QString("CheckBox%1").arg(n));
        box->setToolTip(hint);
        // Room for the widest label, "1C000-1FFFFH".
        box->setMinimumWidth(box->fontMetrics().horizontalAdvance("1C000-1FFFFH") + 32);
        layout->addWidget(box);
        CheckBoxes[static_cast<size_t>(n - 1)] = box;
        connect(box, &QCheckBox::clicked, this, [this, n](bool checked) {
            Model.BoxClicked(ColumnOf(n), BitOf(n), checked);
            Repaint();
        });
    }
    layout->addSpacing(6);
    update = MakeButton(updateName, "Update", updateHint, panel);
    layout->addWidget(update);
    return panel;
}

void TJTAG_Security::Repaint()
{
    ReadPanel->setEnabled(Model.PanelsEnabled);
    WritePanel->setEnabled(Model.PanelsEnabled);
    for (int n = 1; n <= 16; ++n) {
        QCheckBox* box = CheckBoxes[static_cast<size_t>(n - 1)];
        const JtagLockBits::Box& bit = Model.At(ColumnOf(n), BitOf(n));
        QSignalBlocker quiet(box);
        box->setText(QString::fromStdString(Model.Labels[static_cast<size_t>(BitOf(n))]));
        box->setChecked(bit.Checked);
        box->setEnabled(bit.Enabled);
    }
}

} // namespace vorbrant
