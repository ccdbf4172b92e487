#pragma once
// The operation flow of the main window: Read, Erase, Blank check, Program
// and Verify, in that order, over the code flash or the User data area of the
// connected target. No widgets here: the window hands in what the run needs
// and a RunView for the few things it changes on screen.
#include "common/Operator.h"
#include "image/ImageBuffer.h"
#include "lpt/Clock.h"
#include "target/Target.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vorbrant {

struct RunOptions {
    bool DoRead = false;
    bool DoErase = false;
    bool DoBlankCheck = false;
    bool DoProgram = false;
    bool DoVerify = false;
    bool DataArea = false;  // SelectData checked: the User data (scratchpad) area
    bool BatchMode = false; // failures end the process with an exit code
    // A Read over this range without asking (the --read batch run).
    std::optional<AddressRange> ReadRange;
};

// What a run changes on the window besides messages, status and progress.
class RunView {
public:
    virtual ~RunView() = default;
    // Run start: disable the three panels and the presence poll.
    virtual void DisablePanels() = 0;
    // End-of-run reset of the window.
    virtual void ShowIdle() = 0;
    // A User data read shows "UPLOADED" in green as the loaded file.
    virtual void ShowUploaded() = 0;
    // The buffer-info panel after a read.
    virtual void ShowBufferInfo() = 0;
};

// Exit codes of a batch run.
enum RunExitCode : int {
    ExitSuccess = 0,
    ExitNotConnected = 1,
    ExitNoData = 2,
    ExitBlankCheckFailed = 3,
    ExitOutsideDataArea = 4,
    ExitVerifyFailed = 5,
    ExitReadBackNotWritten = 9,
    ExitFlashFault = 16,
};

struct RunResult {
    bool Success = false;
    bool Cancelled = false; // the Read range dialog was cancelled
    int ExitCode = ExitSuccess;
    std::string Failure;    // the abort message, empty on success
    double Seconds = 0;     // duration of the run
};

class Sequencer {
public:
    // wallClock times the run for the closing message; the target keeps its
    // own clock for the protocol.
    Sequencer(ImageBuffer& image, Target& target, Operator& op, Clock& wallClock, RunView& view)
        : image_(image), target_(target), op_(op), clock_(wallClock), view_(view)
    {
    }

    RunResult RunOperations(const RunOptions& options);

    // Target address and area flags of a User data offset for a part of this
    // flash size; false for sizes that have no mapping.
    static bool DataAreaAddress(uint16_t flashSizeKB, uint32_t offset, uint32_t& address, uint8_t& areaFlags);

private:
    struct Abort {
        int ExitCode;
    };
    class Progress;

    void ReadStep();
    void EraseStep();
    void BlankCheckStep();
    void ProgramStep();
    void VerifyStep();

    // End of a run, however it ended: "Idle", no gauge, the window reset.
    void ShowIdle();
    // Each step starts a new flash run; FinishFlashStep closes it.
    void StartFlashStep();
    void FinishFlashStep();
    // The addresses the image holds: StartAddress and ImageSize.
    void ImageSpan(int64_t& first, int64_t& last) const;
    // The User data range of a Program or Verify: refused when it starts
    // beyond the area, clamped with a notice when it ends beyond it.
    void ClampToDataArea(int64_t first, int64_t& last);
    // Reads one byte of the run's area (User data offsets go through the
    // mapping), aborting with the read-fault message on failure.
    uint8_t ReadOrAbort(uint32_t address);
    [[noreturn]] void Fail(MessageKind kind, const std::string& text, int exitCode);
    void CheckDataAreaMapped();
    void Notice(const std::string& text);
    void Status(const std::string& text);
    std::string ReadFaultText(uint32_t address) const;
    // Closing EndFlashAccess of a writing step: a lost final block is a write fault.
    void EndRun();

    ImageBuffer& image_;
    Target& target_;
    Operator& op_;
    Clock& clock_;
    RunView& view_;

    RunOptions options_;
    bool noticeGiven_ = false;
    bool flashStepRunning_ = false;
};

} // namespace vorbrant
