#include "common/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorbrant {

std::string WriteProblem(const std::string& path)
{
    if (path.empty())
        return std::strerror(ENOENT);
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode))
        return std::strerror(EISDIR);
    // The new file is made beside the old one and renamed over it.
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return std::strerror(errno);
    if (exists && ::access(path.c_str(), W_OK) != 0)
        return std::strerror(errno);
    return "";
}

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
