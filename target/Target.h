#pragma once
// The connected target: C2 and JTAG links below, the flash operations that
// serve both, and connection/identification. One object per programmer; it
// holds every piece of link state (no globals).
#include "common/Operator.h"
#include "lpt/Adapter.h"
#include "lpt/Clock.h"
#include "target/ChipInfo.h"
#include "target/JtagChainList.h"

#include <cstdint>
#include <memory>

namespace vorbrant {

class C2Link;
class JtagLink;
struct C2Result;
enum class C2LockTest : uint8_t;

enum EraseKind : uint8_t { ErasePages = 0, EraseLockPage = 1, EraseChip = 2 };

class Target {
public:
    // Flash busy polls give up after this much Clock time (per byte or page;
    // a whole-chip erase gets the longer limit).
    static constexpr uint64_t FlashBusyLimitMs = 500;
    static constexpr uint64_t ChipEraseBusyLimitMs = 5000;
    // The locked-device warning, shown once per connection.
    static constexpr const char* LockedWarningText =
        "Device is locked - autodetecion not possible!\n\r              Erase chip first!              ";

    // op receives the one-time locked-device warning; chain is the chain
    // list that SetChainPosition reads (owned by the caller, may be empty).
    Target(Adapter& adapter, Clock& clock, Operator& op, const JtagChainList& chain);
    ~Target();
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

    // -1: no adapter or no JTAG identification; otherwise the identification
    // word. Chip.FlashEnd == 0 afterwards means "answered but not identified".
    int32_t ConnectTarget();
    void DisconnectTarget();
    // C2: re-enables the programming interface; JTAG: nothing.
    void ResetProgrammingInterface();
    // Bypass bits around the device at this chain position (0 = single device).
    void SetChainPosition(uint8_t position);

    // Flash operations for both links. A flash run is a series of reads or of
    // writes on ascending addresses, closed by EndFlashAccess.
    bool ReadFlashByte(uint32_t address, uint8_t& value, uint8_t areaFlags);
    bool WriteFlashByte(uint32_t address, uint8_t value, uint8_t areaFlags);
    bool EraseFlash(uint8_t kind, uint32_t first, uint32_t last);
    bool EraseScratchpad();
    bool JtagErasePage(uint32_t address, uint8_t areaFlags);
    // Closes the run. Returns false when the closing C2 block write failed
    // (the buffered bytes are lost); callers other than the program step may
    // ignore the result.
    bool EndFlashAccess();

    ChipInfo Chip;
    bool LockWarningShown = false;
    bool FlashStreamOpen = false;

    Adapter& Pins() { return adapter_; }
    C2Link& C2() { return *c2_; }
    JtagLink& Jtag() { return *jtag_; }

private:
    // Identification (ConnectTarget steps 8 and 9).
    void PrepareF12x();
    void IdentifyJtag();
    void IdentifyC2();
    void SetNotIdentifiedCode();
    void ApplyC2Result(const C2Result& result);
    void ShowLockedWarning();
    bool JtagProbe(uint32_t address);
    bool C2Probe(uint32_t address);
    bool C2LockedByTest(C2LockTest test);

    // JTAG flash registers.
    uint16_t FlashRegister(uint8_t code) const { return static_cast<uint16_t>(Chip.FlashRegBase | code); }
    int FlashAddressWidth() const { return Chip.FlashSizeKB / 128 + 16; }
    bool OpenJtagRun(uint32_t address, uint8_t control);
    // Repeats FLASHDAT reads of this width while the busy bit is set; false
    // when a read timed out or the part stayed busy past limitMs.
    bool PollFlashData(int width, uint64_t limitMs, uint32_t& result);
    bool JtagErasePageWithin(uint32_t address, uint8_t areaFlags, uint64_t limitMs);

    Adapter& adapter_;
    Clock& clock_;
    Operator& operator_;
    const JtagChainList& chain_;
    std::unique_ptr<C2Link> c2_;
    std::unique_ptr<JtagLink> jtag_;
};

} // namespace vorbrant
