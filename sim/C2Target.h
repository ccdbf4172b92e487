#pragma once
// The device side of C2: frames decoded from C2CK strobes and the C2D level,
// the C2 registers (DEVICEID, REVID, FPCTL, FPDAT, the family's security
// registers, any other register as plain storage) and the flash programming
// interface behind FPDAT, with busy times on the virtual clock.
#include "sim/Catalogue.h"
#include "sim/SimClock.h"
#include "sim/FlashArray.h"
#include "sim/SimConfig.h"
#include "sim/ViolationLog.h"

#include <array>
#include <cstdint>

namespace vorbrant::sim {

// Device-side times of a C2 part.
struct C2Timing {
    static constexpr uint64_t ResetLowNs = 20000;     // C2CK low this long resets the device
    static constexpr uint64_t UndefinedLowNs = 5000;  // longer lows up to the reset are undefined
    static constexpr uint64_t SettleNs = 20000000;    // FPCTL enable to a working FPI
    static constexpr uint64_t AcceptNs = 2000;        // FPDAT write to InBusy clear
    static constexpr uint64_t ResponseNs = 5000;      // command to its status byte
    static constexpr uint64_t ByteReadNs = 2000;      // next byte of a block read
    static constexpr uint64_t ByteWriteNs = 40000;    // programming one byte
    static constexpr uint64_t PageEraseNs = 15000000;
    static constexpr uint64_t DeviceEraseNs = 20000000;
};

// FPI responses.
inline constexpr uint8_t FpiOk = 0x0D;
inline constexpr uint8_t FpiInvalidCommand = 0x00;
inline constexpr uint8_t FpiRefused = 0x02;
inline constexpr uint8_t FpiFlashError = 0x03;

class C2Target {
public:
    C2Target(const Derivative& part, FlashArray& flash, const SimDeviceConfig& config, SimClock& clock,
             ViolationLog& log);

    // One C2 clock: the rising C2CK edge after a short low. hostDrives and
    // sample are the host's driver state and the C2D level during the low
    // phase (the device samples on the rising edge).
    void Strobe(bool hostDrives, bool sample);
    // C2CK held low long enough: the frame, the address register and the
    // programming interface return to their reset state.
    void Reset();

    bool Drives() const { return drives_; }
    bool Level() const { return level_; }

    // Introspection for tests and reports.
    uint8_t AddressRegister() const { return address_; }
    bool ProgrammingEnabled() const { return piEnabled_; }
    uint8_t Status() const;
    uint8_t LockByte() const { return flash_.Bytes[part_.LockAddress]; }
    bool CanRead(uint32_t address) const;
    // Whether a block read of count bytes from first is accepted; Refused
    // when its first byte cannot be read.
    enum class BlockCheck : uint8_t { Accepted, Refused, PastTheEnd, IntoLockedPage };
    BlockCheck CheckReadBlock(uint32_t first, uint32_t count) const;
    bool CanWrite(uint32_t address) const;
    bool CanErasePage(uint32_t page) const;

private:
    enum class Phase : uint8_t {
        Idle, Ins0, Ins1, AddressWriteBits, AddressReadBits, LengthBits, DataWriteBits, WriteWait, ReadWait,
        DataReadBits, Stop
    };
    enum class Fpi : uint8_t {
        Idle, ReadAddrHi, ReadAddrLo, ReadLength, ReadStream, WriteAddrHi, WriteAddrLo, WriteLength, WriteStream,
        ErasePageNumber, ErasePageGo, EraseKey1, EraseKey2, EraseKey3, VersionByte, DerivativeByte
    };

    uint64_t Now() const;
    // The flash engine stays busy: for ever, or for the first busy-ms.
    bool BusyFault() const;
    void Output(bool drive, bool level)
    {
        drives_ = drive;
        level_ = level;
    }
    bool WriteReady() const;
    bool ReadReady() const;
    void WriteRegister(uint8_t value);
    uint8_t ReadRegister();
    void WriteFpctl(uint8_t value);
    void FpiWrite(uint8_t value);
    uint8_t FpiRead();
    void Respond(uint8_t value, uint64_t delayNs);
    void StartCommand(uint8_t command);
    void ProduceNext();
    uint8_t SecurityRegisterValue() const;
    uint32_t LockedPages() const;

    const Derivative& part_;
    FlashArray& flash_;
    SimClock& clock_;
    ViolationLog& log_;
    bool busyFault_;
    uint64_t busyUntilNs_;
    uint8_t revision_;

    // Frame decoder.
    Phase phase_ = Phase::Idle;
    uint8_t count_ = 0;
    uint8_t ins_ = 0;
    uint8_t bytes_ = 1; // LENGTH + 1
    uint32_t shift_ = 0;
    bool write_ = false;
    bool drives_ = false;
    bool level_ = true;

    // Registers.
    uint8_t address_ = 0;
    std::array<uint8_t, 256> sfr_{};
    uint8_t keyStep_ = 0;
    bool piEnabled_ = false;
    uint64_t piReadyAt_ = 0;

    // Programming interface.
    Fpi fpi_ = Fpi::Idle;
    uint8_t fpdat_ = 0;       // what a read of FPDAT returns when nothing is pending
    bool outValid_ = false;
    uint8_t outValue_ = 0;
    uint64_t outReadyAt_ = 0;
    uint64_t inBusyUntil_ = 0;
    bool inBusyStuck_ = false;
    uint64_t flashBusyUntil_ = 0;
    uint32_t opAddress_ = 0;
    uint32_t opRemaining_ = 0;
    bool opFailed_ = false;
    uint8_t keys_[3] = {};
};

} // namespace vorbrant::sim
