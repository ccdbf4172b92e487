// Two programs on one configuration file: the first keeps it, the second
// works without saving it and says so once.
#include "session/Session.h"

#include "../target/SimRig.h"
#include "common/IniFile.h"
#include "common/ScriptedOperator.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

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
    }
    SimRig Rig;
    ImageBuffer Image;
    ScriptedOperator Op;
    std::unique_ptr<Session> S;
};

} // namespace

TEST(SessionConfigLock, ASecondInstanceOnTheSameFileLeavesItToTheFirst)
{
    TempDir dir;
    const std::string ini = dir.File("v.INI");
    Instance first(ini), second(ini);
    EXPECT_EQ(first.S->Start({}), std::nullopt);
    EXPECT_EQ(second.S->Start({}), std::nullopt);
    EXPECT_FALSE(first.S->ConfigurationReadOnly());
    EXPECT_TRUE(second.S->ConfigurationReadOnly());
    EXPECT_TRUE(first.Op.Messages.empty());
    ASSERT_EQ(second.Op.Messages.size(), 1u);
    EXPECT_EQ(second.Op.Messages[0].Kind, MessageKind::Warning);
    EXPECT_EQ(second.Op.Messages[0].Text, "The configuration file " + ini +
                                              " is in use by another instance of the program: this one will not "
                                              "save its settings");

    // Each chose another folder; only the first one's is kept.
    first.S->Files.LastDir = "/first";
    second.S->Files.LastDir = "/second";
    EXPECT_TRUE(second.S->Close());
    EXPECT_FALSE(std::filesystem::exists(ini)) << "the second instance wrote nothing";
    EXPECT_TRUE(first.S->Close());
    EXPECT_EQ(IniFile(ini).ReadString("ENVIRONMENT", "LastDir", ""), "/first");

    // Once the first has closed, a new instance owns the file again.
    Instance third(ini);
    third.S->Start({});
    EXPECT_FALSE(third.S->ConfigurationReadOnly());
    EXPECT_TRUE(third.Op.Messages.empty());
}
