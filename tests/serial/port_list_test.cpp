// The port list over a fake device inventory and a fake virtual ports folder.
#include "serial/com_error.h"
#include "serial/port_list.h"
#include "serial/port_watch.h"
#include "support/fake_machine.h"
#include "support/pty_pair.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kelvane;

namespace kelvane {
void PrintTo(const SerialPortInfo &p, std::ostream *out)
{
    *out << "{" << p.name << ", " << p.device << ", \"" << p.description << "\", " << p.manufacturer
         << ", " << p.vendorId << ":" << p.productId << (p.modemManagerIgnores ? ", ignored" : "")
         << "}";
}
} // namespace kelvane

namespace {

namespace fs = std::filesystem;

class PortListTest : public ::testing::Test
{
protected:
    fs::path m_root;
    PortInventory m_inventory;

    void SetUp() override
    {
        m_root = fs::path(::testing::TempDir())
            / ("kelvane-ports-" + std::to_string(getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root / "class");
        fs::create_directories(m_root / "devices");
        m_inventory.ttyClass = (m_root / "class").string();
        m_inventory.devices = "/dev";
        m_inventory.virtualPorts = (m_root / "virtual").string();
    }

    void TearDown() override { fs::remove_all(m_root); }

    // A tty entry with a device behind it; `uartType` >= 0 adds an 8250-style type attribute.
    void addTty(const std::string &name, int uartType = -1)
    {
        const fs::path entry = m_root / "class" / name;
        fs::create_directories(entry);
        fs::create_directories(m_root / "devices" / name);
        fs::create_directory_symlink(m_root / "devices" / name, entry / "device");
        if (uartType >= 0)
            std::ofstream(entry / "type") << uartType << "\n";
    }

    void addVirtualTty(const std::string &name) { fs::create_directories(m_root / "class" / name); }

    std::vector<std::string> list()
    {
        std::vector<std::string> ports = {"stale"};
        ListSerialPorts(ports, m_inventory);
        return ports;
    }
};

TEST_F(PortListTest, EmptyInventoryGivesAnEmptyList)
{
    EXPECT_TRUE(list().empty());
}

TEST_F(PortListTest, NamesSortAsTextIgnoringCase)
{
    addTty("ttyUSB2");
    addTty("ttyUSB10");
    addTty("ttyACM0");
    addTty("ttyusb1");
    const std::vector<std::string> expected
        = {"/dev/ttyACM0", "/dev/ttyusb1", "/dev/ttyUSB10", "/dev/ttyUSB2"};
    EXPECT_EQ(list(), expected);
}

TEST_F(PortListTest, OnlyTtysWithARealDeviceAndAnExistingUartAreListed)
{
    addTty("ttyS0", 4); // a 16550A answers
    addTty("ttyS1", 0); // no UART at that address
    addVirtualTty("tty1"); // a console, no device behind it
    addVirtualTty("ptmx");
    addTty("ttyUSB0");
    EXPECT_EQ(list(), (std::vector<std::string> {"/dev/ttyS0", "/dev/ttyUSB0"}));
}

TEST_F(PortListTest, TtysOfTheSystemConsoleAreNeverListed)
{
    addTty("ttyS0", 4);
    addTty("ttyS1", 4);
    addTty("ttyUSB0");
    addTty("ttyS2", 4);
    std::ofstream(m_root / "class" / "ttyS2" / "type").close(); // a type that cannot be read
    addVirtualTty("console");
    std::ofstream(m_root / "class" / "console" / "active") << "tty0 ttyS0 ttyUSB0\n";
    EXPECT_EQ(list(), (std::vector<std::string> {"/dev/ttyS1", "/dev/ttyS2"}));
}

TEST_F(PortListTest, UnreadableInventoryRaisesAndLeavesTheListAlone)
{
    m_inventory.ttyClass = (m_root / "missing").string();
    std::vector<std::string> ports = {"COM1", "COM2"};
    try {
        ListSerialPorts(ports, m_inventory);
        ADD_FAILURE() << "no error";
    } catch (const EComPort &e) {
        EXPECT_STREQ(e.what(), "Ошибка обращения к системному реестру");
    }
    EXPECT_EQ(ports, (std::vector<std::string> {"COM1", "COM2"}));
}

TEST_F(PortListTest, VirtualPortsAreLinksToPseudoTerminalsInAPrivateFolder)
{
    PtyPair pty;
    addTty("ttyUSB0");
    ASSERT_TRUE(makeVirtualPortsFolder(m_inventory.virtualPorts));
    const fs::path folder = m_inventory.virtualPorts;
    fs::create_symlink(pty.slavePath(), folder / "drive");
    fs::create_symlink("/etc/passwd", folder / "elsewhere");
    fs::create_symlink("/dev/pts/../null", folder / "sneaky");
    fs::create_symlink("/dev/pts/999999", folder / "gone");
    std::ofstream(folder / "plain") << "not a link";
    EXPECT_EQ(list(), (std::vector<std::string> {"/dev/ttyUSB0", (folder / "drive").string()}));
}

TEST_F(PortListTest, VirtualPortsFolderThatOthersCanReachIsIgnored)
{
    PtyPair pty;
    ASSERT_TRUE(makeVirtualPortsFolder(m_inventory.virtualPorts));
    fs::create_symlink(pty.slavePath(), fs::path(m_inventory.virtualPorts) / "drive");
    chmod(m_inventory.virtualPorts.c_str(), 0755);
    EXPECT_FALSE(isPrivateFolder(m_inventory.virtualPorts));
    EXPECT_TRUE(list().empty());
    EXPECT_FALSE(makeVirtualPortsFolder(m_inventory.virtualPorts)) << "and is not taken over";

    // A link in place of the folder is not trusted either.
    const fs::path real = m_root / "real";
    ASSERT_TRUE(makeVirtualPortsFolder(real.string()));
    fs::remove_all(m_inventory.virtualPorts);
    fs::create_directory_symlink(real, m_inventory.virtualPorts);
    EXPECT_FALSE(isPrivateFolder(m_inventory.virtualPorts));
}

TEST_F(PortListTest, UsbAdaptersGoByTheirStableLinkAndSayWhatTheyAre)
{
    PortInventory inventory;
    FakeMachine machine(m_root / "machine", inventory);
    PtyPair first, second, third, drive;
    const UsbAdapter ftdi {.tty = "ttyUSB1", .modemManagerIgnores = true};
    const UsbAdapter ch340 {.tty = "ttyUSB0",
        .vendorId = "1a86",
        .productId = "7523",
        .manufacturer = "",
        .product = "USB Serial",
        .serial = ""};
    const UsbAdapter unnamed {.tty = "ttyACM0",
        .vendorId = "2341",
        .productId = "0043",
        .manufacturer = "",
        .product = "",
        .serial = "85736323"};
    const std::string ftdiName = machine.plug(ftdi, first.slavePath());
    const std::string ch340Name = machine.plug(ch340, second.slavePath());
    machine.plug(unnamed, third.slavePath());
    fs::remove(machine.stableName(unnamed)); // no udev to make its link
    machine.addTty("ttyS0");
    const std::string virtualName = machine.publish("drive", drive.slavePath());

    const std::string dev = inventory.devices;
    const std::vector<SerialPortInfo> expected = {
        {dev + "/serial/by-id/usb-_USB_Serial-if00-port0", dev + "/ttyUSB0", "USB Serial (ttyUSB0)",
            "", "1a86", "7523", false},
        {dev + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", dev + "/ttyUSB1",
            "FT232R USB UART (A50285BI)", "FTDI", "0403", "6001", true},
        {dev + "/ttyACM0", dev + "/ttyACM0", "USB 2341:0043 (85736323)", "", "2341", "0043", false},
        {dev + "/ttyS0", dev + "/ttyS0", "", "", "", "", false},
        {virtualName, drive.slavePath(), "", "", "", "", false},
    };
    EXPECT_EQ(expected[0].name, ch340Name);
    EXPECT_EQ(expected[1].name, ftdiName);
    EXPECT_EQ(serialPorts(inventory), expected);

    machine.unplug(ftdi);
    std::vector<std::string> names;
    ListSerialPorts(names, inventory);
    EXPECT_EQ(names,
        (std::vector<std::string> {ch340Name, dev + "/ttyACM0", dev + "/ttyS0", virtualName}));
}

// Each step of a machine's life must make the watch readable and be taken as one change; with
// nothing happening it stays silent. Folders that udev or the virtual drive make later are
// watched from the moment they appear.
TEST_F(PortListTest, WatchSeesPortsComeAndGoAndStaysSilentOtherwise)
{
    PortInventory inventory;
    FakeMachine machine(m_root / "machine", inventory);
    fs::remove_all(inventory.virtualPorts); // no virtual drive has run yet
    PortWatch watch(inventory);
    ASSERT_GE(watch.fd(), 0);
    const auto readable = [&] {
        pollfd p {watch.fd(), POLLIN, 0};
        return poll(&p, 1, 0) == 1;
    };
    const auto step = [&](const char *what, const std::function<void()> &change, bool counts) {
        SCOPED_TRACE(what);
        change();
        if (counts) {
            EXPECT_TRUE(readable());
        }
        EXPECT_EQ(watch.takeChanges(), counts);
        EXPECT_FALSE(readable()) << "all was taken";
        EXPECT_FALSE(watch.takeChanges());
    };
    PtyPair first, second, drive;
    const UsbAdapter one {.tty = "ttyUSB0"};
    const UsbAdapter two {.tty = "ttyUSB1", .serial = "B0001"};
    step(
        "first adapter, with udev's folders", [&] { machine.plug(one, first.slavePath()); }, true);
    step(
        "second adapter", [&] { machine.plug(two, second.slavePath()); }, true);
    step(
        "only its stable link goes", [&] { fs::remove(machine.stableName(two)); }, true);
    step(
        "the rest of it", [&] { machine.unplug(two); }, true);
    step(
        "something beside the virtual ports folder",
        [&] { std::ofstream(fs::path(inventory.virtualPorts).parent_path() / "other") << "x"; },
        false);
    step(
        "the virtual ports folder", [&] { makeVirtualPortsFolder(inventory.virtualPorts); }, true);
    step(
        "a virtual drive", [&] { machine.publish("drive", drive.slavePath()); }, true);
    step(
        "the drive ends", [&] { fs::remove(fs::path(inventory.virtualPorts) / "drive"); }, true);
    step(
        "the last adapter, and udev removes its folders",
        [&] {
            machine.unplug(one);
            fs::remove_all(fs::path(inventory.serialById).parent_path());
        },
        true);
    step(
        "udev's folders come back", [&] { machine.plug(one, first.slavePath()); }, true);
    step(
        "and are watched again", [&] { fs::remove(machine.stableName(one)); }, true);
}

} // namespace
