// Connect, Disconnect and the presence poll of the main window against
// simulated targets.
#include "tests/app/AppTestSupport.h"

#include "sim/SimConfig.h"
#include "sim/Simulator.h"

#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

using namespace vorbrant;
using namespace vorbrant::testing;

namespace {

// A scripted operator that lets a test look at the window while a run is
// in a step (each status-line change).
class WatchingOperator : public ScriptedOperator {
public:
    void SetStatus(const std::string& text, bool red) override
    {
        ScriptedOperator::SetStatus(text, red);
        if (OnStatus)
            OnStatus(text);
    }
    std::function<void(const std::string&)> OnStatus;
};

struct SimForm : SimWindowOf<WatchingOperator> {
    using SimWindowOf::SimWindowOf;
    std::string Text(QLabel* label) const { return label->text().toStdString(); }
};

} // namespace

TEST(Connection, ConnectFillsTheLoaderPanelAndDisconnectEmptiesIt)
{
    SimForm f("F340");
    TMainForm& w = *f.Form;
    w.KeyConnectClick();
    EXPECT_TRUE(f.Op.Messages.empty()) << f.Op.Texts().front();
    EXPECT_EQ(w.KeyConnect->text(), "Disconnect");
    EXPECT_EQ(f.Text(w.Status), "Connected");
    EXPECT_EQ(f.Text(w.MfgID), "SiLabs");
    EXPECT_EQ(f.Text(w.ChipID), "F340/2/4/6");
    EXPECT_EQ(f.Text(w.Label21), "Flash size:");
    EXPECT_EQ(f.Text(w.FirmwareVersion), "64K");
    EXPECT_EQ(f.Text(w.AdapterType), "Ironquill2");
    EXPECT_FALSE(w.AdapterType->isHidden());
    EXPECT_TRUE(w.KeyGo->isEnabled());
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_TRUE(w.S.State().PollActive);
    EXPECT_TRUE(w.Reload1->isEnabled());
    EXPECT_FALSE(w.SelectData->isEnabled()) << "C2 parts have no User data area";

    // A poll of a target that is still there changes nothing.
    w.Timer1Timer();
    EXPECT_EQ(f.Text(w.Status), "Connected");

    w.KeyConnectClick();
    EXPECT_EQ(w.KeyConnect->text(), "Connect");
    EXPECT_EQ(f.Text(w.Status), "Not Connected");
    EXPECT_EQ(f.Text(w.ChipID), "---");
    EXPECT_EQ(f.Text(w.Label21), "Firmw.ver:");
    EXPECT_FALSE(w.KeyGo->isEnabled());
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_TRUE(w.AdapterType->isHidden());
    EXPECT_TRUE(f.Op.Messages.empty());
    EXPECT_TRUE(f.Sim->Violations().empty());
}

TEST(Connection, PartsWithUserDataOfferTheScratchpad)
{
    SimForm f("F020");
    f.Form->KeyConnectClick();
    EXPECT_TRUE(f.Form->SelectData->isEnabled());
    EXPECT_EQ(f.Form->SelectData->text(), "Scratchpad");
    EXPECT_EQ(f.Text(f.Form->ChipID), "F020..23");
}

TEST(Connection, NoAdapterAndUnknownChipAreReported)
{
    SimForm none("F340,adapter=none");
    none.Form->KeyConnectClick();
    EXPECT_EQ(none.Op.Texts(), std::vector<std::string>{"Hardware not detected!"});
    EXPECT_TRUE(none.Form->EnableJTAGChain->isEnabled());
    EXPECT_EQ(none.Text(none.Form->Status), "Not Connected");

    // A C2 part that answers but that no table knows.
    SimForm unknown("F336");
    unknown.Form->KeyConnectClick();
    EXPECT_EQ(unknown.Op.Texts(), std::vector<std::string>{"Unknown chip type (IDCODE=0x0314)!"});
    EXPECT_FALSE(unknown.Form->EnableJTAGChain->isEnabled());
    EXPECT_EQ(unknown.Form->KeyConnect->text(), "Connect");
}

