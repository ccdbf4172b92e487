#pragma once
// TJTAGDeviceDescription, "JTAG Device Description": the JTAG device list
// with the fields of one entry, add and change mode, Delete, OK and Cancel.
// The window only shows JtagDeviceEditor; it has no close box.
#include "chain/JtagDeviceEditor.h"
#include "common/Operator.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vorbrant {

class TJTAGDeviceDescription : public QDialog {
    Q_OBJECT
public:
    TJTAGDeviceDescription(JtagDeviceEditor editor, Operator& op, QWidget* parent = nullptr);

    // Opens modally with the entry at the chain dialog's selector index.
    int Run(int selectorIndex);

    JtagDeviceEditor Model;

    QLineEdit* DeviceName;
    QLineEdit* IRLength;
    QLineEdit* BSLength;
    QCheckBox* IDCodeValid;
    QLineEdit* IDCode;
    QListWidget* DeviceList;
    QPushButton* KeyOK;
    QPushButton* KeyCancel;
    QPushButton* KeyChange;
    QPushButton* KeyDelete;

    void Repaint();

protected:
    // Escape is Cancel: the edits are dropped the same way.
    void reject() override;

private:
    void KeyOKClick();
    void KeyCancelClick();
    void Say(const ChainNotes& notes);

    Operator& op_;
};

} // namespace vorbrant
