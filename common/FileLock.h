#pragma once
// An advisory lock on a file beside another one ("vorbrant.INI.lock"), held
// while this object lives. The system drops it when the process ends, so a
// crash leaves no stale lock behind.
//
//   FileLock lock;
//   if (lock.TryLock(iniPath + ".lock") == FileLock::HeldElsewhere) ...
#include <string>

namespace vorbrant {

class FileLock {
public:
    enum Result { Locked, HeldElsewhere, Unavailable };

    FileLock() = default;
    ~FileLock() { Release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Unavailable when the lock file cannot be made (no folder yet, a
    // read-only place): nobody else can hold it there either.
    Result TryLock(const std::string& path);
    void Release();

private:
    int fd_ = -1;
};

} // namespace vorbrant
