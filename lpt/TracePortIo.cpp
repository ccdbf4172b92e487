#include "lpt/TracePortIo.h"

#include "lpt/PinMap.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

namespace vorbrant {

namespace {

// VCD identifier of a pin: one printable character each.
char PinId(size_t pin)
{
    return static_cast<char>('!' + (pin - 1));
}

} // namespace

TracePortIo::TracePortIo(PortIo& inner, Clock& clock, const PortTable& ports)
    : inner_(inner), clock_(clock), ports_(ports)
{
    levels_.fill(-1);
}

TracePortIo::~TracePortIo()
{
    Close();
}

bool TracePortIo::Open(const std::string& vcdPath, std::string& error)
{
    Close();
    std::FILE* f = std::fopen(vcdPath.c_str(), "w");
    if (f == nullptr) {
        error = "Can't create trace file " + vcdPath + ": " + std::strerror(errno);
        return false;
    }
    file_ = f;
    good_ = true;
    levels_.fill(-1);
    startNs_ = clock_.NowNs();
    lastTime_ = 0;
    timeWritten_ = false;

    Emit("$comment Vorbrant parallel-port trace $end\n$timescale 1 ns $end\n$scope module lpt $end\n");
    for (size_t pin = FirstPin; pin <= LastPin; ++pin) {
        char line[48];
        std::snprintf(line, sizeof line, "$var wire 1 %c pin%zu $end\n", PinId(pin), pin);
        Emit(line);
    }
    Emit("$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n");
    for (size_t pin = FirstPin; pin <= LastPin; ++pin) {
        char line[4] = {'x', PinId(pin), '\n', '\0'};
        Emit(line);
    }
    Emit("$end\n");
    timeWritten_ = true;
    if (!good_) {
        error = "Can't write trace file " + vcdPath;
        Close();
        return false;
    }
    return true;
}

void TracePortIo::Close()
{
    if (file_ == nullptr)
        return;
    // A final time stamp gives the last levels a length in the viewers.
    uint64_t now = clock_.NowNs() - startNs_;
    if (now <= lastTime_)
        now = lastTime_ + 1;
    char line[32];
    std::snprintf(line, sizeof line, "#%" PRIu64 "\n", now);
    Emit(line);
    if (std::fclose(file_) != 0)
        good_ = false;
    file_ = nullptr;
}

void TracePortIo::Emit(const char* text)
{
    if (std::fputs(text, file_) < 0)
        good_ = false;
}

void TracePortIo::Record(uint8_t reg, uint8_t value)
{
    // Built in a local buffer and written at once: this runs on every access
    // of a traced session, between two clock phases of the target.
    char out[32 + 3 * 17];
    size_t used = 0;
    uint64_t now = clock_.NowNs() - startNs_;
    for (size_t pin = FirstPin; pin <= LastPin; ++pin) {
        const PinInfo& p = PinTable[pin];
        if (static_cast<uint8_t>(p.Register) != reg)
            continue;
        int8_t level = PinLevel(p, value) ? 1 : 0;
        if (levels_[pin] == level)
            continue;
        levels_[pin] = level;
        if (!timeWritten_ || now > lastTime_) {
            char digits[24];
            size_t n = 0;
            uint64_t t = now;
            do {
                digits[n++] = static_cast<char>('0' + t % 10);
                t /= 10;
            } while (t != 0);
            out[used++] = '#';
            while (n > 0)
                out[used++] = digits[--n];
            out[used++] = '\n';
            lastTime_ = now;
            timeWritten_ = true;
        }
        out[used++] = static_cast<char>('0' + level);
        out[used++] = PinId(pin);
        out[used++] = '\n';
    }
    if (used > 0 && std::fwrite(out, 1, used, file_) != used)
        good_ = false;
}

uint8_t TracePortIo::PortIn(uint16_t port)
{
    uint8_t value = inner_.PortIn(port);
    if (file_ != nullptr && port == static_cast<uint16_t>(ports_.LptBase + 1))
        Record(static_cast<uint8_t>(PortRegister::Status), value);
    return value;
}

void TracePortIo::PortOut(uint16_t port, uint8_t value)
{
    inner_.PortOut(port, value);
    if (file_ == nullptr)
        return;
    if (port == ports_.LptBase)
        Record(static_cast<uint8_t>(PortRegister::Data), value);
    else if (port == static_cast<uint16_t>(ports_.LptBase + 2))
        Record(static_cast<uint8_t>(PortRegister::Control), value);
}

} // namespace vorbrant
