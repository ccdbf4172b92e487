#pragma once
// The data-file formats and how one is chosen for a path.
#include <string>

namespace vorbrant {

// Values as the open dialog's filter index uses them (1..4), plus DAT.
enum FileFormat : int {
    FormatHex = 1,
    FormatSRecord = 2,
    FormatBinary = 3,
    FormatDetect = 4,
    FormatDat = 11,
};

// The format for a file chosen in the open dialog: ".DAT" (any case) is
// always DAT, otherwise the dialog's filter index.
int ChooseFileFormat(const std::string& path, int filterIndex);

// Detection from the first character of a file: ":" HEX, "S" S-record,
// anything else binary.
int DetectFileFormat(char firstCharacter);

// The text formats are read line by line and start with the range 3FFFFF..0.
bool IsTextFormat(int format);

// The file name without its folder.
std::string FileNamePart(const std::string& path);

} // namespace vorbrant
