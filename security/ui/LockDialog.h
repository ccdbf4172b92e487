#pragma once
// What the three lock-byte dialogs share: the model is opened each time the
// dialog is shown and closed however it goes away (Exit, Escape, the close
// box), and their buttons never take Enter on their own.
#include <QDialog>

class QPushButton;
class QString;

namespace vorbrant {

class LockDialog : public QDialog {
    Q_OBJECT
public:
    explicit LockDialog(QWidget* parent);

protected:
    // The model's Open and Close, and the repaint from the model.
    virtual void Opened() = 0;
    virtual void Closed() = 0;
    virtual void Repaint() = 0;

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    // A push button with its objectName and hint.
    QPushButton* MakeButton(const char* name, const QString& text, const QString& hint, QWidget* parent);

private:
    bool open_ = false;
};

} // namespace vorbrant
