#pragma once
// The texts of the image folder: a load's failure and a record parse's
// failure in words.
#include "image/FileFormats.h"
#include "image/FileLoader.h"

#include <string>

namespace vorbrant {

// The hex editor's "Clear buffer" asks first.
inline constexpr const char* ClearBufferQuestion = "Erase code buffer";

// The address dialogs refuse what is no address.
inline constexpr const char* InvalidDigitText = "Invalid digit!";
inline constexpr const char* InvalidRangeText = "Invalid adress range!";

// The error box of a failed load; empty for a load that worked.
std::string LoadOutcomeText(const LoadOutcome& outcome);

// The message of a failed parse of the given format ("Invalid HEX file !" ...).
std::string RecordErrorText(LoadFormat format, int result);

} // namespace vorbrant
