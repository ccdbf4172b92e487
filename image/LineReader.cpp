#include "image/LineReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vorbrant {

LineReader::LineReader(std::string_view text)
    : data_(text.data() ? text.data() : ""), end_(text.size()), eof_(true)
{
}

LineReader::LineReader(int fd, size_t blockSize, uint64_t limit)
    : fd_(fd), storage_(std::max(blockSize, 2 * MaxLine)), limit_(limit)
{
    data_ = storage_.data();
}

bool LineReader::Fill()
{
    if (fd_ < 0 || eof_)
        return false;
    if (begin_ > 0) {
        std::memmove(storage_.data(), storage_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    lfKnown_ = false;
    for (;;) {
        ssize_t n = read(fd_, storage_.data() + end_, storage_.size() - end_);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error_ = errno;
            eof_ = true;
            return false;
        }
        if (n == 0) {
            eof_ = true;
            return false;
        }
        total_ += static_cast<uint64_t>(n);
        if (total_ > limit_) {
            error_ = EFBIG;
            eof_ = true;
            return false;
        }
        end_ += static_cast<size_t>(n);
        return true;
    }
}

bool LineReader::Next(std::string_view& line)
{
    if (error_)
        return false;
    if (skipLf_) {
        if (begin_ == end_)
            Fill();
        if (begin_ < end_ && data_[begin_] == '\n')
            ++begin_;
        skipLf_ = false;
    }
    bool cut = false;   // the line is longer than MaxLine; its head is in longLine_
    for (;;) {
        if (!lfKnown_ || lfPos_ < begin_) {
            const void* lf = std::memchr(data_ + begin_, '\n', end_ - begin_);
            lfPos_ = lf ? static_cast<size_t>(static_cast<const char*>(lf) - data_) : end_;
            lfKnown_ = true;
        }
        const void* cr = std::memchr(data_ + begin_, '\r', lfPos_ - begin_);
        size_t stop = cr ? static_cast<size_t>(static_cast<const char*>(cr) - data_) : lfPos_;
        if (stop < end_) {
            if (cut)
                line = std::string_view(longLine_.data(), MaxLine);
            else
                line = std::string_view(data_ + begin_, std::min(stop - begin_, MaxLine));
            begin_ = stop + 1;
            if (data_[stop] == '\r') {
                if (begin_ < end_) {
                    if (data_[begin_] == '\n')
                        ++begin_;
                } else {
                    skipLf_ = true;
                }
            }
            return true;
        }
        if (eof_) {
            if (error_)
                return false;
            if (cut) {
                line = std::string_view(longLine_.data(), MaxLine);
            } else {
                if (begin_ == end_)
                    return false;
                line = std::string_view(data_ + begin_, std::min(end_ - begin_, MaxLine));
            }
            begin_ = end_;
            return true;
        }
        // No line end in the block: keep the head of an overlong line and
        // drop the rest as it streams past.
        if (!cut && end_ - begin_ >= MaxLine) {
            std::memcpy(longLine_.data(), data_ + begin_, MaxLine);
            cut = true;
        }
        if (cut)
            begin_ = end_;
        Fill();
    }
}

} // namespace vorbrant
