#pragma once
// TJTAG_Security, "Security Bytes": the read-lock and write/erase-lock bytes
// of a JTAG part as two columns of eight boxes (bit 7 at the top), one
// Update per column, and the erase of the lock-bit page or the whole chip.
// The window only shows JtagLockBits.
#include "security/JtagLockBits.h"
#include "security/ui/LockDialog.h"

#include <array>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace vorbrant {

class TJTAG_Security : public LockDialog {
    Q_OBJECT
public:
    static constexpr const char* Caption = "Security Bytes";

    TJTAG_Security(SecurityContext context, Operator& op, QWidget* parent = nullptr);

    JtagLockBits Model;

    QGroupBox* ReadPanel;
    QGroupBox* WritePanel;
    // CheckBox1..CheckBox8: read lock bits 7..0; CheckBox9..CheckBox16:
    // write/erase lock bits 7..0.
    std::array<QCheckBox*, 16> CheckBoxes{};
    QPushButton* Button1;
    QPushButton* Button2;
    QRadioButton* ErasePage;
    QRadioButton* EraseAll;
    QPushButton* Button3;
    QPushButton* Button4;

    // The column and bit of CheckBox n (1..16).
    static LockColumn ColumnOf(int n) { return n <= 8 ? LockColumn::Read : LockColumn::WriteErase; }
    static int BitOf(int n) { return n <= 8 ? 8 - n : 16 - n; }

protected:
    void Opened() override { Say(Model.Open(), SecurityAccess::JtagBlocks); }
    void Closed() override { Model.Close(); }
    void Repaint() override;

private:
    QGroupBox* MakeColumn(const char* name, const char* title, int firstBox, const char* hint, QPushButton*& update,
                          const char* updateName, const char* updateHint);
};

} // namespace vorbrant
