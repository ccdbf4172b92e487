#pragma once
// Every section and key of the files we keep as INI text: the program's
// configuration file and a chain's JCF file.
#include <cstddef>
#include <string>

namespace vorbrant::ini {

// The configuration file.
inline constexpr const char* Environment = "ENVIRONMENT";
inline constexpr const char* LastDir = "LastDir";             // folder of the last file opened
inline constexpr const char* Port = "Port";                   // the port choice, with its address
inline constexpr const char* FileCount = "FileCount";         // recent files: File1..FileCount
inline std::string FileKey(size_t n) { return "File" + std::to_string(n); }
inline constexpr const char* JtagChainFile = "JTAG Chain File"; // the chain setup's JCF file
inline constexpr const char* JtagDevices = "JTAG Devices";      // the JTAG device list
inline constexpr const char* Adapter = "Adapter";               // the adapter chosen in the window:
inline constexpr const char* AdapterOption = "Option";           //   its --adapter text

// A JCF file: its chain, in order.
inline constexpr const char* JtagChain = "JTAG Chain";
inline constexpr const char* Version = "Version";

// One entry of the JTAG device list or of a chain: Device_1, Device_2...
inline std::string DeviceKey(size_t n) { return "Device_" + std::to_string(n); }

} // namespace vorbrant::ini
