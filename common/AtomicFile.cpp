#include "common/AtomicFile.h"

#include "common/SignalCleanup.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vorbrant {

namespace {

constexpr const char* TempMarker = ".vorbrant-";
constexpr size_t RandomLength = 6;
constexpr const char RandomAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string Reason(int code) { return std::strerror(code); }

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links to the name that finally holds (or will hold) the
// data; that name need not exist yet.
bool ResolveTarget(const std::string& path, std::string& target, std::string& error)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(current.c_str(), &st) != 0) {
            if (errno == ENOENT) {
                target = current;
                return true;
            }
            error = Reason(errno);
            return false;
        }
        if (!S_ISLNK(st.st_mode)) {
            target = current;
            return true;
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t n = readlink(current.c_str(), link.data(), link.size());
        if (n < 0) {
            error = Reason(errno);
            return false;
        }
        link.resize(static_cast<size_t>(n));
        if (link.empty()) {
            error = Reason(ENOENT);
            return false;
        }
        if (link.front() != '/' && current.find('/') != std::string::npos)
            link = FolderOf(current) + "/" + link;
        current = link;
    }
    error = Reason(ELOOP);
    return false;
}

// --- the temporary file and fatal signals -----------------------------------
//
// While a write is under way its temporary sits in a cleanup slot: a signal
// that ends the process removes it first (common/SignalCleanup.h).

// The start of the temporary's name: the target's name, cut short enough
// that the temporary's name fits wherever the target's does (at a character
// boundary of UTF-8).
std::string TemporaryPrefix(const std::string& name)
{
    constexpr size_t Kept = 64;
    if (name.size() <= Kept)
        return name;
    size_t cut = Kept;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

// --- leftovers of killed writers ----------------------------------------------

// The start of process pid in seconds since the epoch; 0 when unknown.
time_t ProcessStart(long pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    FILE* f = std::fopen(path, "re");
    if (!f)
        return 0;
    char line[1024];
    const bool got = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!got)
        return 0;
    // Field 22 (start time in clock ticks after boot) counts from the last
    // ')', since the command name may hold blanks and parentheses.
    const char* p = std::strrchr(line, ')');
    if (!p)
        return 0;
    unsigned long long ticks = 0;
    int field = 2;
    for (++p; *p && field < 22; ++p)
        if (*p == ' ')
            ++field;
    if (field != 22 || std::sscanf(p, "%llu", &ticks) != 1)
        return 0;
    FILE* s = std::fopen("/proc/stat", "re");
    if (!s)
        return 0;
    long long boot = 0;
    while (std::fgets(line, sizeof line, s))
        if (std::sscanf(line, "btime %lld", &boot) == 1)
            break;
    std::fclose(s);
    const long hz = sysconf(_SC_CLK_TCK);
    if (boot <= 0 || hz <= 0)
        return 0;
    return static_cast<time_t>(boot + static_cast<long long>(ticks / static_cast<unsigned long long>(hz)));
}

// True while the process that made a temporary (last changed at changed)
// may still be writing it: it runs, and is not a later process that only
// got the same number.
bool WriterMayRun(long pid, time_t changed)
{
    if (pid == static_cast<long>(getpid()))
        return true;
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return false;
    const time_t start = ProcessStart(pid);
    return start == 0 || changed + 1 >= start;
}

void RemoveLeftovers(const std::string& folder, const std::string& name)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    const std::string prefix = TemporaryPrefix(name) + TempMarker;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view entryName(entry->d_name);
        if (entryName.size() <= prefix.size() || entryName.substr(0, prefix.size()) != prefix)
            continue;
        // PID "-" six characters of the alphabet, nothing else.
        const std::string_view rest = entryName.substr(prefix.size());
        const size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string_view::npos || dash > 10 || rest.size() != dash + 1 + RandomLength)
            continue;
        long pid = 0;
        bool digits = true;
        for (char c : rest.substr(0, dash)) {
            digits = digits && c >= '0' && c <= '9';
            pid = pid * 10 + (c - '0');
        }
        bool random = true;
        for (char c : rest.substr(dash + 1))
            random = random && std::strchr(RandomAlphabet, c) != nullptr && c != '\0';
        if (!digits || !random || pid <= 0)
            continue;
        struct stat st {};
        if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != geteuid())
            continue;
        if (!WriterMayRun(pid, st.st_mtim.tv_sec))
            unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

