// PortWatcher: the port watch on the event loop. A burst of changes (an adapter makes its device
// file, then udev its links) gives one portsChanged() on the next turn of the loop. Nothing runs
// while nothing changes: no timer, no polling.
#pragma once

#include "serial/port_watch.h"

#include <QObject>

class QSocketNotifier;

namespace kelvane {

class PortWatcher : public QObject
{
    Q_OBJECT
public:
    explicit PortWatcher(const PortInventory &inventory, QObject *parent = nullptr);

signals:
    void portsChanged();

private:
    void takeChanges();

    PortWatch m_watch;
    QSocketNotifier *m_notifier = nullptr;
    bool m_pending = false;
};

} // namespace kelvane
