#include "session/Sequencer.h"

#include "common/Crc32.h"

#include <algorithm>

namespace vorbrant {

namespace {

constexpr uint32_t ImagePageBytes = 1u << ImageBuffer::PageShift;

} // namespace

// The gauge of a byte loop: 0..last-first for short ranges, else 0..100,
// advanced by one at each address that is a multiple of the step.
class Sequencer::Progress {
public:
    Progress(Sequencer& run, int64_t first, int64_t last) : run_(run)
    {
        int64_t span = last - first;
        if (span < 100) {
            step_ = 1;
            total_ = std::max<int64_t>(span, 0);
        } else {
            step_ = span / 100;
            total_ = 100;
        }
        run_.ProgressAt(0, total_, first);
    }
    void At(int64_t address)
    {
        if (address % step_ == 0)
            run_.ProgressAt(++value_, total_, address);
    }

private:
    Sequencer& run_;
    int64_t step_ = 1;
    int64_t total_ = 0;
    int64_t value_ = 0;
};

void Sequencer::Emit(RunEvent event) const
{
    if (events_)
        events_(event);
}

void Sequencer::Emit(RunEventKind kind, uint32_t address) const
{
    RunEvent event;
    event.Kind = kind;
    event.Address = address;
    Emit(event);
}

void Sequencer::StepStarted(Step step) const
{
    RunEvent event;
    event.Kind = RunEventKind::StepStarted;
    event.StepKind = step;
    Emit(event);
}

void Sequencer::ProgressAt(int64_t done, int64_t total, int64_t address)
{
    RunEvent event;
    event.Kind = RunEventKind::Progress;
    event.Done = done;
    event.Total = total;
    Emit(event);
    // Every progress point is where a stop (Ctrl-C, SIGTERM) takes effect:
    // the run closes as a failed one would, the block in hand finished.
    if (options_.StopRequested && options_.StopRequested())
        Fail(RunOutcomeKind::Interrupted, static_cast<uint32_t>(std::max<int64_t>(address, 0)));
}

void Sequencer::FailWrite(uint32_t address)
{
    std::optional<AddressSpan> block = flash_.LostBlock();
    if (!block || options_.Area != FlashArea::Code || block->Last >= ImageBuffer::Capacity)
        Fail(RunOutcomeKind::WriteFault, address);
    const auto present = static_cast<uint32_t>(std::count_if(image_.PresentMap.begin() + block->First,
                                                              image_.PresentMap.begin() + block->Last + 1,
                                                              [](uint8_t flag) { return flag != 0; }));
    outcome_.Programmed -= std::min(outcome_.Programmed, present);
    outcome_.BlockLost = true;
    outcome_.BlockFirst = block->First;
    outcome_.BlockLast = block->Last;
    Fail(RunOutcomeKind::WriteFault, block->First);
}

void Sequencer::Fail(RunOutcomeKind kind, uint32_t address, uint8_t expected, uint8_t actual)
{
    // A part that went away reads as 0xFF (or as noise): before a mismatch
    // is blamed on the flash, the part must still answer as the one
    // connected. When it does not, the read is what failed.
    if ((kind == RunOutcomeKind::VerifyFailed || kind == RunOutcomeKind::BlankCheckFailed) &&
        options_.SamePartAnswers && !options_.SamePartAnswers()) {
        kind = RunOutcomeKind::ReadFault;
        outcome_.Fault = LinkFault::TargetGone;
    }
    // The cause is the failed call's: taken before the run is closed.
    if ((kind == RunOutcomeKind::ReadFault || kind == RunOutcomeKind::WriteFault) && outcome_.Fault == LinkFault::None)
        outcome_.Fault = flash_.Fault();
    if (flashStepRunning_)
        flash_.EndFlashAccess();
    flashStepRunning_ = false;
    outcome_.Kind = kind;
    outcome_.Address = address;
    outcome_.Expected = expected;
    outcome_.Actual = actual;
    throw Abort{};
}

void Sequencer::Notice(RangeNotice notice, int64_t last)
{
    if (noticeGiven_)
        return;
    RunEvent event;
    event.Kind = RunEventKind::Notice;
    event.Notice = notice;
    event.Address = static_cast<uint32_t>(last);
    Emit(event);
    noticeGiven_ = true;
}

void Sequencer::CheckDataAreaMapped()
{
    // Parts of other sizes have no User data mapping, and a part without a
    // User data area (the poll may have found another part since Connect)
    // has nothing to erase or check there: refuse before any access.
    if (chip_.ScratchpadSize == 0 || !chip_.UserData.Mapped)
        Fail(RunOutcomeKind::OutsideDataArea);
}

uint32_t Sequencer::LinkAddress(uint32_t address, uint8_t& flags) const
{
    flags = 0;
    if (options_.Area != FlashArea::UserData)
        return address;
    flags = chip_.UserData.AreaFlags;
    return chip_.UserData.Base + address;
}

uint8_t Sequencer::ReadOrAbort(uint32_t address)
{
    uint8_t flags = 0;
    uint32_t linkAddress = LinkAddress(address, flags);
    uint8_t value = 0xFF;
    if (!flash_.ReadFlashByte(linkAddress, value, flags))
        Fail(RunOutcomeKind::ReadFault, address);
    return value;
}

int64_t Sequencer::ProgramTop() const
{
    // A C2 part keeps one lock byte; every byte below it is code. The JTAG
    // parts keep two at the top of the code area.
    if (chip_.C2Mode && chip_.LockByteAddress != 0)
        return std::min<int64_t>(chip_.FlashEnd, int64_t{chip_.LockByteAddress} - 1);
    return int64_t{chip_.FlashEnd} - 2;
}

bool Sequencer::ProtectedLockByte(uint32_t address) const
{
    return options_.DoProgram && options_.Area == FlashArea::Code && int64_t{address} > ProgramTop();
}

void Sequencer::LeaveOut(int64_t from, int64_t to)
{
    from = std::max<int64_t>(from, 0);
    to = std::min<int64_t>(to, int64_t{ImageBuffer::Capacity} - 1);
    for (int64_t address = from; address <= to; ++address)
        LeaveOut(static_cast<uint32_t>(address));
}

void Sequencer::LeaveOut(uint32_t address)
{
    // Erased flash holds 0xFF already: such bytes are not missed.
    if (address >= ImageBuffer::Capacity || !image_.PresentMap[address] || image_.ImageData[address] == 0xFF)
        return;
    if (leftOut_.empty())
        leftOut_.resize(ImageBuffer::Capacity);
    leftOut_[address] = true;
    if (leftOutHigh_ < leftOutLow_) {
        leftOutLow_ = leftOutHigh_ = address;
    } else {
        leftOutLow_ = std::min<int64_t>(leftOutLow_, address);
        leftOutHigh_ = std::max<int64_t>(leftOutHigh_, address);
    }
}

void Sequencer::CountLeftOut()
{
    for (int64_t address = leftOutLow_; address <= leftOutHigh_; ++address) {
        if (!leftOut_[static_cast<size_t>(address)])
            continue;
        if (outcome_.LeftOut++ == 0)
            outcome_.LeftOutFirst = static_cast<uint32_t>(address);
        outcome_.LeftOutLast = static_cast<uint32_t>(address);
    }
}

void Sequencer::EndRun()
{
    flashStepRunning_ = false;
    // Over C2 the closing flush writes the last buffered block.
    if (std::optional<uint32_t> lostBlock = flash_.EndFlashAccess())
        FailWrite(*lostBlock);
}

RunOutcome Sequencer::RunOperations(const RunOptions& options)
{
    options_ = options;
    outcome_ = RunOutcome{};
    outcome_.Area = options.Area;
    outcome_.C2 = chip_.C2Mode;
    noticeGiven_ = false;
    flashStepRunning_ = false;
    leftOut_.clear();
    leftOutLow_ = 0;
    leftOutHigh_ = -1;
    uint64_t start = clock_.NowMs();
    flash_.ResetStallCount();

    try {
        if (options_.Area == FlashArea::UserData)
            CheckDataAreaMapped();
        if (options_.DoRead) {
            AddressRange range{image_.StartAddress, image_.EndAddress};
            bool ok = true;
            if (options_.ReadRange)
                range = *options_.ReadRange;
            else if (options_.AskReadRange)
                ok = options_.AskReadRange(range);
            // The dialog stores each field as it is left, Cancel included.
            image_.StartAddress = range.Start;
            image_.EndAddress = range.End;
            if (!ok) {
                outcome_.Kind = RunOutcomeKind::Cancelled;
                return outcome_;
            }
            start = clock_.NowMs();
            StepStarted(Step::Read);
            ReadStep();
        }
        if (image_.ImageSize == 0 &&
            (options_.DoErase || options_.DoProgram || options_.DoVerify || options_.DoBlankCheck))
            Fail(RunOutcomeKind::NoData);
        // The steps after a read, in their order.
        static constexpr struct {
            bool RunOptions::*Ticked;
            Step Kind;
            void (Sequencer::*Run)();
        } Steps[] = {
            {&RunOptions::DoErase, Step::Erase, &Sequencer::EraseStep},
            {&RunOptions::DoBlankCheck, Step::BlankCheck, &Sequencer::BlankCheckStep},
            {&RunOptions::DoProgram, Step::Program, &Sequencer::ProgramStep},
            {&RunOptions::DoVerify, Step::Verify, &Sequencer::VerifyStep},
        };
        for (const auto& step : Steps) {
            if (options_.*step.Ticked) {
                StepStarted(step.Kind);
                (this->*step.Run)();
            }
        }
        // Every step ran: what they could not program is told last.
        CountLeftOut();
        if (outcome_.LeftOut != 0)
            outcome_.Kind = RunOutcomeKind::DataLeftOut;
    } catch (const Abort&) {
    }
    outcome_.StallsRecovered = flash_.StallsRecovered();
    outcome_.Seconds = static_cast<double>(clock_.NowMs() - start) / 1000.0;
    return outcome_;
}

void Sequencer::StartFlashStep()
{
    runEnd_ = 0;
    // Each step starts a new flash run at its own first address.
    flash_.BeginRun();
    flashStepRunning_ = true;
}

void Sequencer::ConfirmSamePart(int64_t lastAddress)
{
    if (options_.SamePartAnswers && !options_.SamePartAnswers()) {
        outcome_.Fault = LinkFault::TargetGone;
        Fail(RunOutcomeKind::ReadFault, static_cast<uint32_t>(std::max<int64_t>(lastAddress, 0)));
    }
}

void Sequencer::FinishFlashStep()
{
    flashStepRunning_ = false;
    flash_.EndFlashAccess();
    Emit(RunEventKind::ProgressEnded);
}

bool Sequencer::SkipAbsentRun(uint32_t address, int64_t last)
{
    if (image_.PresentMap[address])
        return false;
    if (address >= runEnd_) {
        // A new run of bytes the image does not hold: where does it end?
        int64_t next = address;
        while (next <= last && !image_.PresentMap[static_cast<size_t>(next)])
            ++next;
        runEnd_ = static_cast<uint32_t>(next);
        // Over JTAG a jump costs a new address stream; a short run is
        // cheaper to read through. C2 reads its blocks from the first byte
        // asked for, and bytes already in its cache cost nothing.
        const uint32_t worthSkipping = flash_.SkipsAbsentBytes() ? JtagSkipBytes : 1;
        skippingRun_ = next - address >= worthSkipping;
    }
    if (skippingRun_)
        flash_.BreakRun(); // the next byte read is not this one's neighbour
    return skippingRun_;
}

void Sequencer::ImageSpan(int64_t& first, int64_t& last) const
{
    // The image's bytes: from the start address, ImageSize of them.
    first = std::max<int32_t>(image_.StartAddress, 0);
    last = int64_t{image_.StartAddress} + image_.ImageSize - 1;
}

void Sequencer::ClampToDataArea(int64_t first, int64_t& last)
{
    const uint16_t size = chip_.ScratchpadSize;
    if (first >= size)
        Fail(RunOutcomeKind::OutsideDataArea);
    if (last >= size) {
        last = size - 1;
        Notice(RangeNotice::FlashAreaEnd, last);
    }
    ProgressAt(0, std::max<int64_t>(last, 0), first);
}

template <typename Visit>
void Sequencer::EachDataByte(int64_t first, int64_t last, Visit visit)
{
    ClampToDataArea(first, last);
    for (int64_t offset = first; offset <= last; ++offset) {
        visit(static_cast<uint32_t>(offset));
        ProgressAt(offset, std::max<int64_t>(last, 0), offset);
    }
}

void Sequencer::ReadStep()
{
    StartFlashStep();
    int64_t first = std::max<int32_t>(image_.StartAddress, 0);
    int64_t last = image_.EndAddress;

    if (options_.Area == FlashArea::UserData) {
        if (chip_.ScratchpadSize < first)
            Fail(RunOutcomeKind::OutsideDataArea);
        if (last >= chip_.ScratchpadSize) {
            last = chip_.ScratchpadSize - 1;
            if (!options_.DoProgram && !options_.DoVerify)
                Notice(RangeNotice::DataAreaReadEnd, last);
        }
        // The gauge runs from first to last: shown as 0..last-first.
        const int64_t total = std::max<int64_t>(last - first, 0);
        ProgressAt(0, total, first);
        for (int64_t offset = first; offset <= last; ++offset) {
            image_.ImageData[static_cast<size_t>(offset)] = ReadOrAbort(static_cast<uint32_t>(offset));
            ProgressAt(offset - first, total, offset);
        }
        Emit(RunEventKind::Uploaded);
    } else {
        // Small parts also show the 128-byte window above their code flash.
        const int64_t window = chip_.CodeBytes();
        const int64_t top = chip_.WindowAboveCode ? window + 0x7F : int64_t{chip_.FlashEnd};
        bool clamped = false;
        if (last > top) {
            last = top;
            clamped = true;
        }
        if (clamped && !options_.DoProgram && !options_.DoVerify)
            Notice(RangeNotice::ChipRangeEnd, last);
        if (first > last)
            first = last;
        image_.ClearMaps();
        // Every code byte Program can write is read back: on C2 parts whose
        // lock byte lies above FlashEnd that includes FlashEnd itself.
        const int64_t readTop =
            chip_.C2Mode && chip_.LockByteAddress != 0 ? ProgramTop() : int64_t{chip_.FlashEnd} - 1;
        Progress progress(*this, first, last);
        for (int64_t address = first; address <= last; ++address) {
            if (address <= readTop || (chip_.WindowAboveCode && address >= window)) {
                auto a = static_cast<uint32_t>(address);
                uint8_t value = ReadOrAbort(a);
                image_.ImageData[a] = value;
                image_.PresentMap[a] = 1;
                image_.PageMap[a >> ImageBuffer::PageShift] = 1;
            } else {
                flash_.BreakRun();
            }
            progress.At(address);
        }
    }
    ConfirmSamePart(last);
    FinishFlashStep();
    image_.ImageSize = image_.EndAddress - image_.StartAddress + 1;
    Emit(RunEventKind::ImageChanged);
}

void Sequencer::EraseStep()
{
    flash_.BeginRun();
    if (options_.Area == FlashArea::UserData) {
        // Its result is not checked (blank check and verify will tell),
        // unless the part no longer answers.
        if (!flash_.EraseScratchpad() && flash_.TargetLost())
            Fail(RunOutcomeKind::WriteFault);
        return;
    }
    const uint32_t pages = chip_.CodeBytes() / ImagePageBytes;
    ProgressAt(0, pages);
    // The image marks 512-byte pages; a part with larger pages erases each
    // of its own pages once, however many marked pages it holds.
    int64_t lastErased = -1;
    auto erase = [&](uint32_t p) {
        if (p >= ImageBuffer::PageCount || !image_.PageMap[p])
            return;
        const int64_t partPage = int64_t{p} * ImagePageBytes / std::max<uint32_t>(chip_.PageSize, 1);
        if (partPage == lastErased)
            return;
        lastErased = partPage;
        // A page the part refused is left to blank check and verify; a part
        // that went away ends the run before every page waits out its limit.
        if (!flash_.EraseFlash(EraseKind::Pages, p * ImagePageBytes, p * ImagePageBytes + 1) && flash_.TargetLost())
            Fail(RunOutcomeKind::WriteFault, p * ImagePageBytes);
    };
    for (uint32_t p = 0; p <= pages; ++p) {
        erase(p);
        ProgressAt(p, pages, int64_t{p} * ImagePageBytes);
    }
    // Small parts keep their User data in the page above the code.
    if (chip_.WindowAboveCode)
        erase(pages + 1);
    Emit(RunEventKind::ProgressEnded);
}

void Sequencer::BlankCheckStep()
{
    StartFlashStep();
    if (options_.Area == FlashArea::UserData) {
        ProgressAt(0, chip_.ScratchpadSize);
        for (uint32_t offset = 0; offset < chip_.ScratchpadSize; ++offset) {
            uint8_t value = ReadOrAbort(offset);
            if (value != 0xFF)
                Fail(RunOutcomeKind::BlankCheckFailed, offset, 0xFF, value);
            ProgressAt(offset, chip_.ScratchpadSize, offset);
        }
    } else {
        int64_t first, last;
        ImageSpan(first, last);
        last = std::min<int64_t>(last, chip_.FlashEnd);
        Progress progress(*this, first, last);
        for (int64_t address = first; address <= last; ++address) {
            auto a = static_cast<uint32_t>(address);
            if (SkipAbsentRun(a, last)) {
                progress.At(address);
                continue;
            }
            uint8_t value = ReadOrAbort(a);
            // Bytes the image does not hold are not examined.
            if (value != 0xFF && image_.PresentMap[a])
                Fail(RunOutcomeKind::BlankCheckFailed, a, 0xFF, value);
            progress.At(address);
        }
        ConfirmSamePart(last);
    }
    if (options_.Area == FlashArea::UserData)
        ConfirmSamePart(chip_.ScratchpadSize - 1);
    FinishFlashStep();
}

void Sequencer::ProgramStep()
{
    StartFlashStep();
    int64_t first, last;
    ImageSpan(first, last);

    const int64_t spanLast = last;
    if (options_.Area == FlashArea::UserData) {
        EachDataByte(first, last, [&](uint32_t offset) {
            uint8_t flags = 0;
            uint32_t address = LinkAddress(offset, flags);
            if (!flash_.WriteFlashByte(address, image_.ImageData[offset], flags))
                Fail(RunOutcomeKind::WriteFault, offset);
            ++outcome_.Programmed;
        });
        LeaveOut(std::max<int64_t>(first, chip_.ScratchpadSize), spanLast);
    } else {
        if (last >= int64_t{chip_.CodeBytes()}) {
            if (!chip_.WindowAboveCode || chip_.ScratchpadSize == 0) {
                last = chip_.FlashEnd;
                Notice(RangeNotice::FlashAreaEnd, last);
            } else {
                Notice(RangeNotice::ScratchpadOverwritten, last);
            }
            noticeGiven_ = true;
        }
        // The lock byte(s) at the top of the code area belong to the
        // security dialogs.
        const int64_t top = ProgramTop();
        // A C2 part's warning is due when the image reaches its lock byte,
        // even where that lies above FlashEnd.
        const bool reachesLock =
            chip_.C2Mode && chip_.LockByteAddress != 0 ? spanLast >= int64_t{chip_.LockByteAddress} : last > top;
        last = std::min(last, top);
        if (reachesLock)
            Emit(RunEventKind::LockBytesSkipped, static_cast<uint32_t>(top + 1));
        LeaveOut(std::max(first, last + 1), spanLast);
        Progress progress(*this, first, last);
        for (int64_t address = first; address <= last; ++address) {
            auto a = static_cast<uint32_t>(address);
            if (flash_.SkipsAbsentBytes() && !image_.PresentMap[a]) {
                // What the image does not hold is skipped; the next write starts a new run.
                flash_.BreakRun();
            } else if (!flash_.WriteFlashByte(a, image_.ImageData[a], 0)) {
                FailWrite(a);
            } else if (image_.PresentMap[a]) {
                ++outcome_.Programmed; // the file's bytes, not the gaps a block fills
            }
            progress.At(address);
        }
    }
    Emit(RunEventKind::ProgressEnded);
    EndRun();
    RecordProgramCrc(first, options_.Area == FlashArea::UserData ? std::min<int64_t>(last, int64_t{chip_.ScratchpadSize} - 1)
                                                                 : last);
}

// The CRC-32 of the image over what Program wrote (gaps as the image holds
// them, 0xFF), for the closing line and the run record.
void Sequencer::RecordProgramCrc(int64_t first, int64_t last)
{
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, int64_t{ImageBuffer::Capacity} - 1);
    outcome_.HasProgramCrc = true;
    outcome_.ProgramCrc = first <= last ? Crc32(image_.ImageData.data() + first, static_cast<size_t>(last - first + 1)) : 0;
}

