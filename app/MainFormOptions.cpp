// The rules that tie the five operation check boxes and the two area radio
// buttons together. They run on every change of a control, whether the
// operator clicked it or the program checked it (command line, Connect), so
// program changes cascade the same way.
#include "app/MainForm.h"

#include <QCheckBox>
#include <QRadioButton>

namespace vorbrant {

void TMainForm::ConnectOptionRules()
{
    auto whenChecked = [this](QAbstractButton* control, void (TMainForm::*rule)()) {
        connect(control, &QAbstractButton::toggled, this, [this, rule](bool checked) {
            if (checked)
                (this->*rule)();
        });
    };
    whenChecked(DoRead, &TMainForm::DoReadClick);
    whenChecked(DoErase, &TMainForm::DoEraseClick);
    whenChecked(DoBlankCheck, &TMainForm::DoBlankCheckClick);
    whenChecked(DoVerify, &TMainForm::DoVerifyClick);
    whenChecked(SelectCode, &TMainForm::SelectCodeClick);
    whenChecked(SelectData, &TMainForm::SelectDataClick);
}

void TMainForm::DoReadClick()
{
    if (!DoRead->isChecked())
        return;
    DoBlankCheck->setChecked(false);
    DoErase->setChecked(false);
    DoProgram->setChecked(false);
    DoVerify->setChecked(false);
}

void TMainForm::DoEraseClick()
{
    if (DoErase->isChecked())
        DoRead->setChecked(false);
}

void TMainForm::DoBlankCheckClick()
{
    if (DoBlankCheck->isChecked())
        DoRead->setChecked(false);
}

void TMainForm::DoVerifyClick()
{
    if (DoVerify->isChecked())
        DoRead->setChecked(false);
}

void TMainForm::SelectCodeClick()
{
    DoErase->setEnabled(true);
    DoBlankCheck->setEnabled(true);
    DoProgram->setEnabled(true);
}

void TMainForm::SelectDataClick()
{
    DoErase->setEnabled(true);
    DoErase->setChecked(true);
    DoBlankCheck->setEnabled(true);
    DoBlankCheck->setChecked(true);
    DoProgram->setEnabled(true);
}

void TMainForm::KeyClearClick()
{
    for (QCheckBox* box : {DoErase, DoBlankCheck, DoProgram, DoVerify, DoRead})
        if (box->isEnabled())
            box->setChecked(false);
}

RunOptions TMainForm::CurrentRunOptions() const
{
    RunOptions options;
    options.DoRead = DoRead->isChecked();
    options.DoErase = DoErase->isChecked();
    options.DoBlankCheck = DoBlankCheck->isChecked();
    options.DoProgram = DoProgram->isChecked();
    options.DoVerify = DoVerify->isChecked();
    options.DataArea = SelectData->isChecked();
    options.BatchMode = BatchMode;
    return options;
}

} // namespace vorbrant
