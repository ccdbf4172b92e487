#include "session/OperationOptions.h"

namespace vorbrant {

OperationOptions::OperationOptions()
{
    state(Step::Erase).Checked = true;
    state(Step::Program).Checked = true;
}

void OperationOptions::SetChecked(Step step, bool checked)
{
    StepState& s = state(step);
    if (s.Checked == checked)
        return;
    s.Checked = checked;
    if (checked)
        StepTicked(step);
}

void OperationOptions::StepTicked(Step step)
{
    switch (step) {
    case Step::Read:
        // A read replaces the image: nothing else runs with it.
        for (Step other : {Step::BlankCheck, Step::Erase, Step::Program, Step::Verify})
            SetChecked(other, false);
        break;
    case Step::Erase:
    case Step::BlankCheck:
    case Step::Verify: SetChecked(Step::Read, false); break;
    case Step::Program: break;
    }
}

void OperationOptions::SelectArea(FlashArea area)
{
    if (area_ == area)
        return;
    area_ = area;
    ApplyAreaRule();
}

void OperationOptions::ApplyAreaRule()
{
    for (Step step : {Step::Erase, Step::BlankCheck, Step::Program})
        SetEnabled(step, true);
    // The User data area is erased and checked before it is written.
    if (area_ == FlashArea::UserData) {
        SetChecked(Step::Erase, true);
        SetChecked(Step::BlankCheck, true);
    }
}

void OperationOptions::ClearEnabledSteps()
{
    for (Step step : AllSteps)
        if (Enabled(step))
            SetChecked(step, false);
}

} // namespace vorbrant
