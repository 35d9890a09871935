// The port watch of Windows: WM_DEVICECHANGE, which the system sends every top-level window when
// a port, or any device, comes or goes, and which Qt hands to the application's native event
// filters (as it does the messages posted to the thread).
#include "connection/port_watcher.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <functional>
#include <utility>
#include <windows.h>
// dbt.h needs the Windows types first.
#include <dbt.h>

namespace kelvane {

namespace {

class DeviceChanges final : public PortChanges, public QAbstractNativeEventFilter
{
public:
    explicit DeviceChanges(std::function<void()> heard) : m_heard(std::move(heard))
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~DeviceChanges() override
    {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->removeNativeEventFilter(this);
    }
    DeviceChanges(const DeviceChanges &) = delete;
    DeviceChanges &operator=(const DeviceChanges &) = delete;

    bool takeChanges() override { return std::exchange(m_changed, false); }

    bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
    {
        const auto *msg = static_cast<const MSG *>(message);
        // A port that arrives or goes is said as such; an adapter whose driver gives no port
        // notice still changes the device tree.
        if (msg->message == WM_DEVICECHANGE
            && (msg->wParam == DBT_DEVICEARRIVAL || msg->wParam == DBT_DEVICEREMOVECOMPLETE
                || msg->wParam == DBT_DEVNODES_CHANGED)) {
            m_changed = true;
            m_heard();
        }
        return false; // every window may want to hear it
    }

private:
    std::function<void()> m_heard;
    bool m_changed = false;
};

} // namespace

PortWatcher::PortWatcher(const PortInventory &, QObject *parent)
    : QObject(parent), m_changes(std::make_unique<DeviceChanges>([this] { takeChanges(); }))
{ }

} // namespace kelvane
