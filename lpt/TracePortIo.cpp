#include "lpt/TracePortIo.h"

#include "lpt/PinMap.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace vorbrant {

namespace {

// VCD identifier of a pin: one printable character each.
char PinId(size_t pin)
{
    return static_cast<char>('!' + (pin - 1));
}

constexpr size_t BufferSize = 1 << 16;

// "#time\n" into out (at least 23 bytes); returns its length. Safe in a
// signal handler.
size_t TimeLine(uint64_t time, char* out)
{
    char digits[24];
    size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + time % 10);
        time /= 10;
    } while (time != 0);
    size_t used = 0;
    out[used++] = '#';
    while (n > 0)
        out[used++] = digits[--n];
    out[used++] = '\n';
    return used;
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
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
    std::string reason;
    if (!file_.Create(vcdPath, reason, FinishOnSignal, &signal_)) {
        error = "Can't create trace file " + vcdPath + ": " + reason;
        return false;
    }
    buffer_.assign(BufferSize, '\0');
    buffer_.clear();
    buffer_.reserve(BufferSize);
    signal_.Fd = file_.Fd();
    signal_.Data = buffer_.data();
    signal_.Committed = 0;
    signal_.LastTime = 0;
    signal_.Recorded = 0;
    const std::string& target = file_.Target();
    std::snprintf(signal_.Target, sizeof signal_.Target, "%s", target.c_str());
    open_ = true;
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
    return true;
}

void TracePortIo::Close()
{
    if (!open_)
        return;
    // A final time stamp gives the last levels a length in the viewers.
    uint64_t now = clock_.NowNs() - startNs_;
    if (now <= lastTime_)
        now = lastTime_ + 1;
    char line[32];
    Append(line, TimeLine(now, line));
    Flush();
    open_ = false;
    std::string error;
    if (!good_ || !signal_.Recorded) {
        // Nothing to show (the run never reached the port) or a trace cut
        // short by a write error: the old file stays.
        file_.Discard();
        return;
    }
    if (!file_.Commit(error))
        good_ = false;
}

void TracePortIo::Emit(const char* text)
{
    Append(text, std::strlen(text));
}

void TracePortIo::Append(const char* text, size_t length)
{
    if (buffer_.size() + length > BufferSize)
        Flush();
    buffer_.insert(buffer_.end(), text, text + length);
    // Whole lines only: a signal handler writes what is committed.
    signal_.LastTime = lastTime_;
    signal_.Committed = buffer_.size();
}

void TracePortIo::Flush()
{
    if (buffer_.empty())
        return;
    // Not interrupted by the handler that would write the same bytes again.
    sigset_t saved;
    pthread_sigmask(SIG_BLOCK, &signal_cleanup::Signals(), &saved);
    if (good_ && !WriteAll(file_.Fd(), buffer_.data(), buffer_.size()))
        good_ = false;
    buffer_.clear();
    signal_.Committed = 0;
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

void TracePortIo::FinishOnSignal(const char* temporary, void* context)
{
    SignalView& view = *static_cast<SignalView*>(context);
    if (!view.Recorded) {
        unlink(temporary);
        return;
    }
    // What was recorded up to here, closed with a time stamp after the last.
    bool ok = WriteAll(view.Fd, view.Data, view.Committed);
    char line[32];
    ok = ok && WriteAll(view.Fd, line, TimeLine(view.LastTime + 1, line));
    if (!ok || rename(temporary, view.Target) != 0)
        unlink(temporary);
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
            used += TimeLine(now, out + used);
            lastTime_ = now;
            timeWritten_ = true;
        }
        out[used++] = static_cast<char>('0' + level);
        out[used++] = PinId(pin);
        out[used++] = '\n';
    }
    if (used > 0) {
        signal_.Recorded = 1;
        Append(out, used);
    }
}

uint8_t TracePortIo::PortIn(uint16_t port)
{
    uint8_t value = inner_.PortIn(port);
    if (open_ && port == static_cast<uint16_t>(ports_.LptBase + 1))
        Record(static_cast<uint8_t>(PortRegister::Status), value);
    return value;
}

void TracePortIo::PortOut(uint16_t port, uint8_t value)
{
    inner_.PortOut(port, value);
    if (!open_)
        return;
    if (port == ports_.LptBase)
        Record(static_cast<uint8_t>(PortRegister::Data), value);
    else if (port == static_cast<uint16_t>(ports_.LptBase + 2))
        Record(static_cast<uint8_t>(PortRegister::Control), value);
}

} // namespace vorbrant
