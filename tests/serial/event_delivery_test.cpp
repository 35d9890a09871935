// The event thread on the fake device: Fire steps, delivery order, the three hand-over modes,
// re-arming, stop and close, and errors raised while events are delivered.
#include "serial/com_thread.h"
#include "support/port_fixture.h"
#include "support/wait.h"

#include <algorithm>
#include <atomic>
#include <thread>

using namespace kelvane;

namespace {

using namespace std::chrono_literals;

class EventDeliveryTest : public FakePortTest
{
protected:
    std::mutex m_mutex;
    std::vector<std::string> m_log;

    void note(const std::string &entry)
    {
        std::lock_guard lock(m_mutex);
        m_log.push_back(entry);
    }

    std::vector<std::string> log()
    {
        std::lock_guard lock(m_mutex);
        return m_log;
    }

    size_t logSize() { return log().size(); }

    // Binds every handler of the port to a log entry.
    void logAllEvents()
    {
        m_port->OnError
            = [this](TBComPort &, TComErrors e) { note("error " + std::to_string(e.bits())); };
        m_port->OnRxChar = [this](TBComPort &, int32_t n) { note("rx " + std::to_string(n)); };
        m_port->OnTxEmpty = [this](TBComPort &) { note("txempty"); };
        m_port->OnRing = [this](TBComPort &) { note("ring"); };
        m_port->OnCTSChange
            = [this](TBComPort &, bool on) { note(std::string("cts ") + (on ? "on" : "off")); };
        m_port->OnDSRChange
            = [this](TBComPort &, bool on) { note(std::string("dsr ") + (on ? "on" : "off")); };
        m_port->OnRLSDChange
            = [this](TBComPort &, bool on) { note(std::string("rlsd ") + (on ? "on" : "off")); };
        m_port->OnRx80Full = [this](TBComPort &) { note("rx80full"); };
    }
};

TEST_F(EventDeliveryTest, AllEventsOfOneWaitRunInTheFixedOrderErrorsFirst)
{
    logAllEvents();
    ASSERT_TRUE(m_port->OpenPort());
    m_device->addErrors(8); // framing
    m_device->supplyInput("xy");
    m_device->setModemStatus(0x10 | 0x80);
    m_device->queueEvent(1469);
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return logSize() == 8; }));
    const std::vector<std::string> expected
        = {"error 1", "rx 2", "txempty", "ring", "cts on", "dsr off", "rlsd on", "rx80full"};
    EXPECT_EQ(log(), expected);
}

TEST_F(EventDeliveryTest, ThreadSyncRunsHandlersInTheMainThreadOnlyWhenItServes)
{
    std::atomic<int> calls = 0;
    std::thread::id handlerThread;
    m_port->OnRxChar = [&](TBComPort &, int32_t) {
        handlerThread = std::this_thread::get_id();
        ++calls;
    };
    ASSERT_TRUE(m_port->OpenPort());
    m_device->supplyInput("a");
    m_device->queueEvent(1);
    ASSERT_TRUE(waitUntil([&] { return m_mainThread.pendingCount() == 1; }));
    EXPECT_EQ(calls, 0) << "the event thread waits for the main thread";
    EXPECT_EQ(m_device->waitsStarted(), 1) << "and does not re-arm before the hand-over has run";
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return calls == 1; }));
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
    EXPECT_TRUE(m_mainThread.pumpUntil([&] { return m_device->waitsStarted() == 2; }))
        << "the wait is re-armed after each hand-over";
}

TEST_F(EventDeliveryTest, NoneSyncRunsHandlersInTheEventThread)
{
    m_port->SetSyncMethod(smNone);
    std::atomic<int> calls = 0;
    std::thread::id handlerThread;
    m_port->OnTxEmpty = [&](TBComPort &) {
        handlerThread = std::this_thread::get_id();
        ++calls;
    };
    ASSERT_TRUE(m_port->OpenPort());
    m_device->queueEvent(4);
    m_device->queueEvent(4);
    EXPECT_TRUE(waitUntil([&] { return calls == 2; }));
    EXPECT_NE(handlerThread, std::this_thread::get_id());
}

