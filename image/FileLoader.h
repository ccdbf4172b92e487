#pragma once
// Loading a data file into the image: HEX, S-records, DAT and binary.
#include "image/FileFormats.h"
#include "image/ImageBuffer.h"

#include <string>

namespace vorbrant {

// The main window's file state.
struct FileState {
    LoadFormat FileFormat = LoadFormat::Detect; // keeps the detected value
    std::string CurrentFilePath;   // the file LoadFile opens
    std::string LoadedName;        // its name without folder; empty after a failed load
    std::string LastDir;           // folder of the last file chosen in the open dialog
};

enum class LoadOutcomeKind : uint8_t {
    Loaded,
    NoSuchFile,     // no path, none there, or a folder
    ReadFailed,     // Errno says why
    NotRegularFile, // a FIFO, a device...
    Empty,
    TooBig,         // a binary image larger than the buffer
    NotAnImage,     // detected as binary but a text or ELF file; Reason says which
    RecordError,    // Record: the parse result of the file's Format
    UnknownFormat,
};

// What a load came to; ImageTexts.h puts it into words.
struct LoadOutcome {
    LoadOutcomeKind Kind = LoadOutcomeKind::Loaded;
    std::string Path;
    int Errno = 0;
    LoadFormat Format = LoadFormat::Detect;
    int Record = 0;     // a RecordResult
    std::string Reason; // what the file looks like instead (NotAnImage)

    bool Loaded() const { return Kind == LoadOutcomeKind::Loaded; }
};

// Loads CurrentFilePath with FileFormat. The file is parsed into a scratch
// image first: on success the image is replaced (bytes, maps, range,
// ImageSize); on failure the image keeps its bytes, maps and range,
// ImageSize becomes 0 and LoadedName is emptied. LoadOffset of the image
// applies to HEX data records and places a binary image (S-records and DAT
// carry their own addresses).
LoadOutcome LoadFile(ImageBuffer& image, FileState& state);

// The same for an image constructed just for this load and dropped when it
// fails (a conversion): the file is parsed straight into it, which spares
// the scratch image and the copy. After a failure its bytes, maps and range
// are undefined.
LoadOutcome LoadFileIntoNewImage(ImageBuffer& image, FileState& state);

} // namespace vorbrant
