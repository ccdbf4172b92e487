#include "image/RecordStream.h"

#include "image/FileFormats.h"
#include "image/RecordParsers.h"

#include <cstring>

namespace vorbrant {

RecordParseOutcome ParseRecordLines(LoadFormat format, LineReader& reader, ImageBuffer& image, int32_t loadOffset)
{
    RecordParseOutcome outcome;
    HexParseState hex;
    hex.LoadOffset = loadOffset;
    SRecordState srec;
    std::string_view line;
    while (reader.Next(line)) {
        ++outcome.Line;
        int r;
        if (format == LoadFormat::Hex)
            r = ParseHexRecord(line, hex, image);
        else if (format == LoadFormat::SRecord)
            r = ParseSRecord(line, srec, image);
        else
            r = ParseDatRecord(line, image);
        if (r < 0) {
            outcome.Result = r;
            return outcome;
        }
    }
    ++outcome.Line;
    if (reader.Error() != 0) {
        outcome.Result = RecordReadError;
        outcome.ReadErrno = reader.Error();
        return outcome;
    }
    // DAT has no end record; HEX and S-records must end with theirs, an
    // S-record file may also end with a count record that counts its data.
    const bool complete = format == LoadFormat::Dat || (format == LoadFormat::SRecord && srec.LastWasMatchingCount);
    outcome.Result = complete ? RecordEnd : RecordInvalid;
    return outcome;
}

} // namespace vorbrant
