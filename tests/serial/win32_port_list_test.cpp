// What Wine cannot show of Windows' ports: the port list from a registry key of the test's own,
// and how a failed open reads (Wine lets a second program open a held port; Windows refuses it
// with access denied, which is the held port's message).
#include "serial/com_port.h"
#include "serial/port_list.h"
#include "serial/win32_device.h"
#include "support/expect_com_error.h"
#include "support/pumped_main_thread.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

using namespace kelvane;

namespace {

class PortListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_key = L"Software\\Kelvane\\PortListTest-" + std::to_wstring(GetCurrentProcessId());
        m_inventory.registryKey
            = "Software\\Kelvane\\PortListTest-" + std::to_string(GetCurrentProcessId());
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, m_key.c_str(), 0, nullptr, 0, KEY_WRITE,
                      nullptr, &key, nullptr),
            ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, m_key.c_str()); }

    void addPort(const std::wstring &device, const std::wstring &name)
    {
        const LONG set = RegSetKeyValueW(HKEY_LOCAL_MACHINE, m_key.c_str(), device.c_str(), REG_SZ,
            name.c_str(), static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
        ASSERT_EQ(set, ERROR_SUCCESS);
    }

    std::wstring m_key;
    PortInventory m_inventory;
};

TEST_F(PortListTest, NamesComeSortedAsTextWithEqualOnesKept)
{
    std::vector<std::string> ports = {"stale"};
    ListSerialPorts(ports, m_inventory);
    EXPECT_TRUE(ports.empty());
    addPort(L"\\Device\\Serial1", L"COM2");
    addPort(L"\\Device\\Serial0", L"COM1");
    addPort(L"\\Device\\VCP0", L"COM10");
    addPort(L"\\Device\\VCP1", L"com1");
    ListSerialPorts(ports, m_inventory);
    const std::vector<std::string> sorted = {"COM1", "com1", "COM10", "COM2"};
    EXPECT_EQ(ports, sorted);
    const std::vector<SerialPortInfo> described = serialPorts(m_inventory);
    ASSERT_EQ(described.size(), 4u);
    EXPECT_EQ(described[2].device, "\\Device\\VCP0");
}

TEST_F(PortListTest, AMissingKeyIsARegistryErrorAndLeavesTheListAlone)
{
    m_inventory.registryKey += "\\Missing";
    std::vector<std::string> ports = {"COM3"};
    EXPECT_COM_ERROR(ListSerialPorts(ports, m_inventory), ComMessage::PortList);
    EXPECT_EQ(ports, std::vector<std::string> {"COM3"});
}

TEST(Win32OpenFailureTest, AccessDeniedIsAHeldPortAndFileNotFoundAMissingOne)
{
    EXPECT_EQ(deviceFileName("COM3"), "\\\\.\\COM3");
    EXPECT_EQ(deviceFileName("\\\\.\\COM12"), "\\\\.\\COM12");
    PumpedMainThread main;
    DWORD error = ERROR_SUCCESS;
    TBComPort port(main, [&](const std::string &, OpenFailure &failure) {
        failure = classifyOpenError(error);
        return std::unique_ptr<SerialDevice>();
    });
    const std::pair<DWORD, const char *> cases[] = {
        {ERROR_ACCESS_DENIED, ComMessage::PortBusy},
        {ERROR_SHARING_VIOLATION, ComMessage::PortBusy},
        {ERROR_FILE_NOT_FOUND, ComMessage::NoSuchPort},
        {ERROR_PATH_NOT_FOUND, ComMessage::NoSuchPort},
        {ERROR_GEN_FAILURE, ComMessage::SetupComm},
    };
    for (const auto &[code, message] : cases) {
        error = code;
        EXPECT_COM_ERROR(port.OpenPort(), message);
        EXPECT_FALSE(port.IsOpen());
    }
}

} // namespace
