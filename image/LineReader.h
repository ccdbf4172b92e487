#pragma once
// Splits a file or a text into lines without holding the whole file: LF,
// CR LF and a lone CR each end a line. Lines longer than MaxLine are handed
// out cut to their first MaxLine characters (no record needs more), so a
// huge file or a file without line ends costs one fixed buffer.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vorbrant {

class LineReader {
public:
    static constexpr size_t MaxLine = 1024;
    static constexpr size_t DefaultBlock = 1u << 20;

    // Lines of a text the caller keeps alive.
    explicit LineReader(std::string_view text);
    // Lines read from an open descriptor in blocks; the descriptor stays open.
    // More than limit bytes (a file that grows while it is read) end the
    // reading with the error EFBIG.
    explicit LineReader(int fd, size_t blockSize = DefaultBlock, uint64_t limit = UINT64_MAX);

    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line without its line end; valid until the next call. False at
    // the end of the input or after a read error (then Error() is set).
    bool Next(std::string_view& line);
    // errno of a failed read, 0 when none failed.
    int Error() const { return error_; }

private:
    bool Fill();

    int fd_ = -1;
    std::vector<char> storage_;
    const char* data_ = nullptr;
    size_t begin_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
    bool skipLf_ = false;      // the last line ended with CR at the end of the block
    bool lfKnown_ = false;     // lfPos_ is the first LF at or after begin_ (or end_)
    size_t lfPos_ = 0;
    int error_ = 0;
    uint64_t limit_ = UINT64_MAX;
    uint64_t total_ = 0;   // bytes read from the descriptor
    std::array<char, MaxLine> longLine_{};
};

} // namespace vorbrant