void Sequencer::VerifyStep()
{
    StartFlashStep();
    int64_t first, last;
    ImageSpan(first, last);

    const int64_t spanLast = last;
    if (options_.Area == FlashArea::UserData) {
        EachDataByte(first, last, [&](uint32_t offset) {
            uint8_t value = ReadOrAbort(offset);
            if (value != image_.ImageData[offset])
                Fail(RunOutcomeKind::VerifyFailed, offset, image_.ImageData[offset], value);
            ++outcome_.Verified;
        });
        LeaveOut(std::max<int64_t>(first, chip_.ScratchpadSize), spanLast);
    } else {
        if (last > int64_t{chip_.FlashEnd}) {
            last = chip_.FlashEnd;
            if (!options_.DoProgram)
                Notice(RangeNotice::FlashAreaEnd, last);
        }
        LeaveOut(std::max(first, last + 1), spanLast);
        Progress progress(*this, first, last);
        for (int64_t address = first; address <= last; ++address) {
            auto a = static_cast<uint32_t>(address);
            if (ProtectedLockByte(a)) {
                // Program left the lock byte(s) alone: whatever the file
                // holds there was not programmed, and is no verify failure.
                LeaveOut(a);
                flash_.BreakRun();
                progress.At(address);
                continue;
            }
            if (SkipAbsentRun(a, last)) {
                progress.At(address);
                continue;
            }
            uint8_t value = ReadOrAbort(a);
            // Differences where the image holds nothing do not count.
            if (value != image_.ImageData[a] && image_.PresentMap[a])
                Fail(RunOutcomeKind::VerifyFailed, a, image_.ImageData[a], value);
            if (image_.PresentMap[a])
                ++outcome_.Verified;
            progress.At(address);
        }
    }
    ConfirmSamePart(std::min<int64_t>(last, options_.Area == FlashArea::UserData ? chip_.ScratchpadSize - 1 : last));
    FinishFlashStep();
}

} // namespace vorbrant
