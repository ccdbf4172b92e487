#pragma once
// Loading a data file into the image: HEX, S-records, DAT and binary.
#include "common/Operator.h"
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

// Loads CurrentFilePath with FileFormat and shows any failure through op.
// The file is parsed into a scratch image first: on success the image is
// replaced (bytes, maps, range, ImageSize); on failure the image keeps its
// bytes, maps and range, ImageSize becomes 0 and LoadedName is emptied.
// LoadOffset of the image applies to HEX data records and places a binary
// image (S-records and DAT carry their own addresses).
bool LoadFile(ImageBuffer& image, FileState& state, Operator& op);

// The same for an image constructed just for this load and dropped when it
// fails (a conversion): the file is parsed straight into it, which spares
// the scratch image and the copy. After a failure its bytes, maps and range
// are undefined.
bool LoadFileIntoNewImage(ImageBuffer& image, FileState& state, Operator& op);

} // namespace vorbrant
