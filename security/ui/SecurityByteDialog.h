#pragma once
// TC2_Security, "Security byte": the count of locked 512-byte pages of a C2
// part as a red bar and an address range, a number field with its up-down
// control, Update and Chip erase. The window only shows C2SecurityByte.
#include "security/C2SecurityByte.h"
#include "security/ui/LockDialog.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace vorbrant {

class UpDown;

class TC2_Security : public LockDialog {
    Q_OBJECT
public:
    static constexpr const char* Caption = "Security byte";

    TC2_Security(SecurityContext context, Operator& op, QWidget* parent = nullptr);

    C2SecurityByte Model;

    QProgressBar* ProtectedArea;
    QLabel* SecuredRange;
    QLabel* Label2;
    QLineEdit* Edit1;
    UpDown* Changer;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;

protected:
    void Opened() override;
    void Closed() override { Model.Close(); }
    void Repaint() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Edit1Change(const QString& text);
    void Button1Click();
    void Button2Click();
};

} // namespace vorbrant
