#include "target/C2Link.h"

#include <algorithm>
#include <vector>

namespace vorbrant {

namespace {

constexpr uint8_t OutReady = 0x01;
constexpr uint8_t InBusy = 0x02;

constexpr uint8_t DeviceIdRegister = 0x00;
constexpr uint8_t RevisionRegister = 0x01;
constexpr uint8_t FpctlRegister = 0x02;

constexpr uint8_t BlockReadCommand = 0x06;
constexpr uint8_t BlockWriteCommand = 0x07;
constexpr uint8_t PageEraseCommand = 0x08;
constexpr uint8_t DeviceEraseCommand = 0x03;

} // namespace

C2Link::C2Link(AdapterSignals& adapter, Clock& clock, const ChipInfo& chip)
    : adapter_(adapter), clock_(clock), chip_(chip), watch_(clock)
{
    watch_.SetLimitNs(SuspectLowNs + 2 * DefaultAccessNs);
}

// --- bit level -------------------------------------------------------------

// One C2CK strobe, C2D driven with c2dDataBit_ or released to the target.
// The strobe is timed from before its falling edge to after its rising
// one: a stall anywhere in it shows in that time.
void C2Link::Strobe(bool drive)
{
    // After a stall the part has been reset: the rest of the frame would
    // only be read as new frames. Nothing more goes out until the recovery.
    if (StallSeen())
        return;
    c2dReleased_ = !drive;
    const C2dLine line = !drive ? C2dLine::Release : c2dDataBit_ ? C2dLine::DriveHigh : C2dLine::DriveLow;
    watch_.Time([&] { adapter_.C2Strobe(line); });
}

void C2Link::SendBit(bool bit)
{
    c2dDataBit_ = bit;
    Strobe(true);
}

// The eight samples are read at one flush, at the end of the byte.
uint8_t C2Link::ReceiveByte(uint8_t sampleMask)
{
    std::array<ReadTicket, 8> bits{};
    for (int i = 0; i < 8; ++i) {
        Strobe(false);
        if (((sampleMask >> i) & 1) != 0)
            bits[i] = adapter_.C2SampleData();
    }
    adapter_.Flush();
    uint8_t value = 0;
    for (int i = 0; i < 8; ++i)
        if (((sampleMask >> i) & 1) != 0 && adapter_.Level(bits[i]))
            value = static_cast<uint8_t>(value | (1u << i));
    return value;
}

bool C2Link::WaitForTarget(int limit)
{
    if (StallSeen())
        return false;
    ReadTicket ready = adapter_.C2Wait(limit, watch_);
    adapter_.Flush();
    if (adapter_.Level(ready))
        return true;
    // The part still holds C2D low in its WAIT: a STOP or the next frame
    // would be clocked against it, and only a reset ends the frame. After a
    // stall the stall recovery resets it.
    if (!StallSeen()) {
        C2Reset();
        keysLost_ = true;
    }
    return false;
}

// --- transfers -------------------------------------------------------------

void C2Link::C2AddressWrite(uint8_t address)
{
    Start();
    SendBit(true);
    SendBit(true);
    for (int i = 0; i < 8; ++i)
        SendBit(((address >> i) & 1) != 0);
    Stop();
}

uint8_t C2Link::C2AddressRead(uint8_t sampleMask)
{
    Start();
    SendBit(false);
    SendBit(true);
    uint8_t value = ReceiveByte(sampleMask);
    Stop();
    return value;
}

// START, INS 1,0 (data write), LENGTH 0 (one byte), the byte: the frame up
// to its WAIT.
void C2Link::SendDataWriteFrame(uint8_t value)
{
    Start();
    SendBit(true);
    SendBit(false);
    SendBit(false); // length: one byte
    SendBit(false);
    for (int i = 0; i < 8; ++i)
        SendBit(((value >> i) & 1) != 0);
}

bool C2Link::C2DataWrite(uint8_t value)
{
    SendDataWriteFrame(value);
    dataWriteTimedOut_ = !WaitForTarget(DataWriteWaitStrobes);
    if (dataWriteTimedOut_) {
        Note(LinkFault::TimedOut);
        return false; // the wait that ran out ended in a reset
    }
    Stop();
    return true;
}

bool C2Link::C2DataRead(uint8_t& value)
{
    value = C2DataRead();
    return !dataReadTimedOut_;
}

uint8_t C2Link::C2DataRead()
{
    Start();
    SendBit(false);
    SendBit(false);
    SendBit(false); // length: one byte
    SendBit(false);
    dataReadTimedOut_ = !WaitForTarget(DataReadWaitStrobes);
    if (dataReadTimedOut_) {
        Note(LinkFault::TimedOut);
        return 0; // the wait that ran out ended in a reset
    }
    uint8_t value = ReceiveByte(0xFF);
    Stop();
    return value;
}

// --- link control ----------------------------------------------------------

void C2Link::C2Reset(int holdWrites)
{
    // A reset voids the command of a block in flight: its data would reach
    // the part as commands.
    if (inFlight_.Count != 0) {
        NoteLost(inFlight_.Span());
        inFlight_ = WriteBlock{};
    }
    watch_.Clear(); // whatever a stall did, the part starts afresh now
    adapter_.C2Reset(holdWrites);
    c2dDataBit_ = true;
    c2dReleased_ = true;
}

void C2Link::C2EnterProgramming()
{
    keysLost_ = false;
    C2Reset();
    clock_.SleepMs(20);
    C2AddressWrite(FpctlRegister);
    C2DataWrite(0x02);
    C2DataWrite(0x01);
    clock_.SleepMs(30);
    // A stall inside the keys left the interface disabled.
    if (StallSeen()) {
        ++stallsRecovered_;
        RearmAfterStall();
    }
}

void C2Link::RearmAfterStall()
{
    // When the keys never get through, the stall stays seen and the next
    // try fails without a frame, counted against the budgets.
    keysLost_ = false;
    for (int tries = 0; tries < StallTriesWithoutProgress; ++tries) {
        C2Reset(stallResetWrites_);
        C2AddressWrite(FpctlRegister);
        C2DataWrite(0x02);
        C2DataWrite(0x01);
        if (!StallSeen()) {
            clock_.SleepMs(KeysSettleMs);
            return;
        }
    }
}

void C2Link::ResetStallCount()
{
    stallsRecovered_ = 0;
    stallBudgetSpent_ = false;
    runTriesStuck_ = 0;
    runTriesOnward_ = 0;
}

void C2Link::CalibratePortAccess()
{
    // The fastest of a few pairs of writes that change nothing: a pair
    // that an interrupt lengthened does not count.
    uint64_t pair = UINT64_MAX;
    for (int i = 0; i < 8; ++i) {
        const uint64_t before = clock_.NowNs();
        adapter_.HoldLines();
        adapter_.HoldLines();
        pair = std::min(pair, clock_.NowNs() - before);
    }
    // Strobes an adapter only queues cost no time on the wire: a host
    // held up while queueing stretches no low phase.
    watch_.SetLimitNs(adapter_.QueuesReads() ? UINT64_MAX : SuspectLowNs + 2 * pair);
    const uint64_t access = std::max<uint64_t>(pair / 2, 1);
    stallResetWrites_ = static_cast<int>(std::min<uint64_t>((StallResetNs + access - 1) / access, 100000));
}

// Runs attempt until it ends without a stall. A stall may have reset the
// part: the interface is re-armed (RearmAfterStall) and the attempt runs
// again, from where it says its work got to (progress: it got further than
// the time before). StallTriesWithoutProgress tries in a row that get no
// further, or a run whose stuck tries outgrow its budget, end it: false,
// with the interface re-armed the link's own way.
template <typename Attempt>
bool C2Link::WithStallRecovery(Attempt attempt)
{
    int withoutProgress = 0;
    for (;;) {
        bool progress = false;
        fault_ = LinkFault::None;
        bool done = attempt(progress);
        if (!StallSeen())
            return done;
        if (progress) {
            withoutProgress = 0;
            ++runTriesOnward_;
        } else {
            ++withoutProgress;
            ++runTriesStuck_;
        }
        if (withoutProgress >= StallTriesWithoutProgress ||
            runTriesStuck_ > StallRunAllowance + uint64_t{StallRunRatio} * runTriesOnward_) {
            stallBudgetSpent_ = true;
            Note(LinkFault::StallBudgetSpent);
            return FailAndRecover();
        }
        ++stallsRecovered_;
        RearmAfterStall();
    }
}

int32_t C2Link::C2ReadDeviceId()
{
    // Both registers again when a stall may have garbled either.
    uint8_t id = 0;
    uint8_t revision = 0;
    bool read = WithStallRecovery([&](bool&) {
        C2AddressWrite(DeviceIdRegister);
        id = C2DataRead();
        if (id != 0xFF && id != 0) {
            C2AddressWrite(RevisionRegister);
            revision = C2DataRead();
        }
        return true;
    });
    if (!read || id == 0xFF)
        return -1;
    if (id == 0)
        return 0;
    return 0x300 + id + static_cast<int32_t>(revision) * 65536;
}

// --- FPI conventions -------------------------------------------------------

// The polls clock every bit of the status but sample only the one they test.
bool C2Link::WaitInBusyClear()
{
    for (int i = 0; i < InBusyPolls && !StallSeen(); ++i)
        if ((C2AddressRead(InBusy) & InBusy) == 0)
            return !StallSeen();
    Note(LinkFault::TimedOut);
    return false;
}

bool C2Link::WaitOutReady()
{
    for (int i = 0; i < OutReadyPolls && !StallSeen(); ++i) {
        if ((C2AddressRead(OutReady) & OutReady) != 0)
            return !StallSeen();
        clock_.SleepMs(1);
    }
    Note(LinkFault::TimedOut);
    return false;
}

bool C2Link::SendByte(uint8_t value)
{
    return C2DataWrite(value) && WaitInBusyClear();
}

bool C2Link::CheckStatus()
{
    if (!WaitOutReady())
        return false;
    uint8_t status = 0;
    if (!C2DataRead(status))
        return false;
    if (status != StatusOk)
        Note(LinkFault::StatusNotOk);
    return status == StatusOk;
}

bool C2Link::StartBlockCommand(uint8_t command, uint32_t address, uint16_t count)
{
    SelectFpdat();
    return SendByte(command) && CheckStatus()
        && SendByte(static_cast<uint8_t>(address >> 8)) && SendByte(static_cast<uint8_t>(address))
        && SendByte(static_cast<uint8_t>(count)) // 256 goes out as 0
        && CheckStatus();
}

bool C2Link::FailAndRecover()
{
    const LinkFault cause = fault_;
    C2EnterProgramming();
    fault_ = cause;
    return false;
}

// --- batches ---------------------------------------------------------------

// An adapter that answers at a flush would make every ready poll a round
// trip. These frames carry no poll: the part holds a data write's WAIT
// until it has taken the byte (InBusy clear) and a data read's WAIT until
// its answer is ready (OutReady), so a whole block goes out between two
// flushes and is judged by its tickets afterwards.
ReadTicket C2Link::QueueDataWrite(uint8_t value)
{
    SendDataWriteFrame(value);
    ReadTicket ready = adapter_.C2Wait(DataWriteWaitStrobes, watch_);
    Stop();
    return ready;
}

C2Link::QueuedRead C2Link::QueueDataRead()
{
    QueuedRead read;
    Start();
    SendBit(false);
    SendBit(false);
    SendBit(false); // length: one byte
    SendBit(false);
    read.Ready = adapter_.C2Wait(DataReadWaitStrobes, watch_);
    for (ReadTicket& bit : read.Bits) {
        Strobe(false);
        bit = adapter_.C2SampleData();
    }
    Stop();
    return read;
}

bool C2Link::Answered(ReadTicket ready)
{
    if (adapter_.Level(ready))
        return true;
    Note(LinkFault::TimedOut);
    return false;
}

bool C2Link::Answered(const QueuedRead& read, uint8_t& value)
{
    if (!Answered(read.Ready))
        return false;
    value = 0;
    for (int i = 0; i < 8; ++i)
        if (adapter_.Level(read.Bits[i]))
            value = static_cast<uint8_t>(value | (1u << i));
    return true;
}

void C2Link::QueueBlockCommand(uint8_t command, uint32_t address, uint16_t count,
                               std::array<QueuedRead, 2>& statuses, std::array<ReadTicket, 4>& waits)
{
    SelectFpdat();
    waits[0] = QueueDataWrite(command);
    statuses[0] = QueueDataRead();
    waits[1] = QueueDataWrite(static_cast<uint8_t>(address >> 8));
    waits[2] = QueueDataWrite(static_cast<uint8_t>(address));
    waits[3] = QueueDataWrite(static_cast<uint8_t>(count)); // 256 goes out as 0
    statuses[1] = QueueDataRead();
}

bool C2Link::BlockCommandTaken(const std::array<QueuedRead, 2>& statuses, const std::array<ReadTicket, 4>& waits)
{
    for (ReadTicket ready : waits)
        if (!Answered(ready))
            return false;
    for (const QueuedRead& status : statuses) {
        uint8_t value = 0;
        if (!Answered(status, value))
            return false;
        if (value != StatusOk) {
            Note(LinkFault::StatusNotOk);
            return false;
        }
    }
    return true;
}

// One flush: the command, its statuses and every byte. Bytes read after a
// refused command are thrown away.
bool C2Link::BlockReadBatched(uint16_t address, uint16_t count)
{
    std::array<QueuedRead, 2> statuses;
    std::array<ReadTicket, 4> waits;
    QueueBlockCommand(BlockReadCommand, address, count, statuses, waits);
    std::vector<QueuedRead> bytes(count);
    for (QueuedRead& byte : bytes)
        byte = QueueDataRead();
    adapter_.Flush();
    if (!BlockCommandTaken(statuses, waits))
        return false;
    for (uint16_t i = 0; i < count; ++i)
        if (!Answered(bytes[i], readCache_[i]))
            return false;
    return true;
}

// A block's data goes out in the flush after the one that showed its command
// taken (bytes sent after a refusal would reach the part as commands), and
// shares that flush with the next block's command: one round trip a block.
bool C2Link::PassBlocksBatched(bool sendBuffer)
{
    const bool dataOut = inFlight_.Count != 0;
    const bool commandOut = sendBuffer && buffer_.Count != 0;
    if (!dataOut && !commandOut)
        return true;
    std::vector<ReadTicket> taken;
    QueuedRead closing;
    if (dataOut) {
        SelectFpdat();
        taken.reserve(inFlight_.Count);
        for (uint16_t i = 0; i < inFlight_.Count; ++i)
            taken.push_back(QueueDataWrite(inFlight_.Bytes[i]));
        // The closing status: whether the part took the block.
        closing = QueueDataRead();
    }
    std::array<QueuedRead, 2> statuses;
    std::array<ReadTicket, 4> waits;
    if (commandOut)
        QueueBlockCommand(BlockWriteCommand, buffer_.Base, buffer_.Count, statuses, waits);
    adapter_.Flush();
    if (dataOut) {
        uint8_t status = 0;
        bool took = std::all_of(taken.begin(), taken.end(), [&](ReadTicket t) { return Answered(t); }) &&
                    Answered(closing, status);
        if (took && status != StatusOk) {
            Note(LinkFault::StatusNotOk);
            took = false;
        }
        // The block whose command followed never got its data.
        if (!took)
            return LoseBlocks();
        inFlight_ = WriteBlock{};
    }
    if (commandOut) {
        if (!BlockCommandTaken(statuses, waits))
            return LoseBlocks();
        inFlight_ = buffer_;
        buffer_ = WriteBlock{};
    }
    return true;
}

bool C2Link::ReadyForCommand()
{
    if (inFlight_.Count != 0) {
        fault_ = LinkFault::None;
        if (!PassBlocksBatched(false))
            return false;
    }
    RearmIfReset();
    return true;
}

void C2Link::RearmIfReset()
{
    if (keysLost_)
        C2EnterProgramming();
}

bool C2Link::LoseBlocks()
{
    if (std::optional<AddressSpan> unsent = UnsentBlocks())
        NoteLost(*unsent);
    ClearWriteBuffer();
    return FailAndRecover();
}

// --- FPI operations --------------------------------------------------------

bool C2Link::C2BlockRead(uint16_t address, uint16_t count)
{
    if (count == 0 || count > 256 || !ReadyForCommand())
        return false;
    if (CacheHolds(address))
        return true;
    // The cache is refilled below; a read that breaks off half way must not
    // leave the old base pointing at a mix of old and new bytes.
    EmptyReadCache();
    if (adapter_.QueuesReads()) {
        fault_ = LinkFault::None;
        if (!BlockReadBatched(address, count))
            return FailAndRecover();
        readCacheBase_ = address;
        readCacheLength_ = count;
        return true;
    }
    // After a stall the read goes on from the first byte not yet read.
    uint16_t done = 0;
    bool read = WithStallRecovery([&](bool& progress) {
        const uint16_t from = done;
        if (!StartBlockCommand(BlockReadCommand, address + from, static_cast<uint16_t>(count - from)))
            return false;
        for (; done < count; ++done) {
            // A byte whose read timed out is no data: the read fails
            // instead of caching a 0.
            if (!WaitOutReady() || !C2DataRead(readCache_[done]) || StallSeen())
                return false;
            progress = true;
        }
        return true;
    });
    if (!read)
        return FailAndRecover();
    readCacheBase_ = address;
    readCacheLength_ = count;
    return true;
}

void C2Link::ClearWriteBuffer()
{
    buffer_ = WriteBlock{};
    inFlight_ = WriteBlock{};
}

std::optional<AddressSpan> C2Link::UnsentBlocks() const
{
    if (inFlight_.Count != 0 && buffer_.Count != 0)
        return Spanning(inFlight_.Span(), buffer_.Span());
    if (inFlight_.Count != 0)
        return inFlight_.Span();
    if (buffer_.Count != 0)
        return buffer_.Span();
    return std::nullopt;
}

bool C2Link::C2BufferedWrite(uint32_t address, uint8_t value)
{
    // A block ends at a 256-byte boundary, so that it never straddles a page.
    if (buffer_.Base != NoBase && address >= buffer_.Base && address <= (buffer_.Base | 0xFF)) {
        uint32_t offset = address - buffer_.Base;
        buffer_.Bytes[offset] = value;
        // The block write sends the buffer from its base up to the highest
        // byte stored: for ascending consecutive writes that is one more per
        // call, and a skipped address goes out as 0xFF instead of shifting
        // the later bytes down.
        buffer_.Count = static_cast<uint16_t>(std::max<uint32_t>(buffer_.Count, offset + 1));
        return true;
    }
    if (!SendBufferedBlock(/*keepInFlight=*/true))
        return false;
    buffer_.Base = address;
    buffer_.Bytes[0] = value;
    buffer_.Count = 1;
    return true;
}

bool C2Link::C2FlushWriteBuffer() { return SendBufferedBlock(/*keepInFlight=*/false); }

// keepInFlight: a batched block may stay in flight, its data to go out with
// the next block's command.
bool C2Link::SendBufferedBlock(bool keepInFlight)
{
    RearmIfReset();
    // Erased flash already holds 0xFF, and writing 0xFF to NOR flash
    // changes nothing: a block of nothing else is not sent.
    if (std::all_of(buffer_.Bytes.begin(), buffer_.Bytes.begin() + buffer_.Count, [](uint8_t b) { return b == 0xFF; }))
        buffer_ = WriteBlock{};
    if (adapter_.QueuesReads()) {
        fault_ = LinkFault::None;
        return PassBlocksBatched(true) && (keepInFlight || PassBlocksBatched(false));
    }
    // Nothing to write: the interface the step armed stays as it is (a
    // re-arm costs 50 ms, and a page-erase loop would pay it per page).
    if (buffer_.Count == 0)
        return true;
    // The part takes a byte once the one before it is programmed. After a
    // stall the write goes on from the last byte taken, which may have been
    // cut short: programming it again with the same value is harmless on
    // NOR flash.
    uint16_t from = 0;
    bool written = WithStallRecovery([&](bool& progress) {
        const uint16_t start = from;
        if (!StartBlockCommand(BlockWriteCommand, buffer_.Base + start, static_cast<uint16_t>(buffer_.Count - start)))
            return false;
        for (uint16_t i = start; i < buffer_.Count; ++i) {
            if (!SendByte(buffer_.Bytes[i]))
                return false;
            if (i > from) {
                from = i;
                progress = true;
            }
        }
        // The closing status tells whether the part took the block; a
        // write it refused must not pass for a programmed block.
        return CheckStatus();
    });
    if (!written)
        return LoseBlocks();
    buffer_ = WriteBlock{};
    return true;
}

bool C2Link::C2PageErase(uint32_t address)
{
    if (address > 0xFFFF)
        return false; // its page number would wrap onto a low page
    if (!ReadyForCommand())
        return false;
    // Erasing a page again after a stall is harmless.
    return WithStallRecovery([&](bool&) { return PageEraseOnce(address); });
}

bool C2Link::PageEraseOnce(uint32_t address)
{
    SelectFpdat();
    if (!SendByte(PageEraseCommand) || !CheckStatus())
        return false;
    if (!C2DataWrite(static_cast<uint8_t>(address / chip_.PageSize)))
        return false;
    WaitInBusyClear(); // the page number is acknowledged by the status below
    // The part answers the page number (a locked page is refused) and the
    // erase itself; an unread answer would let a refused page pass as erased.
    if (!CheckStatus())
        return false;
    if (!SendByte(0x00))
        return false;
    clock_.SleepMs(PageEraseFirstPollMs);
    return CheckStatus();
}

bool C2Link::C2DeviceErase()
{
    if (!ReadyForCommand())
        return false;
    return WithStallRecovery([&](bool&) {
        SelectFpdat();
        // The closing status is the part's verdict on the erase.
        if (!SendByte(DeviceEraseCommand) || !CheckStatus() || !SendByte(0xDE) || !SendByte(0xAD) ||
            !SendByte(0xA5))
            return false;
        clock_.SleepMs(DeviceEraseFirstPollMs);
        return CheckStatus();
    });
}

bool C2Link::C2WriteSecurityByte(uint8_t value)
{
    if (!ReadyForCommand())
        return false;
    bool written = WithStallRecovery([&](bool&) {
        if (!StartBlockCommand(BlockWriteCommand, chip_.LockByteAddress, 1))
            return false;
        return C2DataWrite(value) && CheckStatus(); // the part's verdict on the byte, as for a block
    });
    return written || FailAndRecover();
}

// Some families (SecurityPath InvertedB5/B4) show the lock byte inverted in
// a C2 register; m - v turns the count of locked pages into the byte's value.
bool C2Link::ReadSecurityRegister(uint8_t c2Address, uint8_t& value)
{
    C2AddressWrite(c2Address);
    uint8_t raw = 0;
    if (!C2DataRead(raw))
        return false;
    auto r = static_cast<uint8_t>(~raw);
    auto m = static_cast<uint8_t>(2 * chip_.FlashSizeKB - 1);
    auto v = static_cast<uint8_t>(r & m);
    if (v != 0)
        v = static_cast<uint8_t>(m - v);
    value = v;
    return true;
}

bool C2Link::ReadSecurityThroughFpdat(uint8_t& value)
{
    securityAddressAccepted_ = false;
    SelectFpdat();
    if (!SendByte(BlockReadCommand) || !WaitInBusyClear())
        return false;
    uint8_t status = 0;
    if (!C2DataRead(status))
        return false;
    if (status != StatusOk) {
        Note(LinkFault::StatusNotOk);
        return false;
    }
    if (!SendByte(static_cast<uint8_t>(chip_.LockByteAddress >> 8))
        || !SendByte(static_cast<uint8_t>(chip_.LockByteAddress)) || !SendByte(1) || !CheckStatus())
        return false;
    securityAddressAccepted_ = true;
    uint8_t raw = 0;
    if (!WaitOutReady() || !C2DataRead(raw))
        return false;
    value = static_cast<uint8_t>(~raw);
    return true;
}

bool C2Link::C2ReadSecurityByte(uint8_t& value)
{
    if (!ReadyForCommand())
        return false;
    return WithStallRecovery([&](bool&) { return ReadSecurityOnce(value); });
}

bool C2Link::ReadSecurityOnce(uint8_t& value)
{
    switch (chip_.SecurityPath) {
    case C2SecurityPath::InvertedB5:
        return ReadSecurityRegister(0xB5, value);
    case C2SecurityPath::InvertedB4:
        return ReadSecurityRegister(0xB4, value);
    case C2SecurityPath::WindowB5: {
        C2AddressWrite(0xA7);
        if (!C2DataWrite(1))
            return false; // the reset put the register page back: 0xB5 is another register there
        C2AddressWrite(0xB5);
        uint8_t raw = 0;
        bool ok = C2DataRead(raw);
        C2AddressWrite(0xA7);
        C2DataWrite(0);
        if (ok)
            value = static_cast<uint8_t>(~raw);
        return ok;
    }
    case C2SecurityPath::Fpdat:
        break;
    }
    return ReadSecurityThroughFpdat(value);
}

} // namespace vorbrant
