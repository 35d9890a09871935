// The port component on real pseudo-terminals: the bytes on the wire, time-outs, exclusive open,
// events from the kernel, a device that goes away, and closing under load.
#include "serial/com_port.h"
#include "serial/posix_device.h"
#include "serial/tty_settings.h"
#include "support/expect_com_error.h"
#include "support/pty_pair.h"
#include "support/pumped_main_thread.h"
#include "support/unprivileged.h"
#include "support/wait.h"

#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace kelvane;

namespace {

using namespace std::chrono_literals;

double processCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The process's CPU time over a short idle window. A thread that spins would take nearly all of
// it; one that sleeps in its wait takes next to nothing.
double cpuSecondsWhileIdle()
{
    const double before = processCpuSeconds();
    std::this_thread::sleep_for(200ms);
    return processCpuSeconds() - before;
}
constexpr double IdleCpuLimit = 0.02; // a tenth of the window

class PtyPortTest : public ::testing::Test
{
protected:
    PtyPair m_pty;
    PumpedMainThread m_mainThread;
    TBComPort m_port {m_mainThread};

    void SetUp() override { m_port.SetPort(m_pty.slavePath()); }
};

TEST_F(PtyPortTest, SendTextPutsExactlyItsBytesOnTheWire)
{
    ASSERT_TRUE(m_port.OpenPort());
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(m_port.SendText(all), 256);
    EXPECT_EQ(m_pty.Read(256), all);
    EXPECT_EQ(m_port.SendText(""), 0);
    EXPECT_EQ(m_port.SendText("N1\r"), 3);
    EXPECT_EQ(m_pty.Read(3), "N1\r");
    EXPECT_EQ(m_pty.readUntilQuiet(), "") << "nothing is added, nothing is translated";
}

TEST_F(PtyPortTest, ReceiveTextReturnsAtOnceWithWhatHasArrived)
{
    ASSERT_TRUE(m_port.OpenPort());
    std::string text;
    EXPECT_EQ(m_port.ReceiveText(text, 100), 0) << "nothing there: the read does not wait";
    std::string all;
    for (int b = 255; b >= 0; --b)
        all.push_back(static_cast<char>(b));
    m_pty.Write(all);
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return m_port.PendingInputCount() == 256; }));
    EXPECT_EQ(m_port.ReceiveText(text, 1000), 256);
    EXPECT_EQ(text, all) << "CR, LF and every other byte arrive untouched";
}

TEST_F(PtyPortTest, ReadTimeoutsWaitForTheFirstByteWhenAsked)
{
    m_port.Timeouts().SetReadInterval(-1);
    m_port.Timeouts().SetReadTotalMultiplier(-1);
    m_port.Timeouts().SetReadTotalConstant(2000);
    ASSERT_TRUE(m_port.OpenPort());
    std::thread drive([&] {
        std::this_thread::sleep_for(50ms);
        m_pty.Write("late");
    });
    std::string text;
    const int32_t n = m_port.ReceiveText(text, 10);
    drive.join();
    EXPECT_GE(n, 1);
    EXPECT_EQ(text, std::string("late").substr(0, text.size()));
}

TEST_F(PtyPortTest, WriteThatCannotCompleteFailsWithTheWriteError)
{
    m_port.Timeouts().SetWriteTotalMultiplier(0);
    m_port.Timeouts().SetWriteTotalConstant(200);
    ASSERT_TRUE(m_port.OpenPort());
    // Nobody reads the other end: the pseudo-terminal fills up and the write runs out of time.
    const std::string flood(4 * 1024 * 1024, 'x');
    EXPECT_COM_ERROR(m_port.SendText(flood), "Ошибка записи в порт");
    EXPECT_TRUE(m_port.IsOpen());
}

TEST_F(PtyPortTest, SecondOpenOfAnOpenPortIsRefusedAsBusyEvenForRoot)
{
    ASSERT_TRUE(m_port.OpenPort());
    TBComPort second(m_mainThread);
    second.SetPort(m_pty.slavePath());
    EXPECT_COM_ERROR(second.OpenPort(), "Порт занят другой программой");
    EXPECT_FALSE(second.IsOpen());
    ASSERT_TRUE(m_port.ClosePort());
    EXPECT_TRUE(second.OpenPort()) << "free again once closed";
}

TEST_F(PtyPortTest, MissingAndUnsuitableDevicesRaiseTheirMessages)
{
    m_port.SetPort("/dev/kelvane-no-such-port");
    EXPECT_COM_ERROR(m_port.OpenPort(), "Попытка открыть несуществующий COM-порт");
    EXPECT_FALSE(m_port.IsOpen());
    m_port.SetPort("/dev/null"); // exists, but is no serial device
    EXPECT_COM_ERROR(m_port.OpenPort(), "Ошибка функции SetupComm");
    EXPECT_FALSE(m_port.IsOpen());
}

