#include "session/RunReport.h"

#include "session/Messages.h"

namespace vorbrant {

void RunReport::Event(const RunEvent& event)
{
    switch (event.Kind) {
    case RunEventKind::StepStarted:
        op_.SetStatus(StepStatusText(event.StepKind), true);
        op_.Repaint();
        return;
    case RunEventKind::Progress:
        // A new gauge is shown at 0 (the console prints its first line then).
        if (!gaugeShown_ || event.Total != gaugeTotal_) {
            op_.ShowProgress(static_cast<int>(event.Total));
            gaugeShown_ = true;
            gaugeTotal_ = event.Total;
            return;
        }
        op_.SetProgress(static_cast<int>(event.Done));
        op_.Repaint();
        return;
    case RunEventKind::ProgressEnded:
        op_.HideProgress();
        gaugeShown_ = false;
        op_.Repaint();
        return;
    case RunEventKind::Notice:
        op_.ShowMessage(MessageKind::Information, RangeNoticeText(event.Notice, event.Address));
        return;
    case RunEventKind::LockBytesSkipped:
        op_.ShowMessage(MessageKind::Warning, LockBitsWarningText);
        return;
    case RunEventKind::Uploaded:
    case RunEventKind::ImageChanged:
        return; // the panels' business
    }
}

void RunReport::Idle()
{
    op_.SetStatus(IdleStatusText, false);
    op_.HideProgress();
    gaugeShown_ = false;
    op_.SetBusy(false);
}

void RunReport::End(const RunOutcome& outcome, const std::function<void()>& idle)
{
    const bool failed = !outcome.Succeeded() && outcome.Kind != RunOutcomeKind::Cancelled &&
                        outcome.Kind != RunOutcomeKind::DataLeftOut;
    if (failed) {
        OutcomeMessage message = RunOutcomeMessage(outcome);
        if (batch_)
            op_.Note(message.Kind, message.Text);
        else
            op_.ShowMessage(message.Kind, message.Text);
        if (std::string detail = RunOutcomeDetailLine(outcome); !detail.empty())
            op_.Log(detail);
        if (std::string cause = RunOutcomeCauseLine(outcome); !cause.empty())
            op_.Log(cause);
    }
    Idle();
    if (idle)
        idle();
    if (outcome.Kind == RunOutcomeKind::DataLeftOut) {
        OutcomeMessage message = RunOutcomeMessage(outcome);
        if (batch_)
            op_.Note(message.Kind, message.Text);
        else
            op_.ShowMessage(message.Kind, message.Text);
    } else if (outcome.Succeeded() && !batch_) {
        op_.Beep();
        OutcomeMessage message = RunOutcomeMessage(outcome);
        op_.ShowMessage(message.Kind, message.Text);
    }
}

} // namespace vorbrant
