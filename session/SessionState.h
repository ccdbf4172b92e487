#pragma once
// What the main window shows of the session, as one value: the port, the
// connection and the panels. Views read it through Session::State(); only
// the session changes it.
#include "session/Messages.h"
#include "session/PortChoice.h"

#include <array>
#include <cstdint>
#include <string>

namespace vorbrant {

// What the loader panel shows.
enum class LoaderPanel : uint8_t {
    Initial,      // as the window starts: nothing connected yet
    Connected,
    Disconnected, // after a disconnect or a lost target
};

// What the loaded-file label shows.
enum class LoadedLabel : uint8_t { None, File, Uploaded };

struct SessionState {
    // The port.
    PortChoice PortSelection = PortChoice::None;
    uint16_t UserLptAddress = 0;
    bool LptMode = false;           // an adapter port is selected and there
    bool DirectAddressMode = false; // "-dd": LPT1..LPT3 at their fixed addresses
    bool LptWarningShown = true;    // the adapter warning of the port menu is due when false
    bool SelectedPortHint = true;   // the port label invites a click (until an LPT port is selected)
    std::string SelectedPortText = NoPortShown;
    bool PortInfoDimmed = false; // the baud rate line does not apply to an LPT adapter
    // Check marks of the port menu: LPT1, LPT2, LPT3, User defined. LPT1
    // is marked until a port selection says otherwise.
    std::array<bool, 4> PortMarks{true, false, false, false};

    // The connection.
    LoaderPanel Loader = LoaderPanel::Initial;
    bool PollActive = false;
    std::string ConnectButtonText = ConnectCaption;
    bool ConnectEnabled = true;      // the Connect button
    bool FirmwareLineEnabled = true; // the flash size (firmware) line of the loader panel
    bool ChainSetupVisible = false;  // "JTAG Chain Setup" offered
    bool ChainEnabled = false;       // "Multiple JTAG Chain" ticked
    bool ChainCheckEnabled = true;   // ... and may be changed
    uint8_t SelectedChainDevice = 0; // chosen in the chain setup; 0 until then
    bool SecurityMenuVisible = false;
    bool DataAreaEnabled = false;
    bool GoEnabled = false;
    bool LockWarningShown = false; // the locked-part warning of this connection

    // The panels.
    LoadedLabel Loaded = LoadedLabel::None;
    bool BatchMode = false; // a command-line run: failures end it with an exit code

    bool Connected() const { return Loader == LoaderPanel::Connected; }
};

} // namespace vorbrant
