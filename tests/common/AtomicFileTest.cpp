// The writer behind every save: what stands at the target name is either
// replaced whole or left alone, and nothing of ours is left beside it.
#include "common/AtomicFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vorbrant;
using vorbrant::test::TempDir;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Leftovers(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find(".vorbrant-") != std::string::npos)
            names.push_back(entry.path().filename().string());
    return names;
}

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    lstat(path.c_str(), &st);
    return st.st_mode;
}

// Saves in a child process until it is killed by sig after a random moment;
// true when the child died of the signal (rather than finishing or failing).
bool SaveUntilKilled(const std::string& target, int sig, std::mt19937& random)
{
    const pid_t child = fork();
    if (child == 0) {
        for (int round = 0;; ++round) {
            // Every save is a whole file of one byte value: any mix or
            // shortfall shows in the target.
            std::string content(1u << 20, static_cast<char>('a' + round % 26));
            std::string error;
            if (!WriteFileAtomically(target, content, error))
                _exit(3);
        }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(200, 20000)(random)));
    kill(child, sig);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == sig;
}

bool WholeSave(const std::string& content)
{
    return content.size() == (1u << 20) && content.find_first_not_of(content.front()) == std::string::npos;
}

} // namespace

TEST(AtomicFile, WritesThroughSymbolicLinksAndKeepsModes)
{
    TempDir dir;
    const std::string real = dir.Write("data/real.hex", "old");
    fs::create_directories(dir.File("links"));
    // A relative link to a relative link.
    fs::create_symlink("../data/real.hex", dir.File("links/first"));
    fs::create_symlink("first", dir.File("links/second"));
    chmod(real.c_str(), 0640);
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir.File("links/second"), "new", error)) << error;
    EXPECT_EQ(TempDir::Read(real), "new");
    EXPECT_TRUE(fs::is_symlink(dir.File("links/first")));
    EXPECT_TRUE(fs::is_symlink(dir.File("links/second")));
    EXPECT_EQ(ModeOf(real) & 07777, 0640u) << "the old file's mode is kept";
    EXPECT_TRUE(Leftovers(dir.File("links")).empty());
    EXPECT_TRUE(Leftovers(dir.File("data")).empty());

    // A link whose target does not exist yet creates the target.
    fs::create_symlink("../data/fresh.bin", dir.File("links/dangling"));
    ASSERT_TRUE(WriteFileAtomically(dir.File("links/dangling"), "x", error)) << error;
    EXPECT_EQ(TempDir::Read(dir.File("data/fresh.bin")), "x");
    EXPECT_TRUE(fs::is_symlink(dir.File("links/dangling")));
}

