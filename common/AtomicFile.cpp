#include "common/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorbrant {

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error)
{
    std::string tmpl = path + ".XXXXXX";
    int fd = mkstemp(tmpl.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    // mkstemp creates 0600; give the file the usual mode for user files.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);

    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = std::strerror(errno);
            close(fd);
            unlink(tmpl.c_str());
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (fsync(fd) != 0 && errno != EINVAL) {
        error = std::strerror(errno);
        close(fd);
        unlink(tmpl.c_str());
        return false;
    }
    if (close(fd) != 0) {
        error = std::strerror(errno);
        unlink(tmpl.c_str());
        return false;
    }
    if (rename(tmpl.c_str(), path.c_str()) != 0) {
        error = std::strerror(errno);
        unlink(tmpl.c_str());
        return false;
    }
    return true;
}

} // namespace vorbrant