bool WriteAll(int fd, std::string_view data, int& code)
{
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            code = errno;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool ResolveFinalName(const std::string& path, std::string& target, std::string& error)
{
    return ResolveTarget(path, target, error);
}

std::string TemporaryNamePattern(const std::string& target, long pid)
{
    const std::string folder = target.find('/') == std::string::npos ? "" : FolderOf(target) + "/";
    return folder + TemporaryPrefix(NameOf(target)) + TempMarker + std::to_string(pid) + "-XXXXXX";
}

namespace {

// The name the data finally goes to (links followed) and what stands there
// now; false with the reason when it is no file of ours to replace.
bool CheckTarget(const std::string& path, std::string& target, struct stat& old, bool& exists, std::string& error)
{
    if (!ResolveTarget(path, target, error))
        return false;
    exists = stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        error = Reason(errno);
        return false;
    }
    if (exists) {
        if (!S_ISREG(old.st_mode)) {
            error = "not a regular file";
            return false;
        }
        // Replacing a file is allowed where writing it would be; a file
        // without any write permission is read-only even for root.
        if ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            error = "read-only file";
            return false;
        }
        if (access(target.c_str(), W_OK) != 0) {
            error = Reason(errno);
            return false;
        }
    }
    return true;
}

} // namespace

std::string WriteProblem(const std::string& path)
{
    if (path.empty())
        return Reason(ENOENT);
    std::string target, error;
    struct stat old {};
    bool exists = false;
    if (!CheckTarget(path, target, old, exists, error))
        return error;
    // The new file is made beside the target and renamed over it.
    const std::string folder = FolderOf(target);
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return Reason(errno);
    // A name the folder's file system does not take fails the rename.
    const long nameMax = pathconf(folder.c_str(), _PC_NAME_MAX);
    if ((nameMax > 0 && NameOf(target).size() > static_cast<size_t>(nameMax)) || target.size() >= PATH_MAX)
        return Reason(ENAMETOOLONG);
    return "";
}

bool PendingFile::Create(const std::string& path, std::string& error, signal_cleanup::Action onSignal, void* context)
{
    Discard();
    struct stat old {};
    bool exists = false;
    if (!CheckTarget(path, target_, old, exists, error))
        return false;
    folder_ = FolderOf(target_);
    const std::string name = NameOf(target_);
    RemoveLeftovers(folder_, name);

    scope_ = std::make_unique<SignalCleanupScope>();
    // Signals stay blocked from the creation of the temporary to its arming:
    // none can fall between the two.
    sigset_t saved;
    pthread_sigmask(SIG_BLOCK, &signal_cleanup::Signals(), &saved);
    std::random_device random;
    std::uniform_int_distribution<size_t> pick(0, sizeof RandomAlphabet - 2);
    const std::string pattern = folder_ + "/" + TemporaryPrefix(name) + TempMarker + std::to_string(getpid()) + "-";
    int code = 0;
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temp_ = pattern;
        for (size_t i = 0; i < RandomLength; ++i)
            temp_ += RandomAlphabet[pick(random)];
        // 0666 less the umask, as any new file of the user.
        fd_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        code = errno;
        if (fd_ < 0 && code != EEXIST)
            break;
    }
    if (fd_ >= 0)
        slot_ = signal_cleanup::Arm(temp_.c_str(), onSignal ? onSignal : signal_cleanup::Remove, context);
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    if (fd_ < 0) {
        error = Reason(code);
        scope_.reset();
        return false;
    }
    if (exists) {
        // The owner first: a change of owner clears the set-id bits.
        if (old.st_uid != geteuid() || old.st_gid != getegid()) {
            // Not permitted: the file becomes ours, with the old group when we may.
            if (fchown(fd_, old.st_uid, old.st_gid) != 0)
                (void)!fchown(fd_, static_cast<uid_t>(-1), old.st_gid);
        }
        if (fchmod(fd_, old.st_mode & 07777) != 0) {
            error = Reason(errno);
            Discard();
            return false;
        }
    }
    return true;
}

void PendingFile::Disarm()
{
    // The scope ends after the slot: a signal that came meanwhile is
    // delivered after the rename or the removal of the temporary.
    sigset_t saved;
    pthread_sigmask(SIG_BLOCK, &signal_cleanup::Signals(), &saved);
    signal_cleanup::Disarm(slot_);
    slot_ = -1;
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    scope_.reset();
}

void PendingFile::Discard()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    if (!temp_.empty())
        unlink(temp_.c_str());
    temp_.clear();
    Disarm();
}

bool PendingFile::Commit(std::string& error, const std::function<void(int fd)>& beforeRename)
{
    auto fail = [&](int why) {
        error = Reason(why);
        Discard();
        return false;
    };
    if (fd_ < 0)
        return fail(EBADF);
    if (fsync(fd_) != 0 && errno != EINVAL)
        return fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0)
        return fail(errno);
    if (beforeRename) {
        const int done = open(temp_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (done >= 0) {
            beforeRename(done);
            close(done);
        }
    }
    if (rename(temp_.c_str(), target_.c_str()) != 0)
        return fail(errno);
    temp_.clear();
    Disarm();
    // The rename itself lasts only once the folder is on disk; the new file
    // is in place already, so a folder that cannot be synced fails nothing.
    const int dirFd = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error,
                         const std::function<void(int fd)>& beforeRename)
{
    PendingFile file;
    if (!file.Create(path, error))
        return false;
    int code = 0;
    if (!WriteAll(file.Fd(), data, code)) {
        error = Reason(code);
        return false;
    }
    return file.Commit(error, beforeRename);
}

} // namespace vorbrant
