#pragma once
// The texts of the chain setup, the device list and the hardware check, in
// one place.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vorbrant {

inline constexpr const char* ChainSetupCaption = "JTAG Chain Setup";
inline constexpr const char* DeviceDescriptionCaption = "JTAG Device Description";
inline constexpr const char* InvalidJcfText = "Invalid JCF file!";
inline constexpr const char* DeleteChainEntryQuestion = "Are you sure that you want to delete this device?";
inline constexpr const char* DeleteChainQuestion = "Do you want to delete entire JTAG chain list?";
inline constexpr const char* HardwareNotConnectedText = "Hardware not connected!";
inline constexpr const char* ChainVerifiedText = "JTAG Chain verified by hardware check.";
inline constexpr const char* EmptyChainText = "JTAG chain is empty!";
inline constexpr const char* NoFileShown = "<none>";
// Add or Change while the JTAG device list holds no device to copy from.
inline constexpr const char* EmptyDeviceListText =
    "The JTAG device list is empty: add the device with \"Edit device list\" first.";

// "'%s' is not a valid integer value"
std::string InvalidIntegerText(const std::string& text);
// "Maximum number (N) of devices reached!"
std::string MaximumDevicesText(size_t maximum);
// "There's no file PATH!"
std::string NoSuchFileText(const std::string& path);
std::string UnknownDeviceText(const std::string& name);
std::string DeleteDeviceQuestion(const std::string& name);
// "Device #P ID(XXXXXXXX) does not match JCF file!"
std::string ChainMismatchText(size_t position, uint32_t idRead);
// Entries beyond what a table or a chain holds.
std::string DevicesIgnoredText(size_t ignored, size_t maximum);
std::string ChainEntriesIgnoredText(size_t ignored, size_t maximum);

} // namespace vorbrant
