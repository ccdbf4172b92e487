#pragma once
// The JTAG link: the TAP clocked through the adapter's signals, 16-bit
// instruction and data scans of one device inside a scan chain (the other
// devices' bits filled in), and the indirect flash registers behind them.
#include "lpt/Clock.h"
#include "target/AdapterSignals.h"
#include "target/JtagChainList.h"

#include <cstdint>
#include <vector>

namespace vorbrant {

class JtagLink {
public:
    // Busy polls of the indirect registers give up after this much Clock time.
    static constexpr uint64_t IndirectBusyLimitMs = 500;

    JtagLink(AdapterSignals& adapter, Clock& clock, const JtagChainList& chain);

    // TAP level. A public scan leaves TCK low.
    void JtagResetTap();
    // From Run-Test/Idle to Shift-DR (three clocks, TCK left low).
    void EnterShiftDr();
    // In Shift-DR after a TAP reset: count IDCODEs of 32 bits each, the
    // device nearest TDO first; TMS stays low, TDI as it is. TCK left low.
    std::vector<uint32_t> ReadIdCodes(size_t count);
    void JtagShiftIR(uint16_t instruction, int bits);
    uint32_t JtagShiftDR(uint32_t value, int bits);
    // Fill bits around the device at this 1-based chain position; 0, a
    // position past the end of the chain, or an empty chain mean a single
    // device (no fill).
    void SetChainPosition(uint8_t position);
    // The indirect accesses load their instruction only when the register
    // does not hold it already; after this they load it again (a new run:
    // the part may have been reset meanwhile).
    void ForgetInstruction() { instructionKnown_ = false; }

    // The fill bits the chain position gives.
    const ChainFill& Fill() const { return fill_; }

    // Indirect registers. The write returns false when the register stayed
    // busy past the limit; the read returns 0 then, and IndirectTimedOut()
    // tells.
    bool JtagWriteIndirect(uint16_t instruction, uint32_t data, int width);
    uint32_t JtagReadIndirect(uint16_t instruction, int width);
    bool JtagReadIndirect(uint16_t instruction, int width, uint32_t& value);
    bool IndirectTimedOut() const { return indirectTimedOut_; }

    // Queued indirect accesses, for adapters that answer reads only at a
    // flush (JtagLinkQueued.cpp): no busy polls; idle clocks give the part
    // its access time, and a captured bit tells afterwards whether it was
    // enough. The write's ticket: one poll bit (0 = done). The read's: its
    // width + 1 bits, the busy bit first.
    bool QueuesReads() const { return adapter_.QueuesReads(); }
    ReadTicket QueueWriteIndirect(uint16_t instruction, uint32_t data, int width, int idleClocks);
    ReadTicket QueueReadIndirect(uint16_t instruction, int width, int idleClocks);
    void Flush() { adapter_.Flush(); }
    bool Level(ReadTicket t) const { return adapter_.Level(t); }
    uint32_t Bits(ReadTicket first, int count) const { return adapter_.Bits(first, count); }


private:
    // One clock with TMS and TDI as they are, left with TCK high.
    void Tick() { adapter_.JtagClock(tms_, tdi_); }
    // A clock that leaves TCK low.
    void JtagClock();
    // count clocks in a shift state with TDI at one level, TMS high on the
    // last one when tmsOnLast.
    void FillBits(uint32_t count, bool tdi, bool tmsOnLast);
    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            Tick();
    }
    void Settle();
    // The scans without the closing falling edge; a DR scan reads TDO only
    // when its result is wanted.
    void ShiftIr(uint16_t instruction, int bits);
    uint32_t ShiftDr(uint32_t value, int bits, bool capture);
    // The same scan, its capture left for the next flush.
    ReadTicket QueueShiftDr(uint32_t value, int bits, bool capture);
    void LoadInstruction(uint16_t instruction);
    // Fill bits after the target's own, then Update and Run-Test/Idle.
    void FinishScan(uint32_t fillAfter, bool fillTdi);
    // Repeats one-bit scans until the register reports not busy; false after
    // the limit counted from startNs.
    bool WaitNotBusy(uint64_t startNs);

    AdapterSignals& adapter_;
    Clock& clock_;
    const JtagChainList& chain_;
    // TMS and TDI of the next clock; they hold between scans.
    bool tms_ = false;
    bool tdi_ = false;
    ChainFill fill_;
    bool indirectTimedOut_ = false;
    bool instructionKnown_ = false;
    uint16_t instruction_ = 0;
};

} // namespace vorbrant
