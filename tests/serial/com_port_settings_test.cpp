// Settings of the port component and the device-level values they produce.
#include "serial/com_thread.h"
#include "support/port_fixture.h"

using namespace kelvane;

namespace {

using Args = std::vector<uint64_t>;

// DCB fields as the fake records them: length, rate, flags, XonLim, XoffLim, ByteSize, Parity,
// StopBits, XonChar, XoffChar, ErrorChar, EofChar, EvtChar.
Args dcb(uint64_t rate, uint64_t flags, uint64_t byteSize, uint64_t parity, uint64_t stopBits)
{
    return {28, rate, flags, 0, 0, byteSize, parity, stopBits, 17, 19, 0, 0, 0};
}

TEST_F(FakePortTest, DefaultsAreTheMainWindowsSettings)
{
    EXPECT_EQ(m_port->BaudRate(), br9600);
    EXPECT_EQ(m_port->ByteSize(), bs8);
    EXPECT_EQ(m_port->Parity(), paNone);
    EXPECT_EQ(m_port->StopBits(), sb1);
    EXPECT_EQ(m_port->Port(), "COM2");
    EXPECT_EQ(m_port->SyncMethod(), smThreadSync);
    EXPECT_EQ(m_port->InBufSize(), 2048);
    EXPECT_EQ(m_port->OutBufSize(), 2048);
    EXPECT_EQ(m_port->Timeouts().ReadInterval(), -1);
    EXPECT_EQ(m_port->Timeouts().ReadTotalMultiplier(), 0);
    EXPECT_EQ(m_port->Timeouts().ReadTotalConstant(), 0);
    EXPECT_EQ(m_port->Timeouts().WriteTotalMultiplier(), 100);
    EXPECT_EQ(m_port->Timeouts().WriteTotalConstant(), 1000);
    EXPECT_FALSE(m_port->IsOpen());
}

TEST_F(FakePortTest, OpenAppliesBuffersLineSettingsTimeoutsThenTheEventMask)
{
    m_port->SetPort("/dev/ttyUSB3");
    ASSERT_TRUE(m_port->OpenPort());
    EXPECT_EQ(m_device->lastPath(), "/dev/ttyUSB3");
    const std::vector<std::string> expected
        = {"CreateFile", "SetupComm", "SetCommState", "SetCommTimeouts", "SetCommMask"};
    const auto names = m_device->callNames();
    ASSERT_GE(names.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 5), expected);
    EXPECT_EQ(lastArgs("SetupComm"), (Args {2048, 2048}));
    EXPECT_EQ(lastArgs("SetCommState"), dcb(9600, 4113, 8, 0, 0));
    EXPECT_EQ(lastArgs("SetCommTimeouts"), (Args {4294967295u, 0, 0, 100, 1000}));
    EXPECT_EQ(lastArgs("SetCommMask"), (Args {1469}));
}

TEST_F(FakePortTest, LineSettingsBlockFollowsEachSetting)
{
    const uint32_t rates[] = {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000,
        57600, 115200, 128000, 256000};
    for (int r = br110; r <= br256000; ++r) {
        m_port->SetBaudRate(static_cast<TBaudRate>(r));
        EXPECT_EQ(m_port->lineSettings().BaudRate, rates[r]);
    }
    m_port->SetByteSize(bs5);
    m_port->SetParity(paMark);
    m_port->SetStopBits(sb1_5);
    LineSettings s = m_port->lineSettings();
    EXPECT_EQ(s.ByteSize, 5);
    EXPECT_EQ(s.Parity, 3);
    EXPECT_EQ(s.StopBits, 1);
    EXPECT_EQ(s.Flags, 4115u) << "parity checking on with any parity but none";
    m_port->SetParity(paNone);
    m_port->SetStopBits(sb2);
    s = m_port->lineSettings();
    EXPECT_EQ(s.Flags, 4113u);
    EXPECT_EQ(s.StopBits, 2);
}

