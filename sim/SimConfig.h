#pragma once
// What to simulate: the adapter, the target (one C2 part, or a JTAG chain in
// scan order) and the faults to inject. Filled from "--sim=" text.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorbrant::sim {

enum class AdapterKind : uint8_t {
    None,       // nothing attached: every status input floats high
    NoneLow,    // nothing usable: pin 10 stuck low
    Ironquill,  // first generation: JTAG only
    Ironquill2, // second generation: C2 and JTAG
    Gpio,       // the target's pins on a GPIO header (nothing on the parallel port)
    Ft232h,     // the target's pins on an FT232H in MPSSE mode
};

enum class TdoFault : uint8_t { Off, StuckLow, StuckHigh };

// Where the time of a stalled port access lands: before the access takes
// effect (the program is held up on its way to the port), after it (the
// access is done, the program is held up before the next one: a strobe's low
// phase stretched right after the write that lowers C2CK), or either, in turn.
enum class StallPlacement : uint8_t { Before, After, Both };

struct SimDeviceConfig {
    // Catalogue name ("F340", "F020"); empty for a generic JTAG device.
    std::string Part;
    // Generic JTAG devices: instruction register length and IDCODE (none:
    // the device selects BYPASS after a TAP reset).
    uint8_t IrLength = 0;
    std::optional<uint32_t> IdCode;
    std::string Name; // shown in reports; defaults to the part name

    std::string FlashFile;              // raw image: code flash, then scratchpad
    std::optional<uint32_t> Lock;       // C2: the lock byte; JTAG: read lock << 8 | write/erase lock
    uint8_t LockDigits = 0;             // hex digits given with Lock
    std::optional<uint8_t> Revision;
    std::optional<uint32_t> FailWriteAddress;
    std::optional<uint32_t> StuckBitAddress;
    uint8_t StuckBit = 0;               // the bit that stays 0
    bool Busy = false;                  // the flash engine never gets ready
    uint32_t BusyMs = 0;                // ... or only for this long from the start
};

struct SimConfig {
    AdapterKind Adapter = AdapterKind::Ironquill2;
    std::vector<SimDeviceConfig> Devices; // device 1 (nearest the adapter's TDI) first
    uint32_t AccessNs = 1000;             // virtual time of one port access
    uint64_t RemoveAfter = 0;             // target unplugged after this many accesses; 0 = never
    uint32_t StallEvery = 0;              // one access in this many takes StallNs more; 0 = never
    uint32_t StallNs = 50000;
    StallPlacement StallAt = StallPlacement::Before;
    // Stalls at random positions, StallEvery accesses apart on average, from
    // this seed (the same seed, the same positions); none: every StallEvery-th.
    std::optional<uint64_t> StallSeed;
    TdoFault Tdo = TdoFault::Off;
    // A line of boards for one part: board k (from 1) is plugged in at
    // (k - 1) * (BoardMs + GapMs) of virtual time, stays BoardMs and leaves
    // GapMs before the next; each comes erased. 0 = one board, always there.
    uint32_t Boards = 0;
    uint32_t BoardMs = 3000;
    uint32_t GapMs = 1000;
    uint32_t BadBoard = 0; // the board that carries fail-write/stuck-bit (0: every board)
};

// Parses "F340,adapter=ironquill2|gpio|ft232h,flash=FILE,lock=HEX,rev=N,remove-after=N,
// fail-write=ADDR,stuck-bit=ADDR[:BIT],busy,busy-ms=N,stalls=N,stall-at=before|after|both,stall-seed=S,
// access-ns=N,tdo=low|high,boards=N,board-ms=N,gap-ms=N,bad-board=K"
// or "@FILE.ini". On failure returns false, error says why, config is
// unchanged.
bool ParseSimSpec(const std::string& simText, SimConfig& config, std::string& error);

// The INI form, from text (for tests); path is used in messages only.
bool ParseSimIni(std::string text, const std::string& path, SimConfig& config, std::string& error);

} // namespace vorbrant::sim
