#include "common/BoundedRead.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorbrant {

int OpenRegularFile(const std::string& path, size_t limit, ReadResult& result, std::string& error)
{
    result = ReadResult::Failed;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            result = ReadResult::Missing;
        error = std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        error = std::strerror(errno);
        close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        error = NotRegularFileReason;
        close(fd);
        return -1;
    }
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > limit) {
        error = std::strerror(EFBIG);
        close(fd);
        return -1;
    }
    result = ReadResult::Read;
    return fd;
}

ReadResult ReadWholeFile(const std::string& path, size_t limit, std::string& content, std::string& error)
{
    ReadResult result;
    const int fd = OpenRegularFile(path, limit, result, error);
    if (fd < 0)
        return result;
    struct stat st {};
    fstat(fd, &st);
    std::string text;
    text.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = std::strerror(errno);
            close(fd);
            return ReadResult::Failed;
        }
        if (n == 0)
            break;
        if (text.size() + static_cast<size_t>(n) > limit) {
            error = std::strerror(EFBIG);
            close(fd);
            return ReadResult::Failed;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    content = std::move(text);
    return ReadResult::Read;
}

} // namespace vorbrant
