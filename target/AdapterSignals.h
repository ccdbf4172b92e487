#pragma once
// What the C2 and JTAG links ask of a programming adapter: named signals
// (C2CK, C2D out, C2D driver, C2D in; TCK, TMS, TDI, TDO), the mode line and
// the C2 reset as operations, and reads that are answered later.
//
// A read returns a ticket. The adapter fills it at the next Flush(): an
// adapter on a port register (LPT, GPIO) fills it at once, a USB adapter
// queues the whole batch and fills every ticket of it in one round trip.
// The links flush where they need a value (the end of a C2 frame whose
// answer decides what comes next, the end of a 256-byte block, a status
// poll), so everything between two flushes can travel as one batch. Over
// an adapter that answers only at a flush (QueuesReads() true) the C2
// link reads a 256-byte block in one flush and writes one in two.
//
//   AdapterSignals& a = ...;
//   a.C2Strobe(C2dLine::DriveHigh);           // one C2CK pulse, C2D driven 1
//   a.C2Strobe(C2dLine::Release);             // C2D released to the part
//   ReadTicket bit = a.C2SampleData();        // C2D after that strobe
//   a.Flush();
//   bool high = a.Level(bit);
//
// Adapters sit below the links and know no protocol: each implements the
// pure virtual calls; C2Wait and JtagShift have defaults built from the
// others that a clocking adapter (MPSSE) replaces with its own commands.
// This header is the one file of target/ the adapter folders include.
#include "lpt/Clock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorbrant {

// A read whose level the adapter supplies at the next Flush(). It stays
// valid until the first read queued after that flush.
struct ReadTicket {
    uint32_t Slot = 0;
};

// What a detection found. Name is the adapter's name as the window shows it
// (also after a failed detection); SpeaksC2: the adapter can drive C2 (an
// adapter without it is only asked over JTAG).
struct AdapterDetection {
    bool Found = false;
    std::string Name;
    bool SpeaksC2 = false;
};

// The C2D line through one C2CK strobe: driven with a level, or released to
// the part. Released, the adapter keeps its last C2D out level latched.
enum class C2dLine : uint8_t { Release, DriveLow, DriveHigh };

// Times C2CK low phases. A low phase longer than the part's reset time may
// have reset it; a host that can be stalled between two line changes (a
// port register, a GPIO ioctl) times every strobe. Once a strobe ran long,
// Stretched() holds until Clear().
//
//   StrobeWatch watch(clock);
//   watch.Time([&] { adapter.C2Strobe(C2dLine::Release); });
//   if (watch.Stretched()) ...          // recover: reset, keys, again
class StrobeWatch {
public:
    explicit StrobeWatch(Clock& clock) : clock_(clock) {}

    template <typename Strobe>
    void Time(Strobe strobe)
    {
        const uint64_t before = clock_.NowNs();
        strobe();
        if (clock_.NowNs() - before > limitNs_)
            stretched_ = true;
    }
    void SetLimitNs(uint64_t limitNs) { limitNs_ = limitNs; }
    uint64_t LimitNs() const { return limitNs_; }
    bool Stretched() const { return stretched_; }
    void Clear() { stretched_ = false; }

private:
    Clock& clock_;
    uint64_t limitNs_ = 7000;
    bool stretched_ = false;
};

class AdapterSignals {
public:
    virtual ~AdapterSignals() = default;

    // --- adapter -----------------------------------------------------------

    // Looks for the adapter (a loop-back or the device's answer) and leaves
    // its lines idle; the result is also kept for Detected().
    //   if (AdapterDetection d = a.Detect(); d.Found && d.SpeaksC2) ...
    virtual AdapterDetection Detect() = 0;
    // What the last Detect() found.
    //   log("adapter " + a.Detected().Name);
    virtual const AdapterDetection& Detected() const = 0;
    // The mode line: high while C2 runs (the reset pulse takes it low
    // itself), low for JTAG.
    //   a.SetModeLine(false);               // JTAG from here on
    virtual void SetModeLine(bool high) = 0;
    // Every output line back to its resting high (data lines of the port
    // all 1): before the other link is tried, and when a part is released.
    //   a.ReleaseLines(); a.SetModeLine(true);
    virtual void ReleaseLines() = 0;
    // One output update that changes no line; a pair of them timed on the
    // clock is what one strobe's two edges cost on this adapter.
    //   watch.Time([&] { a.HoldLines(); a.HoldLines(); });
    virtual void HoldLines() = 0;

    // --- C2 -----------------------------------------------------------------

