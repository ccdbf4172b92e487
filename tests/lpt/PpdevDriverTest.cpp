// The ppdev driver over a fake set of ppdev calls: which ports get claimed,
// where each register access goes, and how the ports are given back.
#include "tests/support/ScriptedPort.h"
#include "tests/support/TempDir.h"

#include "lpt/PortDriver.h"
#include "lpt/PpdevDriver.h"

#include <cerrno>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vorbrant {
namespace {

using test::TempDir;

struct FakeParport {
    int OpenError = 0;
    int ClaimError = 0;
    bool ReadsFail = false;
    uint8_t Data = 0x00;
    uint8_t Status = 0x7F;
    uint8_t Control = 0x0E;
    bool Claimed = false;
};

// The devices behind the fake calls, by name ("parport0"), and a log of the
// calls made.
struct PpdevWorld {
    std::map<std::string, FakeParport> Devices;
    std::vector<std::string> Calls;
    std::map<int, std::string> Open;
    int NextFd = 3;

    std::string Name(int fd) const { return Open.count(fd) ? Open.at(fd) : "fd" + std::to_string(fd); }
};

class FakePpdevCalls : public PpdevCalls {
public:
    explicit FakePpdevCalls(PpdevWorld& world) : w_(world) {}

    int Open(const std::string& path) override
    {
        std::string name = std::filesystem::path(path).filename().string();
        w_.Calls.push_back("open " + path);
        auto it = w_.Devices.find(name);
        if (it == w_.Devices.end())
            return -ENOENT;
        if (it->second.OpenError != 0)
            return -it->second.OpenError;
        int fd = w_.NextFd++;
        w_.Open[fd] = name;
        return fd;
    }
    int Claim(int fd) override
    {
        w_.Calls.push_back("claim " + w_.Name(fd));
        FakeParport& d = w_.Devices.at(w_.Name(fd));
        if (d.ClaimError != 0)
            return d.ClaimError;
        d.Claimed = true;
        return 0;
    }
    void Release(int fd) override
    {
        w_.Calls.push_back("release " + w_.Name(fd));
        w_.Devices.at(w_.Name(fd)).Claimed = false;
    }
    void Close(int fd) override
    {
        w_.Calls.push_back("close " + w_.Name(fd));
        w_.Open.erase(fd);
    }
    bool ReadRegister(int fd, PortRegister reg, uint8_t& value) override
    {
        FakeParport& d = Device(fd, "read");
        if (d.ReadsFail)
            return false;
        value = reg == PortRegister::Data ? d.Data : reg == PortRegister::Status ? d.Status : d.Control;
        return true;
    }
    void WriteRegister(int fd, PortRegister reg, uint8_t value) override
    {
        FakeParport& d = Device(fd, "write");
        char text[48];
        std::snprintf(text, sizeof text, "w%s %s %02X", reg == PortRegister::Data ? "data" : "control",
                      w_.Name(fd).c_str(), value);
        w_.Calls.push_back(text);
        (reg == PortRegister::Data ? d.Data : d.Control) = value;
    }

private:
    FakeParport& Device(int fd, const char* what)
    {
        FakeParport& d = w_.Devices.at(w_.Name(fd));
        // Register calls on a port that is not claimed are a driver bug.
        EXPECT_TRUE(d.Claimed) << what << " on unclaimed " << w_.Name(fd);
        return d;
    }
    PpdevWorld& w_;
};

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// The help added to a start-up message: the kernel modules, which cards work,
// and group lp.
bool SaysHowToGetAPort(const std::string& message)
{
    for (const char* part : {"/dev/parport0", "modprobe parport_pc", "modprobe ppdev", "PCIe", "USB printer cable",
                             "group lp"})
        if (message.find(part) == std::string::npos)
            return false;
    return true;
}

class Ppdev : public ::testing::Test {
protected:
    // A proc tree with these parport numbers and base addresses.
    void Ports(std::initializer_list<std::pair<int, int>> entries)
    {
        for (auto [n, base] : entries)
            proc.Write("parport" + std::to_string(n) + "/base-addr", std::to_string(base) + "\t0\n");
    }
    std::unique_ptr<PpdevDriver> Make()
    {
        return std::make_unique<PpdevDriver>(std::make_unique<FakePpdevCalls>(world), proc.Path, "/devroot");
    }
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const std::string& c : world.Calls)
            if (c.rfind(prefix, 0) == 0)
                out.push_back(c);
        return out;
    }

    TempDir proc;
    PpdevWorld world;
    PortTable ports;
};

