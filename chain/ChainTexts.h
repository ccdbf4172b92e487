#pragma once
// The texts of the chain setup, the device list and the hardware check, in
// one place.
#include "chain/ChainCheck.h"
#include "chain/JcfFile.h"
#include "chain/JtagDeviceTable.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// What an action of the chain setup or of the device list came to, for its
// dialog to say, in order.
enum class ChainNoteKind : uint8_t {
    NoDevices,         // Add or Change while the device list is empty
    UnknownDevice,     // Text: the name in the selector
    ChainFull,         // the chain holds its ten devices
    DeviceListFull,    // the device list holds its hundred
    NotANumber,        // Text: what stands where a number belongs
    JcfLoaded,         // Jcf of the file Text: says something only when the load has a message
    JcfNotWritten,     // Text: the path, Reason: why
    EmptyChain,        // OK on an empty chain (the dialog stays)
    HardwareCheck,     // Check
    DevicesIgnored,    // Count entries of the device list beyond its hundred
};

struct ChainNote {
    ChainNoteKind Kind = ChainNoteKind::NoDevices;
    std::string Text;
    std::string Reason;
    JcfLoadResult Jcf;
    ChainCheckResult Check;
    size_t Count = 0;
};
using ChainNotes = std::vector<ChainNote>;

ChainNote MakeChainNote(ChainNoteKind kind, std::string text = "");
// A note's box; empty text when there is nothing to say.
ChainCheckMessage ChainNoteMessage(const ChainNote& note);
// What reading the device list from the configuration file has to say.
ChainNotes DeviceTableLoadNotes(const JtagDeviceTable::LoadResult& result);

} // namespace vorbrant
