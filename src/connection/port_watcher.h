// PortWatcher: tells the event loop when the machine's ports may have changed. A burst of changes
// (an adapter makes its device file, then udev its links; Windows says a device arrived, then
// that the device tree changed) gives one portsChanged() on the next turn of the loop. Nothing
// runs while nothing changes: no timer, no polling. What the system tells is one source per
// platform: on Linux the port watch (inotify) on the ports' folders, on Windows WM_DEVICECHANGE,
// which the system sends every top-level window when a port or any device comes or goes.
#pragma once

#include "serial/port_list.h"

#include <QObject>
#include <memory>

namespace kelvane {

// What the system says of its ports, as the platform's source of PortWatcher hears it.
class PortChanges
{
public:
    virtual ~PortChanges() = default;
    // Takes in what the system has said without blocking; true when it may touch the list.
    virtual bool takeChanges() = 0;
};

class PortWatcher : public QObject
{
    Q_OBJECT
public:
    explicit PortWatcher(const PortInventory &inventory, QObject *parent = nullptr);
    ~PortWatcher() override;

signals:
    void portsChanged();

private:
    // The system has said something: one portsChanged() follows when it may touch the list.
    void takeChanges();

    std::unique_ptr<PortChanges> m_changes;
    bool m_pending = false;
};

} // namespace kelvane
