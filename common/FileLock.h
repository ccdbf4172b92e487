#pragma once
// An advisory lock on a file the program keeps for a run (its configuration,
// a simulated part's flash file), held while this object lives. The system
// drops it when the process ends, so a crash leaves no stale lock behind.
//
// The lock is on the file, not on the name it was reached by: symbolic links
// are followed, and a hard link locks the same file. An existing file is
// locked itself; for a file not made yet a lock file beside it
// ("NAME.lock") stands in, removed again when the lock is released. A name
// that stands for no regular file (/dev/zero, a FIFO, a folder) gets no
// lock and no lock file.
//
// A save replaces the file by another one (common/AtomicFile.h): the lock
// goes with it through Adopt, called on the new file before the rename.
//
//   FileLock lock;
//   if (lock.TryLock(iniPath) == FileLock::HeldElsewhere) ...
//   WriteFileAtomically(iniPath, text, error, [&](int fd) { lock.Adopt(fd); });
#include "common/SignalCleanup.h"

#include <memory>
#include <string>

namespace vorbrant {

class FileLock {
public:
    enum Result { Locked, HeldElsewhere, Unavailable };

    FileLock() = default;
    ~FileLock() { Release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Unavailable when there is nothing to lock (no regular file, no folder
    // for a lock file, a read-only place): nobody else can hold it either.
    Result TryLock(const std::string& path);
    // The same, trying again for up to waitMs while another process holds it.
    Result Lock(const std::string& path, int waitMs);
    // Locks fd's file too: the new file that is about to replace the locked
    // one. The lock on the old file stays until Release (a failed rename
    // leaves it in place).
    void Adopt(int fd);
    void Release();
    bool Held() const { return fileFd_ >= 0 || sideFd_ >= 0; }

private:
    std::string target_;         // the name that holds the file, links followed
    int fileFd_ = -1;            // the file locked (the one at target_)
    int adoptedFd_ = -1;         // the one that is to replace it
    int sideFd_ = -1;            // the lock file of a file not made yet
    std::string sidePath_;
    // The lock file goes when a signal ends the process, too.
    std::unique_ptr<SignalCleanupScope> cleanupScope_;
    int cleanupSlot_ = -1;
};

} // namespace vorbrant