TEST_F(Ppdev, ClaimsEveryDiscoveredPortAndSelectsTheFirst)
{
    Ports({{0, 0x378}, {1, 0x278}});
    world.Devices["parport0"];
    world.Devices["parport1"];
    auto driver = Make();
    PortDriver::StartResult r = driver->Start(ports);
    EXPECT_FALSE(r.Fatal);
    EXPECT_EQ(r.Message, "");
    EXPECT_TRUE(driver->IoAccessGranted());
    EXPECT_EQ(driver->ClaimedCount(), 2u);
    EXPECT_EQ(ports.LptPortCount, 2);
    EXPECT_EQ(ports.SelectedLpt, 1);
    EXPECT_EQ(ports.LptBase, 0x378);
    std::vector<std::string> expected{"open /devroot/parport0", "claim parport0", "open /devroot/parport1",
                                      "claim parport1"};
    EXPECT_EQ(world.Calls, expected);
}

TEST_F(Ppdev, RegistersOfEachClaimedPort)
{
    Ports({{0, 0x378}, {1, 0x278}});
    world.Devices["parport0"].Status = 0x5A;
    world.Devices["parport1"].Status = 0xA5;
    auto driver = Make();
    driver->Start(ports);
    world.Calls.clear();

    driver->PortOut(0x378, 0x8F);
    driver->PortOut(0x27A, 0x04);
    EXPECT_EQ(world.Devices["parport0"].Data, 0x8F);
    EXPECT_EQ(world.Devices["parport1"].Control, 0x04);
    EXPECT_EQ(driver->PortIn(0x379), 0x5A);
    EXPECT_EQ(driver->PortIn(0x279), 0xA5);
    EXPECT_EQ(driver->PortIn(0x378), 0x8F);
    EXPECT_EQ(driver->PortIn(0x37A), 0x0E);
    // Back and forth between the two ports after the last-hit shortcut.
    EXPECT_EQ(driver->PortIn(0x279), 0xA5);
    EXPECT_EQ(driver->PortIn(0x379), 0x5A);

    // The status register takes no writes; control keeps only its four lines.
    driver->PortOut(0x379, 0x00);
    driver->PortOut(0x37A, 0xFF);
    EXPECT_EQ(world.Devices["parport0"].Status, 0x5A);
    EXPECT_EQ(world.Devices["parport0"].Control, 0x0F);
    std::vector<std::string> expected{"wdata parport0 8F", "wcontrol parport1 04", "wcontrol parport0 0F"};
    EXPECT_EQ(world.Calls, expected);
}

TEST_F(Ppdev, AddressesNoClaimedPortCoversAreEmpty)
{
    Ports({{0, 0x378}});
    world.Devices["parport0"];
    auto driver = Make();
    driver->Start(ports);
    world.Calls.clear();
    for (uint16_t address : {0x377, 0x37B, 0x3BC, 0x278, 0x000, 0xFFFF}) {
        EXPECT_EQ(driver->PortIn(address), 0xFF) << address;
        driver->PortOut(address, 0x00);
    }
    EXPECT_TRUE(world.Calls.empty());
}

