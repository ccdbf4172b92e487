#include "session/AdapterPort.h"

#include "ftdi/Ft232hAdapter.h"
#include "gpio/GpioAdapter.h"
#include "gpio/GpioLines.h"
#include "sim/GpioShim.h"
#include "sim/MpsseInterpreter.h"
#include "sim/SimConfig.h"
#include "sim/Simulator.h"

namespace vorbrant {

namespace {
// The header lines a simulated GPIO board is wired to when --adapter does
// not say.
constexpr const char* SimGpioDefault = "gpio:/dev/gpiochip0:c2ck=17,c2d=27,tck=11,tms=25,tdi=10,tdo=9";
} // namespace

struct AdapterPort::Parts {
    std::unique_ptr<GpioCalls> Kernel;
    std::unique_ptr<GpioLines> Lines;
    std::unique_ptr<GpioAdapter> Gpio;
    std::unique_ptr<FtdiTransport> Usb;
    sim::MpsseInterpreter* Interpreter = nullptr;
    std::unique_ptr<Ft232hAdapter> Ft232h;
};

AdapterPort::~AdapterPort() = default;

AdapterPort::Opened AdapterPort::Open(const AdapterOptions& options, sim::Simulator* simulator, Clock& clock)
{
    Opened result;
    const bool gpioBoard = simulator && simulator->Config().Adapter == sim::AdapterKind::Gpio;
    const bool ftBoard = simulator && simulator->Config().Adapter == sim::AdapterKind::Ft232h;
    const std::string text = options.Option.value_or(gpioBoard ? SimGpioDefault : ftBoard ? "ft232h" : "lpt");
    // A text that does not parse leaves the choice at LPT: on a simulated
    // board of another kind the mismatch is what is said.
    AdapterChoice choice;
    std::string parseError;
    const bool parsed = ParseAdapterChoice(text, choice, parseError);
    if (simulator) {
        const bool agrees =
            (choice.Kind == AdapterKind::Gpio) == gpioBoard && (choice.Kind == AdapterKind::Ft232h) == ftBoard;
        if (!agrees) {
            result.Error = "The simulated board hangs on adapter=" +
                           std::string(gpioBoard ? "gpio" : ftBoard ? "ft232h" : "an LPT adapter") +
                           ", not on --adapter=" + text;
            result.CommandLine = true;
            return result;
        }
    }
    if (!parsed) {
        result.Error = parseError;
        result.CommandLine = true;
        return result;
    }
    if (choice.Kind == AdapterKind::Lpt)
        return result;

    std::unique_ptr<AdapterPort> port(new AdapterPort);
    port->parts_ = std::make_unique<Parts>();
    Parts& p = *port->parts_;
    if (choice.Kind == AdapterKind::Gpio) {
        if (simulator) {
            const auto& l = choice.Gpio.Lines;
            auto at = [&](GpioRole r, uint32_t def) { return l[static_cast<size_t>(r)].value_or(def); };
            sim::GpioWiring wiring;
            wiring = {at(GpioRole::C2ck, wiring.C2ck), at(GpioRole::C2d, wiring.C2d), at(GpioRole::Tck, wiring.Tck),
                      at(GpioRole::Tms, wiring.Tms),   at(GpioRole::Tdi, wiring.Tdi), at(GpioRole::Tdo, wiring.Tdo)};
            p.Kernel = std::make_unique<sim::GpioShim>(*simulator, wiring);
        } else {
            p.Kernel = MakeLinuxGpioCalls();
        }
        p.Lines = std::make_unique<GpioLines>(*p.Kernel);
        if (!p.Lines->Open(choice.Gpio, result.Error))
            return result;
        p.Gpio = std::make_unique<GpioAdapter>(*p.Lines, choice.Gpio, clock);
        port->signals_ = p.Gpio.get();
    } else {
        if (simulator) {
            auto interpreter = std::make_unique<sim::MpsseInterpreter>(*simulator);
            p.Interpreter = interpreter.get();
            p.Usb = std::move(interpreter);
        } else {
            p.Usb = OpenFt232h(choice.Ft232h, result.Error);
            if (!p.Usb)
                return result;
        }
        p.Ft232h = std::make_unique<Ft232hAdapter>(*p.Usb, clock, options.ClockHz.value_or(C2DefaultHz));
        port->signals_ = p.Ft232h.get();
    }
    result.Port = std::move(port);
    return result;
}

std::string AdapterPort::Summary() const
{
    if (!parts_ || !parts_->Ft232h)
        return "";
    return ", " + std::to_string(parts_->Ft232h->RoundTrips()) + " USB round trips";
}

} // namespace vorbrant