TEST_F(EventDeliveryTest, WindowSyncSendsOneMessagePerEventAndRunsOnlyItsStep)
{
    m_port->SetSyncMethod(smWindowSync);
    logAllEvents();
    ASSERT_TRUE(m_port->OpenPort());
    ASSERT_NE(m_port->NotifyWindow(), nullptr);
    m_device->setModemStatus(0x80);
    m_device->queueEvent(32); // RLSD
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return logSize() == 1; }));
    EXPECT_EQ(log().back(), "rlsd on");
    m_device->queueEvent(256); // ring
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return logSize() == 2; }));
    EXPECT_EQ(log().back(), "ring");
    m_mainThread.pumpFor(20ms);
    EXPECT_EQ(logSize(), 2u);
}

TEST_F(EventDeliveryTest, NotifyWindowDispatchesByMaskValueAndIgnoresTheRest)
{
    m_port->SetSyncMethod(smWindowSync);
    logAllEvents();
    ASSERT_TRUE(m_port->OpenPort());
    PortEventWindow *window = m_port->NotifyWindow();
    m_device->supplyInput("abc");
    m_device->addErrors(2);
    // The error step first: every step that counts the queue also reads and clears the flags.
    const std::pair<uintptr_t, const char *> cases[] = {
        {128, "error 4"},
        {1, "rx 3"},
        {4, "txempty"},
        {8, "cts off"},
        {16, "dsr off"},
        {32, "rlsd off"},
        {256, "ring"},
        {1024, "rx80full"},
    };
    for (const auto &[mask, entry] : cases) {
        EXPECT_EQ(window->WindowProc(PortEventMessage, mask, 0), 0);
        EXPECT_EQ(log().back(), entry);
    }
    const size_t before = logSize();
    window->WindowProc(PortEventMessage, 2, 0);
    window->WindowProc(PortEventMessage, 1 | 4, 0);
    window->WindowProc(PortEventMessage + 1, 1, 0);
    EXPECT_EQ(logSize(), before);
}

TEST_F(EventDeliveryTest, MessageForAClosedPortDoesNothing)
{
    m_port->SetSyncMethod(smWindowSync);
    logAllEvents();
    ASSERT_TRUE(m_port->OpenPort());
    PortEventWindow window(*m_port);
    ASSERT_TRUE(m_port->ClosePort());
    window.WindowProc(PortEventMessage, 4, 0);
    EXPECT_TRUE(log().empty());
}

TEST_F(EventDeliveryTest, FireStepConditions)
{
    logAllEvents();
    ASSERT_TRUE(m_port->OpenPort());
    m_device->clearCalls();

    m_port->FireRxChar(); // empty queue: no handler, but the queue is always asked
    EXPECT_EQ(m_device->Count("ClearCommError"), 1);
    m_port->FireError(); // no error flags: no handler, but the flags are always read and cleared
    EXPECT_EQ(m_device->Count("ClearCommError"), 2);
    EXPECT_TRUE(log().empty());

    m_device->addErrors(4); // a receive parity error without parity checking is ignored
    m_port->FireError();
    EXPECT_TRUE(log().empty());
    m_port->SetParity(paEven);
    m_device->addErrors(4);
    m_port->FireError();
    EXPECT_EQ(log().back(), "error 2"); // errRxParity

    // Every flag maps to its element; flags outside the table are ignored.
    m_device->addErrors(8 | 4 | 2 | 16 | 1024 | 32768 | 1 | 256 | 64 | 512);
    m_port->FireError();
    EXPECT_EQ(log().back(), "error 255");

    m_device->clearCalls();
    m_port->OnCTSChange = nullptr;
    m_port->FireCTSChange();
    EXPECT_EQ(m_device->Count("GetCommModemStatus"), 0) << "unassigned: the lines are not read";
    logAllEvents();
    m_device->setModemStatus(0x10);
    m_port->FireCTSChange();
    m_device->setModemStatus(0x20);
    m_port->FireDSRChange();
    m_port->FireCTSChange(); // the state at the time of the step, not of the change
    EXPECT_EQ(
        log(), (std::vector<std::string> {"error 2", "error 255", "cts on", "dsr on", "cts off"}));
}

