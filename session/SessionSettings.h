#pragma once
// What a session is started with: the configuration file, the window or
// none, and the options of a command-line batch run.
#include "image/FileFormats.h"
#include "image/FileSaver.h"
#include "image/ImageBuffer.h"
#include "security/Protection.h"
#include "session/OperationOptions.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorbrant {

// The lock-byte options of a batch run.
struct BatchSecurity {
    bool Show = false;      // print the protection at the end
    bool ChipErase = false; // erase the whole chip before any other step
    LockRequest Lock;       // written after the other steps, then compared

    bool Any() const { return Show || ChipErase || Lock.Any(); }
    // Without a file or a step of its own, a lock-byte run does only that.
    bool OnlySecurity(bool stepsGiven) const { return Any() && !stepsGiven; }
};

// The JTAG chain options of a batch run.
struct ChainBatch {
    std::string JcfPath;           // chain mode with this JCF file
    std::optional<uint8_t> Device; // the 1-based position to run on
    bool AllDevices = false;       // ... or every C8051F position with a file
    bool Verify = false;           // the hardware check of the chain

    bool Any() const { return !JcfPath.empty() || Device || AllDevices || Verify; }
};

struct SessionSettings {
    std::string IniPath;        // the configuration file
    bool Headless = false;      // no window is ever shown
    std::string ReadBackPath;   // --read=FILE: a batch run that reads the chip back
    BatchSecurity Security;
    ChainBatch Chain;
    std::optional<LoadFormat> FileFormat; // --format: the -f file's format, not detected
    std::optional<std::vector<Step>> Steps; // --steps: exactly these, and a batch run
    // --part: the part a batch run expects on the board, as written.
    std::optional<std::string> ExpectedPart;
    // The simulator: no real-time scheduling needed, and it answers on one
    // LPT port whatever the configuration says (nor is the port stored).
    bool SimulatedPort = false;
    int SimulatedLpt = 1;
    // A line about the port's work for the run report (accesses, time):
    // since the last such line, or with wholeRun since the port opened.
    std::function<std::string(bool wholeRun)> PortSummary;
    // --- scripts and production lines -----------------------------------
    std::optional<FlashArea> Area;       // --area: the area a batch run works on
    std::optional<int32_t> Offset;       // --offset: the load offset of the -f file
    std::optional<SaveFormat> OutFormat; // --out-format: how --read writes its file
    // Asked at every progress point of a run: true stops it (Ctrl-C, SIGTERM).
    std::function<bool()> StopRequested;
    // Called with the image after the batch run's file loaded (or with the
    // empty image when none was named), before any step: the serial number.
    std::function<void(ImageBuffer&)> PatchImage;
    // --chain-device=all: each position's record as it ends (--json).
    std::function<void(const struct RunRecord&)> PositionRecord;
};

} // namespace vorbrant
