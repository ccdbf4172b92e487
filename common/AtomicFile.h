#pragma once
// The one writer of every file the program saves (images, configuration,
// chain files, the simulator's flash). It never damages what stands at the
// target name:
// - a target that exists and is not a regular file (a device, a FIFO, a
//   folder, after following symbolic links) is refused with the reason
//   "not a regular file", and a read-only file with "read-only file";
// - a symbolic link is written through: its final target gets the new
//   content and the link stays a link;
// - the content goes to a temporary file beside the final target, which is
//   synced and renamed over it, so the target is always either the old or the
//   new file; the old file's mode (and owner, where permitted) is kept;
// - the temporary (NAME.vorbrant-PID-XXXXXX, NAME cut to its first 64
//   bytes so that any name the file system takes can be saved) is removed
//   on every failure, and when a signal ends the process during the write
//   (common/SignalCleanup.h);
// - temporaries that a killed writer left beside the target (from a
//   process that no longer runs) are removed when the same target is
//   written next.
#include "common/SignalCleanup.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vorbrant {

// A file written over a while (the trace of a run) by the same rules: the
// target is checked as above, the content goes to a temporary beside it,
// and Commit syncs it and renames it into place. Destroyed without Commit,
// or ended by a signal, it removes the temporary; onSignal, when given,
// runs instead (with the temporary's path and context) and may finish the
// file and rename it itself.
class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile() { Discard(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool Create(const std::string& path, std::string& error, signal_cleanup::Action onSignal = nullptr,
                void* context = nullptr);
    int Fd() const { return fd_; }
    // The name the file gets, links followed.
    const std::string& Target() const { return target_; }
    bool Commit(std::string& error, const std::function<void(int fd)>& beforeRename = {});
    void Discard();

private:
    void Disarm();

    std::string target_, folder_, temp_;
    int fd_ = -1;
    int slot_ = -1;
    std::unique_ptr<SignalCleanupScope> scope_;
};

// Returns true on success; on failure error holds the reason and the old file
// (if any) is untouched.
// beforeRename, when given, sees the finished new file (a descriptor open
// for reading) just before it replaces the old one: a lock held on the old
// file can be taken over (common/FileLock.h).
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error,
                         const std::function<void(int fd)>& beforeRename = {});

// The name a temporary for target would have if made by process pid (with
// XXXXXX where its random part goes); tests plant leftovers with it.
std::string TemporaryNamePattern(const std::string& target, long pid);
// Why path could not be written in place (its folder missing or closed to
// us, a folder or a read-only file by that name, a name too long for its
// file system), or empty when it looks writable. Asked before a long run
// whose result would be lost.
std::string WriteProblem(const std::string& path);
// The name that finally holds path's data, symbolic links followed (it need
// not exist). False with the reason on a loop or an unreadable link.
bool ResolveFinalName(const std::string& path, std::string& target, std::string& error);

} // namespace vorbrant