TEST_F(EventDeliveryTest, FailedResultDeliversNothingAndRearms)
{
    logAllEvents();
    ASSERT_TRUE(m_port->OpenPort());
    m_device->queueWaitResult(SerialDevice::WaitResult::ResultFailed);
    m_device->queueEvent(4);
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return logSize() == 1; }));
    EXPECT_EQ(log(), std::vector<std::string> {"txempty"});
}

TEST_F(EventDeliveryTest, FailedWaitEndsTheThreadButThePortStaysUsableAndCloses)
{
    logAllEvents();
    ASSERT_TRUE(m_port->OpenPort());
    m_device->queueWaitResult(SerialDevice::WaitResult::Failed);
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return m_device->Count("SetCommMask") == 2; }))
        << "the thread cleans up: mask cleared";
    m_device->queueEvent(4);
    m_mainThread.pumpFor(20ms);
    EXPECT_TRUE(log().empty());
    EXPECT_TRUE(m_port->IsOpen());
    EXPECT_EQ(m_port->SendText("still"), 5);
    EXPECT_TRUE(m_port->ClosePort());
}

TEST_F(EventDeliveryTest, StopBeatsAnEventThatIsThereAtTheSameTime)
{
    logAllEvents();
    ASSERT_TRUE(m_port->OpenPort());
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return m_device->waitsStarted() == 1; }));
    m_device->holdWaits(); // the next wait will not look until the stop is set
    m_device->queueEvent(4);
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return logSize() == 1; }));
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return m_device->waitsStarted() == 2; }));
    m_device->queueEvent(4);
    ASSERT_TRUE(m_port->ClosePort());
    EXPECT_EQ(logSize(), 1u);
    EXPECT_EQ(m_device->Count("WaitCommEvent"), 2) << "the held wait ended, by the stop";
}

TEST_F(EventDeliveryTest, CloseServesAPendingHandOverWithThePortStillOpen)
{
    bool openDuringHandler = false;
    m_port->OnTxEmpty = [&](TBComPort &p) {
        openDuringHandler = p.IsOpen();
        note("txempty");
    };
    ASSERT_TRUE(m_port->OpenPort());
    m_device->queueEvent(4);
    ASSERT_TRUE(waitUntil([&] { return m_mainThread.pendingCount() == 1; }))
        << "the event thread waits in the hand-over";
    ASSERT_TRUE(m_port->ClosePort());
    EXPECT_EQ(log(), std::vector<std::string> {"txempty"});
    EXPECT_TRUE(openDuringHandler);
}

