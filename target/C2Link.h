#pragma once
// The C2 two-wire debug link: C2CK/C2D frames bit by bit on the adapter's
// signals, the four C2 transfers, and the flash programming interface (FPI)
// behind FPDAT with its read cache and write buffer. No delays inside a
// transfer: every clock phase is one line update of the adapter.
#include "lpt/Clock.h"
#include "target/AdapterSignals.h"
#include "target/AddressSpan.h"
#include "target/ChipInfo.h"
#include "target/LinkFault.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
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
    // false when the target never ended its wait (DataWriteTimedOut()).
    bool C2DataWrite(uint8_t value);
    // 0 when the target never ended its wait; DataReadTimedOut() tells.
    uint8_t C2DataRead();
    // The same read, with the time-out as the result (false = no data).
    bool C2DataRead(uint8_t& value);
    // The last data transfer's wait ran out. The part, which still held C2D
    // in its WAIT, has been reset then (unless a stall came first), and the
    // next FPI operation sends the programming keys again.
    bool DataReadTimedOut() const { return dataReadTimedOut_; }
    bool DataWriteTimedOut() const { return dataWriteTimedOut_; }

    // Link control.
    // holdWrites: line updates that hold the reset (StandardReset: the
    // adapter's own reset).
    void C2Reset(int holdWrites = AdapterSignals::StandardReset);
    void C2EnterProgramming();
    // A new run: no stalls recovered yet, the run's budget full.
    void ResetStallCount();
    // Times line updates on the clock: the allowance of a strobe's two
    // edges. Run at connect.
    void CalibratePortAccess();
    uint64_t StrobeLimitNs() const { return watch_.LimitNs(); }
    // -1: nothing answers (id 0xFF); 0: id 0; else 0x300 + id + revision << 16.
    int32_t C2ReadDeviceId();

    // FPI operations. true = done; false = not done, and LastFault() says
    // why: the part did not answer in time, answered with a status other
    // than OK, or port stalls used up the retries. After a false the
    // programming interface has been re-armed (a refused security read
    // excepted: the part answered, nothing needs re-arming).
    // A block read of count bytes from address into the read cache (a hit
    // costs nothing); the cache is empty after a failure.
    bool C2BlockRead(uint16_t address, uint16_t count);
    // Stores a byte in the write buffer; a byte outside the buffered block
    // sends that block first (false when the part did not take it:
    // TakeLostBlocks() tells which bytes are lost). An adapter that answers
    // at a flush gets a block's data in the flush that carries the next
    // block's command, so a refusal may show one block late.
    bool C2BufferedWrite(uint32_t address, uint8_t value);
    // Sends every stored byte (nothing when all of it is 0xFF).
    bool C2FlushWriteBuffer();
    // The bytes stored for writing that the part did not take, first to
    // last, since they were last taken (nullopt: none): after a false from
    // the two above (the buffer and any block in flight are then empty), or
    // a block in flight that a reset or another operation's failure cut off.
    std::optional<AddressSpan> TakeLostBlocks() { return std::exchange(lostBlocks_, std::nullopt); }
    bool C2PageErase(uint32_t address);
    bool C2DeviceErase();
    bool C2ReadSecurityByte(uint8_t& value);
    bool C2WriteSecurityByte(uint8_t value);
    LinkFault LastFault() const { return fault_; }

    // Read cache and write buffer.
    bool CacheHolds(uint32_t address) const
    {
        return readCacheBase_ != NoBase && address >= readCacheBase_ && address - readCacheBase_ < readCacheLength_;
    }
    uint8_t CachedByte(uint32_t address) const { return readCache_[address - readCacheBase_]; }
    void EmptyReadCache() { readCacheBase_ = NoBase; }
    // Forgets the buffered block and any block in flight: for a run that
    // ends without sending them, or a part that has been reset since.
    void ClearWriteBuffer();
    // The buffered block: its base (NoBase when empty), length, and bytes.
    uint32_t WriteBufferBase() const { return buffer_.Base; }
    uint16_t WriteBufferCount() const { return buffer_.Count; }
    uint8_t WriteBufferByte(uint16_t offset) const { return buffer_.Bytes[offset]; }
    // Every stored byte the part has not yet confirmed: the block in flight
    // (its command taken, its data not yet sent) to the end of the buffer.
    std::optional<AddressSpan> UnsentBlocks() const;

    // Stalls: a strobe's low phase ran longer than SuspectLowNs since the
    // last reset.
    bool StallSeen() const { return watch_.Stretched(); }
    // Stalls re-armed from since ResetStallCount.
    uint32_t StallsRecovered() const { return stallsRecovered_; }
    // Since ResetStallCount, an operation ended because stalls left it no
    // room: its failure says nothing about the part.
    bool StallBudgetSpent() const { return stallBudgetSpent_; }
    // The FPDAT path of C2ReadSecurityByte got the part's 0x0D after the
    // address and length, i.e. it let the host read there.
    bool SecurityAddressAccepted() const { return securityAddressAccepted_; }

