#include "connection/port_watcher.h"

namespace kelvane {

PortWatcher::~PortWatcher() = default;

void PortWatcher::takeChanges()
{
    if (!m_changes->takeChanges() || m_pending)
        return;
    m_pending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_pending = false;
            // What came in meanwhile belongs to this same refresh.
            m_changes->takeChanges();
            emit portsChanged();
        },
        Qt::QueuedConnection);
}

} // namespace kelvane