TEST_F(Ppdev, PortAtTheTopOfTheAddressSpaceDoesNotWrap)
{
    Ports({{0, 0xFFFF}});
    world.Devices["parport0"].Status = 0x12;
    auto driver = Make();
    driver->Start(ports);
    driver->PortOut(0xFFFF, 0x55);
    EXPECT_EQ(world.Devices["parport0"].Data, 0x55);
    // base + 1 and + 2 would be 0x10000 and 0x10001: not reachable, and 0/1
    // must not alias them.
    EXPECT_EQ(driver->PortIn(0x0000), 0xFF);
    EXPECT_EQ(driver->PortIn(0x0001), 0xFF);
}

TEST_F(Ppdev, FailedReadGivesAllOnes)
{
    Ports({{0, 0x378}});
    world.Devices["parport0"].ReadsFail = true;
    auto driver = Make();
    driver->Start(ports);
    EXPECT_EQ(driver->PortIn(0x379), 0xFF);
}

TEST_F(Ppdev, PortsThatCannotBeClaimedLeaveTheTableQuietly)
{
    Ports({{0, 0x378}, {1, 0x278}, {2, 0x3BC}});
    world.Devices["parport0"].OpenError = EACCES;
    world.Devices["parport1"].ClaimError = EBUSY;
    world.Devices["parport2"];
    auto driver = Make();
    PortDriver::StartResult r = driver->Start(ports);
    EXPECT_FALSE(r.Fatal);
    EXPECT_EQ(r.Message, "");
    EXPECT_EQ(driver->ClaimedCount(), 1u);
    EXPECT_EQ(ports.LptAddresses[1], 0);
    EXPECT_EQ(ports.LptAddresses[2], 0);
    EXPECT_EQ(ports.LptAddresses[3], 0x3BC);
    EXPECT_EQ(ports.LptPortCount, 1);
    EXPECT_EQ(ports.SelectedLpt, 3);
    EXPECT_EQ(ports.LptBase, 0x3BC);
    // The port opened but not claimed was closed again.
    EXPECT_EQ(CallsStartingWith("close"), std::vector<std::string>{"close parport1"});
    EXPECT_EQ(driver->PortIn(0x279), 0xFF);
}

TEST_F(Ppdev, WhenEveryPortFailsOneMessageAndNoPorts)
{
    struct Case {
        int OpenError;
        int ClaimError;
        const char* Message;
    };
    const Case cases[] = {
        {EACCES, 0, "Can't start I/O driver! Error : Access denied"},
        {EPERM, 0, "Can't start I/O driver! Error : Access denied"},
        {ENOENT, 0, "Can't start I/O driver! Error : Path not found"},
        {0, EBUSY, "Can't start I/O driver! Error : Service already running"},
        {ENXIO, 0, "Can't start I/O driver! Error : An unexpected error occured"},
        {0, ENOTTY, "Can't start I/O driver! Error : An unexpected error occured"},
    };
    Ports({{0, 0x378}, {1, 0x278}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Message);
        world = PpdevWorld{};
        if (c.OpenError != ENOENT) { // ENOENT: the device nodes are missing
            world.Devices["parport0"] = FakeParport{c.OpenError, c.ClaimError};
            world.Devices["parport1"] = FakeParport{c.OpenError, c.ClaimError};
        }
        PortTable table;
        auto driver = Make();
        PortDriver::StartResult r = driver->Start(table);
        EXPECT_FALSE(r.Fatal);
        // The error text, then how to get a port, unless another program
        // holds it.
        EXPECT_TRUE(StartsWith(r.Message, c.Message)) << r.Message;
        EXPECT_EQ(SaysHowToGetAPort(r.Message), c.ClaimError != EBUSY) << r.Message;
        EXPECT_EQ(table.LptPortCount, 0);
        EXPECT_EQ(table.SelectedLpt, 0);
        EXPECT_EQ(table.LptBase, 0);
        EXPECT_TRUE(world.Open.empty()) << "every opened device is closed again";
    }
}

