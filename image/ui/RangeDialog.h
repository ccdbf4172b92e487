#pragma once
// TForm4: the address-range dialog (start and end), used for a read from the
// target ("Load data address range") and for saving ("Write file address
// range"). A field left with a good value is stored at once, so Cancel keeps
// what was already stored.
#include "common/Operator.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vorbrant {

class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(Operator& op, QWidget* parent = nullptr);

    // Fills caption and fields from range and shows the dialog modally.
    // Returns true on OK; range holds the stored values either way.
    bool Run(const QString& caption, AddressRange& range);

    // The same without the modal loop (tests drive the window themselves).
    void Begin(const QString& caption, AddressRange& range);

    // The focus-out rule of a field; false after "Invalid digit!" (quiet: no
    // warning and the focus stays where it went).
    bool LeaveField(QLineEdit* field, bool quiet = false);
    // The OK rule; closes the dialog on success.
    bool OkClick();

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QPushButton* OKButton;
    QPushButton* CancelButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Puts the focus back on a field without running the focus-out rule of
    // the field it leaves (two bad fields would otherwise bounce forever).
    void Refocus(QLineEdit* field);

    Operator& op_;
    AddressRange* range_ = nullptr;
    bool refocusing_ = false;
};

// Addresses the range may hold: inside the 4 MiB image.
bool RangeInsideBuffer(int32_t value);

} // namespace vorbrant
