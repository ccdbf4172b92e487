// Connection workflow and operation flow of the main window.
// MINIMAL BODIES: the connect/poll/run glue is filled in separately; until
// then Connect answers as with no adapter port.
#include "app/MainForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace vorbrant {

void TMainForm::KeyConnectClick()
{
    PollActive = false;
    if (!LptMode) {
        Op.ShowMessage(MessageKind::Warning, "Select port first!");
        return;
    }
    // Minimal body: connecting comes with the connection workflow.
}

void TMainForm::Timer1Timer()
{
    // Minimal body: the presence poll comes with the connection workflow.
}

void TMainForm::ShowDisconnected()
{
    // Minimal body.
}

void TMainForm::KeyGoClick()
{
    // Minimal body: the operation flow comes with the sequencer glue.
    if (BatchMode)
        RequestExit(ExitNotConnected);
}

void TMainForm::Reload1Click()
{
    // Minimal body.
}

void TMainForm::ShowIdle()
{
    Op.SetStatus("Idle", false);
    Panel2->setEnabled(true);
    Panel3->setEnabled(true);
    Panel4->setEnabled(true);
    Op.SetBusy(false);
    Op.HideProgress();
    if (LptMode)
        PollActive = true;
    Timer1->start();
}

} // namespace vorbrant
