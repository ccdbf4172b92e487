#include "app/Sequencer.h"

#include "common/Text.h"
#include "target/C2Link.h"

#include <algorithm>
#include <cstdio>

namespace vorbrant {

namespace {

std::string Hex4(int64_t value) { return Hex(static_cast<uint32_t>(value), 4); }

} // namespace

// The gauge of a byte loop: 0..last-first for short ranges, else 0..100,
// advanced by one at each address that is a multiple of the step.
class Sequencer::Progress {
public:
    Progress(Operator& op, int64_t first, int64_t last) : op_(op)
    {
        int64_t span = last - first;
        if (span < 100) {
            step_ = 1;
            op_.ShowProgress(static_cast<int>(std::max<int64_t>(span, 0)));
        } else {
            step_ = span / 100;
            op_.ShowProgress(100);
        }
    }
    void At(int64_t address)
    {
        if (address % step_ == 0) {
            op_.SetProgress(++value_);
            op_.Repaint();
        }
    }

private:
    Operator& op_;
    int64_t step_ = 1;
    int value_ = 0;
};

bool Sequencer::DataAreaAddress(uint16_t flashSizeKB, uint32_t offset, uint32_t& address, uint8_t& areaFlags)
{
    switch (flashSizeKB) {
    case 8: address = offset + 0x2000; areaFlags = 0; return true;
    case 16: address = offset + 0x4000; areaFlags = 0; return true;
    case 32: address = offset + 0x8000; areaFlags = 0; return true;
    case 64:
    case 128: address = offset; areaFlags = 0x80; return true;
    default: return false;
    }
}

void Sequencer::Fail(MessageKind kind, const std::string& text, int exitCode)
{
    if (flashStepRunning_)
        target_.EndFlashAccess();
    flashStepRunning_ = false;
    // A batch run ends with its exit code; the text goes to the log instead of
    // a box that nobody would close.
    if (options_.BatchMode)
        op_.Note(kind, text);
    else
        op_.ShowMessage(kind, text);
    throw Abort{exitCode};
}

void Sequencer::Notice(const std::string& text)
{
    if (noticeGiven_)
        return;
    op_.ShowMessage(MessageKind::Information, text);
    noticeGiven_ = true;
}

void Sequencer::Status(const std::string& text)
{
    op_.SetStatus(text, true);
    op_.Repaint();
}

std::string Sequencer::ReadFaultText(uint32_t address) const
{
    return target_.Chip.C2Mode ? "C2 read fault at address 0x" + Hex4(address) + "! Aborting!"
                               : "JTAG fault at address 0x" + Hex4(address) + "! Aborting!";
}

void Sequencer::CheckDataAreaMapped()
{
    // Parts of other sizes have no User data mapping, and a part without a
    // User data area (the poll may have found another part since Connect)
    // has nothing to erase or check there: refuse before any access.
    uint32_t address;
    uint8_t flags;
    if (target_.Chip.ScratchpadSize == 0 || !DataAreaAddress(target_.Chip.FlashSizeKB, 0, address, flags))
        Fail(MessageKind::Error, "Start address out of data FLASH area!", ExitOutsideDataArea);
}

uint8_t Sequencer::ReadOrAbort(uint32_t address)
{
    uint32_t targetAddress = address;
    uint8_t flags = 0;
    if (options_.DataArea)
        DataAreaAddress(target_.Chip.FlashSizeKB, address, targetAddress, flags);
    uint8_t value = 0xFF;
    if (!target_.ReadFlashByte(targetAddress, value, flags))
        Fail(MessageKind::Error, ReadFaultText(address), ExitFlashFault);
    return value;
}

void Sequencer::EndRun()
{
    flashStepRunning_ = false;
    // Over C2 the closing flush writes the last buffered block.
    uint32_t pendingBlock = target_.Chip.C2Mode ? target_.C2().WriteBufferBase : 0;
    if (!target_.EndFlashAccess()) {
        std::string text;
        if (options_.DataArea)
            text = target_.Chip.C2Mode ? "C2 scratchpad write fault...Aborting!" : "JTAG scratchpad write fault...Aborting!";
        else
            text = (target_.Chip.C2Mode ? "C2 code area write fault at address 0x" : "JTAG code area write fault at address 0x") +
                   Hex4(pendingBlock) + " Aborting!";
        Fail(MessageKind::Error, text, ExitFlashFault);
    }
}

RunResult Sequencer::RunOperations(const RunOptions& options)
{
    options_ = options;
    noticeGiven_ = false;
    flashStepRunning_ = false;
    uint64_t start = clock_.NowMs();
    op_.SetBusy(true);
    view_.DisablePanels();

    RunResult result;
    try {
        if (options_.DataArea)
            CheckDataAreaMapped();
        if (options_.DoRead) {
            AddressRange range{image_.StartAddress, image_.EndAddress};
            bool ok = true;
            if (options_.ReadRange)
                range = *options_.ReadRange;
            else
                ok = op_.AskRange("Load data address range", range);
            // The dialog stores each field as it is left, Cancel included.
            image_.StartAddress = range.Start;
            image_.EndAddress = range.End;
            if (!ok) {
                ShowIdle();
                result.Cancelled = true;
                return result;
            }
            start = clock_.NowMs();
            Status("Reading...");
            ReadStep();
        }
        if (image_.ImageSize == 0 &&
            (options_.DoErase || options_.DoProgram || options_.DoVerify || options_.DoBlankCheck))
            Fail(MessageKind::Error, "Can't perform operation - load data file first!", ExitNoData);
        if (options_.DoErase) {
            Status("Erasing...");
            EraseStep();
        }
        if (options_.DoBlankCheck) {
            Status("Blank checking...");
            BlankCheckStep();
        }
        if (options_.DoProgram) {
            Status("Programming...");
            ProgramStep();
        }
        if (options_.DoVerify) {
            Status("Verifying...");
            VerifyStep();
        }
    } catch (const Abort& abort) {
        result.ExitCode = abort.ExitCode;
    }
    ShowIdle();
    result.Seconds = static_cast<double>(clock_.NowMs() - start) / 1000.0;
    if (result.ExitCode != ExitSuccess)
        return result;
    result.Success = true;
    if (!options_.BatchMode) {
        op_.Beep();
        char seconds[64];
        std::snprintf(seconds, sizeof seconds, "%.1f", result.Seconds);
        op_.ShowMessage(MessageKind::Information,
                        std::string("Operation successfull!\r\nTotal duration ") + seconds + " sec.");
    }
    return result;
}

void Sequencer::ShowIdle()
{
    op_.SetStatus("Idle", false);
    op_.HideProgress();
    op_.SetBusy(false);
    view_.ShowIdle();
}

void Sequencer::StartFlashStep()
{
    // Each step starts a new flash run at its own first address.
    target_.FlashStreamOpen = false;
    target_.ResetProgrammingInterface();
    flashStepRunning_ = true;
}

void Sequencer::FinishFlashStep()
{
    flashStepRunning_ = false;
    target_.EndFlashAccess();
    op_.HideProgress();
}

void Sequencer::ImageSpan(int64_t& first, int64_t& last) const
{
    // The image's bytes: from the start address, ImageSize of them.
    first = std::max<int32_t>(image_.StartAddress, 0);
    last = int64_t{image_.StartAddress} + image_.ImageSize - 1;
}

void Sequencer::ClampToDataArea(int64_t first, int64_t& last)
{
    const uint16_t size = target_.Chip.ScratchpadSize;
    if (first >= size)
        Fail(MessageKind::Error, "Start address out of data FLASH area!", ExitOutsideDataArea);
    if (last >= size) {
        last = size - 1;
        Notice("End address exceeds chip FLASH area.End address set to 0x" + Hex4(last));
    }
    op_.ShowProgress(static_cast<int>(std::max<int64_t>(last, 0)));
}

void Sequencer::ReadStep()
{
    const ChipInfo& chip = target_.Chip;
    StartFlashStep();
    int64_t first = std::max<int32_t>(image_.StartAddress, 0);
    int64_t last = image_.EndAddress;

    if (options_.DataArea) {
        if (chip.ScratchpadSize < first)
            Fail(MessageKind::Error, "Start address out of data FLASH area!", ExitOutsideDataArea);
        if (last >= chip.ScratchpadSize) {
            last = chip.ScratchpadSize - 1;
            if (!options_.DoProgram && !options_.DoVerify)
                Notice("End address exceeds data FLASH area.End address set to 0x" + Hex4(last));
        }
        // StartFlashStep began a fresh run: identification and the presence
        // poll leave a JTAG run open on the code area.
        // The gauge runs from first to last: shown as 0..last-first.
        op_.ShowProgress(static_cast<int>(std::max<int64_t>(last - first, 0)));
        for (int64_t offset = first; offset <= last; ++offset) {
            image_.ImageData[static_cast<size_t>(offset)] = ReadOrAbort(static_cast<uint32_t>(offset));
            op_.SetProgress(static_cast<int>(offset - first));
            op_.Repaint();
        }
        view_.ShowUploaded();
    } else {
        const int64_t kb = int64_t{chip.FlashSizeKB} * 1024;
        bool clamped = false;
        if (chip.FlashSizeKB <= 32 && last >= kb + 0x80) {
            last = kb + 0x7F;
            clamped = true;
        }
        if (chip.FlashSizeKB > 32 && last > int64_t{chip.FlashEnd}) {
            last = chip.FlashEnd;
            clamped = true;
        }
        if (clamped && !options_.DoProgram && !options_.DoVerify)
            Notice("End address exceeds chip address range.End address set to 0x" + Hex4(last));
        if (first > last)
            first = last;
        image_.ClearMaps();
        Progress progress(op_, first, last);
        for (int64_t address = first; address <= last; ++address) {
            if (address < int64_t{chip.FlashEnd} || (address >= kb && address < kb + 0x80)) {
                auto a = static_cast<uint32_t>(address);
                uint8_t value = ReadOrAbort(a);
                image_.ImageData[a] = value;
                image_.PresentMap[a] = 1;
                image_.PageMap[a >> ImageBuffer::PageShift] = 1;
            } else {
                target_.FlashStreamOpen = false;
            }
            progress.At(address);
        }
    }
    FinishFlashStep();
    image_.ImageSize = image_.EndAddress - image_.StartAddress + 1;
    view_.ShowBufferInfo();
}

void Sequencer::EraseStep()
{
    const ChipInfo& chip = target_.Chip;
    target_.FlashStreamOpen = false;
    target_.ResetProgrammingInterface();
    op_.Repaint();
    if (options_.DataArea) {
        target_.EraseScratchpad(); // its result is not checked: blank check and verify will tell
        op_.Repaint();
        return;
    }
    const uint32_t pages = uint32_t{chip.FlashSizeKB} * 2;
    op_.ShowProgress(static_cast<int>(pages));
    auto erase = [&](uint32_t p) {
        if (p < ImageBuffer::PageCount && image_.PageMap[p])
            target_.EraseFlash(ErasePages, p * 512, p * 512 + 1);
    };
    for (uint32_t p = 0; p <= pages; ++p) {
        erase(p);
        op_.SetProgress(static_cast<int>(p));
        op_.Repaint();
    }
    // Parts of 32 KB or less keep their User data in the page above the code.
    if (chip.FlashSizeKB <= 32)
        erase(pages + 1);
    op_.HideProgress();
    op_.Repaint();
}

void Sequencer::BlankCheckStep()
{
    const ChipInfo& chip = target_.Chip;
    StartFlashStep();
    if (options_.DataArea) {
        op_.ShowProgress(chip.ScratchpadSize);
        for (uint32_t offset = 0; offset < chip.ScratchpadSize; ++offset) {
            if (ReadOrAbort(offset) != 0xFF)
                Fail(MessageKind::Information, "Blank check failed at 0x" + Hex4(offset) + "!", ExitBlankCheckFailed);
            op_.SetProgress(static_cast<int>(offset));
            op_.Repaint();
        }
    } else {
        int64_t first, last;
        ImageSpan(first, last);
        last = std::min<int64_t>(last, chip.FlashEnd);
        Progress progress(op_, first, last);
        for (int64_t address = first; address <= last; ++address) {
            auto a = static_cast<uint32_t>(address);
            uint8_t value = ReadOrAbort(a);
            // Bytes the image does not hold are not examined.
            if (value != 0xFF && image_.PresentMap[a])
                Fail(MessageKind::Information, "Blank check failed at 0x" + Hex4(a) + "!", ExitBlankCheckFailed);
            progress.At(address);
        }
    }
    FinishFlashStep();
}

void Sequencer::ProgramStep()
{
    const ChipInfo& chip = target_.Chip;
    StartFlashStep();
    int64_t first, last;
    ImageSpan(first, last);

    if (options_.DataArea) {
        ClampToDataArea(first, last);
        for (int64_t offset = first; offset <= last; ++offset) {
            uint32_t address;
            uint8_t flags;
            DataAreaAddress(chip.FlashSizeKB, static_cast<uint32_t>(offset), address, flags);
            if (!target_.WriteFlashByte(address, image_.ImageData[static_cast<size_t>(offset)], flags))
                Fail(MessageKind::Error,
                     chip.C2Mode ? "C2 scratchpad write fault...Aborting!" : "JTAG scratchpad write fault...Aborting!",
                     ExitFlashFault);
            op_.SetProgress(static_cast<int>(offset));
            op_.Repaint();
        }
    } else {
        const int64_t kb = int64_t{chip.FlashSizeKB} * 1024;
        if (last >= kb) {
            if (chip.FlashSizeKB >= 64 || chip.ScratchpadSize == 0) {
                last = chip.FlashEnd;
                Notice("End address exceeds chip FLASH area.End address set to 0x" + Hex4(last));
            } else {
                Notice("Scratchpad area will be overwritten!");
            }
            noticeGiven_ = true;
        }
        // The two lock bytes at the top of the code area belong to the security dialogs.
        if (last >= int64_t{chip.FlashEnd} - 1) {
            last = int64_t{chip.FlashEnd} - 2;
            op_.ShowMessage(MessageKind::Warning, "To program flash lock bits use security menu!");
        }
        Progress progress(op_, first, last);
        for (int64_t address = first; address <= last; ++address) {
            auto a = static_cast<uint32_t>(address);
            if (!chip.C2Mode && !image_.PresentMap[a]) {
                // JTAG skips what the image does not hold; the next write starts a new run.
                target_.FlashStreamOpen = false;
            } else {
                if (!target_.WriteFlashByte(a, image_.ImageData[a], 0))
                    Fail(MessageKind::Error,
                         (chip.C2Mode ? "C2 code area write fault at address 0x" : "JTAG code area write fault at address 0x") +
                             Hex4(a) + " Aborting!",
                         ExitFlashFault);
            }
            progress.At(address);
        }
    }
    op_.HideProgress();
    EndRun();
}

void Sequencer::VerifyStep()
{
    const ChipInfo& chip = target_.Chip;
    StartFlashStep();
    int64_t first, last;
    ImageSpan(first, last);

    if (options_.DataArea) {
        ClampToDataArea(first, last);
        for (int64_t offset = first; offset <= last; ++offset) {
            auto o = static_cast<uint32_t>(offset);
            if (ReadOrAbort(o) != image_.ImageData[o])
                Fail(MessageKind::Error, "Verify failed at 0x" + Hex4(o) + "!", ExitVerifyFailed);
            op_.SetProgress(static_cast<int>(offset));
            op_.Repaint();
        }
    } else {
        if (last > int64_t{chip.FlashEnd}) {
            last = chip.FlashEnd;
            if (!options_.DoProgram)
                Notice("End address exceeds chip FLASH area.End address set to 0x" + Hex4(last));
        }
        Progress progress(op_, first, last);
        for (int64_t address = first; address <= last; ++address) {
            auto a = static_cast<uint32_t>(address);
            uint8_t value = ReadOrAbort(a);
            // Differences where the image holds nothing do not count.
            if (value != image_.ImageData[a] && image_.PresentMap[a])
                Fail(MessageKind::Error, "Verify failed at 0x" + Hex4(a) + "!", ExitVerifyFailed);
            progress.At(address);
        }
    }
    FinishFlashStep();
}

} // namespace vorbrant
