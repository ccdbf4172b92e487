#pragma once
// The data-file formats and how one is chosen for a path.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorbrant {

// How a data file is read. Detect looks at the file and is replaced by what
// it found.
enum class LoadFormat : uint8_t { Hex, SRecord, Binary, Detect, Dat };

// The open dialog's filter: 1 HEX, 2 S-record, 3 binary, 4 DAT, anything
// else ("Any file") detect.
LoadFormat LoadFormatForFilter(int filterIndex);

// The format for a file chosen in the open dialog: ".DAT" (any case) is
// always DAT, otherwise the dialog's filter index.
LoadFormat ChooseFileFormat(const std::string& path, LoadFormat chosen);

// Detection from the start of a file: its first character after a UTF-8
// byte-order mark and blanks or blank lines, ":" HEX, "S" S-record, anything
// else binary. A file whose name says it holds text (".hex", ".ihx",
// ".s19", ".srec", ".dat"...) is never taken for binary: it is read as the
// format its name says, and fails as that format would.
LoadFormat DetectFileFormat(std::string_view head, const std::string& path);
// The text format a file name's extension stands for, if any.
std::optional<LoadFormat> FormatNamedBy(const std::string& path);
// A UTF-8 byte-order mark and the blanks and blank lines before the first
// record: what a text file may start with before its first record.
size_t LeadingFillLength(std::string_view text);

// The text formats are read line by line and start with the range 3FFFFF..0.
bool IsTextFormat(LoadFormat format);

// Why a file that detection would read as a binary image is no data image
// at all: "it is an ELF file" (a linker's output), "it looks like text"
// (its start is printable ASCII, tabs and line ends only: a listing, a map,
// a source file). Empty for anything else, and for a ".bin" file, which is
// binary whatever it holds.
std::string NonImageReason(std::string_view head, const std::string& path);

// The file name without its folder.
std::string FileNamePart(const std::string& path);

} // namespace vorbrant
