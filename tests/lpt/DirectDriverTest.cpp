// The direct driver over a fake machine in place of iopl and inb/outb.
#include "tests/support/ScriptedPort.h"
#include "tests/support/TempDir.h"

#include "lpt/DirectDriver.h"

#include <cerrno>
#include <vector>

#include <gtest/gtest.h>

namespace vorbrant {
namespace {

using test::Access;
using test::In;
using test::Out;
using test::TempDir;

// The machine's ports are the shared recording port; unknown addresses read 0xFF.
struct MachineState {
    int GrantError = 0;
    int Grants = 0;
    int Drops = 0;
    test::ScriptedPort Ports;
};

struct FakeMachine {
    static constexpr bool Available = true;
    MachineState* S;

    int GrantIo()
    {
        ++S->Grants;
        return S->GrantError;
    }
    void DropIo() { ++S->Drops; }
    uint8_t In(uint16_t port) { return S->Ports.PortIn(port); }
    void Out(uint16_t port, uint8_t value) { S->Ports.PortOut(port, value); }
};

struct MissingMachine : FakeMachine {
    static constexpr bool Available = false;
};

class Direct : public ::testing::Test {
protected:
    Direct() { proc.Write("parport0/base-addr", "888\t1912\n"); }

    TempDir proc;
    MachineState state;
    PortTable ports;
};

TEST_F(Direct, WithoutPrivilegeTheStartIsFatal)
{
    struct Case {
        int Err;
        const char* Message;
    };
    // The table's text first, then the system's reason and the remedy.
    for (Case c : {Case{EPERM, "Can't start I/O driver! Error : Access denied\n"
                               "I/O port access (iopl) refused: Operation not permitted (EPERM errno 1); "
                               "run as root or with CAP_SYS_RAWIO, or use --io=ppdev"},
                   Case{EACCES, "Can't start I/O driver! Error : Access denied\n"
                                "I/O port access (iopl) refused: Permission denied (EACCES errno 13); "
                                "run as root or with CAP_SYS_RAWIO, or use --io=ppdev"},
                   Case{ENOSYS, "Can't start I/O driver! Error : An unexpected error occured\n"
                                "I/O port access (iopl) refused: Function not implemented (ENOSYS errno 38); "
                                "run as root or with CAP_SYS_RAWIO, or use --io=ppdev"}}) {
        MachineState machine;
        machine.GrantError = c.Err;
        PortTable table;
        {
            BasicDirectDriver<FakeMachine> driver(proc.Path, FakeMachine{&machine});
            PortDriver::StartResult r = driver.Start(table);
            EXPECT_TRUE(r.Fatal);
            EXPECT_EQ(r.Message, c.Message);
            EXPECT_FALSE(driver.IoAccessGranted());
            // No discovery, and no instruction reaches the ports.
            EXPECT_EQ(table.LptPortCount, 0);
            EXPECT_EQ(driver.PortIn(0x379), 0xFF);
            driver.PortOut(0x378, 0x00);
            driver.Shutdown();
        }
        EXPECT_TRUE(machine.Ports.Log.empty());
        EXPECT_EQ(machine.Drops, 0);
    }
}

TEST_F(Direct, NotAvailableOnThisProcessor)
{
    BasicDirectDriver<MissingMachine> driver(proc.Path, MissingMachine{{&state}});
    PortDriver::StartResult r = driver.Start(ports);
    EXPECT_TRUE(r.Fatal);
    EXPECT_EQ(r.Message, "Can't start I/O driver! Error : Invalid Function");
    EXPECT_FALSE(driver.IoAccessGranted());
    EXPECT_EQ(state.Grants, 0);
}

TEST_F(Direct, GrantedAccessReachesAnyPortAddress)
{
    BasicDirectDriver<FakeMachine> driver(proc.Path, FakeMachine{&state});
    PortDriver::StartResult r = driver.Start(ports);
    EXPECT_FALSE(r.Fatal);
    EXPECT_EQ(r.Message, "");
    EXPECT_TRUE(driver.IoAccessGranted());
    EXPECT_EQ(state.Grants, 1);
    EXPECT_EQ(ports.LptBase, 0x378);
    EXPECT_EQ(ports.SelectedLpt, 1);

    state.Ports.Registers[0x3BD] = 0x42;
    driver.PortOut(0x278, 0x11);   // a fixed legacy address, not discovered
    driver.PortOut(0xE010, 0x22);  // a user-defined address
    EXPECT_EQ(driver.PortIn(0x3BD), 0x42);
    driver.PortOut(0x100, 0x33);
    std::vector<Access> expected{Out(0x278, 0x11), Out(0xE010, 0x22), In(0x3BD, 0x42), Out(0x100, 0x33)};
    EXPECT_EQ(state.Ports.Log, expected);
}

TEST_F(Direct, SystemBoardAddressesAreRefused)
{
    BasicDirectDriver<FakeMachine> driver(proc.Path, FakeMachine{&state});
    driver.Start(ports);
    state.Ports.Registers[0x0001] = 0x00;
    // A user address of 0, or 0xFFFF whose status and control wrap to 0 and 1.
    for (uint16_t address : {0x0000, 0x0001, 0x0002, 0x0020, 0x0070, 0x00FF}) {
        EXPECT_EQ(driver.PortIn(address), 0xFF);
        driver.PortOut(address, 0x00);
    }
    EXPECT_TRUE(state.Ports.Log.empty());
}

TEST_F(Direct, ShutdownLeavesDiscoveredPortsIdleAndDropsAccess)
{
    proc.Write("parport2/base-addr", "956\n");
    state.Ports.Registers[0x37A] = 0x0E;
    state.Ports.Registers[0x3BE] = 0x03;
    BasicDirectDriver<FakeMachine> driver(proc.Path, FakeMachine{&state});
    driver.Start(ports);
    driver.Shutdown();
    std::vector<Access> expected{
        Out(0x378, 0xFF), In(0x37A, 0x0E), Out(0x37A, 0x0C),
        Out(0x3BC, 0xFF), In(0x3BE, 0x03), Out(0x3BE, 0x01),
    };
    EXPECT_EQ(state.Ports.Log, expected);
    EXPECT_EQ(state.Drops, 1);

    // Nothing passes afterwards; further stops and the destructor add nothing.
    EXPECT_EQ(driver.PortIn(0x379), 0xFF);
    driver.PortOut(0x378, 0);
    driver.Shutdown();
    EXPECT_EQ(state.Ports.Log.size(), expected.size());
    EXPECT_EQ(state.Drops, 1);
}

TEST_F(Direct, DestructorShutsDown)
{
    {
        BasicDirectDriver<FakeMachine> driver(proc.Path, FakeMachine{&state});
        driver.Start(ports);
        driver.PortOut(0x378, 0x00);
    }
    EXPECT_EQ(state.Drops, 1);
    EXPECT_EQ(state.Ports.Registers[0x378], 0xFF);
}

TEST_F(Direct, RestartGrantsOnceMore)
{
    BasicDirectDriver<FakeMachine> driver(proc.Path, FakeMachine{&state});
    driver.Start(ports);
    driver.Start(ports);
    EXPECT_EQ(state.Grants, 2);
    EXPECT_EQ(state.Drops, 1);
    EXPECT_TRUE(driver.IoAccessGranted());
}

} // namespace
} // namespace vorbrant