private:
    // Bit level. drive: the host drives C2D with c2dDataBit_ through this
    // strobe; otherwise C2D is released to the target.
    void Strobe(bool drive);
    void SendBit(bool bit);
    void SendDataWriteFrame(uint8_t value);
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
    // A failure: the cause (the last one noted wins), and the interface
    // re-armed without the re-arm's own traffic changing it.
    void Note(LinkFault fault) { fault_ = fault; }
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

    // Frames queued for an adapter that answers at a flush: each with its
    // STOP, whatever its WAIT comes to (the tickets tell after the flush).
    struct QueuedRead {
        ReadTicket Ready;
        std::array<ReadTicket, 8> Bits;
    };
    ReadTicket QueueDataWrite(uint8_t value);
    QueuedRead QueueDataRead();
    // After the flush: the byte, or false when its wait ran out.
    bool Answered(const QueuedRead& read, uint8_t& value);
    bool Answered(ReadTicket ready);
    // The block command, address and length with their two statuses.
    void QueueBlockCommand(uint8_t command, uint32_t address, uint16_t count, std::array<QueuedRead, 2>& statuses,
                           std::array<ReadTicket, 4>& waits);
    bool BlockCommandTaken(const std::array<QueuedRead, 2>& statuses, const std::array<ReadTicket, 4>& waits);
    // A block of bytes to write from Base on (NoBase when empty).
    struct WriteBlock {
        std::array<uint8_t, 256> Bytes;
        uint32_t Base = NoBase;
        uint16_t Count = 0;
        WriteBlock() { Bytes.fill(0xFF); }
        AddressSpan Span() const { return {Base, Base + Count - 1u}; }
    };
    // Block read in one flush.
    bool BlockReadBatched(uint16_t address, uint16_t count);
    // Block write in flushes: each carries the data and closing status of
    // the block in flight, then (sendBuffer) the buffered block's command,
    // which puts that block in flight once the part has taken it.
    bool PassBlocksBatched(bool sendBuffer);
    // Before any FPI command but a block write's: the block in flight gets
    // its data (the part would read the command as data), whose refusal
    // fails that command; then RearmIfReset.
    bool ReadyForCommand();
    // A part that a wait reset gets its keys again.
    void RearmIfReset();
    // A failed block send: every byte stored and not yet taken is lost
    // (noted, not sent again), the interface re-armed.
    bool LoseBlocks();
    void NoteLost(AddressSpan lost) { lostBlocks_ = lostBlocks_ ? Spanning(*lostBlocks_, lost) : lost; }
    bool SendBufferedBlock(bool keepInFlight);

    AdapterSignals& adapter_;
    Clock& clock_;
    const ChipInfo& chip_;
    StrobeWatch watch_;
    // The C2D level the next driven bit takes, and whether the last strobe
    // released C2D.
    bool c2dDataBit_ = true;
    bool c2dReleased_ = true;
    bool dataReadTimedOut_ = false;
    bool dataWriteTimedOut_ = false;
    bool keysLost_ = false; // a wait that ran out reset the part since the keys
    LinkFault fault_ = LinkFault::None;
    uint32_t stallsRecovered_ = 0;
    bool stallBudgetSpent_ = false;
    bool securityAddressAccepted_ = false;
    std::array<uint8_t, 256> readCache_{};
    uint32_t readCacheBase_ = NoBase;
    uint16_t readCacheLength_ = 0;
    WriteBlock buffer_;
    WriteBlock inFlight_;
    std::optional<AddressSpan> lostBlocks_;
    uint32_t runTriesStuck_ = 0;  // tries after a stall that got no further, this run
    uint32_t runTriesOnward_ = 0; // ... and those that did
    int stallResetWrites_ = static_cast<int>(StallResetNs / DefaultAccessNs);
};

} // namespace vorbrant