TEST(Connection, ATargetThatGoesAwayDropsToNotConnectedAtTheNextTickSilently)
{
    // How many accesses a connect takes, so the part can vanish right after it.
    uint64_t connectAccesses;
    {
        SimForm probe("F340");
        uint64_t before = probe.Sim->AccessCount();
        probe.Form->KeyConnectClick();
        connectAccesses = probe.Sim->AccessCount();
        ASSERT_GT(connectAccesses, before);
    }
    SimForm f("F340,remove-after=" + std::to_string(connectAccesses + 1));
    f.Form->KeyConnectClick();
    ASSERT_EQ(f.Text(f.Form->Status), "Connected");
    f.Form->Timer1Timer();
    EXPECT_EQ(f.Text(f.Form->Status), "Not Connected");
    EXPECT_EQ(f.Form->KeyConnect->text(), "Connect");
    EXPECT_FALSE(f.Form->S.State().PollActive);
    EXPECT_FALSE(f.Form->Timer1->isActive());
    EXPECT_TRUE(f.Op.Messages.empty());
}

TEST(Connection, ARunFromGoLeavesTheWindowConnectedAndIdle)
{
    SimForm f("F340");
    TMainForm& w = *f.Form;
    w.KeyConnectClick();
    for (uint32_t a = 0; a < 0x400; ++a)
        f.Image.StoreByte(a, static_cast<uint8_t>(a * 3));
    f.Image.ImageSize = 0x400;
    w.KeyGoClick();
    ASSERT_EQ(f.Op.Messages.size(), 1u);
    EXPECT_EQ(f.Op.Messages[0].Text.rfind("Operation successfull!\r\nTotal duration ", 0), 0u);
    EXPECT_EQ(f.Text(w.Status), "Connected");
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_TRUE(w.Panel2->isEnabled());
    EXPECT_TRUE(w.KeyGo->isEnabled());
    EXPECT_EQ(f.Sim->Flash()[0x3FF], static_cast<uint8_t>(0x3FF * 3));

    // The connected window, for people to look at.
    w.resize(w.sizeHint());
    QImage shot = w.grab().toImage();
    EXPECT_FALSE(shot.isNull());
    shot.save(QString::fromStdString(std::string(VORBRANT_BINARY_DIR) + "/connected-main-window.png"));
}

TEST(Connection, ConnectResetsTheAreaAndTheMenusDisconnectRestoresTheOptions)
{
    SimForm f("F020");
    TMainForm& w = *f.Form;
    w.KeyConnectClick();
    ASSERT_EQ(f.Text(w.Status), "Connected");
    EXPECT_TRUE(w.Security1->isVisible());
    EXPECT_FALSE(w.EnableJTAGChain->isEnabled()) << "no chain changes while connected";
    EXPECT_FALSE(f.Op.Busy);

    // The operator picks the User data area; its rule ticks Erase and Blank Check.
    w.SelectData->setChecked(true);
    EXPECT_TRUE(w.DoErase->isChecked());
    EXPECT_TRUE(w.DoBlankCheck->isChecked());
    w.DoErase->setChecked(false);

    w.KeyConnectClick(); // Disconnect
    EXPECT_TRUE(w.SelectCode->isChecked()) << "Connect and Disconnect go back to the code area";
    EXPECT_FALSE(w.SelectData->isChecked());
    EXPECT_FALSE(w.SelectData->isEnabled());
    EXPECT_EQ(w.SelectData->text(), "Scratchpad");
    EXPECT_FALSE(w.DoErase->isChecked()) << "the code-area rule only enables";
    EXPECT_TRUE(w.DoErase->isEnabled());
    EXPECT_FALSE(w.Security1->isVisible());
    EXPECT_TRUE(w.EnableJTAGChain->isEnabled());
    EXPECT_FALSE(w.Reload1->isEnabled());
    EXPECT_TRUE(w.DoVerify->isEnabled());
    EXPECT_TRUE(w.DoRead->isEnabled());
    EXPECT_FALSE(w.FirmwareVersion->isEnabled());
    EXPECT_FALSE(f.Op.Busy);
    EXPECT_FALSE(w.S.State().PollActive);
    EXPECT_TRUE(f.Op.Messages.empty());
}

