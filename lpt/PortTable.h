#pragma once
// The parallel ports the system has (LPT1..LPT8) and the one in use.
//
//   PortTable ports;
//   ports.DiscoverParallelPorts("/proc/sys/dev/parport", true);  // the drivers' Start does this
//   ports.SelectFirstPort();
//   if (!ports.SelectLptPort(2)) ...  // "LPT2 not available!"
//   io.PortIn(ports.LptBase + 1);     // status register of the selected port
#include <array>
#include <cstdint>
#include <string>

namespace vorbrant {

class PortTable {
public:
    // Fills LptAddresses from <root>/parportN/base-addr (LPT n = parportN-1;
    // the first number of the file is the base). The root is
    // /proc/sys/dev/parport on a real system. Files that are missing, not
    // regular files, or hold no number that fits 16 bits leave their port
    // out. Does nothing unless ioAccessGranted.
    void DiscoverParallelPorts(const std::string& root, bool ioAccessGranted);
    // 1..8 with an address: select it and return true; 1..8 without one:
    // SelectedLpt = LptBase = 0 and false; 0 and above 8: false, no change.
    bool SelectLptPort(uint8_t number);
    // Selects the lowest-numbered port found (start-up); false when none.
    bool SelectFirstPort();
    // Puts an address into the table directly (the simulator's LPT1).
    void SetAddress(uint8_t number, uint16_t address);

    std::array<uint16_t, 9> LptAddresses{};
    uint8_t LptPortCount = 0;
    uint8_t SelectedLpt = 0;
    uint16_t LptBase = 0;
};

} // namespace vorbrant
