#pragma once
// JCF files: a JTAG chain stored as an INI-style text, section "JTAG Chain",
// "Version" and one "Device_N" key per position, in chain order:
//
//   [JTAG Chain]
//   Version=1.0
//   Device_1=CPU_A(4,0,0) /work/first.hex
//   Device_2=CPU_B(8,512,4099)            <- ends in the blank after ")"
//
// The programming file is whatever follows ")" (first 255 characters,
// trimmed). A relative file name is taken from the JCF file's folder.
#include "common/IniKeys.h"
#include "target/JtagChainList.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vorbrant {

inline constexpr const char* JcfSection = ini::JtagChain;
inline constexpr size_t MaxProgFileChars = 255;

enum class JcfLoadStatus : uint8_t {
    Loaded,
    NoFile,     // the chain is untouched
    Unreadable, // the chain is untouched
    Invalid,    // no "Version": the chain is left empty
    BadNumber,  // stopped at a malformed number: the entries before it stay
};

struct JcfLoadResult {
    JcfLoadStatus Status = JcfLoadStatus::Loaded;
    std::string Detail;  // the offending number text, or the read error
    size_t Ignored = 0;  // "Device_" keys beyond the chain's ten positions
    // The message for the operator, empty when the load went well.
    std::string Message(const std::string& path) const;
};

JcfLoadResult LoadJcfFile(const std::string& path, JtagChainList& chain);
// The same from a file already read.
class IniFile;
JcfLoadResult ReadJcf(const IniFile& file, JtagChainList& chain);
// Writes exactly the chain (keys of an earlier file do not survive), through
// a temporary file renamed into place. False with the reason in error.
bool SaveJcfFile(const std::string& path, const JtagChainList& chain, std::string& error);

// One "Device_" value and its reading.
std::string ChainEntryText(const tJTAGChainDevice& device);
bool ParseChainEntry(std::string_view text, tJTAGChainDevice& device, std::string& bad);

// The programming file of an entry as a path to open: relative names are
// taken from the folder of the JCF file they came from.
std::string ProgFilePath(const std::string& jcfPath, const tJTAGChainDevice& device);

// "JTAG chain consists of N devices with total IR length of T.", or empty
// when the instruction lengths add up to 0 (16-bit sum).
std::string ChainReportText(const JtagChainList& chain);

} // namespace vorbrant