TEST_F(Ppdev, NoPortsAtAllIsNoFailureButSaysHowToGetOne)
{
    auto driver = Make();
    PortDriver::StartResult r = driver->Start(ports);
    EXPECT_FALSE(r.Fatal);
    EXPECT_TRUE(StartsWith(r.Message, "No parallel port found.\n")) << r.Message;
    EXPECT_TRUE(SaysHowToGetAPort(r.Message)) << r.Message;
    EXPECT_TRUE(world.Calls.empty());
    EXPECT_EQ(ports.LptBase, 0);
}

TEST_F(Ppdev, ShutdownLeavesPortsIdleThenReleasesThem)
{
    Ports({{0, 0x378}, {1, 0x278}});
    world.Devices["parport0"].Control = 0x0B; // mode line low, other lines mixed
    world.Devices["parport1"].Control = 0x02;
    auto driver = Make();
    driver->Start(ports);
    world.Calls.clear();

    driver->Shutdown();
    std::vector<std::string> expected{
        "wdata parport0 FF", "wcontrol parport0 09", "release parport0", "close parport0",
        "wdata parport1 FF", "wcontrol parport1 00", "release parport1", "close parport1",
    };
    EXPECT_EQ(world.Calls, expected);
    EXPECT_TRUE(world.Open.empty());
    EXPECT_EQ(driver->ClaimedCount(), 0u);
    // Nothing is reachable afterwards, and a second stop does nothing.
    EXPECT_EQ(driver->PortIn(0x379), 0xFF);
    driver->PortOut(0x378, 0x00);
    driver->Shutdown();
    driver.reset();
    EXPECT_EQ(world.Calls.size(), expected.size());
}

TEST_F(Ppdev, DestructorShutsDown)
{
    Ports({{0, 0x378}});
    world.Devices["parport0"];
    {
        auto driver = Make();
        driver->Start(ports);
        driver->PortOut(0x378, 0x00);
    }
    EXPECT_EQ(world.Devices["parport0"].Data, 0xFF);
    EXPECT_FALSE(world.Devices["parport0"].Claimed);
    EXPECT_TRUE(world.Open.empty());
}

TEST_F(Ppdev, SecondStartReleasesTheFirstClaims)
{
    Ports({{0, 0x378}});
    world.Devices["parport0"];
    auto driver = Make();
    driver->Start(ports);
    driver->Start(ports);
    EXPECT_EQ(driver->ClaimedCount(), 1u);
    EXPECT_EQ(world.Open.size(), 1u);
    EXPECT_EQ(CallsStartingWith("release"), std::vector<std::string>{"release parport0"});
}

// The real calls on things that are not parallel ports.
TEST(PpdevRealCalls, MissingAndWrongDeviceNodes)
{
    TempDir proc;
    TempDir dev;
    proc.Write("parport0/base-addr", "888\n");
    {
        auto driver = MakePortDriver("ppdev", proc.Path, dev.Path);
        ASSERT_NE(driver, nullptr);
        PortTable table;
        EXPECT_TRUE(StartsWith(driver->Start(table).Message, "Can't start I/O driver! Error : Path not found\n"));
        EXPECT_EQ(table.LptBase, 0);
    }
    // A plain file where the device should be: it opens, but cannot be claimed.
    dev.Write("parport0", "");
    {
        auto driver = MakePortDriver("ppdev", proc.Path, dev.Path);
        PortTable table;
        PortDriver::StartResult r = driver->Start(table);
        EXPECT_FALSE(r.Fatal);
        EXPECT_TRUE(StartsWith(r.Message, "Can't start I/O driver! Error : An unexpected error occured\n")) << r.Message;
        EXPECT_EQ(table.LptPortCount, 0);
    }
}

TEST(PortDriverFactory, KnownKinds)
{
    EXPECT_NE(MakePortDriver("ppdev"), nullptr);
    EXPECT_NE(MakePortDriver("direct"), nullptr);
    EXPECT_EQ(MakePortDriver("sim"), nullptr);
    EXPECT_EQ(MakePortDriver(""), nullptr);
    EXPECT_EQ(MakePortDriver("PPDEV"), nullptr);
}

} // namespace
} // namespace vorbrant
