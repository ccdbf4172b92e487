// The session's connection: Connect and Disconnect, the presence poll and
// a lost target, the locked-part warning, the reconnect of the security
// dialogs.
#include "session/Session.h"

#include "session/Messages.h"

namespace vorbrant {

void Session::Reconnect()
{
    ConnectClick();
    ConnectClick();
}

SecurityContext Session::Security()
{
    auto reconnect = [this] {
        const bool polling = PollTimerRunning();
        Reconnect();
        SetPollTimer(polling);
    };
    return SecurityContext{stack_.Dev, reconnect, [this] { return PollTimerRunning(); },
                           [this](bool running) { SetPollTimer(running); }};
}

void Session::SetPollTimer(bool running)
{
    pollTimerRunning_ = running;
    if (view_)
        view_->PollTimer(running);
}

void Session::WarnIfLocked(const ConnectResult& result)
{
    if (result.ClearsLockWarning)
        state_.LockWarningShown = false;
    if (result.Kind != ConnectOutcome::Locked || state_.LockWarningShown)
        return;
    state_.LockWarningShown = true;
    OutcomeMessage warning = ConnectOutcomeMessage(result.Kind, stack_.Dev.Chip);
    op_.ShowMessage(warning.Kind, warning.Text);
}

void Session::ConnectClick()
{
    state_.PollActive = false;
    if (!state_.LptMode) {
        op_.ShowMessage(MessageKind::Warning, SelectPortFirstText);
        return;
    }
    state_.ChainCheckEnabled = false;
    state_.SecurityMenuVisible = false;
    state_.DataAreaEnabled = false;
    options_.SelectArea(FlashArea::Code);
    options_.ApplyAreaRule();
    op_.SetBusy(true);
    options_.SetEnabled(Step::Erase, true);
    options_.SetEnabled(Step::BlankCheck, true);
    if (!state_.ChainEnabled)
        stack_.Dev.SetChainPosition(0);

    if (Connected()) {
        Disconnect();
        return;
    }
    // The window shows the connect under way behind any box it brings.
    notify(&SessionView::OptionsChanged);
    notify(&SessionView::ConnectionChanged);

    ConnectResult result = stack_.Dev.ConnectTarget();
    WarnIfLocked(result);
    identifiedLocked_ = result.Kind == ConnectOutcome::Locked;
    op_.SetBusy(false);
    if (!result.Identified()) {
        OutcomeMessage error = ConnectOutcomeMessage(result.Kind, stack_.Dev.Chip);
        op_.ShowMessage(error.Kind, error.Text);
        // Without an answer the chain may be set up again.
        if (!result.Answered()) {
            state_.ChainCheckEnabled = true;
            notify(&SessionView::ConnectionChanged);
        }
        return;
    }

    const ChipInfo& chip = stack_.Dev.Chip;
    state_.ChainSetupVisible = false;
    state_.Loader = LoaderPanel::Connected;
    state_.PollActive = true;
    SetPollTimer(true);
    state_.GoEnabled = true;
    state_.ConnectButtonText = DisconnectCaption;
    state_.SecurityMenuVisible = true;
    state_.FirmwareLineEnabled = true;
    state_.DataAreaEnabled = chip.ScratchpadSize != 0;
    notify(&SessionView::OptionsChanged);
    notify(&SessionView::ConnectionChanged);
    op_.Log(ConnectedLogLine(chip, stack_.Signals.Detected().Name));
}

void Session::Disconnect()
{
    // The target is released before the display changes.
    stack_.Dev.DisconnectTarget();
    state_.LockWarningShown = false;
    ShowDisconnected();
}

void Session::ShowDisconnected()
{
    state_.ChainCheckEnabled = true;
    if (state_.ChainEnabled)
        state_.ChainSetupVisible = true;
    state_.Loader = LoaderPanel::Disconnected;
    state_.ConnectButtonText = state_.ChainEnabled ? ConnectToDeviceCaption(state_.SelectedChainDevice) : ConnectCaption;
    state_.GoEnabled = false;
    SetPollTimer(false);
    op_.SetBusy(false);
    options_.SetEnabled(Step::Verify, true);
    options_.SetEnabled(Step::Read, true);
    state_.FirmwareLineEnabled = false;
    notify(&SessionView::OptionsChanged);
    notify(&SessionView::ConnectionChanged);
}

bool Session::Connect()
{
    if (!Connected())
        ConnectClick();
    return Connected();
}

void Session::Poll()
{
    if (!state_.PollActive)
        return;
    // A target that went away drops the window to "Not Connected", silently.
    ConnectResult result = stack_.Dev.ConnectTarget();
    if (!result.Answered()) {
        ShowDisconnected();
        state_.PollActive = false;
        op_.Log(TargetLostLogLine);
        return;
    }
    WarnIfLocked(result);
}

} // namespace vorbrant
