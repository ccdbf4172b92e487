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

// TCK is pulsed with two writes: the one that lowers it (the falling edge
// of the clock before) also sets TMS and TDI for this clock, the next raises
// it. A write that would change nothing is skipped. TMS and TDI are sampled
// on the rising edge and so hold through it; TDO moves on the falling edge.
void JtagLink::SetUp()
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
}

void JtagLink::Rise()
{
    auto v = static_cast<uint8_t>(adapter_.DataShadow | TckBit);
    adapter_.WriteData(v);
    adapter_.DataShadow = v;
}

// The falling edge of the last clock, so that TCK rests low.
void JtagLink::Settle()
{
    if ((adapter_.DataShadow & TckBit) == 0)
        return;
    auto v = static_cast<uint8_t>(adapter_.DataShadow & ~TckBit);
    adapter_.WriteData(v);
    adapter_.DataShadow = v;
}

void JtagLink::JtagClock()
{
    Tick();
    Settle();
}

void JtagLink::JtagResetTap()
{
    adapter_.DataShadow = 0xFF; // the first clock writes its byte
    instructionKnown_ = false;  // the reset loads IDCODE
    adapter_.SetPin(14, false);
    Tms = true;
    Ticks(5);
    Tms = false;
    Tick();
    Settle();
}

void JtagLink::JtagShiftIR(uint16_t instruction, int bits)
{
    ShiftIr(instruction, bits);
    Settle();
}

// From Run-Test/Idle through Shift-IR and back. The captured instruction is
// never used, so TDO is not read here.
void JtagLink::ShiftIr(uint16_t instruction, int bits)
{
    Tdi = false;
    Tms = true;
    Ticks(2);
    Tms = false;
    Ticks(2);
    Tdi = true;
    Ticks(IrFillBefore);
    for (int i = 0; i < bits; ++i) {
        Tdi = ((instruction >> i) & 1) != 0;
        if (i == bits - 1 && IrFillAfter == 0)
            Tms = true;
        Tick();
    }
    FinishScan(IrFillAfter, true);
    instructionKnown_ = bits == 16;
    instruction_ = instruction;
}

void JtagLink::LoadInstruction(uint16_t instruction)
{
    if (instructionKnown_ && instruction_ == instruction)
        return; // the register holds it already
    ShiftIr(instruction, 16);
}

void JtagLink::FinishScan(int fillAfter, bool fillTdi)
{
    // The bits of the devices after ours (TMS high on the last one leaves
    // the shift state), then Update and back to Run-Test/Idle.
    Tdi = fillTdi;
    for (int i = 0; i < fillAfter; ++i) {
        if (i == fillAfter - 1)
            Tms = true;
        Tick();
    }
    Tms = true;
    Tick();
    Tms = false;
    Tick();
}

uint32_t JtagLink::JtagShiftDR(uint32_t value, int bits)
{
    uint32_t result = ShiftDr(value, bits, true);
    Settle();
    return result;
}

uint32_t JtagLink::ShiftDr(uint32_t value, int bits, bool capture)
{
    Tms = true;
    Tick();
    Tms = false;
    Ticks(2);
    Tdi = false;
    Ticks(DrFillBefore);
    uint32_t result = 0;
    for (int i = 0; i < bits; ++i) {
        Tdi = ((value >> i) & 1) != 0;
        if (i == bits - 1 && DrFillAfter == 0)
            Tms = true;
        // TDO shows this bit once the clock before has fallen.
        SetUp();
        if (capture) {
            result >>= 1;
            if (JtagReadTdo())
                result |= uint32_t{1} << (bits - 1);
        }
        Rise();
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
    instructionKnown_ = false; // the fill bits put it elsewhere in the chain
}

bool JtagLink::WaitNotBusy(uint64_t startNs)
{
    const uint64_t limitNs = IndirectBusyLimitMs * 1000000u;
    while (ShiftDr(0, 1, true) != 0)
        if (clock_.NowNs() - startNs > limitNs)
            return false;
    return true;
}

bool JtagLink::JtagWriteIndirect(uint16_t instruction, uint32_t data, int width)
{
    LoadInstruction(instruction);
    ShiftDr(data | (uint32_t{3} << width), width + 2, false);
    uint64_t start = clock_.NowNs();
    ShiftDr(0, 1, false);
    bool done = WaitNotBusy(start);
    Settle();
    return done;
}

bool JtagLink::JtagReadIndirect(uint16_t instruction, int width, uint32_t& value)
{
    value = JtagReadIndirect(instruction, width);
    return !IndirectTimedOut;
}

uint32_t JtagLink::JtagReadIndirect(uint16_t instruction, int width)
{
    LoadInstruction(instruction);
    ShiftDr(2, 2, false);
    ShiftDr(0, 1, false);
    IndirectTimedOut = !WaitNotBusy(clock_.NowNs());
    uint32_t value = IndirectTimedOut ? 0 : ShiftDr(0, width + 1, true) >> 1;
    Settle();
    return value;
}

} // namespace vorbrant
