// Two programs on one configuration file: the first keeps it, the second
// works without saving it and says so once.
#include "session/BatchRun.h"
#include "session/Session.h"

#include "tests/support/SimRig.h"
#include "common/IniFile.h"
#include "common/ScriptedOperator.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace vorbrant;
using vorbrant::test::SimRig;
using vorbrant::test::TempDir;

namespace {

struct Instance {
    explicit Instance(const std::string& ini) : Rig("F340")
    {
        SessionSettings settings;
        settings.IniPath = ini;
        settings.Headless = true;
        S = std::make_unique<Session>(*Rig.Stack, Image, Op, settings);
        Batch = std::make_unique<BatchRun>(*S);
    }
    // Start-up as the programs run it.
    std::optional<int> Start() { return Batch->Start({}); }
    // The operator chose a file in another folder.
    void ChooseFolder(const std::string& folder) { S->OpenFile(folder + "/fw.hex", LoadFormat::Hex); }
    SimRig Rig;
    ImageBuffer Image;
    ScriptedOperator Op;
    std::unique_ptr<Session> S;
    std::unique_ptr<BatchRun> Batch;
};

} // namespace

TEST(SessionConfigLock, ASecondInstanceOnTheSameFileLeavesItToTheFirst)
{
    TempDir dir;
    const std::string ini = dir.File("v.INI");
    Instance first(ini), second(ini);
    EXPECT_EQ(first.Start(), std::nullopt);
    EXPECT_EQ(second.Start(), std::nullopt);
    EXPECT_FALSE(first.S->ConfigurationReadOnly());
    EXPECT_TRUE(second.S->ConfigurationReadOnly());
    EXPECT_TRUE(first.Op.Messages.empty());
    ASSERT_EQ(second.Op.Messages.size(), 1u);
    EXPECT_EQ(second.Op.Messages[0].Kind, MessageKind::Warning);
    EXPECT_EQ(second.Op.Messages[0].Text, "The configuration file " + ini +
                                              " is in use by another instance of the program: this one will not "
                                              "save its settings");

    // Each chose another folder; only the first one's is kept.
    first.ChooseFolder("/first");
    second.ChooseFolder("/second");
    EXPECT_TRUE(second.S->Close());
    EXPECT_FALSE(std::filesystem::exists(ini)) << "the second instance wrote nothing";
    EXPECT_TRUE(first.S->Close());
    EXPECT_EQ(IniFile(ini).ReadString("ENVIRONMENT", "LastDir", ""), "/first");

    // Once the first has closed, a new instance owns the file again.
    Instance third(ini);
    third.Start();
    EXPECT_FALSE(third.S->ConfigurationReadOnly());
    EXPECT_TRUE(third.Op.Messages.empty());
}

// The lock is on the file, whatever name reaches it: a symbolic link, a
// hard link, a file not made yet. It goes with the file through the first
// instance's saves, and no lock file stays behind.
TEST(SessionConfigLock, TheFileIsLockedWhateverNameReachesIt)
{
    struct Way {
        const char* Name;
        bool Exists;        // the INI is there before the first instance starts
        const char* Second; // how the second reaches it
    };
    const Way ways[] = {
        {"the same name, no file yet", false, "v.INI"},
        {"a symbolic link", true, "link.INI"},
        {"a symbolic link, no file yet", false, "link.INI"},
        {"a hard link", true, "hard.INI"},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.Name);
        TempDir dir;
        const std::string ini = dir.File("v.INI");
        if (way.Exists) {
            dir.Write("v.INI", "[ENVIRONMENT]\nLastDir=/before\n");
            std::filesystem::create_hard_link(ini, dir.File("hard.INI"));
        }
        std::filesystem::create_symlink("v.INI", dir.File("link.INI"));
        Instance first(ini);
        EXPECT_EQ(first.Start(), std::nullopt);
        // A save while it runs replaces the file: the lock goes with it.
        first.ChooseFolder("/first");
        ASSERT_TRUE(first.S->SaveConfiguration());
        Instance second(dir.File(way.Second));
        second.Start();
        EXPECT_TRUE(second.S->ConfigurationReadOnly());
        second.ChooseFolder("/second");
        EXPECT_TRUE(second.S->Close());
        EXPECT_TRUE(first.S->Close());
        EXPECT_EQ(IniFile(ini).ReadString("ENVIRONMENT", "LastDir", ""), "/first");
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path))
            EXPECT_EQ(entry.path().extension(), ".INI") << entry.path() << " outlived the run";
    }
}

// A configuration that is no regular file cannot be read, saved or locked:
// no lock file appears beside it.
TEST(SessionConfigLock, NoLockFileForWhatIsNoFile)
{
    TempDir dir;
    const std::string fifo = dir.File("pipe.INI");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    Instance first(fifo);
    first.Start();
    EXPECT_FALSE(first.S->ConfigurationReadOnly());
    EXPECT_FALSE(std::filesystem::exists(fifo + ".lock"));
    first.S->Close();
}