    // The C2 reset: C2CK held low for holdWrites line updates (a port
    // write each; an adapter that times its own lines holds holdWrites us
    // at least), then C2CK high with C2D released and its out level 1.
    // StandardReset: the adapter's own length, well past the 20 us of C2CK
    // low that resets a part.
    //   a.C2Reset(AdapterSignals::StandardReset);
    static constexpr int StandardReset = 0;
    // What an adapter that times its own lines holds for StandardReset:
    // 100 us, five times the 20 us that reset a part.
    static constexpr int StandardResetUs = 100;
    // The microseconds such an adapter holds for a holdWrites request.
    static constexpr int ResetHoldUs(int holdWrites)
    {
        return holdWrites <= StandardReset ? StandardResetUs : holdWrites;
    }
    virtual void C2Reset(int holdWrites) = 0;
    // One C2CK pulse: C2D takes its state for this bit with the falling
    // edge and holds it through the rising edge, where the part samples it.
    // C2CK is low for one line update only, so a clocking adapter sends the
    // strobe as one clock pulse.
    //   a.C2Strobe(C2dLine::DriveLow);
    virtual void C2Strobe(C2dLine line) = 0;
    // C2D in, as the part drives it after the last strobe.
    //   ReadTicket t = a.C2SampleData();
    virtual ReadTicket C2SampleData() = 0;
    // The WAIT of a data transfer: strobes with C2D released until the part
    // pulls C2D high, at most limit strobes (the last one not sampled).
    // The ticket reads true when the part ended its wait. Every strobe is
    // timed by watch; the default stops after a stretched one, and flushes
    // at every strobe (it decides on each sample). An adapter that clocks
    // in hardware waits on C2D there (MPSSE: clock until GPIOL1 is high),
    // bounds it by the same count, and fills the ticket at the flush.
    //   ReadTicket ready = a.C2Wait(10000, watch);
    virtual ReadTicket C2Wait(int limit, StrobeWatch& watch)
    {
        for (int n = 1;; ++n) {
            if (watch.Stretched())
                return Answer(false);
            watch.Time([&] { C2Strobe(C2dLine::Release); });
            if (n >= limit)
                return Answer(false);
            ReadTicket data = C2SampleData();
            Flush();
            if (Level(data))
                return data;
        }
    }

    // --- JTAG ---------------------------------------------------------------

    // JTAG from here on: the mode line low, and the next clock writes its
    // lines whole whatever the adapter last held.
    //   a.JtagSelect();
    virtual void JtagSelect() = 0;
    // One TCK cycle: TCK falls with TMS and TDI set for this clock, then
    // rises (the TAP samples TMS and TDI); TCK is left high.
    //   a.JtagClock(true, false);           // TMS 1
    virtual void JtagClock(bool tms, bool tdi) = 0;
    // The same cycle, with TDO sampled between the falling and the rising
    // edge (the TAP moves TDO on the falling edge).
    //   ReadTicket tdo = a.JtagClockSampled(false, true);
    virtual ReadTicket JtagClockSampled(bool tms, bool tdi) = 0;
    // TCK falls and rests low (nothing when it is low already).
    //   a.JtagSettle();
    virtual void JtagSettle() = 0;
    // bits (1..32) clocks in the shift state, TDI from tdi bit 0 up; TMS is
    // 0 except on the last bit when tmsOnLast (which leaves the shift state).
    // With capture, the ticket of the first bit: the others follow it, and
    // Bits() collects them (without, the ticket means nothing).
    //   ReadTicket first = a.JtagShift(0, 32, false, true);
    //   a.Flush(); uint32_t id = a.Bits(first, 32);
    virtual ReadTicket JtagShift(uint32_t tdi, int bits, bool tmsOnLast, bool capture)
    {
        ReadTicket first;
        for (int i = 0; i < bits; ++i) {
            const bool tms = tmsOnLast && i == bits - 1;
            const bool bit = ((tdi >> i) & 1) != 0;
            if (capture) {
                ReadTicket t = JtagClockSampled(tms, bit);
                if (i == 0)
                    first = t;
            } else {
                JtagClock(tms, bit);
            }
        }
        return first;
    }

    // --- reads --------------------------------------------------------------

    // false: every ticket is filled by the time its read returns (a port
    // register, a GPIO line), and the links decide after each read. true:
    // tickets are filled at Flush() only (USB); the C2 link then sends a
    // block read as one batch and a block write as two (the data only once
    // the part took the command), the part's WAIT standing in for the ready
    // polls between bytes, and the JTAG flash link queues a block of
    // indirect accesses with idle clocks for the part's access time.
    //   if (a.QueuesReads()) ... batch ...
    virtual bool QueuesReads() const { return false; }
    // Every ticket queued so far is filled when this returns.
    //   a.Flush(); if (a.Level(t)) ...
    virtual void Flush() { flushed_ = true; }
    // A ticket's level (false for one never filled).
    //   bool c2d = a.Level(t);
    bool Level(ReadTicket t) const { return t.Slot < levels_.size() && levels_[t.Slot] == 1; }
    // count tickets from first on, the first one in bit 0.
    //   uint32_t id = a.Bits(first, 32);
    uint32_t Bits(ReadTicket first, int count) const
    {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i)
            if (Level(ReadTicket{first.Slot + static_cast<uint32_t>(i)}))
                value |= uint32_t{1} << i;
        return value;
    }
    // Whether the adapter has answered the ticket yet.
    //   assert(a.Filled(t));
    bool Filled(ReadTicket t) const { return t.Slot < levels_.size() && levels_[t.Slot] != Unfilled; }

protected:
    // For implementations: a slot for a read answered at the flush, which
    // Fill() gives its level; Answer() for a read answered at once.
    //   ReadTicket t = Reserve(); ...; Fill(t, level);   // in Flush()
    ReadTicket Reserve()
    {
        if (flushed_) {
            levels_.clear();
            flushed_ = false;
        }
        levels_.push_back(Unfilled);
        return ReadTicket{static_cast<uint32_t>(levels_.size() - 1)};
    }
    void Fill(ReadTicket t, bool level) { levels_[t.Slot] = level ? 1 : 0; }
    ReadTicket Answer(bool level)
    {
        ReadTicket t = Reserve();
        Fill(t, level);
        return t;
    }

private:
    static constexpr uint8_t Unfilled = 2;
    std::vector<uint8_t> levels_;
    bool flushed_ = false;
};

} // namespace vorbrant
