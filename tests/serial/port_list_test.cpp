// The port list over a fake device inventory and a fake virtual ports folder.
#include "serial/com_error.h"
#include "serial/port_list.h"
#include "support/pty_pair.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kelvane;

namespace {

namespace fs = std::filesystem;

class PortListTest : public ::testing::Test
{
protected:
    fs::path root;
    PortInventory inventory;

    void SetUp() override
    {
        root = fs::path(::testing::TempDir())
            / ("kelvane-ports-" + std::to_string(getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "class");
        fs::create_directories(root / "devices");
        inventory.ttyClass = (root / "class").string();
        inventory.devices = "/dev";
        inventory.virtualPorts = (root / "virtual").string();
    }

    void TearDown() override { fs::remove_all(root); }

    // A tty entry with a device behind it; `uartType` >= 0 adds an 8250-style type attribute.
    void AddTty(const std::string &name, int uartType = -1)
    {
        const fs::path entry = root / "class" / name;
        fs::create_directories(entry);
        fs::create_directories(root / "devices" / name);
        fs::create_directory_symlink(root / "devices" / name, entry / "device");
        if (uartType >= 0)
            std::ofstream(entry / "type") << uartType << "\n";
    }

    void AddVirtualTty(const std::string &name) { fs::create_directories(root / "class" / name); }

    std::vector<std::string> List()
    {
        std::vector<std::string> ports = {"stale"};
        ListSerialPorts(ports, inventory);
        return ports;
    }
};

TEST_F(PortListTest, EmptyInventoryGivesAnEmptyList)
{
    EXPECT_TRUE(List().empty());
}

TEST_F(PortListTest, NamesSortAsTextIgnoringCase)
{
    AddTty("ttyUSB2");
    AddTty("ttyUSB10");
    AddTty("ttyACM0");
    AddTty("ttyusb1");
    const std::vector<std::string> expected
        = {"/dev/ttyACM0", "/dev/ttyusb1", "/dev/ttyUSB10", "/dev/ttyUSB2"};
    EXPECT_EQ(List(), expected);
}

TEST_F(PortListTest, OnlyTtysWithARealDeviceAndAnExistingUartAreListed)
{
    AddTty("ttyS0", 4); // a 16550A answers
    AddTty("ttyS1", 0); // no UART at that address
    AddVirtualTty("tty1"); // a console, no device behind it
    AddVirtualTty("ptmx");
    AddTty("ttyUSB0");
    EXPECT_EQ(List(), (std::vector<std::string> {"/dev/ttyS0", "/dev/ttyUSB0"}));
}

TEST_F(PortListTest, TtysOfTheSystemConsoleAreNeverListed)
{
    AddTty("ttyS0", 4);
    AddTty("ttyS1", 4);
    AddTty("ttyUSB0");
    AddTty("ttyS2", 4);
    std::ofstream(root / "class" / "ttyS2" / "type").close(); // a type that cannot be read
    AddVirtualTty("console");
    std::ofstream(root / "class" / "console" / "active") << "tty0 ttyS0 ttyUSB0\n";
    EXPECT_EQ(List(), (std::vector<std::string> {"/dev/ttyS1", "/dev/ttyS2"}));
}

TEST_F(PortListTest, UnreadableInventoryRaisesAndLeavesTheListAlone)
{
    inventory.ttyClass = (root / "missing").string();
    std::vector<std::string> ports = {"COM1", "COM2"};
    try {
        ListSerialPorts(ports, inventory);
        ADD_FAILURE() << "no error";
    } catch (const EComPort &e) {
        EXPECT_STREQ(e.what(), "Ошибка обращения к системному реестру");
    }
    EXPECT_EQ(ports, (std::vector<std::string> {"COM1", "COM2"}));
}

TEST_F(PortListTest, VirtualPortsAreLinksToPseudoTerminalsInAPrivateFolder)
{
    PtyPair pty;
    AddTty("ttyUSB0");
    ASSERT_TRUE(MakeVirtualPortsFolder(inventory.virtualPorts));
    const fs::path folder = inventory.virtualPorts;
    fs::create_symlink(pty.SlavePath(), folder / "drive");
    fs::create_symlink("/etc/passwd", folder / "elsewhere");
    fs::create_symlink("/dev/pts/../null", folder / "sneaky");
    fs::create_symlink("/dev/pts/999999", folder / "gone");
    std::ofstream(folder / "plain") << "not a link";
    EXPECT_EQ(List(), (std::vector<std::string> {"/dev/ttyUSB0", (folder / "drive").string()}));
}

TEST_F(PortListTest, VirtualPortsFolderThatOthersCanReachIsIgnored)
{
    PtyPair pty;
    ASSERT_TRUE(MakeVirtualPortsFolder(inventory.virtualPorts));
    fs::create_symlink(pty.SlavePath(), fs::path(inventory.virtualPorts) / "drive");
    chmod(inventory.virtualPorts.c_str(), 0755);
    EXPECT_FALSE(IsPrivateFolder(inventory.virtualPorts));
    EXPECT_TRUE(List().empty());
    EXPECT_FALSE(MakeVirtualPortsFolder(inventory.virtualPorts)) << "and is not taken over";

    // A link in place of the folder is not trusted either.
    const fs::path real = root / "real";
    ASSERT_TRUE(MakeVirtualPortsFolder(real.string()));
    fs::remove_all(inventory.virtualPorts);
    fs::create_directory_symlink(real, inventory.virtualPorts);
    EXPECT_FALSE(IsPrivateFolder(inventory.virtualPorts));
}

} // namespace
