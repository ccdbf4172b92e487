#pragma once
// An up-down control bound to a number field: two small arrow buttons (and
// the Up and Down keys in the field) step the field's number by one within
// the control's range and write it back into the field, so the field's own
// change handling sees every step.
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace vorbrant {

class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(QLineEdit* buddy, QWidget* parent);

    void setRange(int minimum, int maximum);
    void setMaximum(int maximum) { setRange(minimum_, maximum); }
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // One step up (+1) or down (-1), as a click on an arrow.
    void Step(int delta);

    QToolButton* Up;
    QToolButton* Down;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* buddy_;
    int minimum_ = 0;
    int maximum_ = 100;
};

} // namespace vorbrant