TEST(Connection, TheChainPositionNamesTheConnectButton)
{
    SimForm f("F020");
    TMainForm& w = *f.Form;
    w.EnableJTAGChain->setChecked(true);
    w.S.UseChain(3);
    w.KeyConnectClick();
    ASSERT_EQ(f.Text(w.Status), "Connected") << ::testing::PrintToString(f.Op.Texts());
    EXPECT_TRUE(w.EditJTAGChain->isHidden());
    w.KeyConnectClick();
    EXPECT_EQ(w.KeyConnect->text(), "Connect to Device #3");
    EXPECT_FALSE(w.EditJTAGChain->isHidden());
}

TEST(Connection, AnUnknownChipLeavesTheControlsAsConnectSetThem)
{
    SimForm f("F336");
    TMainForm& w = *f.Form;
    w.KeyConnectClick();
    EXPECT_EQ(f.Op.Texts(), std::vector<std::string>{"Unknown chip type (IDCODE=0x0314)!"});
    EXPECT_FALSE(f.Op.Busy) << "the default cursor is back before the box";
    EXPECT_FALSE(w.Security1->isVisible());
    EXPECT_FALSE(w.SelectData->isEnabled());
    EXPECT_FALSE(w.KeyGo->isEnabled());
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_FALSE(w.S.State().PollActive);
    EXPECT_EQ(f.Text(w.Status), "Not Connected");
}

TEST(Connection, GoHoldsTheWindowForTheRunAndGivesItBackAfterAFailure)
{
    SimForm f("F020,fail-write=0x20");
    TMainForm& w = *f.Form;
    w.KeyConnectClick();
    for (uint32_t a = 0; a < 0x40; ++a)
        f.Image.StoreByte(a, static_cast<uint8_t>(a));
    f.Image.ImageSize = 0x40;

    int steps = 0;
    f.Op.OnStatus = [&](const std::string& text) {
        if (text == "Idle")
            return;
        ++steps;
        EXPECT_FALSE(w.KeyGo->isEnabled()) << text;
        EXPECT_FALSE(w.Panel2->isEnabled()) << text;
        EXPECT_FALSE(w.Panel3->isEnabled()) << text;
        EXPECT_FALSE(w.Panel4->isEnabled()) << text;
        EXPECT_FALSE(w.Timer1->isActive()) << text << ": no poll during a run";
        EXPECT_TRUE(f.Op.Busy) << text;
    };
    w.KeyGoClick();
    EXPECT_EQ(steps, 2) << "Erasing, Programming";
    EXPECT_EQ(f.Op.Texts(), std::vector<std::string>{"JTAG code area write fault at address 0x0020 Aborting!"});
    EXPECT_EQ(f.Op.Status, "Idle");
    EXPECT_FALSE(f.Op.StatusRed);
    EXPECT_FALSE(f.Op.ProgressVisible);
    EXPECT_FALSE(f.Op.Busy);
    EXPECT_TRUE(w.KeyGo->isEnabled());
    EXPECT_TRUE(w.Panel2->isEnabled());
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_TRUE(w.S.State().PollActive);
    EXPECT_EQ(f.Text(w.Status), "Connected");
}

TEST(Connection, ReloadRunsOnlyWhenTheFileLoads)
{
    SimForm f("F340");
    TMainForm& w = *f.Form;
    w.KeyConnectClick();
    std::string hex = f.Dir.File("small.hex");
    WriteText(hex, ":0400100001020304E2\r\n:00000001FF\r\n");
    w.S.SetCurrentFile(hex, LoadFormat::Hex);
    w.Reload1Click();
    ASSERT_EQ(f.Op.Texts().size(), 1u) << ::testing::PrintToString(f.Op.Texts());
    EXPECT_EQ(f.Op.Texts()[0].rfind("Operation successfull!", 0), 0u);
    EXPECT_EQ(f.Sim->Flash()[0x13], 0x04);

    // A file that is gone: its load error, and no run.
    f.Op.Messages.clear();
    std::filesystem::remove(hex);
    uint64_t before = f.Sim->AccessCount();
    w.Reload1Click();
    ASSERT_FALSE(f.Op.Texts().empty());
    for (const std::string& text : f.Op.Texts())
        EXPECT_EQ(text.find("Operation successfull!"), std::string::npos) << text;
    EXPECT_EQ(f.Sim->AccessCount(), before);
}
