#include "target/JtagLink.h"

namespace vorbrant {

namespace {

constexpr uint8_t ClockIdle = 0x8C; // TCK low, TMS low, TDI low, bits 2, 3 and 7 held high
constexpr uint8_t TckBit = 0x01;
constexpr uint8_t TmsBit = 0x02;
constexpr uint8_t TdiBit = 0x40;

} // namespace

JtagLink::JtagLink(Adapter& adapter, Clock& clock, const JtagChainList& chain)
    : adapter_(adapter), clock_(clock), chain_(chain)
{
}

// One TCK pulse; the TCK-low byte is skipped when the register already holds it.
void JtagLink::JtagClock()
{
    uint8_t v = ClockIdle;
    if (Tms)
        v |= TmsBit;
    if (Tdi)
        v |= TdiBit;
    if (v != adapter_.DataShadow) {
        adapter_.WriteData(v);
        adapter_.DataShadow = v;
    }
    adapter_.WriteData(static_cast<uint8_t>(v | TckBit));
    adapter_.WriteData(v);
}

void JtagLink::JtagResetTap()
{
    adapter_.DataShadow = 0xFF; // the first clock writes its byte
    adapter_.SetPin(14, false);
    Tms = true;
    Clocks(5);
    Tms = false;
    JtagClock();
}

// From Run-Test/Idle through Shift-IR and back. The captured instruction is
// never used, so TDO is not read here.
void JtagLink::JtagShiftIR(uint16_t instruction, int bits)
{
    Tdi = false;
    Tms = true;
    Clocks(2);
    Tms = false;
    Clocks(2);
    Tdi = true;
    Clocks(IrFillBefore);
    for (int i = 0; i < bits; ++i) {
        Tdi = ((instruction >> i) & 1) != 0;
        if (i == bits - 1 && IrFillAfter == 0)
            Tms = true;
        JtagClock();
    }
    FinishScan(IrFillAfter, true);
}

void JtagLink::FinishScan(int fillAfter, bool fillTdi)
{
    // The bits of the devices after ours (TMS high on the last one leaves
    // the shift state), then Update and back to Run-Test/Idle.
    Tdi = fillTdi;
    for (int i = 0; i < fillAfter; ++i) {
        if (i == fillAfter - 1)
            Tms = true;
        JtagClock();
    }
    Tms = true;
    JtagClock();
    Tms = false;
    JtagClock();
}

uint32_t JtagLink::JtagShiftDR(uint32_t value, int bits)
{
    Tms = true;
    JtagClock();
    Tms = false;
    Clocks(2);
    Tdi = false;
    Clocks(DrFillBefore);
    uint32_t result = 0;
    for (int i = 0; i < bits; ++i) {
        Tdi = ((value >> i) & 1) != 0;
        result >>= 1;
        if (JtagReadTdo())
            result |= uint32_t{1} << (bits - 1);
        if (i == bits - 1 && DrFillAfter == 0)
            Tms = true;
        JtagClock();
    }
    FinishScan(DrFillAfter, false);
    return result;
}

void JtagLink::SetChainPosition(uint8_t position)
{
    ChainFill fill = FillAround(chain_, position);
    IrFillBefore = fill.IrBefore;
    IrFillAfter = fill.IrAfter;
    DrFillBefore = fill.DrBefore;
    DrFillAfter = fill.DrAfter;
}

bool JtagLink::WaitNotBusy(uint64_t startNs)
{
    const uint64_t limitNs = IndirectBusyLimitMs * 1000000u;
    while (JtagShiftDR(0, 1) != 0)
        if (clock_.NowNs() - startNs > limitNs)
            return false;
    return true;
}

bool JtagLink::JtagWriteIndirect(uint16_t instruction, uint32_t data, int width)
{
    JtagShiftIR(instruction, 16);
    JtagShiftDR(data | (uint32_t{3} << width), width + 2);
    uint64_t start = clock_.NowNs();
    JtagShiftDR(0, 1);
    return WaitNotBusy(start);
}

bool JtagLink::JtagReadIndirect(uint16_t instruction, int width, uint32_t& value)
{
    value = JtagReadIndirect(instruction, width);
    return !IndirectTimedOut;
}

uint32_t JtagLink::JtagReadIndirect(uint16_t instruction, int width)
{
    JtagShiftIR(instruction, 16);
    JtagShiftDR(2, 2);
    JtagShiftDR(0, 1);
    IndirectTimedOut = !WaitNotBusy(clock_.NowNs());
    if (IndirectTimedOut)
        return 0;
    return JtagShiftDR(0, width + 1) >> 1;
}

} // namespace vorbrant
