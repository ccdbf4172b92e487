#pragma once
// The C2 two-wire debug link: C2CK/C2D frames bit by bit on the adapter's
// signals, the four C2 transfers, and the flash programming interface (FPI)
// behind FPDAT with its read cache and write buffer. No delays inside a
// transfer: every clock phase is one line update of the adapter.
#include "lpt/Clock.h"
#include "target/AdapterSignals.h"
#include "target/ChipInfo.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vorbrant {

class C2Link {
public:
    static constexpr uint32_t NoBase = 0xFFFFFFFFu;
    static constexpr int DataReadWaitStrobes = 10000;
    static constexpr int DataWriteWaitStrobes = 50000;
    static constexpr int InBusyPolls = 249;
    static constexpr int OutReadyPolls = 250;
    static constexpr uint8_t StatusOk = 0x0D;
    // A C2CK low phase longer than this may have reset the part (it does
    // from 20 us on; 5..20 us is undefined): the frame is suspect. A strobe
    // is timed from before the write that lowers C2CK to after the one that
    // raises it, which bounds its low phase from above; the two writes' own
    // time (measured at connect) is allowed on top.
    static constexpr uint64_t SuspectLowNs = 5000;
    static constexpr uint64_t DefaultAccessNs = 1000;
    // The part takes commands this long after the programming keys.
    static constexpr uint32_t KeysSettleMs = 20;
    // An erase's closing status is first asked for after the erase's usual
    // time: every poll before it would only be a chance for a stall to
    // reset the part and cost the whole erase again.
    static constexpr uint32_t PageEraseFirstPollMs = 15;
    static constexpr uint32_t DeviceEraseFirstPollMs = 20;
    // The reset pulse of a stall recovery: twice the 20 us that reset a part.
    static constexpr uint64_t StallResetNs = 40000;
    // Tries after a stall that get an operation no further: at most this
    // many in a row for one operation; and in a run, no more than
    // StallRunAllowance plus StallRunRatio for every try that got further.
    static constexpr int StallTriesWithoutProgress = 128;
    static constexpr uint32_t StallRunAllowance = 1000;
    static constexpr uint32_t StallRunRatio = 16;

    // chip supplies FpdatAddress, LockByteAddress, FlashSizeKB, PageSize and
    // SecurityPath.
    C2Link(AdapterSignals& adapter, Clock& clock, const ChipInfo& chip);

    // Transfers. C2D is released after every one of them.
    void C2AddressWrite(uint8_t address);
    // All eight bits are clocked; only those in sampleMask are read from
    // C2D (the others come back 0).
    uint8_t C2AddressRead(uint8_t sampleMask = 0xFF);
    void C2DataWrite(uint8_t value);
    // 0 when the target never ended its wait; DataReadTimedOut tells.
    uint8_t C2DataRead();
    // The same read, with the time-out as the result (false = no data).
    bool C2DataRead(uint8_t& value);

    // Link control.
    // holdWrites: writes that hold the reset (100 for the link's own reset).
    void C2Reset(int holdWrites = 100);
    void C2EnterProgramming();
    // A new run: no stalls recovered yet, the run's budget full.
    void ResetStallCount();
    // Times line updates on the clock: the allowance of a strobe's two
    // edges. Run at connect.
    void CalibratePortAccess();
    uint64_t StrobeLimitNs() const { return watch_.LimitNs(); }
    // -1: nothing answers (id 0xFF); 0: id 0; else 0x300 + id + revision << 16.
    int32_t C2ReadDeviceId();

    // FPI operations, true = done.
    bool C2BlockRead(uint16_t address, uint16_t count);
    bool C2BufferedWrite(uint32_t address, uint8_t value);
    bool C2FlushWriteBuffer();
    bool C2PageErase(uint32_t address);
    bool C2DeviceErase();
    bool C2ReadSecurityByte(uint8_t& value);
    bool C2WriteSecurityByte(uint8_t value);

