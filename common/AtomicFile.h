#pragma once
// Files we write are written beside their target and renamed into place, so a
// failure never leaves a half-written file where a good one stood.
#include <string>
#include <string_view>

namespace vorbrant {

// Returns true on success; on failure error holds the system's reason and the
// old file (if any) is untouched.
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error);

} // namespace vorbrant