TEST_F(EventDeliveryTest, HandlerClosingAgainWhileACloseServesItLeavesTheDeviceToThatClose)
{
    // The close (or the port's destruction) serves a pending hand-over whose handler closes the
    // port too, as the window does when the device is lost: the device must outlive the thread.
    for (const bool destroying : {false, true}) {
        SCOPED_TRACE(destroying ? "destroying the port" : "closing the port");
        m_port = std::make_unique<TBComPort>(m_mainThread, m_device->opener());
        std::vector<bool> nested; // what the handler's close returned
        m_port->OnTxEmpty = [&](TBComPort &p) { nested.push_back(p.ClosePort()); };
        ASSERT_TRUE(m_port->OpenPort());
        m_device->clearCalls();
        m_device->queueEvent(4);
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (m_mainThread.pendingCount() == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        ASSERT_EQ(m_mainThread.pendingCount(), 1u) << "the event thread waits in the hand-over";
        if (destroying) {
            m_port.reset();
        } else {
            EXPECT_TRUE(m_port->ClosePort());
        }
        EXPECT_EQ(nested, std::vector<bool> {true});
        EXPECT_EQ(m_device->devicesOpen(), 0);
        const std::vector<std::string> names = m_device->callNames();
        EXPECT_EQ(std::count(names.begin(), names.end(), "CloseHandle"), 1);
        ASSERT_FALSE(names.empty());
        EXPECT_EQ(names.back(), "CloseHandle") << "the event thread used the device after it";
        if (!destroying) {
            EXPECT_FALSE(m_port->IsOpen());
        }
    }
}

TEST_F(EventDeliveryTest, CloseFromInsideAHandlerDoesNotDeadlock)
{
    for (TSyncMethod method : {smThreadSync, smWindowSync}) {
        SCOPED_TRACE(method);
        m_port->SetSyncMethod(method);
        int calls = 0;
        m_port->OnTxEmpty = [&](TBComPort &p) {
            ++calls;
            p.ClosePort();
        };
        ASSERT_TRUE(m_port->OpenPort());
        m_device->queueEvent(4 | 256);
        ASSERT_TRUE(m_mainThread.pumpUntil([&] { return !m_port->IsOpen(); }));
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(m_device->devicesOpen(), 0);
    }
}

TEST_F(EventDeliveryTest, NoFurtherStepRunsOnceAHandlerHasClosedThePort)
{
    m_port->OnTxEmpty = [&](TBComPort &p) { p.ClosePort(); };
    m_port->OnRing = [&](TBComPort &) { note("ring after close"); };
    ASSERT_TRUE(m_port->OpenPort());
    m_device->queueEvent(4 | 256);
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return !m_port->IsOpen(); }));
    m_mainThread.pumpFor(10ms);
    EXPECT_TRUE(log().empty());
}

TEST_F(EventDeliveryTest, HandlerErrorsAreReportedAndDeliveryGoesOnInEveryMode)
{
    for (TSyncMethod method : {smThreadSync, smWindowSync, smNone}) {
        SCOPED_TRACE(method);
        m_port->SetSyncMethod(method);
        std::atomic<int> received = 0;
        m_port->OnRxChar = [&](TBComPort &p, int32_t n) {
            std::string text;
            p.ReceiveText(text, n);
            ++received;
            throw EComPort("handler failed");
        };
        m_port->OnTxEmpty = [&](TBComPort &) { ++received; };
        const size_t errorsBefore = m_mainThread.reportedErrors().size();
        ASSERT_TRUE(m_port->OpenPort());
        m_device->supplyInput("a");
        m_device->queueEvent(1 | 4);
        ASSERT_TRUE(m_mainThread.pumpUntil([&] { return received == 2; }))
            << "the step after the failing one still runs";
        m_device->supplyInput("b");
        m_device->queueEvent(1);
        ASSERT_TRUE(m_mainThread.pumpUntil([&] { return received == 3; }))
            << "and later events are still delivered";
        // Without a hand-over the error is reported by the event thread after the count rose.
        ASSERT_TRUE(m_mainThread.pumpUntil(
            [&] { return m_mainThread.reportedErrors().size() >= errorsBefore + 2; }));
        const auto errors = m_mainThread.reportedErrors();
        EXPECT_EQ(errors.size(), errorsBefore + 2);
        EXPECT_EQ(errors.back(), "handler failed");
        ASSERT_TRUE(m_port->ClosePort());
    }
}

TEST_F(EventDeliveryTest, RefusedQueryInAFireStepIsReportedAndDeliveryGoesOn)
{
    logAllEvents();
    ASSERT_TRUE(m_port->OpenPort());
    m_device->failCall("ClearCommError");
    m_device->queueEvent(128 | 4); // error step fails, transmit-empty still runs
    ASSERT_TRUE(m_mainThread.pumpUntil([&] { return logSize() == 1; }));
    EXPECT_EQ(log(), std::vector<std::string> {"txempty"});
    EXPECT_EQ(
        m_mainThread.reportedErrors(), std::vector<std::string> {"Ошибка функции ClearCommError"});
}

} // namespace
