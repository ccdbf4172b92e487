#pragma once
// The command line and its batch run, a client of the session as the window
// is: it starts the session, applies the command line (steps, file, port)
// and, when the command line asks for a run, connects, loads, runs and ends
// with an exit code, through the session's operations. Its parts: the run
// itself (BatchRun.cpp), the lock-byte options (BatchLocks.cpp) and the JTAG
// chain options (BatchChain.cpp).
#include "session/CommandLine.h"
#include "session/ExitCodes.h"
#include "session/Session.h"

#include <optional>
#include <string>
#include <vector>

namespace vorbrant {

class BatchRun {
public:
    explicit BatchRun(Session& session) : session_(session) {}

    // Start-up: the session started, the command line (args without our
    // long options) applied and, when it asks for one, the batch run.
    // Returns an exit code when the process is to end now (a batch run),
    // nullopt to go on.
    std::optional<int> Start(const std::vector<std::string>& args);

    // A headless start that did not end in a batch run and asked for
    // nothing else (no help, no command-line error): a window would have
    // been its only work.
    bool NothingToDo() const { return !commandLineError_ && !helpShown_; }
    // Exit code of a headless start that did not end in a batch run.
    int HeadlessExitCode() const;
    // The closing line of a batch run, with the code the process ends with
    // (a file written after the run may have failed since): the operation
    // flow's counts when it ran. Empty only for a start that was no batch
    // run and ends well (the window, or "?" alone).
    std::string ResultLine(int exitCode) const;
    // The same as a record for --json (session/RunRecord.h).
    struct RunRecord Record(int exitCode) const;

    // The command line asked for a run (-p, -s, --steps...).
    bool RunRequested() const { return runFlag_; }
    bool CommandLineError() const { return commandLineError_; }
    std::optional<int> ExitCode() const { return exitCode_; }

private:
    const SessionSettings& settings() const { return session_.Settings(); }
    void RequestExit(vorbrant::ExitCode code) { exitCode_ = ToInt(code); }
    // The exit code so far is a success (or none yet).
    bool Succeeding() const { return exitCode_.value_or(0) == 0; }

    void RunCommandLine(const CommandLineScan& scan, const std::vector<std::string>& args);
    // A batch run refuses option letters it does not know; a start that
    // opens the window names them and goes on. False when the run ends.
    bool CheckUnknownOptions(const CommandLineScan& scan, const std::vector<std::string>& args);
    // The command line's ticks, file and port; false after an error in it.
    bool ApplyCommandSteps(const CommandLineScan& scan);
    bool ApplyFileArgument(const std::string& path);
    bool ApplyPortArgument(const std::string& name);
    // --steps: the steps it names, ticked after the letters of the command line.
    void ApplyExplicitSteps();
    // --area=data after the connect: the User data area selected (its rule
    // ticks Erase and Blank check; --steps stays exact). False (exit 4)
    // on a part without one.
    bool ApplyBatchArea();
    // Steps named by letters or --steps besides a read; a chain check or a
    // read-back goes on to them.
    bool StepsAsked() const;
    // --steps names the read.
    bool ReadStepNamed() const;
    // The --read file must be writable before the chip is read.
    bool ReadBackWritable();
    void RunBatch();
    // One batch run on the current target: connect, load, the steps.
    void RunBatchOnce();
    // The operation flow of the batch; its outcome counts towards the
    // closing line and gives the exit code.
    void RunSteps();
    void Counted(const RunOutcome& outcome);
    // The steps before the read of --read (or --steps=...,read), then the
    // read; the result counts both.
    void RunStepsThenRead();
    // --read: reads the code flash (the loaded file's range, else the
    // whole code area) and saves it to the read-back path.
    void ReadBack();
    // After connecting: the part identified is the one the JCF entry and
    // --part name. False when the run ends (exit code set).
    bool GuardIdentifiedPart();
    // A message for the log, and the run ends with code.
    bool Refuse(vorbrant::ExitCode code, const std::string& text);

    // The lock-byte options around the operation flow: the fit check and
    // the chip erase before it, the lock and the report after it. False
    // when the run ends (exit code set).
    bool PrepareLocks();
    bool FinishLocks();
    // Writes the requested lock, connects again and confirms it.
    bool LockAndConfirm();
    // erasedFirst: a chip erase follows, and the check runs again after it.
    bool RefuseUnfitLock(bool erasedFirst = false);
    bool ReadProtectionOrExit(Protection& protection);
    // False (exit 16, the read fault at the lock byte) when the part no
    // longer answers as the one identified: what was read from it, or not
    // read, is no statement about its lock.
    bool LockBytesStillThere();

    // The JTAG chain options: the JCF file loaded, the position chosen, the
    // hardware check. False when the run ends (exit code set).
    bool PrepareChain();
    // The hardware check of the chain; false when the run ends there.
    bool VerifyChainBatch();
    // Before the first step on a chain position: the IDCODE read there is
    // its entry's.
    bool GuardChainPosition();
    // --chain-device=all: the batch on every C8051F position with a file.
    void RunChainPositions();
    // The chain position the batch runs on, its file the -f file unless one
    // was given. False (exit 2) when the file is missing.
    bool SelectChainPosition(uint8_t position);

    Session& session_;
    bool runFlag_ = false;
    bool commandLineError_ = false;
    std::optional<int> exitCode_;
    bool stepsGiven_ = false;       // the command line named a file or a step
    bool stepLettersGiven_ = false; // ... a step by its letter (-e -b -p -v)
    bool fileGiven_ = false;        // ... a file
    bool batchStarted_ = false;     // the command line asked for a batch run
    bool portMissing_ = false;      // -s named an LPT port this machine does not have
    bool helpShown_ = false;        // "?" showed the command-line help
    bool fileLoaded_ = false;       // the batch run's -f file loaded
    std::string identifiedPart_;    // what the guards found on the board (chain summary)
    std::optional<RunOutcome> batchRun_; // the operation flow of a batch run
    bool wholeRunLine_ = false;     // the closing line sums a chain's positions
};

} // namespace vorbrant
