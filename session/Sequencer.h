#pragma once
// The operation flow: Read, Erase, Blank check, Program and Verify, in that
// order, over the code flash or the User data area of the connected part.
// No widgets and no words here: the session hands in what the run needs and
// hears what happens as run events; the run ends with its outcome. The part
// is reached only through its FlashLink.
#include "common/AddressRange.h"
#include "image/ImageBuffer.h"
#include "lpt/Clock.h"
#include "session/OperationOptions.h"
#include "session/Outcomes.h"
#include "target/ChipInfo.h"
#include "target/FlashLink.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorbrant {

struct RunOptions {
    bool DoRead = false;
    bool DoErase = false;
    bool DoBlankCheck = false;
    bool DoProgram = false;
    bool DoVerify = false;
    FlashArea Area = FlashArea::Code;
    bool BatchMode = false; // failures end the process with an exit code
    // A Read over this range without asking (the --read batch run).
    std::optional<AddressRange> ReadRange;
    // Otherwise the Read asks for its range: false when it was cancelled.
    // The range holds what was entered even then.
    std::function<bool(AddressRange&)> AskReadRange;
    // Asked before a verify mismatch or a blank-check failure is reported:
    // false when the part no longer answers with the identity it had at
    // connect, so that a lost target shows as the read fault it is.
    std::function<bool()> SamePartAnswers;
    // Asked at every progress point (each block, page or percent): true
    // ends the run there as Interrupted (Ctrl-C, SIGTERM).
    std::function<bool()> StopRequested;
};

// A range notice: the run goes on over a range it clamped (or only
// informs). One per run.
enum class RangeNotice : uint8_t {
    DataAreaReadEnd,   // a User data Read ends beyond the area
    ChipRangeEnd,      // a code Read ends beyond the part's address range
    FlashAreaEnd,      // Program or Verify ends beyond the area
    ScratchpadOverwritten, // a code Program reaches the User data above small parts
};

enum class RunEventKind : uint8_t {
    StepStarted,      // Step begins (the status line)
    Progress,         // Done of Total; the first of a gauge has Done 0
    ProgressEnded,    // the gauge is put away
    Notice,           // Notice, with the last address the run keeps
    LockBytesSkipped, // Program leaves the lock byte(s) from Address alone
    Uploaded,         // a User data Read put the part's bytes into the image
    ImageChanged,     // a Read changed the image and its range
};

struct RunEvent {
    RunEventKind Kind = RunEventKind::Progress;
    Step StepKind = Step::Read;
    int64_t Done = 0;
    int64_t Total = 0;
    RangeNotice Notice = RangeNotice::FlashAreaEnd;
    uint32_t Address = 0;
};

using RunEvents = std::function<void(const RunEvent&)>;

class Sequencer {
public:
    // wallClock times the run for the closing message; the link keeps its
    // own clock for the protocol.
    Sequencer(ImageBuffer& image, FlashLink& flash, const ChipInfo& chip, Clock& wallClock, RunEvents events)
        : image_(image), flash_(flash), chip_(chip), clock_(wallClock), events_(std::move(events))
    {
    }

    // Runs the ticked steps; the outcome says how the run ended (a failure
    // stops at once, with the flash access closed).
    RunOutcome RunOperations(const RunOptions& options);

private:
    struct Abort {};
    class Progress;

    void ReadStep();
    void EraseStep();
    void BlankCheckStep();
    void ProgramStep();
    void VerifyStep();

    // Each step starts a new flash run; FinishFlashStep closes it.
    void StartFlashStep();
    void FinishFlashStep();
    // The end of a reading step: a part that went away reads as 0xFF and
    // would pass for a blank or a read-back one; lastAddress names the fault.
    void ConfirmSamePart(int64_t lastAddress);
    // The addresses the image holds: StartAddress and ImageSize.
    void ImageSpan(int64_t& first, int64_t& last) const;
    // The User data range of a Program or Verify: refused when it starts
    // beyond the area, clamped with a notice when it ends beyond it.
    void ClampToDataArea(int64_t first, int64_t& last);
    // Each User data offset of a Program or Verify after the clamp, with
    // its gauge step.
    template <typename Visit>
    void EachDataByte(int64_t first, int64_t last, Visit visit);
    // The link address and area flags of an address of the run's area.
    uint32_t LinkAddress(uint32_t address, uint8_t& flags) const;
    // Reads one byte of the run's area, aborting with a read fault.
    uint8_t ReadOrAbort(uint32_t address);
    [[noreturn]] void Fail(RunOutcomeKind kind, uint32_t address = 0, uint8_t expected = 0xFF, uint8_t actual = 0xFF);
    // A code-area write fault at address, or at the block the link lost
    // before it: the bytes of that block were counted as they were buffered,
    // and the part never took them.
    [[noreturn]] void FailWrite(uint32_t address);
    void CheckDataAreaMapped();
    void Notice(RangeNotice notice, int64_t last);
    void Emit(RunEvent event) const;
    void Emit(RunEventKind kind, uint32_t address = 0) const;
    void StepStarted(Step step) const;
    // A progress point at address (the gauge's Done of Total); a stop asked
    // for ends the run here as Interrupted.
    void ProgressAt(int64_t done, int64_t total, int64_t address = 0);
    void RecordProgramCrc(int64_t first, int64_t last);
    // Closing EndFlashAccess of a writing step: a lost final block is a write fault.
    void EndRun();
    // Blank check and Verify compare only bytes the image holds: a run of
    // bytes it does not hold is not read (over JTAG, from this length on).
    static constexpr uint32_t JtagSkipBytes = 8;
    bool SkipAbsentRun(uint32_t address, int64_t last);
    // The last code address Program writes: the lock byte(s) at the top of
    // the code area belong to the security dialogs.
    int64_t ProgramTop() const;
    // The lock byte(s) that Program leaves alone, which Verify then skips.
    bool ProtectedLockByte(uint32_t address) const;
    // Bytes of the file (present, not 0xFF) that a step leaves out.
    void LeaveOut(int64_t from, int64_t to);
    void LeaveOut(uint32_t address);
    // The left-out bytes into the outcome.
    void CountLeftOut();

    ImageBuffer& image_;
    FlashLink& flash_;
    const ChipInfo& chip_;
    Clock& clock_;
    RunEvents events_;

    RunOptions options_;
    RunOutcome outcome_;
    bool noticeGiven_ = false;
    bool flashStepRunning_ = false;
    uint32_t runEnd_ = 0; // the first address after the absent run last looked at
    bool skippingRun_ = false;
    // One flag per image address, made when the first byte is left out.
    std::vector<bool> leftOut_;
    int64_t leftOutLow_ = 0;
    int64_t leftOutHigh_ = -1;
};

} // namespace vorbrant
