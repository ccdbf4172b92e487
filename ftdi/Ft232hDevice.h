#pragma once
// Finding and opening an FT232H: "--adapter=ft232h" (the first one),
// "ft232h:SERIAL" or "ft232h:BUS/DEVICE" (as lsusb numbers them, 001/005).
// Built without libftdi1, the program still runs and says so.
#include "ftdi/FtdiTransport.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorbrant {

struct Ft232hSelection {
    std::string Serial;
    std::string BusPath; // "001/005"
};

// text: what follows "ft232h" (empty, or ":SERIAL" / ":BUS/DEVICE").
bool ParseFt232hSelection(std::string_view text, Ft232hSelection& selection, std::string& error);

struct Ft232hInfo {
    std::string Serial;
    std::string BusPath;
    std::string Description;
};

// Whether this build has the FT232H adapter (libftdi1 found at build time).
bool Ft232hAvailable();
inline constexpr const char* Ft232hUnavailableText =
    "The FT232H adapter is not available: this program was built without libftdi1";

// The FT232H devices on the USB; error says why the list could not be made.
std::vector<Ft232hInfo> ListFt232h(std::string& error);
// The device in MPSSE mode, buffers emptied, latency 1 ms; null with a
// reason (not there, in use, no permission, not available in this build).
std::unique_ptr<FtdiTransport> OpenFt232h(const Ft232hSelection& selection, std::string& error);

} // namespace vorbrant
