#pragma once
// Texts of the port driver's start-up failures.
//
//   op.ShowMessage(MessageKind::Error, DriverStartFailureText(errno));
//
// The error codes are those of the original driver service (Windows error
// numbers and three of our own); Linux errno values are mapped onto them by
// DriverErrorCode().
#include <array>
#include <cstdint>
#include <string>

namespace vorbrant {

struct TErrorMsg {
    int32_t Code;
    const char* Text;
};

inline constexpr std::array<TErrorMsg, 30> ErrorMessages{{
    {0, "Operation was successful"},
    {1, "Invalid Function"},
    {5, "Access denied"},
    {1059, "Circular dependency"},
    {1065, "Database doesn't exist"},
    {1051, "Dependent services running"},
    {52, "Display name already exists"},
    {6, "Invalid handle"},
    {123, "Invalid service name"},
    {87, "Invalid Parameter"},
    {1057, "User account doesn't exist"},
    {1052, "Invalid service control code"},
    {3, "Path not found"},
    {1056, "Service already running"},
    {1061, "Service can't accept control"},
    {1055, "The database is locked"},
    {1075, "Depends on nonexistant service"},
    {1068, "Depends on service that failed"},
    {1058, "Service has been disabled"},
    {1060, "Service doesn't exist"},
    {1073, "Service already exists"},
    {1069, "Service couldn't be logged on"},
    {1072, "Service marked for deletion"},
    {1054, "Couldn't create thread"},
    {1062, "Service hasn't been started"},
    {1053, "Service timed out"},
    {9997, "Buffer too small"},
    {9997, "No device handle"},
    {9998, "Can't connect to Service Control Manager"},
    {9999, "An unexpected error occured"},
}};

inline constexpr int32_t UnexpectedErrorCode = 9999;
inline constexpr int32_t InvalidFunctionCode = 1;

// Text of the first row with this code; codes no row carries get the text of
// 9999.
const char* ErrorText(int32_t code);
// errno -> table code: EPERM/EACCES 5, ENOENT 3, EBUSY 1056, anything else 9999.
int32_t DriverErrorCode(int err);
// "Can't start I/O driver! Error : " + the text of the table code.
std::string DriverStartFailureMessage(int32_t code);
// The same for an errno value.
std::string DriverStartFailureText(int err);

// The line after the start-up failure of the direct driver: the system's
// reason with its errno, and what to do about it.
std::string DirectAccessRefusedText(int err);

// What the ppdev driver says when it finds no parallel port at all.
inline constexpr const char* NoParallelPortText = "No parallel port found.";
// How to get a usable /dev/parportN; the ppdev driver adds it to its start-up
// messages (no port, or no port it could open).
inline constexpr const char* ParallelPortHelpText =
    "To get /dev/parport0, load the kernel's parallel-port drivers: \"modprobe parport_pc\" and "
    "\"modprobe ppdev\" (as root). A PCIe parallel-port card works through the same driver; a USB "
    "printer cable does not (it is no parallel port). To use the port without root, join group lp "
    "(\"usermod -aG lp USER\") and log in again.";

} // namespace vorbrant
