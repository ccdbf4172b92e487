#pragma once
// Reading a whole file the program was pointed at, without trusting what the
// name stands for: the open does not block (a FIFO or a device cannot stall
// the program), anything but a regular file is refused, and the size is
// checked against a limit before a byte is read; the read itself stops after
// limit + 1 bytes, so a file that grows meanwhile is refused as well.
#include <cstddef>
#include <string>

namespace vorbrant {

enum class ReadResult {
    Read,     // content holds the file
    Missing,  // no file of that name (nor a folder on the way)
    Failed,   // error says why: the system's reason, "not a regular file"
              // or "File too large"
};

ReadResult ReadWholeFile(const std::string& path, size_t limit, std::string& content, std::string& error);

// Opens path for reading in pieces, with the same checks; returns the
// descriptor (the caller closes it) or -1 with result and error set.
int OpenRegularFile(const std::string& path, size_t limit, ReadResult& result, std::string& error);

inline const char* NotRegularFileReason = "not a regular file";

// "Can't read PATH: REASON", for an input that exists but cannot be read.
inline std::string CannotReadText(const std::string& path, const std::string& reason)
{
    return "Can't read " + path + ": " + reason;
}

} // namespace vorbrant
