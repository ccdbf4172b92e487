#pragma once
// What the three lock-byte dialogs share: the model is opened each time the
// dialog is shown and closed however it goes away (Exit, Escape, the close
// box), their buttons never take Enter on their own, and what the model's
// actions came to is said in boxes.
#include "common/Operator.h"
#include "security/SecurityContext.h"

#include <QDialog>

class QPushButton;
class QString;

namespace vorbrant {

class LockDialog : public QDialog {
    Q_OBJECT
public:
    LockDialog(Operator& op, QWidget* parent);

protected:
    // The model's Open and Close, and the repaint from the model.
    virtual void Opened() = 0;
    virtual void Closed() = 0;
    virtual void Repaint() = 0;

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    // The notes of a model's action, each in its box.
    void Say(const SecurityNotes& notes, SecurityAccess access);
    // An OK/Cancel question whose default is Cancel.
    bool Confirm(const char* question) { return op_.AskOkCancel(question, false); }
    // The busy cursor around an erase.
    void Busy(bool busy) { op_.SetBusy(busy); }

    // A push button with its objectName and hint.
    QPushButton* MakeButton(const char* name, const QString& text, const QString& hint, QWidget* parent);

private:
    Operator& op_;
    bool open_ = false;
};

} // namespace vorbrant
