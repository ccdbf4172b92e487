#include "target/JtagLink.h"

#include <algorithm>

namespace vorbrant {

JtagLink::JtagLink(AdapterSignals& adapter, Clock& clock, const JtagChainList& chain)
    : adapter_(adapter), clock_(clock), chain_(chain)
{
}

// TMS and TDI are sampled on the rising edge of TCK and so hold through it;
// TDO moves on the falling edge.
void JtagLink::Settle()
{
    adapter_.JtagSettle();
}

void JtagLink::FillBits(uint32_t count, bool tdi, bool tmsOnLast)
{
    while (count > 0) {
        const int n = static_cast<int>(std::min<uint32_t>(count, 32));
        count -= static_cast<uint32_t>(n);
        adapter_.JtagShift(tdi ? 0xFFFFFFFFu : 0u, n, tmsOnLast && count == 0, false);
    }
}

void JtagLink::JtagClock()
{
    Tick();
    Settle();
}

void JtagLink::JtagResetTap()
{
    adapter_.JtagSelect();
    instructionKnown_ = false; // the reset loads IDCODE
    tms_ = true;
    Ticks(5);
    tms_ = false;
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
    tdi_ = false;
    tms_ = true;
    Ticks(2);
    tms_ = false;
    Ticks(2);
    tdi_ = true;
    FillBits(fill_.IrBefore, true, false);
    adapter_.JtagShift(instruction, bits, fill_.IrAfter == 0, false);
    FinishScan(fill_.IrAfter, true);
    instructionKnown_ = bits == 16;
    instruction_ = instruction;
}

void JtagLink::LoadInstruction(uint16_t instruction)
{
    if (instructionKnown_ && instruction_ == instruction)
        return; // the register holds it already
    ShiftIr(instruction, 16);
}

void JtagLink::FinishScan(uint32_t fillAfter, bool fillTdi)
{
    // The bits of the devices after ours (TMS high on the last one leaves
    // the shift state), then Update and back to Run-Test/Idle.
    tdi_ = fillTdi;
    FillBits(fillAfter, fillTdi, true);
    tms_ = true;
    Tick();
    tms_ = false;
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
    ReadTicket first = QueueShiftDr(value, bits, capture);
    if (!capture)
        return 0;
    adapter_.Flush();
    return adapter_.Bits(first, bits);
}

ReadTicket JtagLink::QueueShiftDr(uint32_t value, int bits, bool capture)
{
    tms_ = true;
    Tick();
    tms_ = false;
    Ticks(2);
    tdi_ = false;
    FillBits(fill_.DrBefore, false, false);
    // TDO shows each bit once the clock before has fallen.
    ReadTicket first = adapter_.JtagShift(value, bits, fill_.DrAfter == 0, capture);
    FinishScan(fill_.DrAfter, false);
    return first;
}

void JtagLink::EnterShiftDr()
{
    tms_ = true;
    JtagClock();
    tms_ = false;
    JtagClock();
    JtagClock();
}

std::vector<uint32_t> JtagLink::ReadIdCodes(size_t count)
{
    std::vector<ReadTicket> first(count);
    for (ReadTicket& t : first)
        t = adapter_.JtagShift(tdi_ ? 0xFFFFFFFFu : 0u, 32, false, true);
    Settle();
    adapter_.Flush();
    std::vector<uint32_t> ids(count);
    for (size_t i = 0; i < count; ++i)
        ids[i] = adapter_.Bits(first[i], 32);
    return ids;
}

void JtagLink::SetChainPosition(uint8_t position)
{
    fill_ = FillAround(chain_, position);
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
    return !indirectTimedOut_;
}

uint32_t JtagLink::JtagReadIndirect(uint16_t instruction, int width)
{
    LoadInstruction(instruction);
    ShiftDr(2, 2, false);
    ShiftDr(0, 1, false);
    indirectTimedOut_ = !WaitNotBusy(clock_.NowNs());
    uint32_t value = indirectTimedOut_ ? 0 : ShiftDr(0, width + 1, true) >> 1;
    Settle();
    return value;
}

} // namespace vorbrant