TEST(AtomicFile, RefusesWhatIsNotARegularWritableFile)
{
    TempDir dir;
    std::string error;

    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(WriteFileAtomically(fifo, "data", error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));

    const std::string folder = dir.File("folder");
    fs::create_directories(folder + "/inside");
    EXPECT_FALSE(WriteFileAtomically(folder, "data", error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_TRUE(fs::is_directory(folder + "/inside"));

    // A link to a FIFO is refused too: the link is followed.
    fs::create_symlink("pipe", dir.File("to-pipe"));
    EXPECT_FALSE(WriteFileAtomically(dir.File("to-pipe"), "data", error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_TRUE(fs::is_symlink(dir.File("to-pipe")));

    const std::string readOnly = dir.Write("locked.INI", "[ENVIRONMENT]\n");
    chmod(readOnly.c_str(), 0444);
    EXPECT_FALSE(WriteFileAtomically(readOnly, "changed", error));
    EXPECT_EQ(error, "read-only file");
    EXPECT_EQ(TempDir::Read(readOnly), "[ENVIRONMENT]\n");
    EXPECT_EQ(ModeOf(readOnly) & 07777, 0444u);

    EXPECT_TRUE(Leftovers(dir.Path).empty());
}

TEST(AtomicFile, RefusesACharacterDevice)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "making a device node needs root";
    TempDir dir;
    // The null device's numbers, under a name of our own.
    const std::string device = dir.File("fakenull");
    ASSERT_EQ(mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(device, std::string(65536, '\xFF'), error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_TRUE(S_ISCHR(ModeOf(device)));
    EXPECT_TRUE(Leftovers(dir.Path).empty());
}

TEST(AtomicFile, AKilledSaveNeverLeavesAPartialFileAndItsLeftoversGo)
{
    TempDir dir;
    const std::string target = dir.File("flash.bin");
    std::mt19937 random(8051);
    int killed = 0;
    for (int i = 0; i < 50; ++i) {
        killed += SaveUntilKilled(target, SIGKILL, random);
        if (fs::exists(target)) {
            ASSERT_TRUE(WholeSave(TempDir::Read(target))) << "kill " << i << " left a partial file";
        }
    }
    EXPECT_GT(killed, 40);

    // A leftover of a writer that has ended for sure, one of a writer that
    // runs (this process), and files that only look alike, which are not
    // ours to remove.
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    auto temporaryOf = [&](long pid, const char* randomPart) {
        std::string name = fs::path(TemporaryNamePattern(target, pid)).filename().string();
        return name.replace(name.size() - 6, 6, randomPart);
    };
    dir.Write(temporaryOf(child, "Ab12Cd"), "stale");
    const std::string live = temporaryOf(getpid(), "Zz99Yy");
    dir.Write(live, "busy");
    const std::string lookAlike1 = dir.Write("flash.bin.backup", "mine");
    const std::string lookAlike2 = "flash.bin.vorbrant-notes";
    dir.Write(lookAlike2, "mine too");

    std::string error;
    ASSERT_TRUE(WriteFileAtomically(target, std::string(1u << 20, 'z'), error)) << error;
    EXPECT_TRUE(WholeSave(TempDir::Read(target)));
    auto left = Leftovers(dir.Path);
    std::sort(left.begin(), left.end());
    // Every temporary of the killed children went, the planted stale one too.
    EXPECT_EQ(left, (std::vector<std::string>{live, lookAlike2}));
    EXPECT_TRUE(fs::exists(lookAlike1));
}

TEST(AtomicFile, TerminatingASaveRemovesItsTemporary)
{
    TempDir dir;
    const std::string target = dir.File("image.hex");
    std::mt19937 random(51);
    // Every signal that ends a process and can be caught, not only the
    // usual three: a full disk's SIGXFSZ, a closed pipe's SIGPIPE, SIGQUIT.
    for (int i = 0; i < 8; ++i) {
        for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGXFSZ, SIGPIPE}) {
            ASSERT_TRUE(SaveUntilKilled(target, sig, random));
            EXPECT_TRUE(Leftovers(dir.Path).empty()) << "signal " << sig << ", round " << i;
            if (fs::exists(target)) {
                ASSERT_TRUE(WholeSave(TempDir::Read(target)));
            }
        }
    }
}

// Any name the file system takes can be saved: the temporary keeps only the
// start of it. A longer one is refused by the check made before a run, with
// the reason the save would give.
TEST(AtomicFile, NamesUpToTheFileSystemsLimitAreSaved)
{
    TempDir dir;
    const long nameMax = pathconf(dir.Path.c_str(), _PC_NAME_MAX);
    ASSERT_GT(nameMax, 64);
    // Two-byte characters, so that the cut falls inside one.
    std::string longest;
    while (longest.size() + 2 <= static_cast<size_t>(nameMax) - 4)
        longest += "\xC3\xA9";
    longest += ".hex";
    const std::string target = dir.File(longest);
    EXPECT_EQ(WriteProblem(target), "");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(target, "data", error)) << error;
    EXPECT_EQ(TempDir::Read(target), "data");
    EXPECT_TRUE(Leftovers(dir.Path).empty());

    const std::string tooLong = dir.File(std::string(static_cast<size_t>(nameMax) + 1, 'n'));
    EXPECT_EQ(WriteProblem(tooLong), "File name too long");
    EXPECT_FALSE(WriteFileAtomically(tooLong, "data", error));
    EXPECT_EQ(error, "File name too long");
}