TEST_F(PtyPortTest, DeviceTheUserMayNotOpenNamesItsGroupAndTheWayIn)
{
    const std::string path = m_pty.slavePath();
    // As a serial adapter is set up: the device belongs to a group that grants access to it.
    if (geteuid() == 0) {
        const group *dialout = getgrnam("dialout");
        ASSERT_NE(dialout, nullptr);
        ASSERT_EQ(chown(path.c_str(), 0, dialout->gr_gid), 0);
        ASSERT_EQ(chmod(path.c_str(), 0660), 0);
    } else {
        ASSERT_EQ(chmod(path.c_str(), 0), 0);
    }
    const auto openAsNobody = [&] {
        return runAsNobody([&] {
            PumpedMainThread childThread;
            TBComPort child(childThread);
            child.SetPort(path);
            try {
                child.OpenPort();
                return std::string("opened");
            } catch (const EComPort &e) {
                return std::string(e.what());
            }
        });
    };
    struct stat device = {};
    ASSERT_EQ(stat(path.c_str(), &device), 0);
    const std::string owner = getgrgid(device.st_gid)->gr_name;
    const std::string message = openAsNobody();
    EXPECT_THAT(message, ::testing::StartsWith("Нет прав на доступ к порту " + path + "."));
    EXPECT_THAT(message, ::testing::HasSubstr("принадлежит группе " + owner));
    EXPECT_THAT(message, ::testing::HasSubstr("sudo usermod -aG " + owner + " $USER"));
    EXPECT_THAT(message, ::testing::HasSubstr("войдите в неё снова"));

    if (geteuid() == 0) {
        // Root's own group is no group to join.
        ASSERT_EQ(chown(path.c_str(), 0, 0), 0);
        const std::string rootOnly = openAsNobody();
        EXPECT_THAT(rootOnly, ::testing::HasSubstr("Попросите администратора"));
        EXPECT_THAT(rootOnly, ::testing::Not(::testing::HasSubstr("usermod")));
    }
}

TEST_F(PtyPortTest, EveryRateReachesTheDevice)
{
    ASSERT_TRUE(m_port.OpenPort());
    for (int r = br110; r <= br256000; ++r) {
        m_port.SetBaudRate(static_cast<TBaudRate>(r));
        uint32_t speed = 0;
        // On a pseudo-terminal the master reports the slave's settings.
        ASSERT_TRUE(readTtySpeed(m_pty.master(), speed));
        EXPECT_EQ(speed, BaudRateValues[r]);
    }
}

TEST_F(PtyPortTest, LinesOfADeviceWithoutModemLinesReadOffAndSetWithoutError)
{
    ASSERT_TRUE(m_port.OpenPort());
    EXPECT_NO_THROW(m_port.SetDtrLine(true));
    EXPECT_NO_THROW(m_port.SetRtsLine(false));
    EXPECT_EQ(m_port.ReadModemLines(), TModemLines {});
    EXPECT_TRUE(m_port.ClosePort());
}

TEST_F(PtyPortTest, RxCharArrivesInTheMainThreadWithTheQueuedCount)
{
    std::vector<int32_t> counts;
    std::string received;
    std::thread::id handlerThread;
    m_port.OnRxChar = [&](TBComPort &p, int32_t count) {
        handlerThread = std::this_thread::get_id();
        counts.push_back(count);
        std::string chunk;
        p.ReceiveText(chunk, count);
        received += chunk;
    };
    ASSERT_TRUE(m_port.OpenPort());
    m_pty.Write("first");
    // Every byte queues before the main thread serves.
    ASSERT_TRUE(waitUntil([&] { return m_port.PendingInputCount() == 5; }));
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return received.size() == 5; }));
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
    EXPECT_EQ(counts.front(), 5);
    m_pty.Write("second");
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return received == "firstsecond"; }));
}

TEST_F(PtyPortTest, UnreadBytesProduceNoFurtherEventsUntilMoreArrive)
{
    std::atomic<int> events = 0;
    m_port.OnRxChar = [&](TBComPort &, int32_t) { ++events; }; // reads nothing
    ASSERT_TRUE(m_port.OpenPort());
    m_pty.Write("x");
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return events == 1; }));
    m_mainThread.pumpFor(100ms);
    EXPECT_EQ(events, 1) << "the queue still holds the byte, but nothing new arrived";
    m_pty.Write("y");
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return events == 2; }));
}

TEST_F(PtyPortTest, TxEmptyFollowsEachWrite)
{
    std::atomic<int> txEmpty = 0;
    m_port.OnTxEmpty = [&](TBComPort &) { ++txEmpty; };
    ASSERT_TRUE(m_port.OpenPort());
    m_mainThread.pumpFor(20ms);
    EXPECT_EQ(txEmpty, 0) << "no write, no event";
    m_port.SendText("header");
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return txEmpty == 1; }));
    m_port.SendText(std::string(2048, 'c'));
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return txEmpty == 2; }));
    EXPECT_EQ(m_pty.Read(6 + 2048).size(), 2054u);
}

TEST_F(PtyPortTest, IdleOpenPortCostsNoCpu)
{
    ASSERT_TRUE(m_port.OpenPort());
    EXPECT_LT(cpuSecondsWhileIdle(), IdleCpuLimit) << "the event thread must sleep in its wait";
}

