// Operations of the port component on the fake device: open and close with what survives their
// failures, text transfer, the modem lines, and the message each refused call raises.
#include "support/port_fixture.h"

using namespace kelvane;

namespace {

using Args = std::vector<uint64_t>;

TEST_F(FakePortTest, OpenTwiceAndCloseTwiceChangeNothing)
{
    EXPECT_TRUE(port->ClosePort());
    EXPECT_TRUE(device->Calls().empty());
    ASSERT_TRUE(port->OpenPort());
    const size_t calls = device->Calls().size();
    EXPECT_TRUE(port->OpenPort());
    EXPECT_EQ(device->Count("CreateFile"), 1);
    EXPECT_EQ(device->Calls().size(), calls);
    ASSERT_TRUE(port->ClosePort());
    EXPECT_FALSE(port->IsOpen());
    EXPECT_EQ(device->DevicesOpen(), 0);
    const size_t afterClose = device->Calls().size();
    EXPECT_TRUE(port->ClosePort());
    EXPECT_EQ(device->Calls().size(), afterClose);
}

TEST_F(FakePortTest, CloseDropsDtrThenRtsAbortsIoStopsTheThreadAndClosesTheDevice)
{
    ASSERT_TRUE(port->OpenPort());
    device->ClearCalls();
    ASSERT_TRUE(port->ClosePort());
    std::vector<std::string> names;
    for (const FakeCall &c : device->Calls())
        if (c.name != "WaitCommEvent")
            names.push_back(c.name);
    const std::vector<std::string> expected = {"EscapeCommFunction", "EscapeCommFunction",
        "PurgeComm", "SetCommMask", "PurgeComm", "CloseHandle"};
    EXPECT_EQ(names, expected);
    const auto calls = device->Calls();
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
        device->SetOpenFailure(failure);
        EXPECT_COM_ERROR(port->OpenPort(), message);
        EXPECT_FALSE(port->IsOpen());
        EXPECT_EQ(device->Count("SetCommMask"), 0) << "no thread was started";
    }
    device->SetOpenFailure(OpenFailure::None);
    EXPECT_TRUE(port->OpenPort());
}

TEST_F(FakePortTest, RefusedApplyStepAtOpenClosesTheDeviceAndStartsNoThread)
{
    const std::pair<const char *, const char *> cases[] = {
        {"SetupComm", "Ошибка функции SetupComm"},
        {"SetCommState", "Ошибка функции SetCommState"},
        {"SetCommTimeouts", "Ошибка функции SetCommTimeouts"},
    };
    for (const auto &[call, message] : cases) {
        device->FailCall(call);
        EXPECT_COM_ERROR(port->OpenPort(), message);
        EXPECT_FALSE(port->IsOpen());
        EXPECT_EQ(device->DevicesOpen(), 0);
        EXPECT_EQ(device->Count("SetCommMask"), 0);
        device->FailCall(call, false);
    }
    EXPECT_TRUE(port->OpenPort());
}

TEST_F(FakePortTest, RefusalWhileClosingKeepsThePortOpenAndCloseCanBeRepeated)
{
    ASSERT_TRUE(port->OpenPort());
    device->FailCall("EscapeCommFunction");
    EXPECT_COM_ERROR(port->ClosePort(), "Ошибка функции EscapeCommFunction");
    EXPECT_TRUE(port->IsOpen());
    device->FailCall("EscapeCommFunction", false);
    device->FailCall("PurgeComm");
    EXPECT_COM_ERROR(port->ClosePort(), "Ошибка функции PurgeComm");
    EXPECT_TRUE(port->IsOpen());
    device->QueueEvent(4); // the thread still runs and delivers
    int txEmpty = 0;
    port->OnTxEmpty = [&](TBComPort &) { ++txEmpty; };
    EXPECT_TRUE(mainThread.PumpUntil([&] { return txEmpty == 1; }));
    device->FailCall("PurgeComm", false);
    EXPECT_TRUE(port->ClosePort());
    EXPECT_FALSE(port->IsOpen());
}

TEST_F(FakePortTest, CloseOfALostDeviceSucceedsAlthoughItRefusesTheLines)
{
    ASSERT_TRUE(port->OpenPort());
    device->SetLost(true);
    device->FailCall("EscapeCommFunction");
    device->FailCall("PurgeComm");
    EXPECT_TRUE(port->ClosePort());
    EXPECT_FALSE(port->IsOpen());
    EXPECT_EQ(device->DevicesOpen(), 0);
}

TEST_F(FakePortTest, DestroyingAnOpenPortClosesItEvenWhenTheDeviceRefuses)
{
    ASSERT_TRUE(port->OpenPort());
    device->FailCall("EscapeCommFunction");
    port.reset();
    EXPECT_EQ(device->DevicesOpen(), 0);
}

