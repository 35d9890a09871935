#include "connection/port_watcher.h"

#include <QSocketNotifier>

namespace kelvane {

PortWatcher::PortWatcher(const PortInventory &inventory, QObject *parent)
    : QObject(parent), m_watch(inventory)
{
    if (m_watch.fd() < 0)
        return;
    m_notifier = new QSocketNotifier(m_watch.fd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { takeChanges(); });
}

void PortWatcher::takeChanges()
{
    if (!m_watch.takeChanges() || m_pending)
        return;
    m_pending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_pending = false;
            // What came in meanwhile belongs to this same refresh.
            m_watch.takeChanges();
            emit portsChanged();
        },
        Qt::QueuedConnection);
}

} // namespace kelvane