TEST_F(PtyPortTest, OtherEndGoingAwayGivesOneIoErrorAndNoSpin)
{
    std::vector<TComErrors> errors;
    m_port.OnError = [&](TBComPort &, TComErrors e) { errors.push_back(e); };
    ASSERT_TRUE(m_port.OpenPort());
    m_pty.closeMaster();
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(errors.front(), TComErrors {errIO});

    EXPECT_LT(cpuSecondsWhileIdle(), IdleCpuLimit) << "the thread stopped watching the device";
    m_mainThread.serve();
    EXPECT_EQ(errors.size(), 1u);

    EXPECT_COM_ERROR(m_port.SendText("x"), "Ошибка записи в порт");
    EXPECT_TRUE(m_port.IsOpen());
    EXPECT_TRUE(m_port.ClosePort());
    EXPECT_FALSE(m_port.IsOpen());
}

TEST_F(PtyPortTest, OtherEndGoingAwayWhileDataArrivesStillGivesTheIoError)
{
    std::vector<TComErrors> errors;
    m_port.OnError = [&](TBComPort &, TComErrors e) { errors.push_back(e); };
    m_port.OnRxChar = [&](TBComPort &p, int32_t count) {
        std::string text;
        p.ReceiveText(text, count);
    };
    ASSERT_TRUE(m_port.OpenPort());
    m_pty.Write("data");
    // The drive goes away while its bytes wait to be handed over: the step that counts them meets
    // the loss first, and must not swallow its one report.
    ASSERT_TRUE(waitUntil([&] { return m_mainThread.pendingCount() == 1; }));
    m_pty.closeMaster();
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return !errors.empty(); }));
    m_mainThread.pumpFor(50ms);
    EXPECT_EQ(errors, std::vector<TComErrors> {TComErrors {errIO}});
}

TEST(PtyPortReopen, NewOpenWorksWhenTheDeviceIsBack)
{
    // A stable name for a device that comes and goes, as a virtual port link is.
    const std::string link = ::testing::TempDir() + "kelvane-reopen-" + std::to_string(getpid());
    PumpedMainThread mainThread;
    TBComPort port(mainThread);
    port.SetPort(link);
    {
        PtyPair first;
        std::filesystem::remove(link);
        std::filesystem::create_symlink(first.slavePath(), link);
        ASSERT_TRUE(port.OpenPort());
        first.closeMaster();
        mainThread.pumpFor(50ms);
        EXPECT_TRUE(port.ClosePort());
    }
    PtyPair second;
    std::filesystem::remove(link);
    std::filesystem::create_symlink(second.slavePath(), link);
    ASSERT_TRUE(port.OpenPort());
    EXPECT_EQ(port.SendText("back"), 4);
    EXPECT_EQ(second.Read(4), "back");
    EXPECT_TRUE(port.ClosePort());
    std::filesystem::remove(link);
}

TEST(PosixDevice, StopWinsOverAReadyEvent)
{
    PtyPair pty;
    OpenFailure failure;
    auto device = openPosixDevice(pty.slavePath(), failure);
    ASSERT_TRUE(device);
    LineSettings raw;
    raw.BaudRate = 9600;
    raw.ByteSize = 8;
    ASSERT_TRUE(device->SetCommState(raw));
    ASSERT_TRUE(device->SetCommMask(1469));
    pty.Write("ready");
    StopSignal stop;
    uint32_t mask = 0;
    ASSERT_EQ(device->WaitCommEvent(mask, stop), SerialDevice::WaitResult::Event);
    EXPECT_TRUE(mask & 1u);
    pty.Write("again");
    std::this_thread::sleep_for(20ms);
    stop.set();
    EXPECT_EQ(device->WaitCommEvent(mask, stop), SerialDevice::WaitResult::Stopped);
}

// Open, flood with data, close: the close must never deadlock with a hand-over in flight.
class CloseUnderLoad : public ::testing::TestWithParam<TSyncMethod>
{
};

TEST_P(CloseUnderLoad, RepeatedTwoHundredTimes)
{
    PtyPair pty;
    PumpedMainThread mainThread;
    TBComPort port(mainThread);
    port.SetPort(pty.slavePath());
    port.SetSyncMethod(GetParam());
    std::atomic<long> received = 0;
    port.OnRxChar = [&](TBComPort &p, int32_t count) {
        std::string chunk;
        received += p.ReceiveText(chunk, count);
    };
    std::atomic<bool> flooding = true;
    std::thread drive([&] {
        const std::string burst(512, 'd');
        while (flooding) {
            if (::write(pty.master(), burst.data(), burst.size()) < 0)
                std::this_thread::sleep_for(100us);
            char sink[4096];
            while (::read(pty.master(), sink, sizeof sink) > 0) { }
        }
    });
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(port.OpenPort());
        port.SendText("ping");
        mainThread.pumpFor(std::chrono::milliseconds(i % 3));
        ASSERT_TRUE(port.ClosePort());
    }
    flooding = false;
    drive.join();
    EXPECT_GT(received.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryHandOver, CloseUnderLoad, ::testing::Values(smThreadSync, smWindowSync, smNone));

} // namespace
