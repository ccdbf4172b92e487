#pragma once
// Standard input and output as data files: the file name "-" stands for
// them. Input is taken whole into an anonymous file first, so every reader
// that wants a regular file (its size, a second look at its start) gets
// one; output is written whole, a closed pipe being a failure, not a signal.
#include <cstddef>
#include <string>
#include <string_view>

namespace vorbrant {

inline bool IsStdStream(const std::string& path) { return path == "-"; }

// What standard input held, as a regular file that lives as long as this
// object: Path() names it ("/proc/self/fd/N") for the loaders.
class StdinFile {
public:
    StdinFile() = default;
    ~StdinFile();
    StdinFile(const StdinFile&) = delete;
    StdinFile& operator=(const StdinFile&) = delete;

    // Reads standard input to its end, at most limit bytes. False with the
    // reason: a terminal (nothing is piped in, and a wait for typing would
    // never end), more than limit bytes, a read error.
    bool Fill(size_t limit, std::string& error);
    const std::string& Path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// Writes data to standard output, all of it; false with the reason
// ("Broken pipe" when the reader went away).
bool WriteStdout(std::string_view data, std::string& error);

} // namespace vorbrant
