#pragma once
// The Operator of the windowed program: message boxes with the exact texts,
// Yes/No and OK/Cancel questions, the range dialog, the status line of the
// main window, its progress gauge, the hourglass cursor, the system beep.
#include "common/Operator.h"

#include <QPointer>

class QLabel;
class QProgressBar;
class QWidget;

namespace vorbrant {

class TForm4;

class QtOperator : public Operator {
public:
    QtOperator() = default;
    ~QtOperator() override;

    // The main window's status line and gauge, and the range dialog; boxes
    // are centred on window. Until attached, boxes have no parent and the
    // status and gauge calls do nothing.
    void Attach(QWidget* window, QLabel* status, QProgressBar* progress);
    void AttachRangeDialog(TForm4* dialog);

    void ShowMessage(MessageKind kind, const std::string& text) override;
    bool AskYesNo(const std::string& text, bool defaultYes) override;
    bool AskOkCancel(const std::string& text, bool defaultOk) override;
    bool AskRange(const std::string& caption, AddressRange& range) override;
    void SetStatus(const std::string& text, bool red) override;
    void ShowProgress(int maximum) override;
    void SetProgress(int value) override;
    void HideProgress() override;
    void SetBusy(bool busy) override;
    void Repaint() override;
    void Beep() override;

private:
    QPointer<QWidget> window_;
    QPointer<QLabel> status_;
    QPointer<QProgressBar> progress_;
    QPointer<TForm4> range_;
    bool busy_ = false;
};

} // namespace vorbrant
