// FPI blocks as one batch, for adapters that answer reads only at a flush
// (USB): the part's WAIT holds each Data Write until the interface took the
// byte before it (instead of an InBusy poll) and each Data Read until its
// byte is ready (instead of an OutReady poll). One round trip carries the
// command, its address and length, the 256 data transfers and the status
// bytes; what came back is checked at the end.
#include "target/C2Link.h"

#include <algorithm>

namespace vorbrant {

namespace {
constexpr uint8_t BlockReadCommand = 0x06;
constexpr uint8_t BlockWriteCommand = 0x07;
} // namespace

// START, INS 1,0, LENGTH 0 (one byte), the byte, WAIT, STOP.
ReadTicket C2Link::QueueDataWrite(uint8_t value)
{
    Start();
    SendBit(true);
    SendBit(false);
    SendBit(false);
    SendBit(false);
    for (int i = 0; i < 8; ++i)
        SendBit(((value >> i) & 1) != 0);
    ReadTicket wait = adapter_.C2Wait(DataWriteWaitStrobes, watch_);
    Stop();
    return wait;
}

// START, INS 0,0, LENGTH 0, WAIT, eight bits from the part, STOP.
C2Link::QueuedRead C2Link::QueueDataRead()
{
    Start();
    SendBit(false);
    SendBit(false);
    SendBit(false);
    SendBit(false);
    QueuedRead read;
    read.Wait = adapter_.C2Wait(DataReadWaitStrobes, watch_);
    for (int i = 0; i < 8; ++i) {
        Strobe(false);
        ReadTicket bit = adapter_.C2SampleData();
        if (i == 0)
            read.FirstBit = bit;
    }
    Stop();
    return read;
}

bool C2Link::QueuedBlockCommand(uint8_t command, uint32_t address, uint16_t count, std::vector<ReadTicket>& waits,
                                std::vector<QueuedRead>& statuses)
{
    SelectFpdat();
    waits.push_back(QueueDataWrite(command));
    statuses.push_back(QueueDataRead());
    for (uint8_t byte : {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address), static_cast<uint8_t>(count)})
        waits.push_back(QueueDataWrite(byte)); // 256 goes out as 0
    statuses.push_back(QueueDataRead());
    return true;
}

// Every wait ended and every status byte says OK.
bool C2Link::QueuedBatchGood(const std::vector<ReadTicket>& waits, const std::vector<QueuedRead>& statuses) const
{
    auto ended = [&](ReadTicket t) { return adapter_.Level(t); };
    return std::all_of(waits.begin(), waits.end(), ended) &&
           std::all_of(statuses.begin(), statuses.end(), [&](const QueuedRead& s) {
               return adapter_.Level(s.Wait) && adapter_.Bits(s.FirstBit, 8) == StatusOk;
           });
}

bool C2Link::QueuedBlockRead(uint16_t address, uint16_t count)
{
    std::vector<ReadTicket> waits;
    std::vector<QueuedRead> statuses, bytes;
    QueuedBlockCommand(BlockReadCommand, address, count, waits, statuses);
    for (uint16_t i = 0; i < count; ++i)
        bytes.push_back(QueueDataRead());
    adapter_.Flush();
    if (!QueuedBatchGood(waits, statuses))
        return false;
    // A byte whose wait never ended is no data: the read fails.
    for (uint16_t i = 0; i < count; ++i) {
        if (!adapter_.Level(bytes[i].Wait))
            return false;
        ReadCache[i] = static_cast<uint8_t>(adapter_.Bits(bytes[i].FirstBit, 8));
    }
    ReadCacheBase = address;
    ReadCacheLength = count;
    return true;
}

bool C2Link::QueuedBlockWrite()
{
    std::vector<ReadTicket> waits;
    std::vector<QueuedRead> statuses;
    QueuedBlockCommand(BlockWriteCommand, WriteBufferBase, WriteBufferCount, waits, statuses);
    for (uint16_t i = 0; i < WriteBufferCount; ++i)
        waits.push_back(QueueDataWrite(WriteBuffer[i]));
    // The closing status: whether the part took the block.
    statuses.push_back(QueueDataRead());
    adapter_.Flush();
    return QueuedBatchGood(waits, statuses);
}

} // namespace vorbrant
