#pragma once
// One device of a simulated JTAG chain: a TAP with its instruction register
// and data registers. A C8051F part also has the indirect flash registers
// (FLASHCON, FLASHDAT, FLASHADR, FLASHSCL) in front of its flash; a generic
// device only has BYPASS and, optionally, IDCODE.
#include "sim/Catalogue.h"
#include "sim/FlashArray.h"
#include "sim/JtagTap.h"
#include "sim/SimClock.h"
#include "sim/SimConfig.h"
#include "sim/ViolationLog.h"

#include <cstdint>
#include <string>

namespace vorbrant::sim {

struct JtagTiming {
    static constexpr uint64_t IndirectNs = 4000;       // an indirect register access
    static constexpr uint64_t FlashReadNs = 1000;
    static constexpr uint64_t ByteWriteNs = 40000;
    static constexpr uint64_t PageEraseNs = 15000000;
    static constexpr uint64_t ChipEraseNs = 20000000;
};

// Indirect register numbers (instruction bits 0..11).
inline constexpr uint16_t RegFlashCon = 0x082;
inline constexpr uint16_t RegFlashDat = 0x083;
inline constexpr uint16_t RegFlashAdr = 0x084;
inline constexpr uint16_t RegFlashScl = 0x085;
inline constexpr uint16_t RegF12xSetup = 0x0C1;

class JtagDevice {
public:
    enum class Selected : uint8_t { Bypass, IdCode, Indirect };

    // part and flash are null for a generic device.
    JtagDevice(const SimDeviceConfig& config, const Derivative* part, FlashArray* flash, SimClock& clock,
               ViolationLog& log, int position);

    // TCK edges. tdi is the level at this device's TDI (the host's TDI, or
    // the TDO of the device before it).
    void Rising(bool tms, bool tdi)
    {
        switch (state_) {
        case TapState::CaptureDr: CaptureDr(); break;
        case TapState::ShiftDr:
            dr_ = (dr_ >> 1) | (uint64_t{tdi} << (drLength_ - 1));
            ++drCount_;
            break;
        case TapState::CaptureIr:
            irShift_ = 1; // captured pattern ...01
            irCount_ = 0;
            break;
        case TapState::ShiftIr:
            irShift_ = (irShift_ >> 1) | (uint64_t{tdi} << (irLength_ - 1));
            ++irCount_;
            break;
        default: break;
        }
        state_ = NextTapState(state_, tms);
        if (state_ == TapState::TestLogicReset)
            ResetTap();
        updatePending_ = state_ == TapState::UpdateDr || state_ == TapState::UpdateIr;
    }
    // TDO changes on the falling edge. Update-DR/IR act here; the chain
    // passes the length of the finished data scan as this device saw it
    // (-1 when it cannot be told).
    void Falling(int effectiveDrLength)
    {
        if (state_ == TapState::ShiftDr) {
            tdo_ = (dr_ & 1u) != 0;
            tdoEnabled_ = true;
        } else if (state_ == TapState::ShiftIr) {
            tdo_ = (irShift_ & 1u) != 0;
            tdoEnabled_ = true;
        } else {
            tdoEnabled_ = false;
        }
        if (updatePending_) {
            updatePending_ = false;
            if (state_ == TapState::UpdateIr)
                UpdateIr();
            else
                UpdateDr(effectiveDrLength);
        }
    }
    // The level this device puts on the next TDI: its TDO, or the pull-up
    // while it is not shifting.
    bool TdoLevel() const { return tdoEnabled_ ? tdo_ : true; }

    TapState State() const { return state_; }
    uint32_t Instruction() const { return instruction_; }
    uint8_t IrLength() const { return irLength_; }
    Selected SelectedRegister() const { return selected_; }
    // Length of the selected data register; 0 when it takes any length.
    uint8_t FixedDrLength() const { return selected_ == Selected::Indirect ? 0 : drLength_; }
    uint32_t DrShiftCount() const { return drCount_; }
    uint32_t IrShiftCount() const { return irCount_; }
    const std::string& Name() const { return name_; }
    bool IsFlashPart() const { return part_ != nullptr; }

    // Introspection of the flash registers.
    uint8_t FlashCon() const { return flashCon_; }
    uint32_t FlashAdr() const { return flashAdr_; }
    uint8_t FlashScl() const { return flashScl_; }
    uint32_t SetupRegister() const { return setup_; }

private:
    void ResetTap();
    void CaptureDr();
    void UpdateIr();
    void UpdateDr(int effectiveLength);
    void Select();
    uint16_t RegisterWidth(uint16_t reg) const;
    bool AcceptsReadLength(uint16_t reg, int length) const;
    bool AcceptsWriteLength(uint16_t reg, int dataBits) const;
    void WriteIndirect(uint16_t reg, uint32_t data);
    void ReadRequest(uint16_t reg);
    bool FlashBusy() const;
    uint16_t FlashStatus() const;
    // Index into the flash array for an address and area, or -1 outside.
    int64_t CellIndex(uint32_t address, bool scratchArea) const;
    bool ReadLocked(uint32_t address) const;
    bool WriteLocked(uint32_t address) const;
    void StartFlashRead();
    void ProgramFlashByte(uint8_t value);
    void EraseFlash(uint8_t key);
    void Violation(const char* kind, const std::string& detail);

    const Derivative* part_;
    FlashArray* flash_;
    SimClock& clock_;
    ViolationLog& log_;
    std::string name_;
    int position_;
    bool busyFault_;
    uint64_t busyUntilNs_;
    uint32_t idCode_;
    bool hasIdCode_;

    TapState state_ = TapState::TestLogicReset;
    bool updatePending_ = false;
    uint8_t irLength_;
    uint32_t instruction_ = 0;
    uint64_t irShift_ = 0;
    uint32_t irCount_ = 0;
    Selected selected_ = Selected::Bypass;
    uint16_t indirectReg_ = 0;
    uint64_t dr_ = 0;
    uint8_t drLength_ = 1;
    uint32_t drCount_ = 0;
    bool tdo_ = true;
    bool tdoEnabled_ = false;

    // Indirect register interface.
    uint64_t indirectBusyUntil_ = 0;
    uint32_t readout_ = 0; // value latched by the last read request
    uint8_t flashCon_ = 0;
    uint32_t flashAdr_ = 0;
    uint8_t flashScl_ = 0;
    uint32_t setup_ = 0;
    // The flash engine.
    uint64_t flashBusyUntil_ = 0;
    bool flashFail_ = false;
    uint8_t flashData_ = 0xFF;
};

} // namespace vorbrant::sim
