#include "app/QtOperator.h"

#include "image/ui/RangeDialog.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>

namespace vorbrant {

QtOperator::~QtOperator()
{
    if (busy_)
        QApplication::restoreOverrideCursor();
}

void QtOperator::Attach(QWidget* window, QLabel* status, QProgressBar* progress)
{
    window_ = window;
    status_ = status;
    progress_ = progress;
}

void QtOperator::AttachRangeDialog(TForm4* dialog) { range_ = dialog; }

void QtOperator::ShowMessage(MessageKind kind, const std::string& text)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    if (kind == MessageKind::Warning)
        icon = QMessageBox::Warning;
    else if (kind == MessageKind::Error)
        icon = QMessageBox::Critical;
    QMessageBox box(icon, MessageKindName(kind), QString::fromStdString(text), QMessageBox::Ok, window_);
    // A box must be answered even while the hourglass shows.
    bool wasBusy = busy_;
    if (wasBusy)
        SetBusy(false);
    box.exec();
    if (wasBusy)
        SetBusy(true);
}

bool QtOperator::AskYesNo(const std::string& text, bool defaultYes)
{
    QMessageBox box(QMessageBox::Question, "Confirm", QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, window_);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool QtOperator::AskOkCancel(const std::string& text, bool defaultOk)
{
    // OK/Cancel asks before something that cannot be undone: a warning.
    QMessageBox box(QMessageBox::Warning, MessageKindName(MessageKind::Warning), QString::fromStdString(text),
                    QMessageBox::Ok | QMessageBox::Cancel, window_);
    box.setDefaultButton(defaultOk ? QMessageBox::Ok : QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

bool QtOperator::AskRange(const std::string& caption, AddressRange& range)
{
    if (!range_)
        range_ = new TForm4(*this, window_);
    return range_->Run(QString::fromStdString(caption), range);
}

void QtOperator::SetStatus(const std::string& text, bool red)
{
    if (!status_)
        return;
    status_->setText(QString::fromStdString(text));
    QPalette p = status_->palette();
    p.setColor(QPalette::WindowText, red ? Qt::red : Qt::black);
    status_->setPalette(p);
}

void QtOperator::ShowProgress(int maximum)
{
    if (!progress_)
        return;
    progress_->setRange(0, maximum > 0 ? maximum : 1);
    progress_->setValue(0);
    progress_->setVisible(true);
}

void QtOperator::SetProgress(int value)
{
    if (progress_)
        progress_->setValue(value);
}

void QtOperator::HideProgress()
{
    if (progress_)
        progress_->setVisible(false);
}

void QtOperator::SetBusy(bool busy)
{
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtOperator::Repaint()
{
    if (window_)
        window_->repaint();
}

void QtOperator::Beep() { QApplication::beep(); }

} // namespace vorbrant
