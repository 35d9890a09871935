// Operations of the port component on the fake device: open and close with what survives their
// failures, text transfer, the modem lines, and the message each refused call raises.
#include "support/port_fixture.h"

using namespace kelvane;

namespace {

using Args = std::vector<uint64_t>;

TEST_F(FakePortTest, OpenTwiceAndCloseTwiceChangeNothing)
{
    EXPECT_TRUE(m_port->ClosePort());
    EXPECT_TRUE(m_device->calls().empty());
    ASSERT_TRUE(m_port->OpenPort());
    const size_t calls = m_device->calls().size();
    EXPECT_TRUE(m_port->OpenPort());
    EXPECT_EQ(m_device->Count("CreateFile"), 1);
    EXPECT_EQ(m_device->calls().size(), calls);
    ASSERT_TRUE(m_port->ClosePort());
    EXPECT_FALSE(m_port->IsOpen());
    EXPECT_EQ(m_device->devicesOpen(), 0);
    const size_t afterClose = m_device->calls().size();
    EXPECT_TRUE(m_port->ClosePort());
    EXPECT_EQ(m_device->calls().size(), afterClose);
}

TEST_F(FakePortTest, CloseDropsDtrThenRtsAbortsIoStopsTheThreadAndClosesTheDevice)
{
    ASSERT_TRUE(m_port->OpenPort());
    m_device->clearCalls();
    ASSERT_TRUE(m_port->ClosePort());
    std::vector<std::string> names;
    for (const FakeCall &c : m_device->calls())
        if (c.name != "WaitCommEvent")
            names.push_back(c.name);
    const std::vector<std::string> expected = {"EscapeCommFunction", "EscapeCommFunction",
        "PurgeComm", "SetCommMask", "PurgeComm", "CloseHandle"};
    EXPECT_EQ(names, expected);
    const auto calls = m_device->calls();
    std::vector<Args> args;
    for (const FakeCall &c : calls)
        if (c.name != "WaitCommEvent" && c.name != "CloseHandle")
            args.push_back(c.args);
    EXPECT_EQ(args, (std::vector<Args> {{6}, {4}, {3}, {0}, {12}}))
        << "CLRDTR, CLRRTS, abort reads and writes, clear the mask, clear both queues";
}

TEST_F(FakePortTest, OpenFailuresRaiseTheirMessagesAndLeaveThePortClosed)
{
    const std::pair<OpenFailure, const char *> cases[] = {
        {OpenFailure::NotFound, "Попытка открыть несуществующий COM-порт"},
        {OpenFailure::Busy, "Порт занят другой программой"},
        {OpenFailure::Other, "Ошибка функции SetupComm"},
    };
    for (const auto &[failure, message] : cases) {
        m_device->setOpenFailure(failure);
        EXPECT_COM_ERROR(m_port->OpenPort(), message);
        EXPECT_FALSE(m_port->IsOpen());
        EXPECT_EQ(m_device->Count("SetCommMask"), 0) << "no thread was started";
    }
    m_device->setOpenFailure(OpenFailure::None);
    EXPECT_TRUE(m_port->OpenPort());
}

TEST_F(FakePortTest, RefusedApplyStepAtOpenClosesTheDeviceAndStartsNoThread)
{
    const std::pair<const char *, const char *> cases[] = {
        {"SetupComm", "Ошибка функции SetupComm"},
        {"SetCommState", "Ошибка функции SetCommState"},
        {"SetCommTimeouts", "Ошибка функции SetCommTimeouts"},
    };
    for (const auto &[call, message] : cases) {
        m_device->failCall(call);
        EXPECT_COM_ERROR(m_port->OpenPort(), message);
        EXPECT_FALSE(m_port->IsOpen());
        EXPECT_EQ(m_device->devicesOpen(), 0);
        EXPECT_EQ(m_device->Count("SetCommMask"), 0);
        m_device->failCall(call, false);
    }
    EXPECT_TRUE(m_port->OpenPort());
}

TEST_F(FakePortTest, RefusalWhileClosingKeepsThePortOpenAndCloseCanBeRepeated)
{
    ASSERT_TRUE(m_port->OpenPort());
    m_device->failCall("EscapeCommFunction");
    EXPECT_COM_ERROR(m_port->ClosePort(), "Ошибка функции EscapeCommFunction");
    EXPECT_TRUE(m_port->IsOpen());
    m_device->failCall("EscapeCommFunction", false);
    m_device->failCall("PurgeComm");
    EXPECT_COM_ERROR(m_port->ClosePort(), "Ошибка функции PurgeComm");
    EXPECT_TRUE(m_port->IsOpen());
    m_device->queueEvent(4); // the thread still runs and delivers
    int txEmpty = 0;
    m_port->OnTxEmpty = [&](TBComPort &) { ++txEmpty; };
    EXPECT_TRUE(m_mainThread.pumpUntil([&] { return txEmpty == 1; }));
    m_device->failCall("PurgeComm", false);
    EXPECT_TRUE(m_port->ClosePort());
    EXPECT_FALSE(m_port->IsOpen());
}

TEST_F(FakePortTest, CloseOfALostDeviceSucceedsAlthoughItRefusesTheLines)
{
    ASSERT_TRUE(m_port->OpenPort());
    m_device->setLost(true);
    m_device->failCall("EscapeCommFunction");
    m_device->failCall("PurgeComm");
    EXPECT_TRUE(m_port->ClosePort());
    EXPECT_FALSE(m_port->IsOpen());
    EXPECT_EQ(m_device->devicesOpen(), 0);
}

TEST_F(FakePortTest, DestroyingAnOpenPortClosesItEvenWhenTheDeviceRefuses)
{
    ASSERT_TRUE(m_port->OpenPort());
    m_device->failCall("EscapeCommFunction");
    m_port.reset();
    EXPECT_EQ(m_device->devicesOpen(), 0);
}

TEST_F(FakePortTest, SendTextWritesExactlyTheBytesAndAnEmptyTextTouchesNothing)
{
    EXPECT_EQ(m_port->SendText(""), 0);
    ASSERT_TRUE(m_port->OpenPort());
    m_device->clearCalls();
    EXPECT_EQ(m_port->SendText(""), 0);
    EXPECT_EQ(m_device->Count("Write"), 0);
    EXPECT_EQ(m_port->SendText(std::string("/T\0\r", 4)), 4);
    EXPECT_EQ(m_device->written(), std::string("/T\0\r", 4));
}

TEST_F(FakePortTest, SendTextFailuresRaiseTheWriteErrorAndKeepThePortOpen)
{
    EXPECT_COM_ERROR(m_port->SendText("x"), "Ошибка записи в порт");
    ASSERT_TRUE(m_port->OpenPort());
    m_device->failCall("Write");
    EXPECT_COM_ERROR(m_port->SendText("x"), "Ошибка записи в порт");
    EXPECT_TRUE(m_port->IsOpen());
}

TEST_F(FakePortTest, ReceiveTextReturnsWhatArrivedUpToCount)
{
    std::string text = "old";
    EXPECT_EQ(m_port->ReceiveText(text, 0), 0);
    EXPECT_EQ(text, "");
    EXPECT_COM_ERROR(m_port->ReceiveText(text, 1), "Ошибка чтения из порта");
    ASSERT_TRUE(m_port->OpenPort());
    m_device->supplyInput("abc");
    EXPECT_EQ(m_port->ReceiveText(text, 2), 2);
    EXPECT_EQ(text, "ab");
    EXPECT_EQ(m_port->ReceiveText(text, 10), 1);
    EXPECT_EQ(text, "c");
    EXPECT_EQ(m_port->ReceiveText(text, -4), 0);
    EXPECT_EQ(text, "");
    m_device->failCall("Read");
    EXPECT_COM_ERROR(m_port->ReceiveText(text, 1), "Ошибка чтения из порта");
    EXPECT_TRUE(m_port->IsOpen());
}

TEST_F(FakePortTest, DtrAndRtsUseTheirEscapeFunctions)
{
    ASSERT_TRUE(m_port->OpenPort());
    m_device->clearCalls();
    m_port->SetDtrLine(true);
    m_port->SetDtrLine(false);
    m_port->SetRtsLine(true);
    m_port->SetRtsLine(false);
    std::vector<uint64_t> functions;
    for (const FakeCall &c : m_device->calls())
        if (c.name == "EscapeCommFunction")
            functions.push_back(c.args.at(0));
    EXPECT_EQ(functions, (Args {5, 6, 3, 4}));
}

TEST_F(FakePortTest, ModemLinesMapTheFourStatusBits)
{
    ASSERT_TRUE(m_port->OpenPort());
    m_device->setModemStatus(0x10 | 0x80);
    TModemLines lines = m_port->ReadModemLines();
    EXPECT_TRUE(lines.contains(mlCTS));
    EXPECT_FALSE(lines.contains(mlDSR));
    EXPECT_FALSE(lines.contains(mlRing));
    EXPECT_TRUE(lines.contains(mlRLSD));
    m_device->setModemStatus(0x20 | 0x40 | 0x0F);
    lines = m_port->ReadModemLines();
    EXPECT_EQ(lines, (TModemLines {mlDSR, mlRing}));
}

TEST_F(FakePortTest, QueriesOnAClosedPortRaiseTheirOwnMessages)
{
    EXPECT_COM_ERROR(m_port->SetDtrLine(true), "Ошибка функции EscapeCommFunction");
    EXPECT_COM_ERROR(m_port->SetRtsLine(false), "Ошибка функции EscapeCommFunction");
    EXPECT_COM_ERROR(m_port->ReadModemLines(), "Ошибка функции GetCommModemStatus");
    EXPECT_COM_ERROR(m_port->PendingInputCount(), "Ошибка функции ClearCommError");
    EXPECT_COM_ERROR(m_port->AbortPendingIo(), "Ошибка функции PurgeComm");
}

TEST_F(FakePortTest, RefusedQueriesOnAnOpenPortRaiseTheirOwnMessages)
{
    ASSERT_TRUE(m_port->OpenPort());
    struct Case
    {
        const char *call;
        const char *message;
        std::function<void()> operation;
    };
    const Case cases[] = {
        {"EscapeCommFunction", "Ошибка функции EscapeCommFunction",
            [&] { m_port->SetRtsLine(true); }},
        {"GetCommModemStatus", "Ошибка функции GetCommModemStatus",
            [&] { m_port->ReadModemLines(); }},
        {"ClearCommError", "Ошибка функции ClearCommError", [&] { m_port->PendingInputCount(); }},
        {"PurgeComm", "Ошибка функции PurgeComm", [&] { m_port->AbortPendingIo(); }},
    };
    for (const Case &c : cases) {
        m_device->failCall(c.call);
        EXPECT_COM_ERROR(c.operation(), c.message);
        m_device->failCall(c.call, false);
        EXPECT_NO_THROW(c.operation());
    }
    EXPECT_TRUE(m_port->IsOpen());
}

TEST_F(FakePortTest, PendingInputCountIsTheReceiveQueue)
{
    ASSERT_TRUE(m_port->OpenPort());
    EXPECT_EQ(m_port->PendingInputCount(), 0);
    m_device->supplyInput("12345");
    EXPECT_EQ(m_port->PendingInputCount(), 5);
}

} // namespace
