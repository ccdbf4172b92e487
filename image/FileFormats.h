#pragma once
// The data-file formats and how one is chosen for a path.
#include <cstdint>
#include <string>

namespace vorbrant {

// How a data file is read. Detect looks at the file and is replaced by what
// it found.
enum class LoadFormat : uint8_t { Hex, SRecord, Binary, Detect, Dat };

// The open dialog's filter: 1 HEX, 2 S-record, 3 binary, anything else detect.
LoadFormat LoadFormatForFilter(int filterIndex);

// The format for a file chosen in the open dialog: ".DAT" (any case) is
// always DAT, otherwise the dialog's filter index.
LoadFormat ChooseFileFormat(const std::string& path, LoadFormat chosen);

// Detection from the first character of a file: ":" HEX, "S" S-record,
// anything else binary.
LoadFormat DetectFileFormat(char firstCharacter);

// The text formats are read line by line and start with the range 3FFFFF..0.
bool IsTextFormat(LoadFormat format);

// The file name without its folder.
std::string FileNamePart(const std::string& path);

} // namespace vorbrant
