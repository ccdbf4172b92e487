#pragma once
// The adapter beside the parallel port that a run uses (--adapter=gpio or
// ft232h, or a simulated board with adapter=gpio or ft232h): its kernel or
// USB side, and the signals the links drive. Null for the LPT adapter.
#include "lpt/Clock.h"
#include "lpt/PortIo.h"
#include "session/AdapterOptions.h"
#include "target/AdapterSignals.h"

#include <memory>
#include <string>

namespace vorbrant {

// The parallel port of a run on another adapter: nothing answers on it.
class NoParallelPort final : public PortIo {
public:
    uint8_t PortIn(uint16_t) override { return 0xFF; }
    void PortOut(uint16_t, uint8_t) override {}
};

namespace sim {
class Simulator;
}

class AdapterPort {
public:
    struct Opened {
        std::unique_ptr<AdapterPort> Port; // null: the LPT adapter, or a failure (Error set)
        std::string Error;
        bool CommandLine = false; // the error is the command line's (else the adapter did not start)
    };
    // simulator: the simulated board when --sim is given (its adapter= says
    // which adapter it hangs on).
    static Opened Open(const AdapterOptions& options, sim::Simulator* simulator, Clock& clock);
    ~AdapterPort();

    AdapterSignals& Signals() { return *signals_; }
    // ", N USB round trips" for the closing line of a run (FT232H).
    std::string Summary() const;

private:
    AdapterPort() = default;
    struct Parts;
    std::unique_ptr<Parts> parts_;
    AdapterSignals* signals_ = nullptr;
};

} // namespace vorbrant
