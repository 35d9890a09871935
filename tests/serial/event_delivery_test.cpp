// The event thread on the fake device: Fire steps, delivery order, the three hand-over modes,
// re-arming, stop and close, and errors raised while events are delivered.
#include "serial/com_thread.h"
#include "support/port_fixture.h"

#include <atomic>
#include <thread>

using namespace kelvane;

namespace {

using namespace std::chrono_literals;

class EventDeliveryTest : public FakePortTest
{
protected:
    std::mutex mutex;
    std::vector<std::string> log;

    void Note(const std::string &entry)
    {
        std::lock_guard lock(mutex);
        log.push_back(entry);
    }

    std::vector<std::string> Log()
    {
        std::lock_guard lock(mutex);
        return log;
    }

    size_t LogSize() { return Log().size(); }

    // Binds every handler of the port to a log entry.
    void LogAllEvents()
    {
        port->OnError
            = [this](TBComPort &, TComErrors e) { Note("error " + std::to_string(e.Bits())); };
        port->OnRxChar = [this](TBComPort &, int32_t n) { Note("rx " + std::to_string(n)); };
        port->OnTxEmpty = [this](TBComPort &) { Note("txempty"); };
        port->OnRing = [this](TBComPort &) { Note("ring"); };
        port->OnCTSChange
            = [this](TBComPort &, bool on) { Note(std::string("cts ") + (on ? "on" : "off")); };
        port->OnDSRChange
            = [this](TBComPort &, bool on) { Note(std::string("dsr ") + (on ? "on" : "off")); };
        port->OnRLSDChange
            = [this](TBComPort &, bool on) { Note(std::string("rlsd ") + (on ? "on" : "off")); };
        port->OnRx80Full = [this](TBComPort &) { Note("rx80full"); };
    }
};

TEST_F(EventDeliveryTest, AllEventsOfOneWaitRunInTheFixedOrderErrorsFirst)
{
    LogAllEvents();
    ASSERT_TRUE(port->OpenPort());
    device->AddErrors(8); // framing
    device->SupplyInput("xy");
    device->SetModemStatus(0x10 | 0x80);
    device->QueueEvent(1469);
    ASSERT_TRUE(mainThread.PumpUntil([&] { return LogSize() == 8; }));
    const std::vector<std::string> expected
        = {"error 1", "rx 2", "txempty", "ring", "cts on", "dsr off", "rlsd on", "rx80full"};
    EXPECT_EQ(Log(), expected);
}

TEST_F(EventDeliveryTest, ThreadSyncRunsHandlersInTheMainThreadOnlyWhenItServes)
{
    std::atomic<int> calls = 0;
    std::thread::id handlerThread;
    port->OnRxChar = [&](TBComPort &, int32_t) {
        handlerThread = std::this_thread::get_id();
        ++calls;
    };
    ASSERT_TRUE(port->OpenPort());
    device->SupplyInput("a");
    device->QueueEvent(1);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(calls, 0) << "the event thread waits for the main thread";
    EXPECT_EQ(device->WaitsStarted(), 1) << "and does not re-arm before the hand-over has run";
    ASSERT_TRUE(mainThread.PumpUntil([&] { return calls == 1; }));
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
    EXPECT_TRUE(mainThread.PumpUntil([&] { return device->WaitsStarted() == 2; }))
        << "the wait is re-armed after each hand-over";
}

TEST_F(EventDeliveryTest, NoneSyncRunsHandlersInTheEventThread)
{
    port->SetSyncMethod(smNone);
    std::atomic<int> calls = 0;
    std::thread::id handlerThread;
    port->OnTxEmpty = [&](TBComPort &) {
        handlerThread = std::this_thread::get_id();
        ++calls;
    };
    ASSERT_TRUE(port->OpenPort());
    device->QueueEvent(4);
    device->QueueEvent(4);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (calls < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(calls, 2);
    EXPECT_NE(handlerThread, std::this_thread::get_id());
}

TEST_F(EventDeliveryTest, WindowSyncSendsOneMessagePerEventAndRunsOnlyItsStep)
{
    port->SetSyncMethod(smWindowSync);
    LogAllEvents();
    ASSERT_TRUE(port->OpenPort());
    ASSERT_NE(port->NotifyWindow(), nullptr);
    device->SetModemStatus(0x80);
    device->QueueEvent(32); // RLSD
    ASSERT_TRUE(mainThread.PumpUntil([&] { return LogSize() == 1; }));
    EXPECT_EQ(Log().back(), "rlsd on");
    device->QueueEvent(256); // ring
    ASSERT_TRUE(mainThread.PumpUntil([&] { return LogSize() == 2; }));
    EXPECT_EQ(Log().back(), "ring");
    mainThread.PumpFor(20ms);
    EXPECT_EQ(LogSize(), 2u);
}

TEST_F(EventDeliveryTest, NotifyWindowDispatchesByMaskValueAndIgnoresTheRest)
{
    port->SetSyncMethod(smWindowSync);
    LogAllEvents();
    ASSERT_TRUE(port->OpenPort());
    PortEventWindow *window = port->NotifyWindow();
    device->SupplyInput("abc");
    device->AddErrors(2);
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
        EXPECT_EQ(Log().back(), entry);
    }
    const size_t before = LogSize();
    window->WindowProc(PortEventMessage, 2, 0);
    window->WindowProc(PortEventMessage, 1 | 4, 0);
    window->WindowProc(PortEventMessage + 1, 1, 0);
    EXPECT_EQ(LogSize(), before);
}

TEST_F(EventDeliveryTest, MessageForAClosedPortDoesNothing)
{
    port->SetSyncMethod(smWindowSync);
    LogAllEvents();
    ASSERT_TRUE(port->OpenPort());
    PortEventWindow window(*port);
    ASSERT_TRUE(port->ClosePort());
    window.WindowProc(PortEventMessage, 4, 0);
    EXPECT_TRUE(Log().empty());
}

TEST_F(EventDeliveryTest, FireStepConditions)
{
    LogAllEvents();
    ASSERT_TRUE(port->OpenPort());
    device->ClearCalls();

    port->FireRxChar(); // empty queue: no handler, but the queue is always asked
    EXPECT_EQ(device->Count("ClearCommError"), 1);
    port->FireError(); // no error flags: no handler, but the flags are always read and cleared
    EXPECT_EQ(device->Count("ClearCommError"), 2);
    EXPECT_TRUE(Log().empty());

    device->AddErrors(4); // a receive parity error without parity checking is ignored
    port->FireError();
    EXPECT_TRUE(Log().empty());
    port->SetParity(paEven);
    device->AddErrors(4);
    port->FireError();
    EXPECT_EQ(Log().back(), "error 2"); // errRxParity

    // Every flag maps to its element; flags outside the table are ignored.
    device->AddErrors(8 | 4 | 2 | 16 | 1024 | 32768 | 1 | 256 | 64 | 512);
    port->FireError();
    EXPECT_EQ(Log().back(), "error 255");

    device->ClearCalls();
    port->OnCTSChange = nullptr;
    port->FireCTSChange();
    EXPECT_EQ(device->Count("GetCommModemStatus"), 0) << "unassigned: the lines are not read";
    LogAllEvents();
    device->SetModemStatus(0x10);
    port->FireCTSChange();
    device->SetModemStatus(0x20);
    port->FireDSRChange();
    port->FireCTSChange(); // the state at the time of the step, not of the change
    EXPECT_EQ(
        Log(), (std::vector<std::string> {"error 2", "error 255", "cts on", "dsr on", "cts off"}));
}

TEST_F(EventDeliveryTest, FailedResultDeliversNothingAndRearms)
{
    LogAllEvents();
    ASSERT_TRUE(port->OpenPort());
    device->QueueWaitResult(SerialDevice::WaitResult::ResultFailed);
    device->QueueEvent(4);
    ASSERT_TRUE(mainThread.PumpUntil([&] { return LogSize() == 1; }));
    EXPECT_EQ(Log(), std::vector<std::string> {"txempty"});
}

TEST_F(EventDeliveryTest, FailedWaitEndsTheThreadButThePortStaysUsableAndCloses)
{
    LogAllEvents();
    ASSERT_TRUE(port->OpenPort());
    device->QueueWaitResult(SerialDevice::WaitResult::Failed);
    ASSERT_TRUE(mainThread.PumpUntil([&] { return device->Count("SetCommMask") == 2; }))
        << "the thread cleans up: mask cleared";
    device->QueueEvent(4);
    mainThread.PumpFor(20ms);
    EXPECT_TRUE(Log().empty());
    EXPECT_TRUE(port->IsOpen());
    EXPECT_EQ(port->SendText("still"), 5);
    EXPECT_TRUE(port->ClosePort());
}

TEST_F(EventDeliveryTest, StopBeatsAnEventThatIsThereAtTheSameTime)
{
    LogAllEvents();
    ASSERT_TRUE(port->OpenPort());
    ASSERT_TRUE(mainThread.PumpUntil([&] { return device->WaitsStarted() == 1; }));
    device->HoldWaits(); // the next wait will not look until the stop is set
    device->QueueEvent(4);
    ASSERT_TRUE(mainThread.PumpUntil([&] { return LogSize() == 1; }));
    ASSERT_TRUE(mainThread.PumpUntil([&] { return device->WaitsStarted() == 2; }));
    device->QueueEvent(4);
    ASSERT_TRUE(port->ClosePort());
    EXPECT_EQ(LogSize(), 1u);
    EXPECT_EQ(device->Count("WaitCommEvent"), 2) << "the held wait ended, by the stop";
}

TEST_F(EventDeliveryTest, CloseServesAPendingHandOverWithThePortStillOpen)
{
    bool openDuringHandler = false;
    port->OnTxEmpty = [&](TBComPort &p) {
        openDuringHandler = p.IsOpen();
        Note("txempty");
    };
    ASSERT_TRUE(port->OpenPort());
    device->QueueEvent(4);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (mainThread.PendingCount() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(mainThread.PendingCount(), 1u) << "the event thread waits in the hand-over";
    ASSERT_TRUE(port->ClosePort());
    EXPECT_EQ(Log(), std::vector<std::string> {"txempty"});
    EXPECT_TRUE(openDuringHandler);
}

TEST_F(EventDeliveryTest, CloseFromInsideAHandlerDoesNotDeadlock)
{
    for (TSyncMethod method : {smThreadSync, smWindowSync}) {
        SCOPED_TRACE(method);
        port->SetSyncMethod(method);
        int calls = 0;
        port->OnTxEmpty = [&](TBComPort &p) {
            ++calls;
            p.ClosePort();
        };
        ASSERT_TRUE(port->OpenPort());
        device->QueueEvent(4 | 256);
        ASSERT_TRUE(mainThread.PumpUntil([&] { return !port->IsOpen(); }));
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(device->DevicesOpen(), 0);
    }
}

TEST_F(EventDeliveryTest, NoFurtherStepRunsOnceAHandlerHasClosedThePort)
{
    port->OnTxEmpty = [&](TBComPort &p) { p.ClosePort(); };
    port->OnRing = [&](TBComPort &) { Note("ring after close"); };
    ASSERT_TRUE(port->OpenPort());
    device->QueueEvent(4 | 256);
    ASSERT_TRUE(mainThread.PumpUntil([&] { return !port->IsOpen(); }));
    mainThread.PumpFor(10ms);
    EXPECT_TRUE(Log().empty());
}

TEST_F(EventDeliveryTest, HandlerErrorsAreReportedAndDeliveryGoesOnInEveryMode)
{
    for (TSyncMethod method : {smThreadSync, smWindowSync, smNone}) {
        SCOPED_TRACE(method);
        port->SetSyncMethod(method);
        std::atomic<int> received = 0;
        port->OnRxChar = [&](TBComPort &p, int32_t n) {
            std::string text;
            p.ReceiveText(text, n);
            ++received;
            throw EComPort("handler failed");
        };
        port->OnTxEmpty = [&](TBComPort &) { ++received; };
        const size_t errorsBefore = mainThread.Errors().size();
        ASSERT_TRUE(port->OpenPort());
        device->SupplyInput("a");
        device->QueueEvent(1 | 4);
        ASSERT_TRUE(mainThread.PumpUntil([&] { return received == 2; }))
            << "the step after the failing one still runs";
        device->SupplyInput("b");
        device->QueueEvent(1);
        ASSERT_TRUE(mainThread.PumpUntil([&] { return received == 3; }))
            << "and later events are still delivered";
        const auto errors = mainThread.Errors();
        ASSERT_EQ(errors.size(), errorsBefore + 2);
        EXPECT_EQ(errors.back(), "handler failed");
        ASSERT_TRUE(port->ClosePort());
    }
}

TEST_F(EventDeliveryTest, RefusedQueryInAFireStepIsReportedAndDeliveryGoesOn)
{
    LogAllEvents();
    ASSERT_TRUE(port->OpenPort());
    device->FailCall("ClearCommError");
    device->QueueEvent(128 | 4); // error step fails, transmit-empty still runs
    ASSERT_TRUE(mainThread.PumpUntil([&] { return LogSize() == 1; }));
    EXPECT_EQ(Log(), std::vector<std::string> {"txempty"});
    EXPECT_EQ(mainThread.Errors(), std::vector<std::string> {"Ошибка функции ClearCommError"});
}

} // namespace
