// The virtual drive as a newcomer runs it: the executable publishes its port in a virtual ports
// folder, the port list shows it, the program's own device code opens it and talks to it, and a
// signal ends it with the link gone. Every test has a folder of its own; no real port is opened.
#include "base/crc32.h"
#include "serial/port_list.h"
#include "serial/posix_device.h"
#include "support/child_process.h"
#include "support/pty_pair.h"
#include "support/wait.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace kelvane;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The drive's executable, its standard output and error going to one file.
class DriveProcess : public ChildProcess
{
public:
    DriveProcess(const std::vector<std::string> &options, const fs::path &output)
        : ChildProcess(VIRTUAL_DRIVE_PATH, options, output)
    { }
};

class VirtualDriveProcessTest : public ::testing::Test
{
protected:
    fs::path m_root;
    fs::path m_ports;
    fs::path m_noTtys; // an inventory without real devices: the tests list virtual ports only

    void SetUp() override
    {
        char name[] = "/tmp/kelvane-virtual-drive-test-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        m_root = name;
        m_ports = m_root / "ports";
        m_noTtys = m_root / "tty";
        fs::create_directory(m_noTtys);
    }
    void TearDown() override { fs::remove_all(m_root); }

    std::vector<std::string> listed()
    {
        PortInventory inventory;
        inventory.ttyClass = m_noTtys.string();
        inventory.virtualPorts = m_ports.string();
        std::vector<std::string> names;
        ListSerialPorts(names, inventory);
        return names;
    }
    // Waits until the port list shows `link` (true) or the drive has ended.
    bool waitListed(DriveProcess &drive, const fs::path &link)
    {
        const auto deadline = Clock::now() + 10s;
        while (Clock::now() < deadline && drive.running()) {
            const std::vector<std::string> names = listed();
            if (std::find(names.begin(), names.end(), link.string()) != names.end())
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    DriveProcess start(std::vector<std::string> options, const char *output = "output")
    {
        options.insert(options.end(), {"--ports-folder", m_ports.string()});
        return DriveProcess(options, m_root / output);
    }
};

// Opens the port as the program does and reads with a short wait for each first byte.
std::unique_ptr<SerialDevice> openPort(const fs::path &link)
{
    OpenFailure failure = OpenFailure::None;
    std::unique_ptr<SerialDevice> device = openPosixDevice(link.string(), failure);
    if (!device)
        return nullptr;
    DeviceTimeouts timeouts;
    timeouts.ReadIntervalTimeout = 0xFFFFFFFFu;
    timeouts.ReadTotalTimeoutMultiplier = 0xFFFFFFFFu;
    timeouts.ReadTotalTimeoutConstant = 100;
    timeouts.WriteTotalTimeoutConstant = 5000;
    device->SetCommTimeouts(timeouts);
    return device;
}

bool send(SerialDevice &device, std::string_view bytes)
{
    uint32_t written = 0;
    return device.Write(bytes, written) && written == bytes.size();
}

// Reads until what came ends with `end`, or 10 s have passed.
std::string readUntil(SerialDevice &device, std::string_view end)
{
    std::string got;
    const auto deadline = Clock::now() + 10s;
    while (!got.ends_with(end) && Clock::now() < deadline) {
        std::string piece;
        if (!device.Read(4096, piece))
            break;
        got += piece;
    }
    return got;
}

TEST_F(VirtualDriveProcessTest, PublishesServesAndRemovesItsPort)
{
    DriveProcess drive = start({"--name", "bench-drive", "--log", (m_root / "log").string()});
    ASSERT_TRUE(drive.started());
    const fs::path link = m_ports / "bench-drive";
    ASSERT_TRUE(waitListed(drive, link)) << readFile(m_root / "output");

    struct stat st
    {
    };
    ASSERT_EQ(lstat(m_ports.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "the folder is made private";
    EXPECT_TRUE(isPrivateFolder(m_ports.string()));
    // The drive says it is ready just after it has published the link.
    EXPECT_TRUE(waitUntil(
        [&] { return readFile(m_root / "output").find(link.string()) != std::string::npos; }, 10s))
        << "the port's path is printed at start";

    std::unique_ptr<SerialDevice> port = openPort(link);
    ASSERT_TRUE(port) << "the drive does not hold the slave against the program";
    OpenFailure second = OpenFailure::None;
    EXPECT_FALSE(openPosixDevice(link.string(), second));
    EXPECT_EQ(second, OpenFailure::Busy) << "the program's exclusive open holds";

    ASSERT_TRUE(send(*port, "/1"));
    EXPECT_EQ(readUntil(*port, "F3 1>"), "/1\r\nF3 1>");
    ASSERT_TRUE(send(*port, "M\r"));
    const std::string answer = readUntil(*port, "F3 1>");
    EXPECT_TRUE(answer.starts_with("M\r\r\nvirtual drive: firmware")) << answer;

    // With nobody on the port the master reports a hang-up on every poll; the drive must not spin.
    // A spinning drive burns about a core for the whole second; an idle one next to nothing. The
    // bound sits far from both, so a busy machine (sanitizers, parallel tests) cannot trip it.
    port.reset();
    std::this_thread::sleep_for(100ms);
    const long before = drive.cpuTicks();
    std::this_thread::sleep_for(1s);
    EXPECT_LT(drive.cpuTicks() - before, sysconf(_SC_CLK_TCK) / 4) << "idle without a program";

    port = openPort(link);
    ASSERT_TRUE(port) << "the program may close the port and open it again";
    ASSERT_TRUE(send(*port, "/2"));
    EXPECT_EQ(readUntil(*port, "F3 2>"), "/2\r\nF3 2>");

    // A program that opens, writes and closes before the drive has looked still reaches it.
    port.reset();
    const auto closings = [&] {
        const std::string log = readFile(m_root / "log");
        size_t count = 0;
        for (const char *closed : {"программа закрыла порт", "the program closed the port"})
            for (size_t at = log.find(closed); at != std::string::npos;
                 at = log.find(closed, at + 1))
                ++count;
        return count;
    };
    ASSERT_TRUE(waitUntil([&] { return closings() == 2; }, 10s)) << readFile(m_root / "log");
    drive.signal(SIGSTOP);
    port = openPort(link);
    ASSERT_TRUE(port);
    ASSERT_TRUE(send(*port, "/3"));
    port.reset();
    drive.signal(SIGCONT);
    EXPECT_TRUE(waitUntil(
        [&] { return readFile(m_root / "log").find("\"/3\"") != std::string::npos; }, 10s))
        << readFile(m_root / "log");

    EXPECT_EQ(drive.stop(SIGTERM), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "the link goes with the drive";
    EXPECT_TRUE(listed().empty());
    const std::string log = readFile(m_root / "log");
    EXPECT_NE(log.find("\"/1\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"M\""), std::string::npos) << log;
}

TEST_F(VirtualDriveProcessTest, UploadOfEveryByteValuePassesThePortUnaltered)
{
    // Control characters of a cooked terminal (^C, ^D, ^S, ^Q, CR, DEL) must reach the drive.
    std::string data;
    for (int round = 0; round < 64; ++round)
        for (int b = 0; b < 256; ++b)
            data.push_back(static_cast<char>(b ^ round));
    Crc32 crc;
    crc.update(data);
    char expected[64];
    std::snprintf(expected, sizeof expected, "%zu bytes received, CRC-32 %08x, upload accepted",
        data.size(), crc.value());

    DriveProcess drive = start({});
    const fs::path link = m_ports / "virtual-drive";
    ASSERT_TRUE(waitListed(drive, link)) << readFile(m_root / "output");
    std::unique_ptr<SerialDevice> port = openPort(link);
    ASSERT_TRUE(port);
    ASSERT_TRUE(send(*port, "e0,0"));
    ASSERT_TRUE(send(*port, "DATA.BIN:" + std::to_string(data.size()) + "[BEGIN]"));
    for (size_t at = 0; at < data.size(); at += 2048)
        ASSERT_TRUE(send(*port, std::string_view(data).substr(at, 2048)));
    for (const char *closing : {"[END]", "b,,22", "c"})
        ASSERT_TRUE(send(*port, closing));
    const std::string answer = readUntil(*port, "F3 T>");
    EXPECT_NE(answer.find(expected), std::string::npos) << answer;
    EXPECT_EQ(drive.stop(SIGINT), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(VirtualDriveProcessTest, InventoryListsThePortAsTheProgramSeesIt)
{
    DriveProcess drive = start({});
    const fs::path link = m_ports / "virtual-drive";
    ASSERT_TRUE(waitListed(drive, link));
    DriveProcess inventory = start({"--inventory"}, "inventory");
    EXPECT_EQ(inventory.wait(), 0);
    EXPECT_NE(readFile(m_root / "inventory").find(link.string() + "\n"), std::string::npos)
        << readFile(m_root / "inventory");
}

TEST_F(VirtualDriveProcessTest, RefusesAFolderThatOthersCanReach)
{
    fs::create_directory(m_ports);
    fs::permissions(m_ports,
        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
            | fs::perms::others_read | fs::perms::others_exec);
    DriveProcess drive = start({});
    EXPECT_EQ(drive.wait(), 1);
    EXPECT_NE(readFile(m_root / "output").find("не личная"), std::string::npos)
        << readFile(m_root / "output");
    EXPECT_TRUE(fs::is_empty(m_ports));

    fs::remove(m_ports);
    fs::create_directory(m_root / "elsewhere");
    fs::permissions(m_root / "elsewhere", fs::perms::owner_all);
    fs::create_directory_symlink(m_root / "elsewhere", m_ports);
    DriveProcess throughLink = start({});
    EXPECT_EQ(throughLink.wait(), 1) << "a folder reached through a link is not trusted";
    EXPECT_TRUE(fs::is_empty(m_root / "elsewhere"));
}

TEST_F(VirtualDriveProcessTest, ReplacesALeftOverLinkButNotALiveOne)
{
    fs::create_directory(m_ports);
    fs::permissions(m_ports, fs::perms::owner_all);
    const fs::path link = m_ports / "virtual-drive";

    PtyPair live;
    fs::create_symlink(live.slavePath(), link);
    DriveProcess refused = start({});
    EXPECT_EQ(refused.wait(), 1);
    EXPECT_NE(readFile(m_root / "output").find("уже занят"), std::string::npos);
    EXPECT_EQ(fs::read_symlink(link), live.slavePath()) << "another drive's link is left alone";

    fs::remove(link);
    fs::create_symlink("/dev/pts/999999", link);
    DriveProcess drive = start({});
    EXPECT_TRUE(waitListed(drive, link)) << readFile(m_root / "output");
    EXPECT_NE(fs::read_symlink(link), "/dev/pts/999999");
    EXPECT_EQ(drive.stop(SIGTERM), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(VirtualDriveProcessTest, RejectsUnknownOptionsAndBadNames)
{
    DriveProcess unknown = start({"--rate", "9600"});
    EXPECT_EQ(unknown.wait(), 2);
    DriveProcess slash = start({"--name", "a/b"});
    EXPECT_EQ(slash.wait(), 1);
    DriveProcess dots = start({"--name", ".."});
    EXPECT_EQ(dots.wait(), 1);
    EXPECT_TRUE(!fs::exists(m_ports) || fs::is_empty(m_ports));
}

} // namespace
