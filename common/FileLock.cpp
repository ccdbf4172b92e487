#include "common/FileLock.h"

#include "common/AtomicFile.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vorbrant {

namespace {

bool SameFile(int fd, const std::string& path)
{
    struct stat a {}, b {};
    return fstat(fd, &a) == 0 && stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

FileLock::Result FileLock::TryLock(const std::string& path)
{
    Release();
    std::string target, error;
    if (!ResolveFinalName(path, target, error))
        return Unavailable;
    target_ = target;
    // A file replaced or a lock file removed between our open and our lock
    // is looked up again; a few rounds settle it.
    for (int round = 0; round < 16; ++round) {
        const int fd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) {
            struct stat st {};
            if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
                ::close(fd);
                return Unavailable;
            }
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                const bool busy = errno == EWOULDBLOCK;
                ::close(fd);
                return busy ? HeldElsewhere : Unavailable;
            }
            if (SameFile(fd, target)) {
                fileFd_ = fd;
                return Locked;
            }
            ::close(fd);
            continue;
        }
        if (errno != ENOENT)
            return Unavailable;
        // Not made yet: the lock file beside it stands in.
        const std::string side = target + ".lock";
        const int sfd = ::open(side.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (sfd < 0)
            return Unavailable;
        if (::flock(sfd, LOCK_EX | LOCK_NB) != 0) {
            const bool busy = errno == EWOULDBLOCK;
            ::close(sfd);
            return busy ? HeldElsewhere : Unavailable;
        }
        if (!SameFile(sfd, side)) {
            ::close(sfd);
            continue;
        }
        sideFd_ = sfd;
        sidePath_ = side;
        cleanupScope_ = std::make_unique<SignalCleanupScope>();
        cleanupSlot_ = signal_cleanup::Arm(side.c_str(), signal_cleanup::Remove, nullptr);
        return Locked;
    }
    return Unavailable;
}

FileLock::Result FileLock::Lock(const std::string& path, int waitMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const Result result = TryLock(path);
        if (result != HeldElsewhere || std::chrono::steady_clock::now() >= end)
            return result;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void FileLock::Adopt(int fd)
{
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return;
    // Nobody else knows the new file yet: the lock is ours at once.
    if (::flock(copy, LOCK_EX | LOCK_NB) != 0) {
        ::close(copy);
        return;
    }
    // Of the file locked and the one adopted before, keep the one that holds
    // the name now (the last rename may have failed).
    if (adoptedFd_ >= 0) {
        if (SameFile(adoptedFd_, target_)) {
            if (fileFd_ >= 0)
                ::close(fileFd_);
            fileFd_ = adoptedFd_;
        } else {
            ::close(adoptedFd_);
        }
    }
    adoptedFd_ = copy;
}

void FileLock::Release()
{
    if (sideFd_ >= 0) {
        // Removed while still held: whoever opened it meanwhile finds it gone
        // once the lock is theirs, and looks again.
        signal_cleanup::Disarm(cleanupSlot_);
        cleanupSlot_ = -1;
        ::unlink(sidePath_.c_str());
        ::close(sideFd_);
        sideFd_ = -1;
        sidePath_.clear();
        cleanupScope_.reset();
    }
    for (int* fd : {&fileFd_, &adoptedFd_})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
}

} // namespace vorbrant
