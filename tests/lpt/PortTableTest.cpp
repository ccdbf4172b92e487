// Port discovery from a /proc/sys/dev/parport tree, and port selection.
#include "tests/support/ScriptedPort.h"
#include "tests/support/TempDir.h"

#include "lpt/PortTable.h"

#include <array>
#include <filesystem>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace vorbrant {
namespace {

using test::TempDir;

std::array<uint16_t, 9> Table(std::initializer_list<std::pair<int, uint16_t>> entries)
{
    std::array<uint16_t, 9> t{};
    for (auto [n, a] : entries)
        t[static_cast<size_t>(n)] = a;
    return t;
}

TEST(PortDiscovery, MissingOrEmptyTreeGivesNoPorts)
{
    TempDir tree;
    PortTable ports;
    ports.DiscoverParallelPorts(tree.File("absent"), true);
    EXPECT_EQ(ports.LptPortCount, 0);
    EXPECT_EQ(ports.LptAddresses, Table({}));
    EXPECT_FALSE(ports.SelectFirstPort());
    EXPECT_EQ(ports.LptBase, 0);

    ports.DiscoverParallelPorts(tree.Path, true);
    EXPECT_EQ(ports.LptPortCount, 0);
    EXPECT_EQ(ports.LptAddresses, Table({}));
}

TEST(PortDiscovery, OneAndTwoPorts)
{
    TempDir tree;
    tree.Write("parport0/base-addr", "888\t1912\n");
    tree.Write("default/timeslice", "200\n");
    PortTable ports;
    ports.DiscoverParallelPorts(tree.Path, true);
    EXPECT_EQ(ports.LptPortCount, 1);
    EXPECT_EQ(ports.LptAddresses, Table({{1, 0x378}}));

    // parport2 is LPT3; the gap at LPT2 stays empty.
    tree.Write("parport2/base-addr", "632\t1656\n");
    ports.DiscoverParallelPorts(tree.Path, true);
    EXPECT_EQ(ports.LptPortCount, 2);
    EXPECT_EQ(ports.LptAddresses, Table({{1, 0x378}, {3, 0x278}}));
    EXPECT_TRUE(ports.SelectFirstPort());
    EXPECT_EQ(ports.SelectedLpt, 1);
    EXPECT_EQ(ports.LptBase, 0x378);
}

TEST(PortDiscovery, OnlyParport0To7HaveLptNumbers)
{
    TempDir tree;
    tree.Write("parport7/base-addr", "956\n");
    tree.Write("parport8/base-addr", "888\n");
    tree.Write("parport9/base-addr", "632\n");
    tree.Write("parport10/base-addr", "888\n");
    PortTable ports;
    ports.DiscoverParallelPorts(tree.Path, true);
    EXPECT_EQ(ports.LptPortCount, 1);
    EXPECT_EQ(ports.LptAddresses, Table({{8, 0x3BC}}));
    EXPECT_TRUE(ports.SelectFirstPort());
    EXPECT_EQ(ports.SelectedLpt, 8);
}

TEST(PortDiscovery, GarbageBaseAddressesLeaveThePortOut)
{
    TempDir tree;
    tree.Write("parport0/base-addr", "");
    tree.Write("parport1/base-addr", "lpt\n");
    tree.Write("parport2/base-addr", "99999999999999999999999\t1\n");
    tree.Write("parport3/base-addr", "65536\n");
    tree.Write("parport4/base-addr", "-888\n");
    tree.Write("parport5/base-addr", "0x378\n");
    std::filesystem::create_directories(tree.File("parport6/base-addr")); // a folder, not a file
    std::filesystem::create_directories(tree.File("parport7"));
    ASSERT_EQ(mkfifo(tree.File("parport7/base-addr").c_str(), 0600), 0) << "a FIFO must not block discovery";
    std::filesystem::create_directories(tree.File("parport8"));
    PortTable ports;
    ports.DiscoverParallelPorts(tree.Path, true);
    EXPECT_EQ(ports.LptPortCount, 0);
    EXPECT_EQ(ports.LptAddresses, Table({}));
}

TEST(PortDiscovery, NumbersAtTheEdgesOf16Bits)
{
    TempDir tree;
    tree.Write("parport0/base-addr", "  65535\n");
    tree.Write("parport1/base-addr", "53264\t53256\n"); // a PCI card
    tree.Write("parport2/base-addr", "0\n");
    PortTable ports;
    ports.DiscoverParallelPorts(tree.Path, true);
    EXPECT_EQ(ports.LptAddresses, Table({{1, 0xFFFF}, {2, 0xD010}}));
    EXPECT_EQ(ports.LptPortCount, 2);
}

TEST(PortDiscovery, RediscoveryReplacesTheTableAndIsSkippedWithoutAccess)
{
    TempDir tree;
    tree.Write("parport1/base-addr", "632\n");
    PortTable ports;
    ports.LptAddresses = Table({{1, 0x378}, {5, 0x1234}});
    ports.LptPortCount = 2;

    ports.DiscoverParallelPorts(tree.Path, false);
    EXPECT_EQ(ports.LptAddresses, Table({{1, 0x378}, {5, 0x1234}}));
    EXPECT_EQ(ports.LptPortCount, 2);

    ports.DiscoverParallelPorts(tree.Path, true);
    EXPECT_EQ(ports.LptAddresses, Table({{2, 0x278}}));
    EXPECT_EQ(ports.LptPortCount, 1);
}

TEST(PortSelection, NumbersOutsideOneToEightChangeNothing)
{
    PortTable ports;
    ports.LptAddresses = Table({{1, 0x378}});
    ASSERT_TRUE(ports.SelectLptPort(1));
    EXPECT_FALSE(ports.SelectLptPort(0));
    EXPECT_FALSE(ports.SelectLptPort(9));
    EXPECT_FALSE(ports.SelectLptPort(255));
    EXPECT_EQ(ports.SelectedLpt, 1);
    EXPECT_EQ(ports.LptBase, 0x378);
}

TEST(PortSelection, MissingPortClearsTheSelection)
{
    PortTable ports;
    ports.LptAddresses = Table({{1, 0x378}, {3, 0x3BC}});
    ASSERT_TRUE(ports.SelectLptPort(3));
    EXPECT_EQ(ports.LptBase, 0x3BC);
    EXPECT_FALSE(ports.SelectLptPort(2));
    EXPECT_EQ(ports.SelectedLpt, 0);
    EXPECT_EQ(ports.LptBase, 0);
}

TEST(PortSelection, SetAddressKeepsTheCount)
{
    PortTable ports;
    ports.SetAddress(1, 0x378);
    ports.SetAddress(1, 0x278); // replaced, not a second port
    ports.SetAddress(2, 0x3BC);
    EXPECT_EQ(ports.LptPortCount, 2);
    ports.SetAddress(2, 0);
    ports.SetAddress(2, 0);
    EXPECT_EQ(ports.LptPortCount, 1);
    ports.SetAddress(0, 0x100);
    ports.SetAddress(9, 0x100);
    EXPECT_EQ(ports.LptAddresses, Table({{1, 0x278}}));
}

} // namespace
} // namespace vorbrant
