#pragma once
// The JTAG link: the TAP clocked through the adapter's data register, 16-bit
// instruction and data scans of one device inside a scan chain (the other
// devices' bits filled in), and the indirect flash registers behind them.
#include "lpt/Adapter.h"
#include "lpt/Clock.h"
#include "chain/JtagChainList.h"

#include <cstdint>

namespace vorbrant {

class JtagLink {
public:
    // Busy polls of the indirect registers give up after this much Clock time.
    static constexpr uint64_t IndirectBusyLimitMs = 500;

    JtagLink(Adapter& adapter, Clock& clock, const JtagChainList& chain);

    // TAP level.
    void JtagClock();
    bool JtagReadTdo() { return adapter_.ReadPin(11); }
    void JtagResetTap();
    void JtagShiftIR(uint16_t instruction, int bits);
    uint32_t JtagShiftDR(uint32_t value, int bits);
    // Fill bits around the device at this 1-based chain position; 0, a
    // position past the end of the chain, or an empty chain mean a single
    // device (no fill).
    void SetChainPosition(uint8_t position);

    // Indirect registers. The write returns false when the register stayed
    // busy past the limit; the read returns 0 then and sets IndirectTimedOut.
    bool JtagWriteIndirect(uint16_t instruction, uint32_t data, int width);
    uint32_t JtagReadIndirect(uint16_t instruction, int width);
    bool JtagReadIndirect(uint16_t instruction, int width, uint32_t& value);

    bool Tms = false;
    bool Tdi = false;
    // Fill counts; sums of instruction lengths may exceed 255 in a long chain.
    uint32_t IrFillBefore = 0;
    uint32_t IrFillAfter = 0;
    uint32_t DrFillBefore = 0;
    uint32_t DrFillAfter = 0;
    bool IndirectTimedOut = false;

private:
    void Clocks(int count)
    {
        for (int i = 0; i < count; ++i)
            JtagClock();
    }
    // Fill bits after the target's own, then Update and Run-Test/Idle.
    void FinishScan(int fillAfter, bool fillTdi);
    // Repeats one-bit scans until the register reports not busy; false after
    // the limit counted from startNs.
    bool WaitNotBusy(uint64_t startNs);

    Adapter& adapter_;
    Clock& clock_;
    const JtagChainList& chain_;
};

} // namespace vorbrant
