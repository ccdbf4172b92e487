#pragma once
// Shared body of the record-format fuzzers: parse the input as a whole file
// of one format and check what a finished parse must always satisfy.
#include "image/FileFormats.h"
#include "image/ImageBuffer.h"
#include "image/LineReader.h"
#include "image/RecordParsers.h"
#include "image/RecordStream.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace vorbrant::fuzzing {

inline void FuzzRecordFormat(LoadFormat format, const uint8_t* data, size_t size)
{
    // One image for the whole run: clearing 8 MiB per input would drown the
    // fuzzer; the checks below hold whatever the image held before.
    static std::unique_ptr<ImageBuffer> image = std::make_unique<ImageBuffer>();
    image->StartAddress = 0x3FFFFF;
    image->EndAddress = 0;
    // Exercise the offset too: it comes from the input's length.
    const int32_t offsets[] = {0, 0x100, -0x10, 0x3FFF00};
    LineReader reader(std::string_view(reinterpret_cast<const char*>(data), size));
    RecordParseOutcome outcome = ParseRecordLines(format, reader, *image, offsets[size % 4]);

    if (outcome.Result >= 0 || outcome.Result < RecordOutsideBuffer)
        std::abort();   // a finished parse ends with RecordEnd or one of the errors
    if (image->StartAddress <= image->EndAddress &&
        (image->StartAddress < 0 || image->EndAddress >= static_cast<int32_t>(ImageBuffer::Capacity)))
        std::abort();   // the range left the buffer
    if (image->PageMap[ImageBuffer::PageCount - 1] != 0)
        std::abort();   // the spare page flag is never set
    if (RecordErrorText(format, outcome.Result).empty())
        std::abort();
}

} // namespace vorbrant::fuzzing