    // Read cache and write buffer.
    bool CacheHolds(uint32_t address) const
    {
        return ReadCacheBase != NoBase && address >= ReadCacheBase && address - ReadCacheBase < ReadCacheLength;
    }
    uint8_t CachedByte(uint32_t address) const { return ReadCache[address - ReadCacheBase]; }
    void EmptyReadCache() { ReadCacheBase = NoBase; }
    void ClearWriteBuffer();

    // Link state, visible to tests and to the flash operations.
    bool C2dReleased = true;
    bool C2dDataBit = true;
    bool DataReadTimedOut = false;
    bool DataWriteTimedOut = false;
    // A strobe's low phase ran longer than SuspectLowNs since the last reset.
    bool StallSeen() const { return watch_.Stretched(); }
    // Stalls re-armed from since ResetStallCount.
    uint32_t StallsRecovered = 0;
    // Since ResetStallCount, an operation ended because stalls left it no
    // room: its failure says nothing about the part.
    bool StallBudgetSpent = false;
    // Set by the FPDAT path of C2ReadSecurityByte: the part answered 0x0D
    // after the address and length, i.e. it let the host read there.
    bool SecurityAddressAccepted = false;

    std::array<uint8_t, 256> ReadCache{};
    uint32_t ReadCacheBase = NoBase;
    uint16_t ReadCacheLength = 0;
    std::array<uint8_t, 256> WriteBuffer{};
    uint32_t WriteBufferBase = NoBase;
    uint16_t WriteBufferCount = 0;

private:
    // Bit level. drive: the host drives C2D with C2dDataBit through this
    // strobe; otherwise C2D is released to the target.
    void Strobe(bool drive);
    void SendBit(bool bit);
    // START and STOP: one strobe each with C2D released.
    void Start() { Strobe(false); }
    void Stop() { Strobe(false); }
    uint8_t ReceiveByte(uint8_t sampleMask);
    // Strobes with C2D released until the target pulls it high; false when
    // the limit ran out (the last strobe is not sampled).
    bool WaitForTarget(int limit);

    // FPI conventions.
    bool WaitInBusyClear();
    bool WaitOutReady();
    bool SendByte(uint8_t value);
    bool CheckStatus();
    void SelectFpdat() { C2AddressWrite(chip_.FpdatAddress); }
    // Command, 16-bit address and length byte, each acknowledged.
    bool StartBlockCommand(uint8_t command, uint32_t address, uint16_t count);
    // A whole block as one batch on an adapter that queues reads
    // (C2LinkQueued.cpp): each transfer waits in the part's WAIT instead
    // of a status poll; the waits and status bytes are checked at the end.
    struct QueuedRead {
        ReadTicket Wait;
        ReadTicket FirstBit;
    };
    ReadTicket QueueDataWrite(uint8_t value);
    QueuedRead QueueDataRead();
    bool QueuedBlockCommand(uint8_t command, uint32_t address, uint16_t count, std::vector<ReadTicket>& waits,
                            std::vector<QueuedRead>& statuses);
    bool QueuedBatchGood(const std::vector<ReadTicket>& waits, const std::vector<QueuedRead>& statuses) const;
    bool QueuedBlockRead(uint16_t address, uint16_t count);
    bool QueuedBlockWrite();
    bool FailAndRecover();
    // After a stall: reset, the programming keys and their settle time; no
    // wait before the keys (the reset pulse itself is the part's reset).
    void RearmAfterStall();
    template <typename Attempt>
    bool WithStallRecovery(Attempt attempt);
    bool PageEraseOnce(uint32_t address);
    bool ReadSecurityOnce(uint8_t& value);
    bool ReadSecurityThroughFpdat(uint8_t& value);
    bool ReadSecurityRegister(uint8_t c2Address, uint8_t& value);

    AdapterSignals& adapter_;
    Clock& clock_;
    const ChipInfo& chip_;
    uint32_t runTriesStuck_ = 0;  // tries after a stall that got no further, this run
    uint32_t runTriesOnward_ = 0; // ... and those that did
    StrobeWatch watch_;
    int stallResetWrites_ = static_cast<int>(StallResetNs / DefaultAccessNs);
};

} // namespace vorbrant