TEST_F(FakePortTest, SettingsChangedWhileClosedOnlyReachTheDeviceAtOpen)
{
    m_port->SetBaudRate(br115200);
    m_port->SetParity(paEven);
    m_port->SetInBufSize(4096);
    m_port->Timeouts().SetWriteTotalConstant(5);
    EXPECT_TRUE(m_device->calls().empty());
    ASSERT_TRUE(m_port->OpenPort());
    EXPECT_EQ(lastArgs("SetCommState"), dcb(115200, 4115, 8, 2, 0));
    EXPECT_EQ(lastArgs("SetupComm"), (Args {4096, 2048}));
    EXPECT_EQ(lastArgs("SetCommTimeouts"), (Args {4294967295u, 0, 0, 100, 5}));
}

TEST_F(FakePortTest, LineSettingChangedWhileOpenIsReappliedAtOnceAndSameValueTouchesNothing)
{
    ASSERT_TRUE(m_port->OpenPort());
    m_device->clearCalls();
    m_port->SetBaudRate(br9600);
    m_port->SetByteSize(bs8);
    m_port->SetParity(paNone);
    m_port->SetStopBits(sb1);
    m_port->SetInBufSize(2048);
    m_port->Timeouts().SetReadInterval(-1);
    EXPECT_EQ(m_device->Count("SetCommState") + m_device->Count("SetupComm")
            + m_device->Count("SetCommTimeouts"),
        0);

    m_port->SetBaudRate(br57600);
    EXPECT_EQ(lastArgs("SetCommState"), dcb(57600, 4113, 8, 0, 0))
        << "the whole block goes again, which raises DTR and RTS again";
    m_port->SetByteSize(bs7);
    m_port->SetStopBits(sb2);
    m_port->SetParity(paOdd);
    EXPECT_EQ(lastArgs("SetCommState"), dcb(57600, 4115, 7, 1, 2));
    EXPECT_EQ(m_device->Count("SetCommState"), 4);
}

TEST_F(FakePortTest, OddBufferSizesAreLoweredAndComparedBeforeLowering)
{
    m_port->SetInBufSize(2049);
    EXPECT_EQ(m_port->InBufSize(), 2048);
    m_port->SetInBufSize(2047);
    EXPECT_EQ(m_port->InBufSize(), 2046);
    m_port->SetInBufSize(-3);
    EXPECT_EQ(m_port->InBufSize(), -3);
    m_port->SetOutBufSize(1);
    EXPECT_EQ(m_port->OutBufSize(), 0);

    m_port->SetInBufSize(2048);
    ASSERT_TRUE(m_port->OpenPort());
    m_device->clearCalls();
    m_port->SetInBufSize(
        2049); // differs from 2048 before lowering: applied although it lands on 2048
    EXPECT_EQ(m_device->Count("SetupComm"), 1);
    EXPECT_EQ(lastArgs("SetupComm"), (Args {2048, 0}));
    m_port->SetOutBufSize(512);
    EXPECT_EQ(lastArgs("SetupComm"), (Args {2048, 512}));
}

TEST_F(FakePortTest, PortAndSyncMethodAreFrozenWhileOpen)
{
    ASSERT_TRUE(m_port->OpenPort());
    EXPECT_COM_ERROR(m_port->SetPort("COM2"), "Нельзя менять свойство, пока порт открыт");
    EXPECT_COM_ERROR(m_port->SetPort("COM1"), "Нельзя менять свойство, пока порт открыт");
    EXPECT_EQ(m_port->Port(), "COM2");
    EXPECT_NO_THROW(m_port->SetSyncMethod(smThreadSync));
    EXPECT_COM_ERROR(m_port->SetSyncMethod(smNone), "Нельзя менять свойство, пока порт открыт");
    EXPECT_EQ(m_port->SyncMethod(), smThreadSync);
    ASSERT_TRUE(m_port->ClosePort());
    m_port->SetPort("COM1");
    m_port->SetSyncMethod(smWindowSync);
    EXPECT_EQ(m_port->Port(), "COM1");
    EXPECT_EQ(m_port->SyncMethod(), smWindowSync);
}

