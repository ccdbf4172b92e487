#pragma once
// What a connect or a run came to, as values. The texts the operator sees
// and the exit codes of a batch run are made from these at one place each
// (Messages.h, ExitCodes.h).
#include "target/LinkFault.h"

#include <cstdint>

namespace vorbrant {

enum class FlashArea : uint8_t { Code, UserData };

enum class RunOutcomeKind : uint8_t {
    Success,
    Cancelled,        // the Read range dialog was cancelled
    NoData,           // nothing loaded to erase, check, program or verify
    OutsideDataArea,  // the User data range starts beyond the area (or there is none)
    BlankCheckFailed, // Address holds Actual instead of 0xFF
    VerifyFailed,     // Address holds Actual instead of Expected
    ReadFault,        // the link could not read Address
    WriteFault,       // the link could not write Address (code area) / the User data
    // Every step ran, but bytes of the file that are not 0xFF lie where the
    // run could not program them (beyond the part, in its lock bytes):
    // LeftOut of them, from LeftOutFirst to LeftOutLast.
    DataLeftOut,
    // Ctrl-C or SIGTERM: the run stopped after the block at Address.
    Interrupted,
};

struct RunOutcome {
    RunOutcomeKind Kind = RunOutcomeKind::Success;
    FlashArea Area = FlashArea::Code;
    uint32_t Address = 0;
    uint8_t Expected = 0xFF;
    uint8_t Actual = 0xFF;
    bool C2 = false;    // the link the run used, for the fault texts
    double Seconds = 0; // duration of the run
    uint32_t Programmed = 0; // bytes of the image the Program step wrote
    uint32_t Verified = 0;   // bytes of the image the Verify step found right
    uint32_t StallsRecovered = 0; // C2: port stalls that reset the part, recovered from
    // A write fault of a buffered link: the block the part did not take
    // (Address is its first byte).
    bool BlockLost = false;
    uint32_t BlockFirst = 0;
    uint32_t BlockLast = 0;
    // A read or write fault: why the link failed (None when it did not say).
    LinkFault Fault = LinkFault::None;
    uint32_t LeftOut = 0;
    uint32_t LeftOutFirst = 0;
    uint32_t LeftOutLast = 0;
    // CRC-32 of what Program wrote: the image's bytes over the range it
    // programmed, in address order (gaps as the image holds them, 0xFF).
    bool HasProgramCrc = false;
    uint32_t ProgramCrc = 0;

    bool Succeeded() const { return Kind == RunOutcomeKind::Success; }
};

} // namespace vorbrant
