#include "image/ImageTexts.h"

#include "common/BoundedRead.h"
#include "image/RecordParsers.h"

#include <cstring>

namespace vorbrant {

namespace {

std::string ReadFailureText(const std::string& path, const std::string& reason)
{
    return "Can't read file " + path + ": " + reason;
}

constexpr const char* TooBigText = "File too big for the selected FLASH memory!";

} // namespace

std::string LoadOutcomeText(const LoadOutcome& o)
{
    switch (o.Kind) {
    case LoadOutcomeKind::Loaded: return "";
    case LoadOutcomeKind::NoSuchFile: return "There's no file" + o.Path;
    case LoadOutcomeKind::ReadFailed: return ReadFailureText(o.Path, std::strerror(o.Errno));
    case LoadOutcomeKind::NotRegularFile: return ReadFailureText(o.Path, NotRegularFileReason);
    case LoadOutcomeKind::Empty: return "File is empty!";
    case LoadOutcomeKind::TooBig: return TooBigText;
    case LoadOutcomeKind::NotAnImage:
        return o.Path + " is not a HEX, S-record, DAT or binary image (" + o.Reason +
               "); give --format=bin to program it as raw bytes";
    case LoadOutcomeKind::RecordError: return RecordErrorText(o.Format, o.Record);
    case LoadOutcomeKind::UnknownFormat: return "Unknown file format " + std::to_string(static_cast<int>(o.Format));
    }
    return "";
}

std::string RecordErrorText(LoadFormat format, int result)
{
    if (result == RecordOutsideBuffer)
        return TooBigText;
    if (format == LoadFormat::Hex)
        return result == RecordChecksumError ? "Checksum error in HEX file !" : "Invalid HEX file !";
    if (format == LoadFormat::SRecord)
        return result == RecordChecksumError ? "Checksum error in S-record !" : "Invalid S-record !";
    return "Invalid DAT record !";
}

} // namespace vorbrant