TEST_F(FakePortTest, TimeoutsReachTheDeviceWithNegativesAsAllOnes)
{
    ASSERT_TRUE(m_port->OpenPort());
    m_device->clearCalls();
    m_port->Timeouts().SetReadTotalConstant(-5);
    EXPECT_EQ(lastArgs("SetCommTimeouts"), (Args {4294967295u, 0, 4294967295u, 100, 1000}));
    m_port->Timeouts().SetReadInterval(20);
    m_port->Timeouts().SetReadTotalMultiplier(3);
    m_port->Timeouts().SetWriteTotalMultiplier(0);
    m_port->Timeouts().SetWriteTotalConstant(7);
    EXPECT_EQ(lastArgs("SetCommTimeouts"), (Args {20, 3, 4294967295u, 0, 7}));
    EXPECT_EQ(m_device->Count("SetCommTimeouts"), 5) << "each changed value re-applies";
}

TEST_F(FakePortTest, AssigningTimeoutsCopiesAllFiveAndReappliesOnce)
{
    TBComPort other(m_mainThread, m_device->opener());
    other.Timeouts().SetReadInterval(1);
    other.Timeouts().SetReadTotalMultiplier(2);
    other.Timeouts().SetReadTotalConstant(3);
    other.Timeouts().SetWriteTotalMultiplier(4);
    other.Timeouts().SetWriteTotalConstant(5);
    ASSERT_TRUE(m_port->OpenPort());
    m_device->clearCalls();
    m_port->SetTimeouts(other.Timeouts());
    EXPECT_EQ(m_device->Count("SetCommTimeouts"), 1);
    EXPECT_EQ(lastArgs("SetCommTimeouts"), (Args {1, 2, 3, 4, 5}));
    m_port->SetTimeouts(other.Timeouts());
    EXPECT_EQ(m_device->Count("SetCommTimeouts"), 2) << "assignment always re-applies";
}

TEST_F(FakePortTest, RefusedSettingWhileOpenRaisesAndKeepsTheNewValue)
{
    ASSERT_TRUE(m_port->OpenPort());
    m_device->failCall("SetCommState");
    EXPECT_COM_ERROR(m_port->SetBaudRate(br115200), "Ошибка функции SetCommState");
    EXPECT_EQ(m_port->BaudRate(), br115200);
    m_device->failCall("SetupComm");
    EXPECT_COM_ERROR(m_port->SetOutBufSize(100), "Ошибка функции SetupComm");
    EXPECT_EQ(m_port->OutBufSize(), 100);
    m_device->failCall("SetCommTimeouts");
    EXPECT_COM_ERROR(m_port->Timeouts().SetWriteTotalConstant(1), "Ошибка функции SetCommTimeouts");
    EXPECT_EQ(m_port->Timeouts().WriteTotalConstant(), 1);
    EXPECT_TRUE(m_port->IsOpen());
}

TEST(PortEvents, MaskConversionUsesTheEightEventBitsOnly)
{
    EXPECT_EQ(eventsToMask(AllPortEvents), 1469u);
    EXPECT_EQ(eventsToMask({peRxChar}), 1u);
    EXPECT_EQ(eventsToMask({peTxEmpty, peRing}), 4u + 256u);
    EXPECT_EQ(eventsToMask({peCTS, peDSR, peRLSD}), 8u + 16u + 32u);
    EXPECT_EQ(eventsToMask({peError, peRx80Full}), 128u + 1024u);
    EXPECT_EQ(maskToEvents(1469), AllPortEvents);
    // EV_RXFLAG (2), EV_BREAK (64) and bits above are never requested and are ignored.
    EXPECT_EQ(maskToEvents(2 | 64 | 512 | 2048 | 0x80000000u), TPortEvents {});
    EXPECT_EQ(maskToEvents(1 | 64), TPortEvents {peRxChar});
    EXPECT_EQ(maskToEvents(32), TPortEvents {peRLSD});
}

TEST(BitsPerCharacter, CountStartDataParityAndStopBits)
{
    const auto bits = [](uint8_t byteSize, uint8_t parity, uint8_t stopBits) {
        LineSettings settings;
        settings.ByteSize = byteSize;
        settings.Parity = parity;
        settings.StopBits = stopBits;
        return bitsPerCharacter(settings);
    };
    EXPECT_EQ(bits(8, 0, 0), 10u);
    EXPECT_EQ(bits(7, 2, 0), 10u);
    EXPECT_EQ(bits(5, 0, 1), 8u) << "one and a half stop bits are counted as two";
    EXPECT_EQ(bits(8, 4, 2), 12u);
}

} // namespace
