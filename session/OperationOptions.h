#pragma once
// The five operation steps and the flash area, with the rules that tie them
// together. A rule runs when a step becomes ticked or an area becomes
// selected, whoever changed it (the operator, the command line, Connect), so
// program changes cascade the same way as clicks.
#include "session/Outcomes.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace vorbrant {

enum class Step : uint8_t { Erase, BlankCheck, Program, Verify, Read };
inline constexpr std::array<Step, 5> AllSteps{Step::Erase, Step::BlankCheck, Step::Program, Step::Verify, Step::Read};

class OperationOptions {
public:
    // Erase and Program are ticked when the program starts.
    OperationOptions();

    bool Checked(Step step) const { return state(step).Checked; }
    bool Enabled(Step step) const { return state(step).Enabled; }
    void SetChecked(Step step, bool checked);
    void SetEnabled(Step step, bool enabled) { state(step).Enabled = enabled; }

    FlashArea Area() const { return area_; }
    void SelectArea(FlashArea area);
    // The area rule again, whether or not the area changed.
    void ApplyAreaRule();

    // Clear: unticks every enabled step.
    void ClearEnabledSteps();

private:
    struct StepState {
        bool Checked = false;
        bool Enabled = true;
    };
    StepState& state(Step step) { return steps_[static_cast<size_t>(step)]; }
    const StepState& state(Step step) const { return steps_[static_cast<size_t>(step)]; }
    void StepTicked(Step step);

    std::array<StepState, 5> steps_{};
    FlashArea area_ = FlashArea::Code;
};

} // namespace vorbrant
