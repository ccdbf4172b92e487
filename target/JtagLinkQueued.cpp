#include "target/JtagLink.h"

namespace vorbrant {

// The write scan with its op code 11b, idle clocks in Run-Test/Idle while
// the part writes the register, then one poll bit.
ReadTicket JtagLink::QueueWriteIndirect(uint16_t instruction, uint32_t data, int width, int idleClocks)
{
    LoadInstruction(instruction);
    QueueShiftDr(data | (uint32_t{3} << width), width + 2, false);
    tms_ = false;
    Ticks(idleClocks);
    return QueueShiftDr(0, 1, true);
}

// The read op (10b), idle clocks while the part fetches the value, then the
// value scan.
ReadTicket JtagLink::QueueReadIndirect(uint16_t instruction, int width, int idleClocks)
{
    LoadInstruction(instruction);
    QueueShiftDr(2, 2, false);
    tms_ = false;
    Ticks(idleClocks);
    return QueueShiftDr(0, width + 1, true);
}

} // namespace vorbrant
