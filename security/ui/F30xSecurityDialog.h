#pragma once
// TC30X_security, "C8051F30x Security": the read/write and write lock
// nibbles of an F30x part as two check boxes with Update in one panel, Chip
// Erase and Exit below. No close box; Escape is Exit. The window only shows
// F30xSecurity.
#include "security/F30xSecurity.h"
#include "security/ui/LockDialog.h"

class QCheckBox;
class QFrame;
class QPushButton;

namespace vorbrant {

class TC30X_security : public LockDialog {
    Q_OBJECT
public:
    TC30X_security(SecurityContext context, Operator& op, QWidget* parent = nullptr);

    F30xSecurity Model;

    QFrame* Panel1;
    QCheckBox* C30x_ReadLock;
    QCheckBox* C30x_WriteLock;
    QPushButton* KeyWrite;
    QPushButton* ChipErase;
    QPushButton* Button2;

public slots:
    // Escape is Exit, which closes with OK.
    void reject() override { accept(); }

protected:
    void Opened() override;
    void Closed() override { Model.Close(); }
    void Repaint() override;

private:
    void KeyWriteClick();
    void ChipEraseClick();
};

} // namespace vorbrant
