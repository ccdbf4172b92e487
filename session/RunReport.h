#pragma once
// A run's events and its outcome in the operator's words: the status line,
// the gauge (the window's gauge and the console's progress lines follow the
// same events), the range notices, the lock-bits warning and the box that
// closes the run.
#include "common/Operator.h"
#include "session/Outcomes.h"
#include "session/Sequencer.h"

#include <functional>

namespace vorbrant {

class RunReport {
public:
    // batch: failures are noted for the log instead of a box nobody closes,
    // and success has no box (the exit code says it).
    RunReport(Operator& op, bool batch) : op_(op), batch_(batch) {}

    void Event(const RunEvent& event);
    // The end of a run: a failure's message and detail line, then idle()
    // (the window's reset), then the success box or the left-out warning.
    void End(const RunOutcome& outcome, const std::function<void()>& idle);
    // "Idle", no gauge, the default cursor.
    void Idle();

private:
    Operator& op_;
    bool batch_;
    bool gaugeShown_ = false;
    int64_t gaugeTotal_ = 0;
};

} // namespace vorbrant