TEST_F(FakePortTest, SendTextWritesExactlyTheBytesAndAnEmptyTextTouchesNothing)
{
    EXPECT_EQ(port->SendText(""), 0);
    ASSERT_TRUE(port->OpenPort());
    device->ClearCalls();
    EXPECT_EQ(port->SendText(""), 0);
    EXPECT_EQ(device->Count("Write"), 0);
    EXPECT_EQ(port->SendText(std::string("/T\0\r", 4)), 4);
    EXPECT_EQ(device->Written(), std::string("/T\0\r", 4));
}

TEST_F(FakePortTest, SendTextFailuresRaiseTheWriteErrorAndKeepThePortOpen)
{
    EXPECT_COM_ERROR(port->SendText("x"), "Ошибка записи в порт");
    ASSERT_TRUE(port->OpenPort());
    device->FailCall("Write");
    EXPECT_COM_ERROR(port->SendText("x"), "Ошибка записи в порт");
    EXPECT_TRUE(port->IsOpen());
}

TEST_F(FakePortTest, ReceiveTextReturnsWhatArrivedUpToCount)
{
    std::string text = "old";
    EXPECT_EQ(port->ReceiveText(text, 0), 0);
    EXPECT_EQ(text, "");
    EXPECT_COM_ERROR(port->ReceiveText(text, 1), "Ошибка чтения из порта");
    ASSERT_TRUE(port->OpenPort());
    device->SupplyInput("abc");
    EXPECT_EQ(port->ReceiveText(text, 2), 2);
    EXPECT_EQ(text, "ab");
    EXPECT_EQ(port->ReceiveText(text, 10), 1);
    EXPECT_EQ(text, "c");
    EXPECT_EQ(port->ReceiveText(text, -4), 0);
    EXPECT_EQ(text, "");
    device->FailCall("Read");
    EXPECT_COM_ERROR(port->ReceiveText(text, 1), "Ошибка чтения из порта");
    EXPECT_TRUE(port->IsOpen());
}

TEST_F(FakePortTest, DtrAndRtsUseTheirEscapeFunctions)
{
    ASSERT_TRUE(port->OpenPort());
    device->ClearCalls();
    port->SetDtrLine(true);
    port->SetDtrLine(false);
    port->SetRtsLine(true);
    port->SetRtsLine(false);
    std::vector<uint64_t> functions;
    for (const FakeCall &c : device->Calls())
        if (c.name == "EscapeCommFunction")
            functions.push_back(c.args.at(0));
    EXPECT_EQ(functions, (Args {5, 6, 3, 4}));
}

TEST_F(FakePortTest, ModemLinesMapTheFourStatusBits)
{
    ASSERT_TRUE(port->OpenPort());
    device->SetModemStatus(0x10 | 0x80);
    TModemLines lines = port->ReadModemLines();
    EXPECT_TRUE(lines.Contains(mlCTS));
    EXPECT_FALSE(lines.Contains(mlDSR));
    EXPECT_FALSE(lines.Contains(mlRing));
    EXPECT_TRUE(lines.Contains(mlRLSD));
    device->SetModemStatus(0x20 | 0x40 | 0x0F);
    lines = port->ReadModemLines();
    EXPECT_EQ(lines, (TModemLines {mlDSR, mlRing}));
}

TEST_F(FakePortTest, QueriesOnAClosedPortRaiseTheirOwnMessages)
{
    EXPECT_COM_ERROR(port->SetDtrLine(true), "Ошибка функции EscapeCommFunction");
    EXPECT_COM_ERROR(port->SetRtsLine(false), "Ошибка функции EscapeCommFunction");
    EXPECT_COM_ERROR(port->ReadModemLines(), "Ошибка функции GetCommModemStatus");
    EXPECT_COM_ERROR(port->PendingInputCount(), "Ошибка функции ClearCommError");
    EXPECT_COM_ERROR(port->AbortPendingIo(), "Ошибка функции PurgeComm");
}

TEST_F(FakePortTest, RefusedQueriesOnAnOpenPortRaiseTheirOwnMessages)
{
    ASSERT_TRUE(port->OpenPort());
    struct Case
    {
        const char *call;
        const char *message;
        std::function<void()> operation;
    };
    const Case cases[] = {
        {"EscapeCommFunction", "Ошибка функции EscapeCommFunction",
            [&] { port->SetRtsLine(true); }},
        {"GetCommModemStatus", "Ошибка функции GetCommModemStatus",
            [&] { port->ReadModemLines(); }},
        {"ClearCommError", "Ошибка функции ClearCommError", [&] { port->PendingInputCount(); }},
        {"PurgeComm", "Ошибка функции PurgeComm", [&] { port->AbortPendingIo(); }},
    };
    for (const Case &c : cases) {
        device->FailCall(c.call);
        EXPECT_COM_ERROR(c.operation(), c.message);
        device->FailCall(c.call, false);
        EXPECT_NO_THROW(c.operation());
    }
    EXPECT_TRUE(port->IsOpen());
}

TEST_F(FakePortTest, PendingInputCountIsTheReceiveQueue)
{
    ASSERT_TRUE(port->OpenPort());
    EXPECT_EQ(port->PendingInputCount(), 0);
    device->SupplyInput("12345");
    EXPECT_EQ(port->PendingInputCount(), 5);
}

} // namespace
