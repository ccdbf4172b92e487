#pragma once
// Runs a text format's record reader over all lines of a file until the end
// condition or the first bad record.
#include "image/FileFormats.h"
#include "image/ImageBuffer.h"
#include "image/LineReader.h"

#include <cstdint>
#include <string>

namespace vorbrant {

struct RecordParseOutcome {
    int Result = 0;          // RecordEnd on success, else the failing RecordResult
    uint64_t Line = 0;       // line of the failing record (past the last line when the end is missing)
    int ReadErrno = 0;       // with RecordReadError
};

// format: Hex, SRecord or Dat. The image is not cleared
// here; the caller hands in a cleared one.
RecordParseOutcome ParseRecordLines(LoadFormat format, LineReader& reader, ImageBuffer& image, int32_t loadOffset);

} // namespace vorbrant
