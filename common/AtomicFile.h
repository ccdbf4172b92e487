#pragma once
// Files we write are written beside their target and renamed into place, so a
// failure never leaves a half-written file where a good one stood.
#include <string>
#include <string_view>

namespace vorbrant {

// Returns true on success; on failure error holds the system's reason and the
// old file (if any) is untouched.
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error);

// Why path could not be written in place (its folder missing or closed to
// us, a folder or a read-only file by that name), or empty when it looks
// writable. Asked before a long run whose result would be lost.
std::string WriteProblem(const std::string& path);

} // namespace vorbrant
