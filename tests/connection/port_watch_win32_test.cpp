// Windows says that a port came or went with WM_DEVICECHANGE; the port box then follows the
// registry's list. A port's arrival and removal carry the port's description, which no message
// queue takes, so they reach the native event filters as Qt's window procedure hands them a
// top-level window's message; the device tree's change goes through the thread's queue.
#include "support/gui/program_fixture.h"

#include <QAbstractEventDispatcher>
#include <dbt.h>

using namespace kelvane;

namespace {

class PortWatchTest : public ProgramTest
{
public:
    QStringList listed()
    {
        QStringList names;
        auto *box = child<QComboBox>("cbPort");
        for (int i = 0; i < box->count(); ++i)
            names << box->itemData(i).toString();
        return names;
    }

    void setAdapter(bool plugged)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                      QString::fromStdString(inventory.registryKey).toStdWString().c_str(), 0,
                      KEY_WRITE, &key),
            ERROR_SUCCESS);
        const wchar_t name[] = L"COM12";
        if (plugged)
            RegSetValueExW(key, L"\\Device\\VCP0", 0, REG_SZ, reinterpret_cast<const BYTE *>(name),
                sizeof name);
        else
            RegDeleteValueW(key, L"\\Device\\VCP0");
        RegCloseKey(key);
    }

    static void tell(WPARAM what)
    {
        if (what == DBT_DEVNODES_CHANGED) {
            ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_DEVICECHANGE, what, 0));
            return;
        }
        DEV_BROADCAST_PORT_W port = {};
        port.dbcp_size = sizeof port;
        port.dbcp_devicetype = DBT_DEVTYP_PORT;
        MSG message = {};
        message.message = WM_DEVICECHANGE;
        message.wParam = what;
        message.lParam = reinterpret_cast<LPARAM>(&port);
        qintptr result = 0;
        QAbstractEventDispatcher::instance()->filterNativeEvent(
            QByteArrayLiteral("windows_generic_MSG"), &message, &result);
    }
};

TEST_F(PortWatchTest, TheBoxFollowsWhatWindowsSaysOfPortsArrivingAndLeaving)
{
    start();
    ASSERT_EQ(listed(), QStringList {"COM9"});
    setAdapter(true);
    tell(DBT_DEVICEARRIVAL);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return listed() == QStringList({"COM12", "COM9"});
        },
        5000))
        << listed().join(", ").toStdString();
    setAdapter(false);
    tell(DBT_DEVICEREMOVECOMPLETE);
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed() == QStringList {"COM9"}; }, 5000))
        << listed().join(", ").toStdString();
    // A driver that says nothing of its port still changes the device tree.
    setAdapter(true);
    tell(DBT_DEVNODES_CHANGED);
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed().contains("COM12"); }, 5000));
}

} // namespace
