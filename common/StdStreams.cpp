#include "common/StdStreams.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <sys/mman.h>
#include <unistd.h>

namespace vorbrant {

StdinFile::~StdinFile()
{
    if (fd_ >= 0)
        close(fd_);
}

bool StdinFile::Fill(size_t limit, std::string& error)
{
    if (isatty(STDIN_FILENO)) {
        error = "standard input is a terminal: pipe the data into the program";
        return false;
    }
    fd_ = memfd_create("vorbrant-stdin", MFD_CLOEXEC);
    if (fd_ < 0) {
        error = std::strerror(errno);
        return false;
    }
    char buffer[65536];
    size_t total = 0;
    for (;;) {
        ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = std::string("standard input: ") + std::strerror(errno);
            return false;
        }
        if (n == 0)
            break;
        total += static_cast<size_t>(n);
        if (total > limit) {
            error = "standard input holds more than " + std::to_string(limit) + " bytes";
            return false;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(fd_, buffer + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0) {
                error = std::strerror(errno);
                return false;
            }
            done += w;
        }
    }
    path_ = "/proc/self/fd/" + std::to_string(fd_);
    return true;
}

bool WriteStdout(std::string_view data, std::string& error)
{
    // A reader that went away shows as EPIPE here rather than as a signal
    // that ends the program before it can say so.
    sigset_t pipeSet, saved;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSet, &saved);
    bool good = true;
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(STDOUT_FILENO, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = std::strerror(errno);
            good = false;
            if (errno == EPIPE) {
                const timespec none{0, 0};
                sigtimedwait(&pipeSet, nullptr, &none);
            }
            break;
        }
        done += static_cast<size_t>(n);
    }
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    return good;
}

} // namespace vorbrant
